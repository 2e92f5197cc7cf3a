#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QString>

// Encodings of byte buffers: hexadecimal, Base64, gzip and quoted-printable.

inline const QString TDDataErrorDomain = QStringLiteral("TDDataErrorDomain");
enum TDDataError : int {
    TDDataErrorCompression = 1,
    TDDataErrorCorrupt = 2,
    TDDataErrorTooLarge = 3,
};

// Inflated output beyond this size is refused unless the caller allows more.
inline constexpr qsizetype kGzipDecompressedDefaultMaxSize = 256 * 1024 * 1024;

// Two upper-case hexadecimal digits per byte; empty data gives "".
QString hexadecimalEncodedString(const QByteArray& data);

// A gzip stream (default level); empty data comes back as it is.
Result<QByteArray> gzipCompressedData(const QByteArray& data);
// The bytes of a gzip or zlib stream; empty data comes back as it is. A corrupt or truncated stream,
// or one that inflates beyond maxSize, is an error.
Result<QByteArray> gzipDecompressedData(const QByteArray& data,
                                        qsizetype maxSize = kGzipDecompressedDefaultMaxSize);

// Standard alphabet with "=" padding and no line breaks.
QString base64EncodedString(const QByteArray& data);
// Lenient decoding for text from outside (mail, the network): characters outside the alphabet are
// skipped, decoding stops after the first padded group, an incomplete last group is dropped. Text
// that is not ASCII gives empty data.
QByteArray dataWithBase64EncodedString(const QString& text);
// Strict decoding for stored data (alias records, archives): only ASCII white space is skipped; any other
// character outside the alphabet, misplaced padding, text after it or an incomplete group is an error.
Result<QByteArray> dataWithBase64EncodedStringStrict(const QString& text);

// "=XX" (hexadecimal, either case) becomes that byte and "_" a blank; everything else is copied.
// Text that is not ASCII gives empty data.
QByteArray dataWithQuotedPrintableEncodedString(const QString& text);

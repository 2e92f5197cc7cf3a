#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QString>
#include <QStringDecoder>
#include <QUrl>

// Codes of the errors the mail-message parser answers (domain TDErrorDomain).
enum TDEmailParserErrorCode : int {
    TDErrorEmailUnreadable = 1400,
    TDErrorEmailNotAMessage = 1401,
};

// Reads the header block of a saved mail message: its subject, its sender and its identifier as a
// "message:" link, so that a task made from the message can point back at it.
class TDEmailParser final {
public:
    // Only this much of a file is read: the header block sits at its start, and attachments can be
    // large. Header fields past the limit are not seen.
    static constexpr qsizetype kMaxHeaderBytes = 256 * 1024;

    // A parser for the message file, or an error when it cannot be read or holds no header field.
    static Result<TDEmailParser> fromEmailFilepath(const QString& path);
    // The same for the file's bytes.
    static Result<TDEmailParser> fromData(const QByteArray& data);

    // Null when the message has none.
    QString subject() const { return m_subject; }
    QString sender() const { return m_sender; }
    // "message:" and the Message-ID (angle brackets included) percent-escaped; empty when absent.
    QUrl messageURL() const { return m_messageURL; }
    // "<subject> from <sender>", or what there is of the two; empty when neither is there.
    QString linkTitle() const;

    // A decoder for an IANA charset name (any letter case); an invalid one for an unknown name.
    static QStringDecoder stringEncodingForMIMEEncoding(const QString& charset);
    // Decodes the encoded words of a header value. A word that cannot be decoded stays as written.
    static QString stringByDecodingMIMEWordsInString(const QString& string);

private:
    TDEmailParser() = default;
    // False when the header block holds no field at all.
    bool p_parse(const QString& header);

    QString m_subject;
    QString m_sender;
    QUrl m_messageURL;
};

#include "foundation/data_additions.h"

#include <libdeflate.h>
#include <zlib.h>

#include <array>
#include <limits>
#include <memory>

namespace {

TDError dataError(int code, const QString& description) {
    TDError e = TDError::make(code, description);
    e.domain = TDDataErrorDomain;
    return e;
}

constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

// Index of each ASCII character in the alphabet, -1 elsewhere.
constexpr std::array<qint8, 128> base64Table() {
    std::array<qint8, 128> table{};
    for (auto& entry : table) entry = -1;
    for (int i = 0; i < 64; ++i) table[static_cast<unsigned char>(kBase64Alphabet[i])] = qint8(i);
    return table;
}
constexpr std::array<qint8, 128> kBase64Table = base64Table();

bool isAscii(const QString& text) {
    for (QChar c : text)
        if (c.unicode() > 0x7F) return false;
    return true;
}

void appendGroup(QByteArray& out, const std::array<int, 4>& group, int pads) {
    const quint32 bits =
        quint32(group[0]) << 18 | quint32(group[1]) << 12 | quint32(group[2]) << 6 | quint32(group[3]);
    out.append(char(bits >> 16));
    if (pads < 2) out.append(char(bits >> 8 & 0xFF));
    if (pads < 1) out.append(char(bits & 0xFF));
}

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

}  // namespace

QString hexadecimalEncodedString(const QByteArray& data) {
    return QString::fromLatin1(data.toHex().toUpper());
}

Result<QByteArray> gzipCompressedData(const QByteArray& data) {
    if (data.isEmpty()) return data;
    // Level 6 deflates as tightly as zlib's default in a fraction of its time; the whole buffer is at
    // hand, so nothing is gained from a streaming compressor.
    const std::unique_ptr<libdeflate_compressor, decltype(&libdeflate_free_compressor)> compressor(
        libdeflate_alloc_compressor(6), &libdeflate_free_compressor);
    if (!compressor)
        return dataError(TDDataErrorCompression, QStringLiteral("The compressor could not be set up."));
    const size_t bound = libdeflate_gzip_compress_bound(compressor.get(), size_t(data.size()));
    if (bound > size_t(std::numeric_limits<qsizetype>::max()) / 2)
        return dataError(TDDataErrorTooLarge, QStringLiteral("The data is too large to compress."));
    QByteArray out(qsizetype(bound), Qt::Uninitialized);
    const size_t written =
        libdeflate_gzip_compress(compressor.get(), data.constData(), size_t(data.size()), out.data(), bound);
    if (written == 0)
        return dataError(TDDataErrorCompression, QStringLiteral("The data could not be compressed."));
    out.truncate(qsizetype(written));
    return out;
}

Result<QByteArray> gzipDecompressedData(const QByteArray& data, qsizetype maxSize) {
    if (data.isEmpty()) return data;
    if (data.size() > qsizetype(std::numeric_limits<uInt>::max()))
        return dataError(TDDataErrorTooLarge, QStringLiteral("The compressed data is too large."));
    z_stream stream{};
    // Window bits 47: a 15-bit window with the gzip or zlib header detected.
    if (inflateInit2(&stream, 47) != Z_OK)
        return dataError(TDDataErrorCompression, QStringLiteral("The decompressor could not be set up."));
    const qsizetype step = std::max<qsizetype>(data.size() / 2, 1024);
    QByteArray out;
    out.resize(std::min(data.size() + step, maxSize + 1));
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.constData()));
    stream.avail_in = uInt(data.size());
    int status = Z_OK;
    while (status == Z_OK) {
        if (qsizetype(stream.total_out) >= out.size()) {
            if (out.size() > maxSize) break;
            out.resize(std::min(out.size() + step, maxSize + 1));
        }
        stream.next_out = reinterpret_cast<Bytef*>(out.data()) + stream.total_out;
        stream.avail_out = uInt(
            std::min<qsizetype>(out.size() - qsizetype(stream.total_out), std::numeric_limits<uInt>::max()));
        status = inflate(&stream, Z_SYNC_FLUSH);
    }
    const qsizetype written = qsizetype(stream.total_out);
    const bool ended = status == Z_STREAM_END;
    const bool cleaned = inflateEnd(&stream) == Z_OK;
    if (written > maxSize)
        return dataError(TDDataErrorTooLarge,
                         QStringLiteral("The data inflates to more than %1 bytes.").arg(maxSize));
    if (!ended || !cleaned)
        return dataError(TDDataErrorCorrupt, QStringLiteral("The compressed data is corrupt or incomplete."));
    out.truncate(written);
    return out;
}

QString base64EncodedString(const QByteArray& data) {
    return QString::fromLatin1(data.toBase64());
}

QByteArray dataWithBase64EncodedString(const QString& text) {
    if (!isAscii(text)) return {};
    QByteArray out;
    out.reserve(text.size() * 3 / 4 + 3);
    std::array<int, 4> group{};
    int filled = 0;
    int pads = 0;
    for (QChar qc : text) {
        const auto c = static_cast<unsigned char>(qc.unicode());
        if (c == '=' && filled >= 2) {
            group[filled++] = 0;
            ++pads;
        } else if (kBase64Table[c] >= 0 && pads == 0) {
            group[filled++] = kBase64Table[c];
        } else {
            continue;  // blanks, line breaks, stray pads and anything else
        }
        if (filled == 4) {
            appendGroup(out, group, pads);
            if (pads > 0) break;
            filled = 0;
        }
    }
    return out;
}

Result<QByteArray> dataWithBase64EncodedStringStrict(const QString& text) {
    auto corrupt = [](const QString& why) {
        return dataError(TDDataErrorCorrupt, QStringLiteral("The Base64 text is corrupt: %1.").arg(why));
    };
    QByteArray out;
    out.reserve(text.size() * 3 / 4 + 3);
    std::array<int, 4> group{};
    int filled = 0;
    int pads = 0;
    bool finished = false;
    for (QChar qc : text) {
        const char16_t c = qc.unicode();
        if (c == u' ' || c == u'\t' || c == u'\n' || c == u'\r' || c == u'\f' || c == u'\v') continue;
        if (finished) return corrupt(QStringLiteral("text after the padding"));
        if (c == u'=') {
            if (filled < 2) return corrupt(QStringLiteral("misplaced padding"));
            group[filled++] = 0;
            ++pads;
        } else if (c < 128 && kBase64Table[c] >= 0) {
            if (pads > 0) return corrupt(QStringLiteral("a digit after the padding"));
            group[filled++] = kBase64Table[c];
        } else {
            return corrupt(
                QStringLiteral("the character U+%1").arg(int(c), 4, 16, QLatin1Char('0')).toUpper());
        }
        if (filled == 4) {
            appendGroup(out, group, pads);
            finished = pads > 0;
            filled = 0;
        }
    }
    if (filled != 0) return corrupt(QStringLiteral("an incomplete last group"));
    return out;
}

QByteArray dataWithQuotedPrintableEncodedString(const QString& text) {
    if (!isAscii(text)) return {};
    const QByteArray in = text.toLatin1();
    QByteArray out;
    out.reserve(in.size());
    for (qsizetype i = 0; i < in.size(); ++i) {
        const char c = in.at(i);
        if (c == '=' && i + 2 < in.size() && hexDigit(in.at(i + 1)) >= 0 && hexDigit(in.at(i + 2)) >= 0) {
            out.append(char(hexDigit(in.at(i + 1)) << 4 | hexDigit(in.at(i + 2))));
            i += 2;
        } else if (c == '_') {
            out.append(' ');
        } else {
            out.append(c);
        }
    }
    return out;
}

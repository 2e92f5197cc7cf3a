#include "foundation/email_parser.h"

#include "foundation/data_additions.h"

#include "platform/base/format.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringList>

#include <optional>

namespace {

bool isBlank(QChar c) {
    return c == u' ' || c == u'\t';
}
bool isWhiteSpace(QChar c) {
    return isBlank(c) || c == u'\r' || c == u'\n';
}

bool isOnlyWhiteSpace(QStringView text) {
    for (const QChar c : text) {
        if (!isWhiteSpace(c)) return false;
    }
    return true;
}

bool is(char c, char ascii) {
    return c == ascii;
}
bool is(QChar c, char ascii) {
    return c.unicode() == static_cast<char16_t>(ascii);
}

// Where the line that starts at position i ends, and where the next one starts. Lines end in LF,
// CRLF or a lone CR, mixed as they come.
template <typename View>
std::pair<qsizetype, qsizetype> lineEnd(View text, qsizetype i) {
    while (i < text.size() && !is(text[i], '\n') && !is(text[i], '\r')) ++i;
    if (i == text.size()) return {i, i};
    if (is(text[i], '\r') && i + 1 < text.size() && is(text[i + 1], '\n')) return {i, i + 2};
    return {i, i + 1};
}

// The length of the header block: everything before the first empty line. When the text was cut
// short and has no empty line, the last, maybe partial, line is left out.
template <typename View>
qsizetype headerLength(View text, bool cutShort) {
    qsizetype start = 0;
    while (start < text.size()) {
        const auto [end, next] = lineEnd(text, start);
        if (end == start) return start;  // an empty line
        if (next == end) return cutShort && start > 0 ? start : end;
        start = next;
    }
    return start;
}

QStringList headerLines(QStringView header) {
    QStringList lines;
    qsizetype start = 0;
    while (start < header.size()) {
        const auto [end, next] = lineEnd(header, start);
        lines.append(header.sliced(start, end - start).toString());
        start = next;
    }
    return lines;
}

// A field name is printable ASCII without the colon.
bool isFieldName(QStringView name) {
    if (name.isEmpty()) return false;
    for (const QChar c : name) {
        if (c.unicode() < 33 || c.unicode() > 126 || c == u':') return false;
    }
    return true;
}

// Charset, encoding and encoded text of an encoded word: printable ASCII without "?" (nor "=" in
// the first two).
bool isWordToken(QStringView text, bool isEncodedText) {
    if (text.isEmpty() && !isEncodedText) return false;
    for (const QChar c : text) {
        if (c.unicode() < 33 || c.unicode() > 126 || c == u'?' || (!isEncodedText && c == u'=')) return false;
    }
    return true;
}

struct EncodedWord {
    qsizetype length = 0;  // of the whole word, from "=?" to "?="
    QString charset;       // lower case, without an RFC 2231 language
    QByteArray bytes;      // decoded
};

enum class WordKind { Decoded, Malformed, UnknownEncoding };

// Reads the encoded word at the "=?" at position start.
WordKind readEncodedWord(QStringView text, qsizetype start, EncodedWord* word) {
    const qsizetype charsetStart = start + 2;
    const qsizetype charsetEnd = text.indexOf(u'?', charsetStart);
    if (charsetEnd < 0) return WordKind::Malformed;
    const qsizetype encodingEnd = text.indexOf(u'?', charsetEnd + 1);
    if (encodingEnd < 0) return WordKind::Malformed;
    const qsizetype textEnd = text.indexOf(QStringView(u"?="), encodingEnd + 1);
    if (textEnd < 0) return WordKind::Malformed;
    const QStringView charset = text.sliced(charsetStart, charsetEnd - charsetStart);
    const QStringView encoding = text.sliced(charsetEnd + 1, encodingEnd - charsetEnd - 1);
    const QStringView encoded = text.sliced(encodingEnd + 1, textEnd - encodingEnd - 1);
    if (!isWordToken(charset, false) || !isWordToken(encoding, false) || !isWordToken(encoded, true)) {
        return WordKind::Malformed;
    }
    word->length = textEnd + 2 - start;
    const qsizetype language = charset.indexOf(u'*');
    word->charset = (language < 0 ? charset : charset.first(language)).toString().toLower();
    const QByteArray ascii = encoded.toLatin1();
    if (encoding.compare(u"Q", Qt::CaseInsensitive) == 0) {
        word->bytes = dataWithQuotedPrintableEncodedString(QString::fromLatin1(ascii));
    } else if (encoding.compare(u"B", Qt::CaseInsensitive) == 0) {
        auto decoded = QByteArray::fromBase64Encoding(ascii, QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded) return WordKind::Malformed;
        word->bytes = *decoded;
    } else {
        return WordKind::UnknownEncoding;
    }
    return WordKind::Decoded;
}

QString decodedText(const QString& charset, const QByteArray& bytes) {
    QStringDecoder decoder = TDEmailParser::stringEncodingForMIMEEncoding(charset);
    // An unknown charset is read as UTF-8, which keeps ASCII as it is.
    if (!decoder.isValid()) decoder = QStringDecoder(QStringDecoder::Utf8);
    return decoder.decode(bytes);
}

}  // namespace

QStringDecoder TDEmailParser::stringEncodingForMIMEEncoding(const QString& charset) {
    if (charset.isEmpty()) return QStringDecoder();
    return QStringDecoder(charset.toLower().toLatin1().constData());
}

QString TDEmailParser::stringByDecodingMIMEWordsInString(const QString& string) {
    // Adjacent encoded words of one charset are decoded together, so that a character whose bytes
    // are split over two words is joined; white space between encoded words is dropped.
    QString result;
    QString runCharset;
    QByteArray runBytes;
    bool inRun = false;
    const auto flush = [&] {
        if (inRun) result += decodedText(runCharset, runBytes);
        inRun = false;
        runBytes.clear();
    };

    const QStringView text(string);
    qsizetype position = 0;
    while (position < text.size()) {
        const qsizetype wordStart = text.indexOf(QStringView(u"=?"), position);
        const QStringView before =
            text.sliced(position, (wordStart < 0 ? text.size() : wordStart) - position);
        if (wordStart < 0) {
            flush();
            result += before;
            break;
        }
        EncodedWord word;
        switch (readEncodedWord(text, wordStart, &word)) {
            case WordKind::Decoded: {
                // White space between two encoded words is dropped.
                const bool continuesRun = inRun && isOnlyWhiteSpace(before);
                if (!continuesRun) {
                    flush();
                    result += before;
                } else if (word.charset != runCharset) {
                    flush();
                }
                if (!inRun) runCharset = word.charset;
                inRun = true;
                runBytes += word.bytes;
                position = wordStart + word.length;
                break;
            }
            case WordKind::UnknownEncoding:
                logWithLevel(TDLogWarning, "WARNING",
                             "Encountered an unknown encoding while decoding MIME word.");
                flush();
                result += before;
                result += text.sliced(wordStart, word.length);
                position = wordStart + word.length;
                break;
            case WordKind::Malformed:
                // A stray "=?" is ordinary text; what follows it is read again.
                logWithLevel(TDLogWarning, "WARNING", "Encountered malformed MIME header word");
                flush();
                result += before;
                result += QStringView(u"=?");
                position = wordStart + 2;
                break;
        }
    }
    flush();
    return result;
}

Result<TDEmailParser> TDEmailParser::fromEmailFilepath(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return TDError::make(
            TDErrorEmailUnreadable,
            formatString("The mail message \"%@\" could not be read: %@", path, file.errorString()));
    }
    const QByteArray data = file.read(kMaxHeaderBytes + 1);
    if (file.error() != QFileDevice::NoError) {
        return TDError::make(
            TDErrorEmailUnreadable,
            formatString("The mail message \"%@\" could not be read: %@", path, file.errorString()));
    }
    return fromData(data);
}

Result<TDEmailParser> TDEmailParser::fromData(const QByteArray& data) {
    const bool cutShort = data.size() > kMaxHeaderBytes;
    const QByteArray head = data.first(std::min(data.size(), kMaxHeaderBytes));
    QString header;
    // A byte-order mark names the encoding; otherwise the header is UTF-8 when it is valid UTF-8
    // and Latin-1 when not (every byte is a Latin-1 character).
    const std::optional<QStringConverter::Encoding> marked = QStringConverter::encodingForData(head);
    if (marked && *marked != QStringConverter::Utf8) {
        QStringDecoder decoder(*marked);
        const QString text = decoder.decode(head);
        header = text.first(headerLength(QStringView(text), cutShort));
    } else {
        QByteArrayView bytes = QByteArrayView(head).first(headerLength(QByteArrayView(head), cutShort));
        if (bytes.startsWith("\xEF\xBB\xBF")) bytes = bytes.sliced(3);
        QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
        header = utf8.decode(bytes);
        if (utf8.hasError()) header = QString::fromLatin1(bytes);
    }

    const auto notAMessage = [] {
        return TDError::make(TDErrorEmailNotAMessage, QStringLiteral("The file is not a mail message."),
                             QStringLiteral("Its start holds no mail header fields."));
    };
    if (header.contains(QChar(0))) return notAMessage();
    TDEmailParser parser;
    if (!parser.p_parse(header)) return notAMessage();
    return parser;
}

bool TDEmailParser::p_parse(const QString& header) {
    // Join folded lines to their field: a line that starts with a blank continues the one before,
    // whether the fold comes right after the colon or inside the value.
    QStringList fields;
    bool inField = false;
    for (const QString& line : headerLines(header)) {
        if (!line.isEmpty() && isBlank(line.front())) {
            if (inField) {
                fields.last() += QLatin1Char(' ');
                fields.last() += QStringView(line).trimmed();
            }
            continue;
        }
        const qsizetype colon = line.indexOf(u':');
        inField = colon > 0 && isFieldName(QStringView(line).first(colon).trimmed());
        if (inField) fields.append(line);
    }

    for (const QString& field : std::as_const(fields)) {
        const qsizetype colon = field.indexOf(u':');
        const QString name = QStringView(field).first(colon).trimmed().toString().toLower();
        if (name != u"subject" && name != u"from" && name != u"message-id") continue;
        const QString value =
            stringByDecodingMIMEWordsInString(QStringView(field).sliced(colon + 1).trimmed().toString());
        if (name == u"subject") {
            m_subject = value;
        } else if (name == u"from") {
            m_sender = value;
        } else {
            // The identifier is opaque: "?" and "#" would cut it short, "%" would read as an escape and
            // "/" would make path segments (or, leading, a host), so all of them are escaped.
            const QString identifier = value.trimmed();
            m_messageURL =
                identifier.isEmpty()
                    ? QUrl()
                    : QUrl::fromEncoded("message:" + QUrl::toPercentEncoding(identifier, "!$&'()*+,;=:@~"),
                                        QUrl::StrictMode);
        }
    }
    return !fields.isEmpty();
}

QString TDEmailParser::linkTitle() const {
    const QString subject = m_subject.trimmed();
    const QString sender = m_sender.trimmed();
    if (!subject.isEmpty() && !sender.isEmpty()) {
        return formatString(QCoreApplication::translate("TDEmailParser", "%@ from %@"), {subject, sender});
    }
    if (!subject.isEmpty()) return subject;
    if (!sender.isEmpty())
        return formatString(QCoreApplication::translate("TDEmailParser", "Email from %@"), {sender});
    return {};
}

#include "platform/desktop/bus/object_path_element.h"

#include <QStringDecoder>

namespace platform {

namespace {
bool standsAsItIs(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}

int hexValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}
}  // namespace

QString objectPathElement(const QString& name) {
    if (name.isEmpty()) return QStringLiteral("_");
    const QByteArray bytes = name.toUtf8();
    QString element;
    element.reserve(bytes.size());
    for (const char c : bytes) {
        if (standsAsItIs(c)) {
            element.append(QLatin1Char(c));
        } else {
            element.append(QLatin1Char('_'));
            element.append(QString::number(uchar(c), 16).rightJustified(2, QLatin1Char('0')));
        }
    }
    return element;
}

std::optional<QString> nameFromObjectPathElement(const QString& element) {
    if (element == QLatin1String("_")) return QString(QLatin1String(""));
    if (element.isEmpty()) return std::nullopt;
    const QByteArray ascii = element.toLatin1();
    if (QString::fromLatin1(ascii) != element) return std::nullopt;
    QByteArray bytes;
    for (qsizetype i = 0; i < ascii.size(); ++i) {
        const char c = ascii[i];
        if (standsAsItIs(c)) {
            bytes.append(c);
            continue;
        }
        if (c != '_' || i + 2 >= ascii.size()) return std::nullopt;
        const int high = hexValue(ascii[i + 1]);
        const int low = hexValue(ascii[i + 2]);
        if (high < 0 || low < 0) return std::nullopt;
        const char byte = char(high * 16 + low);
        // Each byte has one spelling, so that one name has one path.
        if (standsAsItIs(byte)) return std::nullopt;
        bytes.append(byte);
        i += 2;
    }
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString name = decoder.decode(bytes);
    if (decoder.hasError()) return std::nullopt;
    return name;
}

}  // namespace platform

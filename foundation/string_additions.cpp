#include "foundation/string_additions.h"

#include <QCoreApplication>
#include <QRegularExpression>
#include <QStringList>

#include <cmath>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

}  // namespace

QString stringWithQuantity(qulonglong quantity, const QString& singular, const QString& plural) {
    return QStringLiteral("%1 %2").arg(quantity).arg(quantity == 1 ? singular : plural);
}

QString stringWithHumanDescriptionOfTimeInterval(double seconds) {
    if (!(seconds >= 1.0)) return localized("less than a second");
    const double rounded = std::ceil(seconds);
    // Beyond this a duration is nonsense; clamping keeps the conversion below defined.
    const qulonglong n = rounded > 1e15 ? 1000000000000000ULL : static_cast<qulonglong>(rounded);
    if (n < 60) return stringWithQuantity(n, localized("second"), localized("seconds"));

    QStringList parts;
    if (n >= 86400) parts << stringWithQuantity(n / 86400, localized("day"), localized("days"));
    if (n % 86400 >= 3600)
        parts << stringWithQuantity(n % 86400 / 3600, localized("hour"), localized("hours"));
    if (n % 3600 >= 60) parts << stringWithQuantity(n % 3600 / 60, localized("minute"), localized("minutes"));
    return parts.join(QLatin1Char(' '));
}

bool containsSubstring(const QString& text, const QString& substring) {
    return text.contains(substring, Qt::CaseSensitive);
}

QString stringByTrimming(const QString& text) {
    return text.trimmed();
}

QString stringByAddingXMLEscapes(const QString& text) {
    QString escaped = text;
    escaped.replace(QLatin1Char('&'), QLatin1String("&amp;"));
    escaped.replace(QLatin1Char('<'), QLatin1String("&lt;"));
    escaped.replace(QLatin1Char('>'), QLatin1String("&gt;"));
    escaped.replace(QLatin1Char('"'), QLatin1String("&quot;"));
    escaped.replace(QLatin1Char('\''), QLatin1String("&apos;"));
    return escaped;
}

bool isSingleWordString(const QString& text) {
    static const QRegularExpression singleWord(QStringLiteral("^\\S+$"),
                                               QRegularExpression::UseUnicodePropertiesOption);
    return singleWord.match(text).hasMatch();
}

QString uncapitalizedString(const QString& text) {
    if (text.isEmpty()) return QString(QLatin1String(""));
    // A character outside the basic plane takes two UTF-16 units.
    const qsizetype first = text.size() > 1 && text.at(0).isHighSurrogate() ? 2 : 1;
    return text.left(first).toLower() + text.mid(first);
}

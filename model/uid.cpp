#include "model/uid.h"

#include <QRandomGenerator>

quint64 TDRandomUIDNumber() {
    QRandomGenerator* random = QRandomGenerator::system();
    const quint64 high = random->generate();
    const quint64 low = random->generate();
    return (high << 32) | low;
}

QString TDNewUID() {
    return TDUIDStringFromNumber(TDRandomUIDNumber());
}

QString TDUIDStringFromNumber(std::optional<quint64> number) {
    if (!number) return {};
    return QStringLiteral("%1").arg(*number, 16, 16, QLatin1Char('0')).toUpper();
}

std::optional<quint64> TDUIDNumberFromString(const QString& text) {
    if (text.isNull()) return std::nullopt;
    quint64 value = 0;
    int digits = 0;
    for (const QChar c : text) {
        const int d = QStringLiteral("0123456789ABCDEF").indexOf(c.toUpper());
        if (d < 0 || digits == 16) break;
        value = (value << 4) | quint64(d);
        ++digits;
    }
    if (digits == 0) return std::nullopt;
    return value;
}

QString TDNextUID(const QString& uid) {
    return TDUIDStringFromNumber(TDUIDNumberFromString(uid).value_or(0) + 1);
}

std::optional<quint64> TDCanonicalUIDNumber(const QString& uid) {
    if (uid.size() != 16) return std::nullopt;
    quint64 value = 0;
    for (const QChar c : uid) {
        const char16_t u = c.unicode();
        int digit;
        if (u >= '0' && u <= '9')
            digit = u - '0';
        else if (u >= 'A' && u <= 'F')
            digit = u - 'A' + 10;
        else
            return std::nullopt;
        value = (value << 4) | quint64(digit);
    }
    return value;
}

#include "auxiliary/timer_lcd_digits.h"

#include "auxiliary/timer_status_title.h"

#include <QString>

#include <cmath>

TDTimerLCDDigits TDTimerLCDDigitsForSeconds(double seconds, qsizetype digitCount) {
    TDTimerLCDDigits shown;
    shown.seconds = static_cast<std::uint64_t>(std::llround(std::fabs(seconds)));
    shown.totalMinutes = shown.seconds / 60;
    shown.colonLit = shown.seconds >= 3600;
    shown.tinted = TDTimerMinuteForSeconds(seconds) < 0;
    const std::uint64_t hours = shown.seconds / 3600;
    const std::uint64_t minutes = shown.totalMinutes % 60;

    const QString hourText = QStringLiteral("%1").arg(hours, 2, 10, QLatin1Char('0'));
    shown.digits.resize(std::max<qsizetype>(digitCount, hourText.size() + 2));
    shown.digits[0] = {int(minutes % 10), true};
    shown.digits[1] = {int(minutes / 10), shown.seconds >= 3600 || minutes >= 10};
    // Leading zeros of the hours stay dim, as unlit segments.
    bool metNonZero = false;
    for (qsizetype k = 0; k < hourText.size(); ++k) {
        const int value = hourText.at(k).digitValue();
        metNonZero = metNonZero || value != 0;
        shown.digits[hourText.size() + 1 - k] = {value, metNonZero};
    }
    return shown;
}

bool TDTimerLCDColonHidden(std::uint64_t seconds, bool blink) {
    return blink && seconds % 2 == 1;
}

#include "auxiliary/timer_status_title.h"

#include <cmath>

TDTimerStatusTitle TDTimerStatusTitleForSeconds(double seconds) {
    const auto minutes = static_cast<std::int64_t>(std::trunc(seconds / 60));
    TDTimerStatusTitle title;
    if (minutes > 59)
        title.text = QStringLiteral("%1:%2").arg(minutes / 60).arg(minutes % 60, 2, 10, QLatin1Char('0'));
    else
        title.text = QString::number(minutes) + QChar(0x2032);
    title.overEstimate = minutes < 0;
    return title;
}

std::int64_t TDTimerMinuteForSeconds(double seconds) {
    return static_cast<std::int64_t>(std::round(seconds)) / 60;
}

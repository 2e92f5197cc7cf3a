#pragma once

#include <QString>

#include <cstdint>

// What the tray says of a number of seconds: whole minutes (59′, -3′) or hours and minutes (1:05),
// in dark red from a whole minute past the estimate on. Empty while paused and blinked off.
struct TDTimerStatusTitle {
    QString text;
    bool overEstimate = false;

    bool isEmpty() const { return text.isEmpty(); }
    bool operator==(const TDTimerStatusTitle&) const = default;
};

TDTimerStatusTitle TDTimerStatusTitleForSeconds(double seconds);

// The minute a shown time counts in: rounded to the whole second, then truncated toward zero, so
// -59 s is minute 0 and -60 s minute -1.
std::int64_t TDTimerMinuteForSeconds(double seconds);

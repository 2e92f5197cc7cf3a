#pragma once

#include <QList>

#include <cstdint>

// One digit of the timer display: its value and whether it is lit (dim digits read as unlit segments).
struct TDTimerLCDDigit {
    int value = 0;
    bool lit = false;
    bool operator==(const TDTimerLCDDigit&) const = default;
};

// What the timer display shows for a number of seconds: hours and minutes of the absolute value,
// digits from the right (minute ones, minute tens, hour ones, hour tens, then further hour digits),
// the colon, and the tint of a time past the estimate.
struct TDTimerLCDDigits {
    QList<TDTimerLCDDigit> digits;
    // Lit from one hour on; dim below, like the hour digits.
    bool colonLit = false;
    // From a whole minute past the estimate on.
    bool tinted = false;
    std::uint64_t totalMinutes = 0;
    std::uint64_t seconds = 0;

    bool operator==(const TDTimerLCDDigits&) const = default;
};

// `digitCount` digits at least (4 to begin with); more when the hours need them. Hour digits beyond
// what the hours need show a dim 0.
TDTimerLCDDigits TDTimerLCDDigitsForSeconds(double seconds, qsizetype digitCount = 4);

// The colon blinks off on odd seconds while blinking is on.
bool TDTimerLCDColonHidden(std::uint64_t seconds, bool blink);

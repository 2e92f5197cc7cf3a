#pragma once

#include <QtGlobal>

#include <limits>

// A range of UTF-16 units of a string.
inline constexpr qsizetype TDNotFound = -1;
// As a length: up to the end of the string.
inline constexpr qsizetype TDRangeToEnd = std::numeric_limits<qsizetype>::max();

struct TDRange {
    qsizetype location = TDNotFound;
    qsizetype length = 0;

    static constexpr TDRange notFound() { return {TDNotFound, 0}; }
    static constexpr TDRange whole() { return {0, TDRangeToEnd}; }
    bool isFound() const { return location != TDNotFound; }
    qsizetype end() const { return location + length; }
    bool operator==(const TDRange&) const = default;
};

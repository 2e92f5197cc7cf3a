#pragma once

// A weekday in a given week of a month: the second Tuesday, or with week number -1 the last Friday.
struct TDNthWeekDay {
    int dayOfTheWeek = 1;  // 1 = Sunday ... 7 = Saturday
    int weekNumber = 1;    // 1-4, or -1 for the last such weekday of the month

    friend bool operator==(const TDNthWeekDay&, const TDNthWeekDay&) = default;
};

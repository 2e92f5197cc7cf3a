#include "auxiliary/timer_lcd_digits.h"

#include <gtest/gtest.h>

namespace {

// Digits as the display shows them, left to right: "0" a dim zero, "5*" a lit five.
QString picture(const TDTimerLCDDigits& shown) {
    QString text;
    for (qsizetype i = shown.digits.size() - 1; i >= 0; --i) {
        text += QString::number(shown.digits.at(i).value) +
                (shown.digits.at(i).lit ? QStringLiteral("*") : QString());
        if (i == 2) text += shown.colonLit ? QStringLiteral("|") : QStringLiteral(":");
    }
    return text + (shown.tinted ? QStringLiteral(" tinted") : QString());
}

TEST(TimerLCDDigits, HoursAndMinutesWithDimLeadingDigits) {
    const struct {
        double seconds;
        const char* shown;
    } cases[] = {
        {0, "00:00*"},
        {59, "00:00*"},
        {9 * 60, "00:09*"},
        {10 * 60, "00:1*0*"},
        {59 * 60 + 59, "00:5*9*"},
        {3600, "01*|0*0*"},
        {9 * 3600 + 59 * 60, "09*|5*9*"},
        {10 * 3600, "1*0*|0*0*"},
        {99 * 3600 + 59 * 60 + 59, "9*9*|5*9*"},
        {100 * 3600, "1*0*0*|0*0*"},
        {1000 * 3600 + 61, "1*0*0*0*|0*1*"},
        {59.5, "00:01*"},
        {-30, "00:00*"},
        {-59, "00:00*"},
        {-60, "00:01* tinted"},
        {-3600 - 120, "01*|0*2* tinted"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(picture(TDTimerLCDDigitsForSeconds(c.seconds)), QString::fromUtf8(c.shown)) << c.seconds;
}

TEST(TimerLCDDigits, AnAddedHourDigitStaysAsADimZeroWhenTheHoursShrink) {
    const TDTimerLCDDigits shown = TDTimerLCDDigitsForSeconds(3 * 3600, 5);
    EXPECT_EQ(picture(shown), QStringLiteral("003*|0*0*"));
}

TEST(TimerLCDDigits, TheColonBlinksOffOnOddSecondsOnlyWhileBlinking) {
    EXPECT_FALSE(TDTimerLCDColonHidden(2, true));
    EXPECT_TRUE(TDTimerLCDColonHidden(3, true));
    EXPECT_FALSE(TDTimerLCDColonHidden(3, false));
}

}  // namespace

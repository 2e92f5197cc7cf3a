#include "controls/gui/date_picker.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

using Geometry = ODLDatePickerGeometry::DayType;

// A picker showing June 2026 (Monday the 1st; with Sunday first the last grid line holds July).
class DatePickerMouseTest : public ::testing::Test {
protected:
    void SetUp() override {
        picker.setFirstWeekday(1);
        picker.setToday(QDate(2026, 6, 10));
        picker.resize(196, 196);
        picker.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&picker));
        picker.setDateValue(QDate(2026, 6, 10));
        picker.scrollToRow(june);
    }

    // The last cell of the grid: a grey day of the next month.
    QPoint lastCell() const {
        const int c = picker.width() / 7;
        const int h = (picker.height() - ODLDatePicker::kHeaderHeight - ODLDatePicker::kGridTop) / 6;
        return QPoint((picker.width() - 7 * c) / 2 + 6 * c + c / 2,
                      ODLDatePicker::kHeaderHeight + ODLDatePicker::kGridTop + 5 * h + h / 2);
    }
    // The month's title, above the weekday names.
    static QPoint monthTitle() { return QPoint(98, ODLDatePicker::kHeaderHeight + 10); }

    // Holds the mouse for a few paging intervals.
    static void hold() { QTest::qWait(ODLDatePicker::kHeldPagingInterval * 2 + 100); }

    const int june = ODLDatePickerGeometry::rowForDate(QDate(2026, 6, 1));
    ODLDatePicker picker;
};

TEST_F(DatePickerMouseTest, AClickOrAHoldOnTheMonthTitlePagesNothingAndPicksNothing) {
    QSignalSpy picked(&picker, &ODLDatePicker::dateSelected);
    QTest::mousePress(&picker, Qt::LeftButton, {}, monthTitle());
    EXPECT_EQ(picker.topRow(), june);
    // Moving over the title with the button down, and holding it there, pages nothing either.
    QTest::mouseMove(&picker, monthTitle() + QPoint(5, 2));
    hold();
    EXPECT_EQ(picker.topRow(), june);
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, monthTitle());
    EXPECT_EQ(picker.topRow(), june);
    EXPECT_TRUE(picked.isEmpty());
    EXPECT_EQ(picker.dateValue(), QDate(2026, 6, 10));
}

TEST_F(DatePickerMouseTest, PressesOnDaysStillPageAndPick) {
    // A grey day of July pages forward at once; its release picks nothing.
    Geometry type = Geometry::Weekday;
    ASSERT_EQ(picker.dateAt(lastCell(), &type).month(), 7);
    ASSERT_EQ(type, Geometry::Leading);
    QSignalSpy picked(&picker, &ODLDatePicker::dateSelected);
    QTest::mousePress(&picker, Qt::LeftButton, {}, lastCell());
    EXPECT_EQ(picker.topRow(), june + 1);
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, lastCell());
    EXPECT_TRUE(picked.isEmpty());

    // Dragging from a day of the shown month up onto the title pages backwards while held.
    picker.scrollToRow(june);
    const QPoint fifteenth = picker.rectOfDay(QDate(2026, 6, 15)).center();
    QTest::mousePress(&picker, Qt::LeftButton, {}, fifteenth);
    QTest::mouseMove(&picker, monthTitle());
    EXPECT_EQ(picker.topRow(), june - 1);
    hold();
    EXPECT_LT(picker.topRow(), june - 1);
    QTest::mouseRelease(&picker, Qt::LeftButton, {}, monthTitle());
    EXPECT_TRUE(picked.isEmpty());

    // A click on a day of the shown month picks it.
    picker.scrollToRow(june);
    QTest::mouseClick(&picker, Qt::LeftButton, {}, fifteenth);
    ASSERT_EQ(picked.size(), 1);
    EXPECT_EQ(picked.first().first().toDate(), QDate(2026, 6, 15));
}

// The weekend is the locale's, and follows a change of locale: Friday and Saturday in Israel.
TEST_F(DatePickerMouseTest, TheWeekendDaysAreTheLocalesAndFollowItsChange) {
    auto typeOf = [this](const QDate& date) {
        Geometry type = Geometry::Weekday;
        picker.dateAt(picker.rectOfDay(date).center(), &type);
        return type;
    };
    const QDate friday(2026, 6, 12), saturday(2026, 6, 13), sunday(2026, 6, 14);
    EXPECT_EQ(typeOf(friday), Geometry::Weekday);
    EXPECT_EQ(typeOf(saturday), Geometry::Weekend);
    EXPECT_EQ(typeOf(sunday), Geometry::Weekend);

    picker.setLocale(QLocale(QLocale::Hebrew, QLocale::Israel));
    EXPECT_EQ(typeOf(friday), Geometry::Weekend);
    EXPECT_EQ(typeOf(saturday), Geometry::Weekend);
    EXPECT_EQ(typeOf(sunday), Geometry::Weekday);
}

}  // namespace

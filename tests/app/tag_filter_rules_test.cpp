#include "app/tag_filter_layout.h"
#include "app/tag_filter_toggle.h"

#include <QStringList>

#include <gtest/gtest.h>

namespace {

using namespace tag_filter_layout;

TEST(TagFilterGrid, ColumnsAndCellsForEveryWidthIncludingTooNarrowOnes) {
    const struct {
        int width;
        int columns;
        QRect secondButton;  // row 1, column 1
    } cases[] = {
        // Narrower than one column: one column, cells that shrink to nothing, never a division by zero.
        {0, 1, {6, 27, 0, 18}},      {-20, 1, {6, 27, 0, 18}},  {50, 1, {50, 27, 38, 18}},
        {89, 1, {89, 27, 77, 18}},   {90, 1, {90, 27, 78, 18}}, {186, 2, {96, 27, 84, 18}},
        {906, 10, {96, 27, 84, 18}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.width);
        EXPECT_EQ(numberOfColumns(entry.width), entry.columns);
        EXPECT_EQ(rectOfButtonAtRow(1, 1, entry.width), entry.secondButton);
        EXPECT_EQ(rectOfRow(0, 0, entry.width).height(), kRowHeight);
    }
}

QString describe(const Flow& flow) {
    QStringList parts;
    for (qsizetype i = 0; i < flow.frames.size(); ++i) {
        const QRect& frame = flow.frames.at(i);
        parts << QStringLiteral("%1+%2%3")
                     .arg(frame.x())
                     .arg(frame.width())
                     .arg(flow.hidden.at(i) ? QStringLiteral("h") : QString());
    }
    if (flow.overflowShown) parts << QStringLiteral("overflow");
    return parts.join(QLatin1Char(' '));
}

TEST(TagFilterFlow, ButtonsFlowInOneLineAndHideFromTheRight) {
    const struct {
        const char* name;
        QList<int> widths;
        int barWidth;
        const char* expected;
    } cases[] = {
        {"no buttons, no overflow", {}, 400, ""},
        {"all fit, 6 apart from x 6", {40, 60, 30}, 400, "6+40 52+60 118+30"},
        {"a right edge on the bar's edge still fits", {40, 60}, 112, "6+40 52+60"},
        {"one point over hides it and shows the overflow", {40, 60}, 111, "6+40 52+60h overflow"},
        {"once one is hidden the rest follow", {40, 200, 10}, 150, "6+40 52+200h 258+10h overflow"},
        {"zero width: every button hidden", {40, 60}, 0, "6+40h 52+60h overflow"},
        {"narrower than a column", {30}, 50, "6+30"},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        const Flow flow = flowButtons(entry.widths, entry.barWidth);
        EXPECT_EQ(describe(flow), QString::fromLatin1(entry.expected));
        for (const QRect& frame : flow.frames) {
            EXPECT_EQ(frame.y(), 3);
            EXPECT_EQ(frame.height(), kButtonHeight);
        }
    }
}

TEST(TagFilterToggle, PlainClicksChooseOneTagAndModifiedClicksAddOrRemove) {
    // Stand-ins: the rule only compares the pointers.
    auto* home = reinterpret_cast<TDTag*>(0x10);
    auto* work = reinterpret_cast<TDTag*>(0x20);
    auto* phone = reinterpret_cast<TDTag*>(0x30);
    const struct {
        const char* name;
        QSet<TDTag*> before;
        TDTag* clicked;
        bool additive;
        QSet<TDTag*> after;
    } cases[] = {
        {"plain click on an empty filter", {}, home, false, {home}},
        {"plain click on the only tag clears", {home}, home, false, {}},
        {"plain click replaces another tag", {home}, work, false, {work}},
        {"plain click on one of several keeps just it", {home, work}, home, false, {home}},
        {"modified click adds", {home}, work, true, {home, work}},
        {"modified click removes and keeps the others", {home, work, phone}, work, true, {home, phone}},
        {"modified click on the only tag clears", {home}, home, true, {}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.name);
        EXPECT_EQ(TDTagFilterAfterToggling(entry.before, entry.clicked, entry.additive), entry.after);
    }
}

}  // namespace

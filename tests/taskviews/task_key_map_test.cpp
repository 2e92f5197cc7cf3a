#include "taskviews/task_key_map.h"
#include "taskviews/estimate_slider_scale.h"
#include "taskviews/task_find.h"

#include <gtest/gtest.h>

namespace {

using enum TDTaskKeyCommand;

TEST(TaskKeyMap, KeysAndModifiersGiveTheirCommands) {
    const Qt::KeyboardModifiers none = Qt::NoModifier;
    const Qt::KeyboardModifiers ctrl = Qt::ControlModifier;
    const Qt::KeyboardModifiers alt = Qt::AltModifier;
    const Qt::KeyboardModifiers shift = Qt::ShiftModifier;
    const Qt::KeyboardModifiers meta = Qt::MetaModifier;
    struct Case {
        int key;
        Qt::KeyboardModifiers modifiers;
        TDTaskKeyCommand command;
    } cases[] = {
        {Qt::Key_Return, none, InsertNewline},
        {Qt::Key_Return, ctrl, InsertNewline},
        {Qt::Key_Return, shift, InsertNewline},
        {Qt::Key_Up, ctrl, ScrollToTop},
        {Qt::Key_Down, ctrl, ScrollToBottom},
        {Qt::Key_Up, ctrl | alt, MoveTasksUp},
        {Qt::Key_Down, ctrl | alt, MoveTasksDown},
        {Qt::Key_Left, ctrl | alt, MoveTasksLeft},
        {Qt::Key_Right, ctrl | alt, MoveTasksRight},
        {Qt::Key_A, ctrl, BaseTable},
        {Qt::Key_J, ctrl, BaseTable},
        {Qt::Key_Space, none, ToggleCompleted},
        {Qt::Key_Delete, none, DeleteForward},
        {Qt::Key_Backspace, none, DeleteBackward},
        {Qt::Key_Right, none, MoveForward},
        {Qt::Key_L, none, MoveForward},
        {Qt::Key_Left, none, MoveBackward},
        {Qt::Key_H, none, MoveBackward},
        {Qt::Key_L, ctrl | shift, CenterSelection},
        {Qt::Key_L, meta, CenterSelection},
        // The second keys of those that desktops take.
        {Qt::Key_Left, ctrl, MoveTasksLeft},
        {Qt::Key_Right, ctrl, MoveTasksRight},
        {Qt::Key_Up, alt | shift, MoveTasksUp},
        {Qt::Key_Down, alt | shift, MoveTasksDown},
        {Qt::Key_V, meta, PageDown},
        {Qt::Key_Up, ctrl | shift, BaseTable},
        {Qt::Key_Left, alt | shift, BaseTable},
        {Qt::Key_W, none, MoveTasksUpOneRow},
        {Qt::Key_W, shift, MoveTasksUpFiveRows},
        {Qt::Key_W, alt, MoveTasksToTop},
        {Qt::Key_S, none, MoveTasksDownOneRow},
        {Qt::Key_S, shift, MoveTasksDownFiveRows},
        {Qt::Key_S, alt, MoveTasksToBottom},
        {Qt::Key_V, alt | shift, PageDown},
        {Qt::Key_V, alt, PageUp},
        {Qt::Key_Enter, none, EditTitle},
        {Qt::Key_Enter, Qt::KeypadModifier, EditTitle},
        {Qt::Key_Tab, none, IndentSelected},
        {Qt::Key_Backtab, shift, OutdentSelected},
        {Qt::Key_Tab, shift, BaseTable},
        {Qt::Key_W, ctrl, BaseTable},
        {Qt::Key_Space, shift, BaseTable},
        {Qt::Key_Delete, Qt::KeypadModifier, DeleteForward},
        {Qt::Key_X, none, BaseTable},
        {Qt::Key_Up, none, BaseTable},
    };
    for (const Case& c : cases)
        EXPECT_EQ(TDTaskKeyMap::actionForKey(c.key, c.modifiers).command, c.command)
            << "key " << std::hex << c.key << " modifiers " << c.modifiers.toInt();

    // h, j, k and l stand for the arrows with the other modifiers; j and k also alone.
    struct ArrowCase {
        int key;
        Qt::KeyboardModifiers modifiers;
        int arrow;
    } arrows[] = {
        {Qt::Key_J, none, Qt::Key_Down},          {Qt::Key_K, none, Qt::Key_Up},
        {Qt::Key_J, shift, Qt::Key_Down},         {Qt::Key_K, shift, Qt::Key_Up},
        {Qt::Key_H, shift, Qt::Key_Left},         {Qt::Key_L, alt, Qt::Key_Right},
        {Qt::Key_L, meta | shift, Qt::Key_Right}, {Qt::Key_K, alt, Qt::Key_Up},
    };
    for (const ArrowCase& a : arrows) {
        const TDTaskKeyAction action = TDTaskKeyMap::actionForKey(a.key, a.modifiers);
        EXPECT_EQ(action.command, Arrow) << a.key;
        EXPECT_EQ(action.arrowKey, a.arrow) << a.key;
        EXPECT_EQ(action.modifiers, a.modifiers) << a.key;
    }
}

TEST(TaskFind, WalksOnFromTheSelectionAndWrapsAround) {
    const QStringList titles{QStringLiteral("Buy milk"), QStringLiteral("call Bob"),
                             QStringLiteral("Milkshake"), QStringLiteral("post"),
                             QStringLiteral("bob's milk")};
    struct Case {
        qsizetype selected;
        bool backwards;
        bool selectedFirst;
        qsizetype found;
    } cases[] = {
        {-1, false, true, 0},                        // from the first row
        {0, false, true, 0},                         // the selected title first
        {0, false, false, 2},                        // after it, case ignored
        {2, false, false, 4}, {4, false, false, 0},  // wrapped to the first
        {3, true, true, 2},                          // backwards never starts with the selected title
        {0, true, true, 4},                          // wrapped to the last
        {-1, true, true, 4},
    };
    for (const Case& c : cases)
        EXPECT_EQ(
            TDTaskFind::nextMatch(titles, c.selected, QStringLiteral("MILK"), c.backwards, c.selectedFirst),
            c.found)
            << c.selected << " " << c.backwards;
    EXPECT_EQ(TDTaskFind::nextMatch(titles, 1, QStringLiteral("bob"), false, false), 4);
    EXPECT_EQ(TDTaskFind::nextMatch(titles, 4, QStringLiteral("bob"), false, false), 1);
    EXPECT_EQ(TDTaskFind::nextMatch(titles, 1, QStringLiteral("nothing"), false, true), -1);
}

TEST(EstimateSliderScale, PositionsAndSecondsFollowTheThreeRanges) {
    constexpr double day = 28800;
    struct Case {
        double seconds;
        double position;
    } exact[] = {{0, 0},     {900, 0.5},    {3600, 2},   {7200, 3},
                 {28800, 9}, {36000, 9.25}, {57600, 10}, {86400, 11}};
    for (const Case& c : exact) {
        EXPECT_DOUBLE_EQ(TDEstimateSliderScale::positionFromSeconds(c.seconds, day), c.position) << c.seconds;
        EXPECT_DOUBLE_EQ(TDEstimateSliderScale::secondsFromPosition(c.position, day), c.seconds)
            << c.position;
    }
    // Quarter hours, half hours, then whole hours of a work day.
    struct Rounding {
        double position;
        double seconds;
    } rounding[] = {{0.3, 900}, {1.1, 1800}, {2.4, 5400}, {8.8, 28800}, {9.5, 43200}, {9.2, 36000}};
    for (const Rounding& r : rounding)
        EXPECT_DOUBLE_EQ(TDEstimateSliderScale::secondsFromPosition(r.position, day), r.seconds)
            << r.position;
    // The bound between half hours and work days stays at eight hours whatever the work day.
    EXPECT_DOUBLE_EQ(TDEstimateSliderScale::positionFromSeconds(28800, 36000), 9);
    EXPECT_DOUBLE_EQ(TDEstimateSliderScale::positionFromSeconds(36000, 36000), 9);
}

}  // namespace

#include "app/close_shortcuts.h"

#include <gtest/gtest.h>

namespace {

TEST(CloseShortcuts, CtrlWClosesTheTabOnlyWhileThereAreSeveral) {
    const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
    const QKeySequence ctrlShiftW(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
    const struct {
        bool commandWClosesTab;
        int tabs;
        TDCloseShortcuts expected;
    } cases[] = {
        {true, 1, {ctrlW, {}, false}},        {true, 2, {ctrlShiftW, ctrlW, true}},
        {true, 5, {ctrlShiftW, ctrlW, true}}, {false, 1, {ctrlW, {}, true}},
        {false, 3, {ctrlW, {}, true}},
    };
    for (const auto& entry : cases) {
        const TDCloseShortcuts shortcuts = TDCloseShortcutsFor(entry.commandWClosesTab, entry.tabs);
        EXPECT_EQ(shortcuts, entry.expected) << entry.commandWClosesTab << " " << entry.tabs;
    }
}

}  // namespace

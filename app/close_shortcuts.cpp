#include "app/close_shortcuts.h"

TDCloseShortcuts TDCloseShortcutsFor(bool commandWClosesTab, int numberOfTabs) {
    const QKeySequence ctrlW(Qt::CTRL | Qt::Key_W);
    const QKeySequence ctrlShiftW(Qt::CTRL | Qt::SHIFT | Qt::Key_W);
    if (!commandWClosesTab) return {ctrlW, QKeySequence(), true};
    if (numberOfTabs > 1) return {ctrlShiftW, ctrlW, true};
    return {ctrlW, QKeySequence(), false};
}

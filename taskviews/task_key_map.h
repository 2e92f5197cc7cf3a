#pragma once

#include <Qt>

// What a key does while the task outline itself has the keyboard. A pure table from key and
// modifiers to a command, consulted before the tree's own key handling. Key names: Command is Ctrl,
// Option is Alt, Control is Meta; Control-l and Control-v, which desktops take, are Ctrl+Shift+L and
// Alt+Shift+V here.
enum class TDTaskKeyCommand {
    BaseTable,  // the tree's own handling
    InsertNewline,
    ScrollToTop,
    ScrollToBottom,
    MoveTasksUp,     // by one row, Ctrl+Alt+Up
    MoveTasksDown,   // Ctrl+Alt+Down
    MoveTasksLeft,   // outdent
    MoveTasksRight,  // indent
    ToggleCompleted,
    DeleteForward,
    DeleteBackward,
    MoveForward,   // expand, or down a level
    MoveBackward,  // collapse, or up to the parent
    CenterSelection,
    Arrow,  // re-sent as the arrow key `arrowKey` with `modifiers`
    MoveTasksUpOneRow,
    MoveTasksUpFiveRows,
    MoveTasksToTop,
    MoveTasksDownOneRow,
    MoveTasksDownFiveRows,
    MoveTasksToBottom,
    PageDown,
    PageUp,
    EditTitle,
    IndentSelected,   // with two or more selected tasks; else the tree's
    OutdentSelected,  // likewise
};

struct TDTaskKeyAction {
    TDTaskKeyCommand command = TDTaskKeyCommand::BaseTable;
    int arrowKey = 0;
    Qt::KeyboardModifiers modifiers;
};

namespace TDTaskKeyMap {
TDTaskKeyAction actionForKey(int key, Qt::KeyboardModifiers modifiers);
}

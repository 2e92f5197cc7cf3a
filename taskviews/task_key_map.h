#pragma once

#include <Qt>

// What a key does while the task outline itself has the keyboard. A pure table from key and
// modifiers to a command, consulted before the tree's own key handling. Key names: Command is Ctrl,
// Option is Alt, Control is Meta. Keys that desktops take have a second key here as well:
// - Meta+L (locks the screen): Ctrl+Shift+L centres the selection;
// - Meta+V (the notification list): Alt+Shift+V pages down;
// - Ctrl+Alt+Up and Ctrl+Alt+Down (switch workspaces): Alt+Shift+Up and Alt+Shift+Down move the
//   selected tasks by one row, as the menu's Move Up and Move Down;
// - Ctrl+Alt+Left and Ctrl+Alt+Right (switch workspaces): Ctrl+Left and Ctrl+Right outdent and indent,
//   as the menu's Move Left and Move Right.
enum class TDTaskKeyCommand {
    BaseTable,  // the tree's own handling
    InsertNewline,
    ScrollToTop,
    ScrollToBottom,
    MoveTasksUp,     // by one row: Ctrl+Alt+Up, Alt+Shift+Up
    MoveTasksDown,   // Ctrl+Alt+Down, Alt+Shift+Down
    MoveTasksLeft,   // outdent: Ctrl+Alt+Left, Ctrl+Left
    MoveTasksRight,  // indent: Ctrl+Alt+Right, Ctrl+Right
    ToggleCompleted,
    DeleteForward,
    DeleteBackward,
    MoveForward,   // expand, or down a level
    MoveBackward,  // collapse, or up to the parent
    CenterSelection,
    Arrow,  // re-sent as the arrow key `arrowKey` with `modifiers`
    // w and s: the move items of the Task menu, whose tags carry the distance.
    MoveTasksUpOneRow,
    MoveTasksUpFiveRows,
    MoveTasksToTop,
    MoveTasksDownOneRow,
    MoveTasksDownFiveRows,
    MoveTasksToBottom,
    PageDown,  // Emacs paging: the selection goes a page with the rows
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

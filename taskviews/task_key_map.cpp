#include "taskviews/task_key_map.h"

namespace TDTaskKeyMap {

namespace {

constexpr Qt::KeyboardModifiers kRelevant =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

TDTaskKeyAction command(TDTaskKeyCommand command) {
    return {command, 0, {}};
}

}  // namespace

TDTaskKeyAction actionForKey(int key, Qt::KeyboardModifiers modifiers) {
    using enum TDTaskKeyCommand;
    const Qt::KeyboardModifiers m = modifiers & kRelevant;
    const bool none = m == Qt::NoModifier;
    const Qt::KeyboardModifiers ctrlAlt = Qt::ControlModifier | Qt::AltModifier;

    // Shift+Return adds a child.
    if (key == Qt::Key_Return && (none || m == Qt::ControlModifier || m == Qt::ShiftModifier))
        return command(InsertNewline);
    if (m == Qt::ControlModifier && key == Qt::Key_Up) return command(ScrollToTop);
    if (m == Qt::ControlModifier && key == Qt::Key_Down) return command(ScrollToBottom);
    if (m == ctrlAlt) {
        switch (key) {
            case Qt::Key_Up:
                return command(MoveTasksUp);
            case Qt::Key_Down:
                return command(MoveTasksDown);
            case Qt::Key_Left:
                return command(MoveTasksLeft);
            case Qt::Key_Right:
                return command(MoveTasksRight);
            default:
                break;
        }
    }
    // The second keys of the moves above, for desktops that switch workspaces with Ctrl+Alt+arrows.
    if (m == Qt::ControlModifier && key == Qt::Key_Left) return command(MoveTasksLeft);
    if (m == Qt::ControlModifier && key == Qt::Key_Right) return command(MoveTasksRight);
    if (m == (Qt::AltModifier | Qt::ShiftModifier) && key == Qt::Key_Up) return command(MoveTasksUp);
    if (m == (Qt::AltModifier | Qt::ShiftModifier) && key == Qt::Key_Down) return command(MoveTasksDown);
    if (key == Qt::Key_L && (m == Qt::MetaModifier || m == (Qt::ControlModifier | Qt::ShiftModifier)))
        return command(CenterSelection);
    if (m & Qt::ControlModifier) return command(BaseTable);

    if (none) {
        switch (key) {
            case Qt::Key_Space:
                return command(ToggleCompleted);
            case Qt::Key_Delete:
                return command(DeleteForward);
            case Qt::Key_Backspace:
                return command(DeleteBackward);
            case Qt::Key_Right:
            case Qt::Key_L:
                return command(MoveForward);
            case Qt::Key_Left:
            case Qt::Key_H:
                return command(MoveBackward);
            case Qt::Key_W:
                return command(MoveTasksUpOneRow);
            case Qt::Key_S:
                return command(MoveTasksDownOneRow);
            case Qt::Key_Enter:
                return command(EditTitle);
            case Qt::Key_Tab:
                return command(IndentSelected);
            default:
                break;
        }
    }
    if (m == Qt::ShiftModifier && key == Qt::Key_W) return command(MoveTasksUpFiveRows);
    if (m == Qt::AltModifier && key == Qt::Key_W) return command(MoveTasksToTop);
    if (m == Qt::ShiftModifier && key == Qt::Key_S) return command(MoveTasksDownFiveRows);
    if (m == Qt::AltModifier && key == Qt::Key_S) return command(MoveTasksToBottom);
    if (key == Qt::Key_V && (m == Qt::MetaModifier || m == (Qt::AltModifier | Qt::ShiftModifier)))
        return command(PageDown);
    if (m == Qt::AltModifier && key == Qt::Key_V) return command(PageUp);
    if (key == Qt::Key_Backtab && (m == Qt::ShiftModifier || none)) return command(OutdentSelected);

    // h, j, k and l with any other modifiers (j and k also alone) are arrows with those modifiers.
    int arrow = 0;
    switch (key) {
        case Qt::Key_H:
            arrow = Qt::Key_Left;
            break;
        case Qt::Key_J:
            arrow = Qt::Key_Down;
            break;
        case Qt::Key_K:
            arrow = Qt::Key_Up;
            break;
        case Qt::Key_L:
            arrow = Qt::Key_Right;
            break;
        default:
            break;
    }
    if (arrow) return {Arrow, arrow, m & (Qt::ShiftModifier | Qt::AltModifier | Qt::MetaModifier)};
    return command(BaseTable);
}

}  // namespace TDTaskKeyMap

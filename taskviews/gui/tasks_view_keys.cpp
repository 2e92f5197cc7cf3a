// The outline's own keys while it has the keyboard and no cell is edited: single keys on the selected
// tasks, h, j, k and l as arrows, w and s moving tasks, Left and Right over several rows, and paging
// that takes the selection along. Return and Enter start editing (tasks_view_editing.cpp).

#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_key_map.h"
#include "taskviews/task_menus.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QKeyEvent>
#include <QScrollBar>

#include <algorithm>

namespace {

using enum TDTaskKeyCommand;

// The tag of the Task menu's move item that a key sends: the distance.
qint64 moveDistance(TDTaskKeyCommand command) {
    switch (command) {
        case MoveTasksUpOneRow:
            return -1;
        case MoveTasksUpFiveRows:
            return -5;
        case MoveTasksToTop:
            return TDMoveToTopDistance;
        case MoveTasksDownOneRow:
            return 1;
        case MoveTasksDownFiveRows:
            return 5;
        case MoveTasksToBottom:
            return TDMoveToBottomDistance;
        default:
            return 0;
    }
}

bool isTab(const QKeyEvent* event) {
    return event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab;
}

}  // namespace

bool TDTasksView::event(QEvent* event) {
    // The table's keys are the outline's while it has the keyboard: a menu shortcut on the same key
    // does not take them first. Return and Enter stay with the menus.
    if (event->type() == QEvent::ShortcutOverride && p_takesKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    // Tab over several rows indents them instead of moving the keyboard on to the next widget.
    if (event->type() == QEvent::KeyPress && isTab(static_cast<QKeyEvent*>(event)) &&
        p_performKey(static_cast<QKeyEvent*>(event))) {
        event->accept();
        return true;
    }
    return TDExtendedOutlineView::event(event);
}

bool TDTasksView::p_takesKey(const QKeyEvent* event) const {
    // Keys a title or note editor left unhandled come up to the outline: they are not its to act on.
    if (!hasFocus()) return false;
    switch (TDTaskKeyMap::actionForKey(event->key(), event->modifiers()).command) {
        case BaseTable:
        case InsertNewline:
        case EditTitle:
            return false;
        case IndentSelected:
        case OutdentSelected:
            return TDExtendedOutlineView::selectedItems().size() >= 2;
        default:
            return true;
    }
}

bool TDTasksView::p_performKey(QKeyEvent* event) {
    const bool shiftArrow = (event->modifiers() & ~Qt::KeypadModifier) == Qt::ShiftModifier &&
                            (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down);
    if (shiftArrow && hasFocus()) {
        p_extendSelection(event->key() == Qt::Key_Down);
        return true;
    }
    const TDTaskKeyAction action = TDTaskKeyMap::actionForKey(event->key(), event->modifiers());
    if (!p_takesKey(event)) return false;
    switch (action.command) {
        case ScrollToTop:
            if (numberOfRows() > 0) verticalScrollBar()->setValue(0);
            break;
        case ScrollToBottom:
            if (numberOfRows() > 0) verticalScrollBar()->setValue(verticalScrollBar()->maximum());
            break;
        case MoveTasksUp:
        case MoveTasksDown:
            m_controller.moveTasksVerticallyByDistance(action.command == MoveTasksUp ? -1 : 1);
            break;
        case MoveTasksLeft:
        case OutdentSelected:
            m_controller.moveTasksLeft();
            break;
        case MoveTasksRight:
        case IndentSelected:
            m_controller.moveTasksRight();
            break;
        case ToggleCompleted:
            m_controller.toggleCompleted();
            break;
        case DeleteForward:
            m_controller.deleteForward();
            break;
        case DeleteBackward:
            m_controller.deleteBackward();
            break;
        case MoveForward:
            moveForward();
            break;
        case MoveBackward:
            moveBackward();
            break;
        case CenterSelection:
            centerSelectionInVisibleArea();
            break;
        case Arrow: {
            // The tree's own arrow, with the key's modifiers: Shift+j extends the selection.
            QKeyEvent arrow(QEvent::KeyPress, action.arrowKey, action.modifiers, QString(),
                            event->isAutoRepeat());
            if (!p_performKey(&arrow)) TDExtendedOutlineView::keyPressEvent(&arrow);
            break;
        }
        case MoveTasksUpOneRow:
        case MoveTasksUpFiveRows:
        case MoveTasksToTop:
        case MoveTasksDownOneRow:
        case MoveTasksDownFiveRows:
        case MoveTasksToBottom: {
            // As the Task menu's item would: it carries the distance and is checked first.
            TDTaskMenu menu = TDTaskMenuTemplate();
            if (const TDTaskMenuItem* item =
                    menu.itemWithTag(moveDistance(action.command), QStringLiteral("moveTasksVertically")))
                m_controller.perform(*item);
            break;
        }
        case PageDown:
            emacsStylePageDown();
            break;
        case PageUp:
            emacsStylePageUp();
            break;
        case BaseTable:
        case InsertNewline:
        case EditTitle:
            return false;
    }
    return true;
}

// The tree extends a selection from its current cell, which the hidden list column leaves without a
// place: Shift+Up and Shift+Down take the row above or below the selection into it here.
void TDTasksView::p_extendSelection(bool down) {
    QList<QPersistentModelIndex> items = TDExtendedOutlineView::selectedItems();
    const std::optional<QList<int>> rows = rowsOfItems(items);
    if (!rows || rows->isEmpty()) {
        down ? moveDown() : moveUp();
        return;
    }
    const auto [first, last] = std::minmax_element(rows->begin(), rows->end());
    const int step = down ? 1 : -1;
    for (int row = (down ? *last : *first) + step; row >= 0 && row < numberOfRows(); row += step) {
        if (!isSelectableRow(row)) continue;
        items.append(itemAtRow(row));
        TDExtendedOutlineView::selectItems(items);
        scrollTo(itemAtRow(row));
        return;
    }
}

// The tree's Left on one row: a task's subtasks fold, or a folded task hands the selection to its parent
// task (a section above it keeps it).
void TDTasksView::p_collapseOrSelectParent(const QModelIndex& item) {
    if (isExpanded(item) && m_model.hasChildren(item)) {
        collapseItem(item, false);
        return;
    }
    const QModelIndex parent = item.parent();
    if (p_task(parent)) selectItem(parent);
}

void TDTasksView::moveBackward() {
    const QList<QPersistentModelIndex> start = TDExtendedOutlineView::selectedItems();
    QList<QPersistentModelIndex> result;
    // From the last row up, so that a subtask is met before its parent folds it away.
    for (auto it = start.crbegin(); it != start.crend(); ++it) {
        if (!it->isValid()) continue;
        selectItem(*it);
        p_collapseOrSelectParent(*it);
        // Never a task whose parent was selected too: the parent stands for it.
        for (const QPersistentModelIndex& now : TDExtendedOutlineView::selectedItems())
            if (!start.contains(QPersistentModelIndex(now.parent())) && !result.contains(now))
                result.append(now);
    }
    if (!start.isEmpty()) TDExtendedOutlineView::selectItems(result);
}

void TDTasksView::moveSelection(SelectionMove move) {
    switch (move) {
        case SelectionMove::Up:
            moveUp();
            break;
        case SelectionMove::Forward:
            moveForward();
            break;
        case SelectionMove::Down:
            moveDown();
            break;
        case SelectionMove::Backward:
            moveBackward();
            break;
    }
}

void TDTasksView::moveForward() {
    const QList<QPersistentModelIndex> selected = TDExtendedOutlineView::selectedItems();
    if (selected.isEmpty()) return;
    const auto expanded = [this](const QModelIndex& item) {
        return isExpanded(item) && m_model.hasChildren(item);
    };
    if (!std::all_of(selected.begin(), selected.end(), expanded)) {
        for (const QPersistentModelIndex& item : selected)
            if (m_model.hasChildren(item) && !isExpanded(item)) expandItem(item, false);
        return;
    }
    QList<QPersistentModelIndex> children;
    for (const QPersistentModelIndex& item : selected)
        for (int row = 0, rows = m_model.rowCount(item); row < rows; ++row)
            children.append(m_model.index(row, 0, item));
    if (!children.isEmpty()) TDExtendedOutlineView::selectItems(children);
}

int TDTasksView::p_rowAtY(int y) const {
    return rowForItem(indexAt(QPoint(1, y)));
}

void TDTasksView::emacsStylePageDown() {
    const int rows = numberOfRows();
    if (rows == 0) return;
    verticalScrollBar()->triggerAction(QScrollBar::SliderPageStepAdd);
    // The row a page below the selected one, after the scroll.
    const QRect selected = rectOfRow(qMax(0, rowForItem(selectedItem())));
    int row = p_rowAtY(selected.top() + viewport()->height() + selected.height());
    if (row <= 0) row = rows - 1;
    if (!selectRow(row, Movement::Down)) selectRow(row, Movement::Up);
    centerSelectionInVisibleArea();
}

void TDTasksView::emacsStylePageUp() {
    if (numberOfRows() == 0) return;
    verticalScrollBar()->triggerAction(QScrollBar::SliderPageStepSub);
    const QRect selected = rectOfRow(qMax(0, rowForItem(selectedItem())));
    const int y = selected.bottom() - viewport()->height();
    const int row = y + verticalOffset() < 1 ? 0 : qMax(0, p_rowAtY(y));
    if (!selectRow(row, Movement::Up)) selectRow(row, Movement::Down);
    centerSelectionInVisibleArea();
}

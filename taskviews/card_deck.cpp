#include "taskviews/card_deck.h"

#include "model/group.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/task_feedback.h"
#include "taskviews/tasks_controller.h"

#include <Qt>

namespace {

TDTask* firstTask(const QList<TDTaskRowItem>& items) {
    for (const TDTaskRowItem& item : items)
        if (TDTask* task = item.task()) return task;
    return nullptr;
}

}  // namespace

TDCardDeck::TDCardDeck(TDTasksController& controller, TDTaskPresentation* outline, QObject* parent)
    : QObject(parent),
      m_controller(controller),
      m_outline(outline),
      m_forward(&controller, false),
      m_reverse(&controller, true) {
    // The count follows every change of the rows; the selection follows only what the deck is told.
    connect(&m_controller, &TDTasksController::rowsReloaded, this, &TDCardDeck::p_countDidChange);
    connect(&m_controller, &TDTasksController::statusBarSummaryChanged, this, &TDCardDeck::p_countDidChange);
}

TDCardDeck::~TDCardDeck() = default;

bool TDCardDeck::isActionsOnly() const {
    return platform::UserDefaults::standard().boolean(QStringLiteral("showActionsOnlyInCardView"));
}

TDTask* TDCardDeck::task() const {
    return m_task && !m_task->isDeleted() ? m_task : nullptr;
}

void TDCardDeck::setGroup(TDGroup* group) {
    if (group == m_group) return;
    m_group = group;
    if (!group) {
        setTask(nullptr, false);
        return;
    }
    p_updateNumberOfCards();
    TDTask* selected = m_outline ? firstTask(m_outline->selectedItems()) : nullptr;
    if (selected && (!isActionsOnly() || selected->isAction()))
        setTask(selected);
    else
        setTask(nextTask());
    if (m_view) m_view->redisplay();
}

void TDCardDeck::setTask(TDTask* task, bool changeSelection) {
    if (task == m_task && (!task || !task->isDeleted())) return;
    m_task = task;
    if (changeSelection) {
        m_ignoreNotification = true;
        m_controller.setSelection(task ? QList<TDTask*>{task} : QList<TDTask*>{});
        m_ignoreNotification = false;
    }
    Q_EMIT taskChanged();
}

void TDCardDeck::setNumberOfCards(qint64 count) {
    const bool changed = count != m_numberOfCards;
    m_numberOfCards = count;
    QString message;
    if (count == 0 && m_group && m_controller.library()) {
        setTask(nullptr);
        if (m_controller.isFilteringByTitle())
            message = tr("No matching tasks found.");
        else if (!m_controller.filterTags().isEmpty())
            message = tr("There are no tasks that match the filter criteria.");
        else if (m_controller.canAddTask())
            message = tr("You don't have any tasks here. Hit \u201creturn\u201d to create one.");
    }
    if (message != m_message) {
        m_message = message;
        Q_EMIT instructionMessageChanged(message);
    }
    if (changed) Q_EMIT numberOfCardsChanged(count);
}

int TDCardDeck::stackCount() const {
    return int(std::clamp<qint64>(m_numberOfCards - 1, 0, 4));
}

void TDCardDeck::p_updateNumberOfCards() {
    if (!isActionsOnly()) {
        setNumberOfCards(m_controller.numberOfTasks());
        return;
    }
    // Open tasks with subtasks get no card of their own.
    qint64 actions = 0;
    TDTasksViewTaskEnumerator walk(&m_controller);
    while (TDTask* task = walk.nextObject())
        if (task->isAction()) ++actions;
    setNumberOfCards(actions);
}

// ---------------------------------------------------------------------------------------------------
// The order

// The next task of the walk, from the first row again after the last; nullptr when there is none.
TDTask* TDCardDeck::p_helper(TDTasksViewTaskEnumerator& walk, bool actionsOnly) {
    // One round over the rows at most: a list without a suitable task answers nullptr.
    for (int restarts = 0; restarts < 2;) {
        TDTask* task = walk.nextObject();
        if (!task) {
            walk.reset();
            ++restarts;
            continue;
        }
        if (!actionsOnly || task->isAction()) return task;
    }
    return nullptr;
}

TDTask* TDCardDeck::p_find(TDTasksViewTaskEnumerator& walk, TDTask* shown, bool actionsOnly) {
    walk.reset();
    if (shown)
        while (walk.nextObject())
            if (walk.currentObject() == shown) break;
    // Not found: the walk has ended and starts again from the top.
    return p_helper(walk, actionsOnly);
}

TDTask* TDCardDeck::nextTask() {
    if (m_numberOfCards == 0) return nullptr;
    return p_find(m_forward, task(), isActionsOnly());
}

TDTask* TDCardDeck::previousTask() {
    if (m_numberOfCards == 0) return nullptr;
    return p_find(m_reverse, task(), isActionsOnly());
}

TDTask* TDCardDeck::nextIncompleteTask() {
    if (m_numberOfCards < 2) return nullptr;
    return p_find(m_forward, task(), true);
}

TDTask* TDCardDeck::previousIncompleteTask() {
    if (m_numberOfCards < 2) return nullptr;
    return p_find(m_reverse, task(), true);
}

// ---------------------------------------------------------------------------------------------------
// Commands

void TDCardDeck::p_beep() {
    if (TDTaskFeedback* feedback = m_controller.feedback())
        feedback->beep();
    else
        playBeep();
}

void TDCardDeck::nextCard() {
    const bool animated = p_animated();
    if (animated) m_view->takeSnapshot();
    if (m_view) m_view->endEditing();
    TDTask* next = nextTask();
    if (!next || next == task()) {
        p_beep();
        return;
    }
    setTask(next);
    if (animated) m_view->playEffect(TDCardDeckView::Effect::Next, false);
}

void TDCardDeck::stepCard(bool down) {
    if (m_view) m_view->endEditing();
    TDTask* next = m_numberOfCards == 0 ? nullptr : p_find(down ? m_forward : m_reverse, task(), false);
    if (!next || next == task()) {
        p_beep();
        return;
    }
    setTask(next);
}

void TDCardDeck::previousCard() {
    const bool animated = p_animated();
    if (m_view) m_view->endEditing();
    TDTask* previous = previousTask();
    if (!previous || previous == task()) {
        p_beep();
        return;
    }
    // The card shown stays in the picture while the previous one comes in over it.
    if (animated) m_view->takeSnapshot();
    setTask(previous);
    if (animated) m_view->playEffect(TDCardDeckView::Effect::Previous, false);
}

void TDCardDeck::dropCard() {
    const bool animated = p_animated();
    if (animated) m_view->takeSnapshot();
    if (m_view) m_view->endEditing();
    if (m_numberOfCards > 0) setNumberOfCards(m_numberOfCards - 1);
    TDTask* next = nextTask();
    const bool last = !next || next == task();
    setTask(last ? nullptr : next);
    if (animated) m_view->playEffect(TDCardDeckView::Effect::Drop, last);
}

void TDCardDeck::p_flipToNextOpenTask() {
    if (m_controller.numberOfIncompleteActions() <= 0) return;
    // Onto the next open task, then one back, so the flip itself lands on it.
    setTask(nextIncompleteTask());
    setTask(previousTask());
    nextCard();
}

bool TDCardDeck::validateToggle() const {
    return !m_group || !m_group->isArchived();
}

void TDCardDeck::toggleCompleted() {
    TDTask* shown = task();
    if (!shown) {
        p_beep();
        return;
    }
    const bool wasOpen = shown->isIncomplete();
    m_controller.toggleCompletionOfTasks({shown});
    if (!wasOpen || !shown->isCompleted()) return;
    if (isActionsOnly())
        dropCard();
    else
        p_flipToNextOpenTask();
}

void TDCardDeck::toggleCanceled() {
    TDTask* shown = task();
    if (!shown) {
        p_beep();
        return;
    }
    if (!shown->isIncomplete() || !validateToggle()) {
        m_controller.toggleCancellationOfTasks({shown});
        return;
    }
    if (isActionsOnly()) {
        // The card drops first; the command still acts on the task it showed.
        dropCard();
        m_controller.toggleCancellationOfTasks({shown});
        if (task() == nullptr && m_numberOfCards > 0) setTask(nextTask());
        return;
    }
    m_controller.toggleCancellationOfTasks({shown});
    p_flipToNextOpenTask();
}

void TDCardDeck::deleteCard() {
    TDTask* shown = task();
    if (!shown) {
        p_beep();
        return;
    }
    dropCard();
    m_controller.deleteTasks({shown});
    p_updateNumberOfCards();
    if (!task() && m_numberOfCards > 0) setTask(nextTask());
}

void TDCardDeck::insertNewline() {
    if (m_view) m_view->endEditing();
    m_controller.insertNewline(false);
}

TDCardDeck::KeyAction TDCardDeck::keyAction(int key, const QString& text, int modifiers) {
    const int mods =
        modifiers & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
    if ((key == Qt::Key_Return || key == Qt::Key_Enter) && (mods == 0 || mods == Qt::ControlModifier))
        return KeyAction::InsertNewline;
    if (mods & Qt::ControlModifier) return KeyAction::PassOn;
    if (key == Qt::Key_Space && mods == 0) return KeyAction::ToggleCompleted;
    if (key == Qt::Key_Left && mods == 0) return KeyAction::PreviousCard;
    if (key == Qt::Key_Right && mods == 0) return KeyAction::NextCard;
    if (key == Qt::Key_Down && mods == 0) return KeyAction::Down;
    if (key == Qt::Key_Up && mods == 0) return KeyAction::Up;
    const int arrow = arrowKeyForLetter(text);
    if (arrow == 0) return KeyAction::PassOn;
    if (mods != 0) return KeyAction::PassOnAsArrow;
    switch (arrow) {
        case Qt::Key_Left:
            return KeyAction::PreviousCard;
        case Qt::Key_Right:
            return KeyAction::NextCard;
        case Qt::Key_Down:
            return KeyAction::Down;
        default:
            return KeyAction::Up;
    }
}

int TDCardDeck::arrowKeyForLetter(const QString& text) {
    if (text.size() != 1) return 0;
    switch (text.at(0).toLower().unicode()) {
        case 'h':
            return Qt::Key_Left;
        case 'j':
            return Qt::Key_Down;
        case 'k':
            return Qt::Key_Up;
        case 'l':
            return Qt::Key_Right;
        default:
            return 0;
    }
}

bool TDCardDeck::performKeyAction(KeyAction action) {
    switch (action) {
        case KeyAction::InsertNewline:
            insertNewline();
            return true;
        case KeyAction::ToggleCompleted:
            if (validateToggle()) toggleCompleted();
            return true;
        case KeyAction::PreviousCard:
            previousCard();
            return true;
        case KeyAction::NextCard:
            nextCard();
            return true;
        case KeyAction::Down:
        case KeyAction::Up:
            stepCard(action == KeyAction::Down);
            return true;
        case KeyAction::PassOnAsArrow:
        case KeyAction::None:
        case KeyAction::PassOn:
            break;
    }
    return false;
}

void TDCardDeck::didUndoOrRedo() {
    p_updateNumberOfCards();
    if (m_numberOfCards == 0) {
        m_ignoreNotification = true;
        m_controller.setSelection({});
        m_ignoreNotification = false;
    } else if (!task()) {
        setTask(nextTask());
    } else {
        m_ignoreNotification = true;
        m_controller.setSelection({task()});
        m_ignoreNotification = false;
    }
}

// ---------------------------------------------------------------------------------------------------
// Following the outline

void TDCardDeck::p_countDidChange() {
    if (m_ignoreNotification || m_drawsOverlay || !m_group) return;
    p_updateNumberOfCards();
}

void TDCardDeck::p_selectionDidChange() {
    if (m_ignoreNotification || m_drawsOverlay || !m_group) return;
    p_updateNumberOfCards();
    if (m_numberOfCards == 0) return;
    TDTask* selected = m_outline ? firstTask(m_outline->selectedItems()) : nullptr;
    if (selected && (!isActionsOnly() || selected->isAction()))
        setTask(selected, false);
    else
        setTask(nextTask(), false);
}

QList<TDTaskRowItem> TDCardDeck::selectedItems() const {
    if (TDTask* shown = task()) return {TDTaskRowItem::task(shown)};
    return {};
}

void TDCardDeck::selectItems(const QList<TDTaskRowItem>& items, bool makeVisible) {
    if (m_outline) m_outline->selectItems(items, makeVisible);
    p_selectionDidChange();
}

void TDCardDeck::deselectAll() {
    if (m_outline) m_outline->deselectAll();
}

qsizetype TDCardDeck::numberOfRealRows() const {
    return m_outline ? m_outline->numberOfRealRows() : 0;
}

bool TDCardDeck::isItemExpanded(const TDTaskRowItem& item) const {
    return m_outline && m_outline->isItemExpanded(item);
}

QVariant TDCardDeck::expandedState() const {
    return m_outline ? m_outline->expandedState() : QVariant();
}

void TDCardDeck::setExpandedState(const QVariant& state) {
    if (m_outline) m_outline->setExpandedState(state);
}

void TDCardDeck::clearAccumulatedExpandedState() {
    if (m_outline) m_outline->clearAccumulatedExpandedState();
}

QVariant TDCardDeck::scrollPositionState() const {
    return m_outline ? m_outline->scrollPositionState() : QVariant();
}

void TDCardDeck::setScrollPositionState(const QVariant& state) {
    if (m_outline) m_outline->setScrollPositionState(state);
}

QVariant TDCardDeck::selectionState() const {
    return m_outline ? m_outline->selectionState() : QVariant();
}

void TDCardDeck::setSelectionState(const QVariant& state) {
    if (m_outline) m_outline->setSelectionState(state);
    p_selectionDidChange();
}

void TDCardDeck::saveSelection() {
    if (m_outline) m_outline->saveSelection();
}

// After a reload the card keeps its task while that task still has a row (a task completed in
// actions-only mode stays until its card drops); otherwise it follows the outline.
void TDCardDeck::restoreSelection() {
    m_ignoreNotification = true;
    if (m_outline) m_outline->restoreSelection();
    m_ignoreNotification = false;
    if (!m_group) return;
    p_updateNumberOfCards();
    TDTask* shown = task();
    bool present = false;
    if (shown) {
        TDTasksViewTaskEnumerator walk(&m_controller);
        while (TDTask* row = walk.nextObject())
            if (row == shown) {
                present = true;
                break;
            }
    }
    if (!present) p_selectionDidChange();
}

int TDCardDeck::editedRow() const {
    return m_view && m_view->isEditing() ? 0 : -1;
}

int TDCardDeck::editedColumn() const {
    return m_view && (m_view->isEditingTitle() || m_view->isEditingNote()) ? 2 : -1;
}

bool TDCardDeck::isEditingNote() const {
    return m_view && m_view->isEditingNote();
}

void TDCardDeck::finishEditing() {
    if (m_view && m_view->isEditing()) m_view->endEditing();
}

QVariant TDCardDeck::interruptEditing() {
    finishEditing();
    return {};
}

void TDCardDeck::setDrawsOverlay(bool drawsOverlay) {
    m_drawsOverlay = drawsOverlay;
    if (m_view) m_view->setDrawsOverlay(drawsOverlay);
}

void TDCardDeck::moveSelection(SelectionMove move) {
    if (m_outline) m_outline->moveSelection(move);
}

void TDCardDeck::expandAll() {
    if (m_outline) m_outline->expandAll();
}

void TDCardDeck::redisplay() {
    if (m_view) m_view->redisplay();
}

QList<TDTaskRowItem> TDCardDeck::rowItems() const {
    return m_outline ? m_outline->rowItems() : QList<TDTaskRowItem>{};
}

bool TDCardDeck::isRowItemExpanded(const TDTaskRowItem& item) const {
    return m_outline && m_outline->isRowItemExpanded(item);
}

void TDCardDeck::expandRowItem(const TDTaskRowItem& item) {
    if (m_outline) m_outline->expandRowItem(item);
}

void TDCardDeck::editItem(const TDTaskRowItem& item, int, bool) {
    if (item.task()) setTask(item.task());
    if (m_view) m_view->editTitle();
}

void TDCardDeck::editNote(const TDTaskRowItem& item) {
    if (item.task()) setTask(item.task());
    if (m_view) m_view->editNote();
}

void TDCardDeck::insertTextAtEndOfEditedText(const QString& text) {
    if (m_view) m_view->insertTextAtEndOfTitle(text);
}

bool TDCardDeck::isTaskColumnHidden(int column) const {
    return m_outline && m_outline->isTaskColumnHidden(column);
}

void TDCardDeck::setTaskColumnHidden(int column, bool hidden) {
    if (m_outline) m_outline->setTaskColumnHidden(column, hidden);
}

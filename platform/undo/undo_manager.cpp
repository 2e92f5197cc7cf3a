#include "platform/undo/undo_manager.h"

#include "platform/base/format.h"
#include "platform/base/log.h"

#include <QMetaObject>

#include <algorithm>

namespace platform {

UndoManager::UndoManager(QObject* parent) : QObject(parent) {
}

UndoManager::~UndoManager() = default;

void UndoManager::registerUndo(const void* target, Action action) {
    if (!isUndoRegistrationEnabled() || !action) return;
    Item item;
    item.target = target;
    item.action = std::move(action);
    if (m_collecting && m_open.empty()) {
        m_collecting->items.push_back(std::move(item));
        return;
    }
    if (m_open.empty()) {
        if (!m_groupsByEvent) {
            logWithLevel(TDLogWarning, "WARNING",
                         "Undo action registered outside an undo group; it is dropped.");
            return;
        }
        m_open.push_back(std::make_unique<Group>());
        p_scheduleEventGroupEnd();
        Q_EMIT didOpenUndoGroup();
    }
    m_open.back()->items.push_back(std::move(item));
    if (!m_undoing && !m_redoing) m_redoStack.clear();
}

void UndoManager::beginUndoGrouping() {
    if (m_open.empty() && m_groupsByEvent && !m_collecting) {
        // Explicit groups nest inside the event's group.
        m_open.push_back(std::make_unique<Group>());
        p_scheduleEventGroupEnd();
    }
    m_open.push_back(std::make_unique<Group>());
    Q_EMIT didOpenUndoGroup();
}

void UndoManager::endUndoGrouping() {
    if (m_open.empty()) {
        logWithLevel(TDLogWarning, "WARNING", "endUndoGrouping called without an open undo group.");
        return;
    }
    std::unique_ptr<Group> group = std::move(m_open.back());
    m_open.pop_back();
    if (!m_open.empty()) {
        if (!group->items.empty()) {
            Item item;
            item.group = std::move(group);
            m_open.back()->items.push_back(std::move(item));
        }
    } else if (!group->items.empty()) {
        if (m_collecting) {
            // A group opened by an action that is being undone or redone belongs to the opposite group.
            Item item;
            item.group = std::move(group);
            m_collecting->items.push_back(std::move(item));
        } else {
            p_push(m_undoStack, std::move(group));
        }
    }
    Q_EMIT didCloseUndoGroup();
}

void UndoManager::setLevelsOfUndo(int levels) {
    m_levelsOfUndo = std::max(0, levels);
    if (m_levelsOfUndo > 0 && static_cast<int>(m_undoStack.size()) > m_levelsOfUndo)
        m_undoStack.erase(m_undoStack.begin(), m_undoStack.end() - m_levelsOfUndo);
    if (m_levelsOfUndo > 0 && static_cast<int>(m_redoStack.size()) > m_levelsOfUndo)
        m_redoStack.erase(m_redoStack.begin(), m_redoStack.end() - m_levelsOfUndo);
}

void UndoManager::disableUndoRegistration() {
    ++m_disableCount;
}

void UndoManager::enableUndoRegistration() {
    if (m_disableCount == 0) {
        logWithLevel(TDLogWarning, "WARNING",
                     "enableUndoRegistration called more often than disableUndoRegistration.");
        return;
    }
    --m_disableCount;
}

void UndoManager::setActionName(const QString& name) {
    if (m_collecting) {
        m_collecting->actionName = name;
    } else if (!m_open.empty()) {
        m_open.front()->actionName = name;
    } else if (!m_undoStack.empty()) {
        m_undoStack.back()->actionName = name;
    }
}

QString UndoManager::undoActionName() const {
    if (!m_open.empty() && !m_open.front()->items.empty()) return m_open.front()->actionName;
    return m_undoStack.empty() ? QString() : m_undoStack.back()->actionName;
}

QString UndoManager::redoActionName() const {
    return m_redoStack.empty() ? QString() : m_redoStack.back()->actionName;
}

QString UndoManager::undoMenuTitleForActionName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("Undo") : formatString("Undo %@", name);
}

QString UndoManager::redoMenuTitleForActionName(const QString& name) {
    return name.isEmpty() ? QStringLiteral("Redo") : formatString("Redo %@", name);
}

QString UndoManager::undoMenuItemTitle() const {
    return undoMenuTitleForActionName(undoActionName());
}

QString UndoManager::redoMenuItemTitle() const {
    return redoMenuTitleForActionName(redoActionName());
}

bool UndoManager::canUndo() const {
    if (!m_undoStack.empty()) return true;
    // The event's group counts once it holds something: undo closes it first.
    return m_groupsByEvent && m_open.size() == 1 && !m_open.front()->items.empty();
}

bool UndoManager::canRedo() const {
    return !m_redoStack.empty();
}

void UndoManager::undo() {
    if (m_undoing || m_redoing) return;
    if (m_groupsByEvent && m_open.size() == 1) endUndoGrouping();
    if (!m_open.empty()) {
        logWithLevel(TDLogWarning, "WARNING", "undo called with an undo group open (level %ld).",
                     qint64(m_open.size()));
        return;
    }
    if (m_undoStack.empty()) return;
    std::unique_ptr<Group> group = std::move(m_undoStack.back());
    m_undoStack.pop_back();
    Q_EMIT willUndo();
    m_undoing = true;
    m_collecting = std::make_unique<Group>();
    m_collecting->actionName = group->actionName;
    p_run(*group);
    Q_EMIT checkpoint();
    std::unique_ptr<Group> redoGroup = std::move(m_collecting);
    m_undoing = false;
    if (!redoGroup->items.empty()) p_push(m_redoStack, std::move(redoGroup));
    Q_EMIT didUndo();
}

void UndoManager::redo() {
    if (m_undoing || m_redoing) return;
    if (m_groupsByEvent && m_open.size() == 1 && m_open.front()->items.empty()) m_open.clear();
    if (!m_open.empty()) {
        logWithLevel(TDLogWarning, "WARNING", "redo called with an undo group open (level %ld).",
                     qint64(m_open.size()));
        return;
    }
    if (m_redoStack.empty()) return;
    std::unique_ptr<Group> group = std::move(m_redoStack.back());
    m_redoStack.pop_back();
    Q_EMIT willRedo();
    m_redoing = true;
    m_collecting = std::make_unique<Group>();
    m_collecting->actionName = group->actionName;
    p_run(*group);
    Q_EMIT checkpoint();
    std::unique_ptr<Group> undoGroup = std::move(m_collecting);
    m_redoing = false;
    if (!undoGroup->items.empty()) p_push(m_undoStack, std::move(undoGroup));
    Q_EMIT didRedo();
}

void UndoManager::removeAllActions() {
    m_undoStack.clear();
    m_redoStack.clear();
    m_open.clear();
}

void UndoManager::removeAllActions(const void* target) {
    for (auto* stack : {&m_undoStack, &m_redoStack, &m_open}) {
        for (auto& group : *stack) p_removeTarget(*group, target);
    }
    for (auto* stack : {&m_undoStack, &m_redoStack}) {
        stack->erase(
            std::remove_if(stack->begin(), stack->end(), [](const auto& g) { return g->items.empty(); }),
            stack->end());
    }
}

bool UndoManager::p_removeTarget(Group& group, const void* target) {
    auto& items = group.items;
    items.erase(std::remove_if(items.begin(), items.end(),
                               [target](Item& item) {
                                   if (item.group) return p_removeTarget(*item.group, target);
                                   return item.target == target;
                               }),
                items.end());
    return items.empty();
}

void UndoManager::p_scheduleEventGroupEnd() {
    if (m_eventGroupEndScheduled) return;
    m_eventGroupEndScheduled = true;
    QMetaObject::invokeMethod(this, &UndoManager::p_endEventGroup, Qt::QueuedConnection);
}

void UndoManager::p_endEventGroup() {
    m_eventGroupEndScheduled = false;
    if (!m_groupsByEvent || m_open.empty()) return;
    if (m_open.size() > 1) {
        // An explicit group is still open: the event's group closes after it.
        p_scheduleEventGroupEnd();
        return;
    }
    endUndoGrouping();
}

void UndoManager::p_run(Group& group) {
    for (auto it = group.items.rbegin(); it != group.items.rend(); ++it) {
        if (it->group)
            p_run(*it->group);
        else
            it->action();
    }
}

void UndoManager::p_push(std::vector<std::unique_ptr<Group>>& stack, std::unique_ptr<Group> group) {
    stack.push_back(std::move(group));
    if (m_levelsOfUndo > 0 && static_cast<int>(stack.size()) > m_levelsOfUndo) stack.erase(stack.begin());
}

}  // namespace platform

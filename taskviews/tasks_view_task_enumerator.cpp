#include "taskviews/tasks_view_task_enumerator.h"

#include "taskviews/tasks_controller.h"

TDTasksViewTaskEnumerator::TDTasksViewTaskEnumerator(TDTasksController* controller, bool reverse)
    : m_controller(controller), m_reverse(reverse) {
    reset();
}

void TDTasksViewTaskEnumerator::reset() {
    m_stack.clear();
    m_current = nullptr;
    p_push(TDTaskRowItem::root());
}

bool TDTasksViewTaskEnumerator::p_push(const TDTaskRowItem& item) {
    const qsizetype count = m_controller->numberOfChildren(item);
    if (count == 0) return false;
    m_stack.append({item, m_reverse ? count - 1 : 0, count});
    return true;
}

// Forwards, a task comes before its subtasks; reversed, after them (the rows read from the bottom up).
TDTask* TDTasksViewTaskEnumerator::nextObject() {
    while (!m_stack.isEmpty()) {
        Level& level = m_stack.last();
        if (level.next < 0 || level.next >= level.count) {
            const TDTaskRowItem finished = level.item;
            m_stack.removeLast();
            if (m_reverse && finished.task()) return m_current = finished.task();
            continue;
        }
        const TDTaskRowItem item = m_controller->child(level.item, level.next);
        level.next += m_reverse ? -1 : 1;
        if (item.isRoot()) continue;
        if (item.kind == TDTaskRowItem::Kind::Header) continue;
        if (m_reverse) {
            if (p_push(item)) continue;
            if (item.task()) return m_current = item.task();
            continue;
        }
        p_push(item);
        if (item.task()) return m_current = item.task();
    }
    return m_current = nullptr;
}

#include "controls/outline_view_item_enumerator.h"

#include <QAbstractItemModel>

TDOutlineViewItemEnumerator::TDOutlineViewItemEnumerator(const QAbstractItemModel* model, bool reverse)
    : m_model(model), m_reverse(reverse) {
}

QModelIndex TDOutlineViewItemEnumerator::currentObject() const {
    return p_top();
}

void TDOutlineViewItemEnumerator::reset() {
    m_stack.clear();
}

QModelIndex TDOutlineViewItemEnumerator::p_top() const {
    return m_stack.isEmpty() ? QModelIndex() : QModelIndex(m_stack.last());
}

void TDOutlineViewItemEnumerator::p_pushChildren(const QModelIndex& parent, bool lastOnTop) {
    const int count = m_model->rowCount(parent);
    if (lastOnTop) {
        for (int row = 0; row < count; ++row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            if (child.isValid()) m_stack.append(child);
        }
    } else {
        for (int row = count - 1; row >= 0; --row) {
            const QModelIndex child = m_model->index(row, 0, parent);
            if (child.isValid()) m_stack.append(child);
        }
    }
}

QModelIndex TDOutlineViewItemEnumerator::nextObject() {
    if (!m_model) return {};
    const bool started = !m_stack.isEmpty();
    const QModelIndex top = p_top();
    if (started) m_stack.removeLast();

    if (!m_reverse) {
        // Pre-order: the children of the item just left come next, the first of them on top.
        if (!started) {
            p_pushChildren(QModelIndex(), false);
        } else if (top.isValid()) {
            p_pushChildren(top, false);
        }
        return p_top();
    }

    // A parent stays on the stack below its children, so it comes back once they are done.
    if (started) {
        const QModelIndex parent = top.parent();
        if (parent == p_top()) return p_top();
    }
    QModelIndex current = p_top();
    if (current.isValid() || !started) {
        do {
            const qsizetype before = m_stack.size();
            p_pushChildren(current, true);
            if (m_stack.size() == before) break;
            current = p_top();
        } while (true);
    }
    return p_top();
}

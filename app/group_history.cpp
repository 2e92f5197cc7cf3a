#include "app/group_history.h"

namespace {
const QString kStackKey = QStringLiteral("stack");
const QString kIndexKey = QStringLiteral("index");
}  // namespace

void TDGroupHistory::insert(const QString& uid) {
    if (m_index + 1 < m_stack.size()) m_stack.erase(m_stack.begin() + m_index + 1, m_stack.end());
    if (!m_stack.isEmpty() && m_stack.last() == uid) return;
    m_stack.append(uid);
    if (m_stack.size() != 1) m_index = m_stack.size() - 1;
}

QString TDGroupHistory::move(int direction, const EntryCheck& canShow) {
    // Each refused entry shrinks the stack, so this ends.
    for (;;) {
        const qsizetype target = m_index + direction;
        if (target < 0 || target >= m_stack.size() || m_stack.size() < 2) return {};
        m_index = target;
        const QString uid = m_stack.at(target);
        if (canShow(uid)) return uid;
        // Going back, the next candidate lies below; going forward, it took the removed one's place.
        m_stack.removeAt(target);
        m_index = direction < 0 ? target : target - 1;
        if (m_index < 0) m_index = 0;
    }
}

QVariantMap TDGroupHistory::state() const {
    return {{kStackKey, m_stack}, {kIndexKey, m_index}};
}

void TDGroupHistory::setState(const QVariant& state, const QString& currentUID) {
    const QStringList stack = state.typeId() == QMetaType::QVariantMap
                                  ? state.toMap().value(kStackKey).toStringList()
                                  : QStringList();
    if (stack.isEmpty()) {
        m_stack = currentUID.isEmpty() ? QStringList() : QStringList{currentUID};
        m_index = 0;
        return;
    }
    m_stack = stack;
    m_index = qBound<qsizetype>(0, state.toMap().value(kIndexKey).toLongLong(), stack.size() - 1);
}

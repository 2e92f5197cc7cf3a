#include "model/task_sort_descriptor.h"

#include "model/task.h"

TDTaskSortDescriptor TDTaskSortDescriptor::sortDescriptorWithKey(const QString& key, bool ascending) {
    static const QStringList inverted{QStringLiteral("actualTime"), QStringLiteral("completedDate"),
                                      QStringLiteral("createdDate"), QStringLiteral("modifiedDate")};
    return TDTaskSortDescriptor(key, inverted.contains(key) ? !ascending : ascending);
}

TDTaskSortDescriptor::TDTaskSortDescriptor(const QString& key, bool ascending)
    : platform::SortDescriptor(key, ascending), m_key(key) {
    if (key == QLatin1String("priority"))
        m_sortKey = PriorityKey;
    else if (key == QLatin1String("totalEstimatedTime"))
        m_sortKey = TotalEstimatedTimeKey;
    else if (key == QLatin1String("completedDate"))
        m_sortKey = CompletedDateKey;
    m_nilComesLast = m_sortKey == CompletedDateKey;
    p_install();
}

void TDTaskSortDescriptor::setIgnoreDisplayOrder(bool ignore) {
    m_ignoreDisplayOrder = ignore;
    p_install();
}

// The comparator carries a copy of the settings, so copies of the descriptor sort alike.
void TDTaskSortDescriptor::p_install() {
    const TDTaskSortDescriptor settings = *this;
    static_cast<platform::SortDescriptor&>(*this) =
        platform::SortDescriptor(m_key, ascending(), [settings](const QVariant& left, const QVariant& right) {
            return settings.compareTasks(left, right);
        });
}

std::weak_ordering TDTaskSortDescriptor::compareTasks(const QVariant& left, const QVariant& right) const {
    auto* a = dynamic_cast<TDTask*>(platform::objectFromVariant(left));
    auto* b = dynamic_cast<TDTask*>(platform::objectFromVariant(right));
    if (!a || !b) return std::weak_ordering::equivalent;
    auto valueOf = [this](const TDTask* task) -> QVariant {
        const QVariant value = task->valueForKeyPath(m_key);
        if (m_sortKey == TotalEstimatedTimeKey && value.toDouble() == 0) return {};
        if (m_sortKey == PriorityKey && value.toLongLong() == 0) return {};
        return value;
    };
    const QVariant va = valueOf(a);
    const QVariant vb = valueOf(b);
    const bool hasA = va.isValid() && !va.isNull();
    const bool hasB = vb.isValid() && !vb.isNull();
    if (hasA && !hasB) return m_nilComesLast ? std::weak_ordering::greater : std::weak_ordering::less;
    if (!hasA && hasB) return m_nilComesLast ? std::weak_ordering::less : std::weak_ordering::greater;
    if (hasA && hasB) {
        const std::weak_ordering result = platform::compareForSorting(va, vb);
        if (result != 0) return ascending() ? result : 0 <=> result;
    }
    if (m_ignoreDisplayOrder) return std::weak_ordering::equivalent;
    const TDLibraryObject* parentA = a->parentObject();
    if (!parentA || parentA != b->parentObject()) return std::weak_ordering::equivalent;
    return platform::compareForSorting(a->displayOrder(), b->displayOrder());
}

#include "model/task_sort_descriptor.h"

#include "model/task.h"

#include <limits>
#include <optional>
#include <typeinfo>
#include <vector>

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

namespace {

// TDTask is final: its objects are known by their dynamic type alone, without a search of the hierarchy.
// What compareTasks() reads of each task, read once, the parent and display order through the properties
// of the tasks' entity.
class TaskSortKeys final : public platform::SortKeys {
public:
    TaskSortKeys(const TDTaskSortDescriptor& settings, const QVariantList& objects)
        : m_settings(settings), m_tasks(size_t(objects.size())), m_values(size_t(objects.size())) {
        const platform::Expression key = platform::Expression::keyPath(settings.key());
        TDEpochMSecsReader dates;
        for (qsizetype i = 0; i < objects.size(); ++i) {
            p_readAhead(objects, i);
            const TDTask* task = TDTask::fromVariant(objects.at(i));
            m_tasks[size_t(i)] = task;
            if (!task) continue;
            p_useEntity(task);
            if (m_keyAttribute)
                m_values[size_t(i)] = settings.sortKey(task->primitiveValue(m_keyAttribute), &dates);
            else if (const QVariant* stored = key.storedValue(objects.at(i)))
                m_values[size_t(i)] = settings.sortKey(*stored, &dates);
            else
                m_values[size_t(i)] = settings.sortKey(key.evaluate(objects.at(i)), &dates);
            // Read while the task is at hand: most values tie with some other (dates by the day, priorities).
            if (!settings.ignoreDisplayOrder()) m_ties[size_t(i)] = p_tie(task);
        }
    }

    std::weak_ordering compare(qsizetype a, qsizetype b) const override {
        const TDTask* taskA = m_tasks[size_t(a)];
        const TDTask* taskB = m_tasks[size_t(b)];
        if (!taskA || !taskB) return std::weak_ordering::equivalent;
        const std::weak_ordering result =
            m_settings.compareSortValues(m_values[size_t(a)], m_values[size_t(b)]);
        if (result != 0 || m_settings.ignoreDisplayOrder()) return result;
        const Tie& tieA = m_ties[size_t(a)];
        const Tie& tieB = m_ties[size_t(b)];
        if (!tieA.parent || tieA.parent != tieB.parent) return std::weak_ordering::equivalent;
        return platform::compareForSorting(tieA.displayOrder, tieB.displayOrder);
    }

    TDTaskSortDescriptor::NumericKey numericKey(size_t i) const {
        using Family = platform::SortValue::Family;
        TDTaskSortDescriptor::NumericKey key;
        key.isTask = m_tasks[i] != nullptr;
        const platform::SortValue& value = m_values[i];
        key.family = value.family();
        if (key.family == Family::Nil) {
            constexpr double infinity = std::numeric_limits<double>::infinity();
            key.number = m_settings.nilComesLast() ? -infinity : infinity;
        } else {
            const double number = platform::sortingNumber(value);
            key.number = m_settings.ascending() ? number : -number;
        }
        // A computed key may change with other objects than the task: only stored ones are kept.
        key.exact = m_keyAttribute && (key.family == Family::Nil ||
                                       ((key.family == Family::Number || key.family == Family::Date) &&
                                        platform::hasExactSortingNumber(value)));
        if (!m_settings.ignoreDisplayOrder()) {
            const Tie& tie = m_ties[i];
            key.parent = tie.parent;
            key.displayOrder = tie.displayOrder.real();
            if (tie.parent && !platform::hasExactSortingNumber(tie.displayOrder)) key.exact = false;
        }
        return key;
    }

    bool leadingNumbers(std::vector<double>& numbers) const override {
        using Family = platform::SortValue::Family;
        std::optional<Family> family;
        for (size_t i = 0; i < m_tasks.size(); ++i) {
            if (!m_tasks[i]) return false;  // it ties with every task, which no number can say
            const Family f = m_values[i].family();
            if (f == Family::Nil) continue;
            if ((f != Family::Number && f != Family::Date) || (family && *family != f)) return false;
            family = f;
        }
        constexpr double infinity = std::numeric_limits<double>::infinity();
        numbers.clear();
        numbers.reserve(m_values.size());
        for (const platform::SortValue& value : m_values) {
            if (value.family() == Family::Nil) {
                numbers.push_back(m_settings.nilComesLast() ? -infinity : infinity);
                continue;
            }
            const double number = platform::sortingNumber(value);
            numbers.push_back(m_settings.ascending() ? number : -number);
        }
        return true;
    }

    // Values and siblings' display orders as numbers, when the siblings' order decides between equal
    // values alike for all: every task under one parent (or none under any).
    int exactNumbers(std::vector<double>& numbers) const override {
        std::vector<double> leading;
        if (!leadingNumbers(leading)) return 0;
        for (const platform::SortValue& value : m_values)
            if (value.family() != platform::SortValue::Family::Nil && !platform::hasExactSortingNumber(value))
                return 0;
        const platform::ManagedObject* parent = m_ties.empty() ? nullptr : m_ties.front().parent;
        if (m_settings.ignoreDisplayOrder() || !parent) {
            if (!m_settings.ignoreDisplayOrder())
                for (const Tie& tie : m_ties)
                    if (tie.parent) return 0;
            numbers = std::move(leading);
            return 1;
        }
        numbers.clear();
        numbers.reserve(leading.size() * 2);
        for (size_t i = 0; i < leading.size(); ++i) {
            const Tie& tie = m_ties[i];
            if (tie.parent != parent || !platform::hasExactSortingNumber(tie.displayOrder)) return 0;
            numbers.push_back(leading[i]);
            numbers.push_back(tie.displayOrder.real());
        }
        return 2;
    }

private:
    struct Tie {
        const platform::ManagedObject* parent = nullptr;
        platform::SortValue displayOrder;
    };
    // The properties read, looked up again only when the entity changes.
    void p_useEntity(const TDTask* task) {
        if (task->entity() == m_entity) return;
        m_entity = task->entity();
        m_keyAttribute = m_entity->attribute(m_settings.key());
        m_parentTask = m_entity->relationship(QStringLiteral("parentTask"));
        m_parentList = m_entity->relationship(QStringLiteral("parentList"));
        m_displayOrder = m_entity->attribute(QStringLiteral("displayOrder"));
    }
    // Tasks lie scattered in memory: the slots read of each are asked for ahead of the walk.
    void p_readAhead(const QVariantList& objects, qsizetype i) const {
        platform::ManagedObject::readAhead(
            i, objects.size(), [&objects](qsizetype j) { return platform::objectFromVariant(objects.at(j)); },
            [this](const platform::KeyValueCoding* object) {
                const TDTask* task = TDTask::from(object);
                if (task && task->entity() == m_entity)
                    task->prefetchSlots(m_keyAttribute,
                                        m_settings.ignoreDisplayOrder() ? nullptr : m_displayOrder,
                                        m_settings.ignoreDisplayOrder() ? nullptr : m_parentTask);
            });
    }
    // The task's parentObject() and displayOrder(), read by property rather than by name.
    Tie p_tie(const TDTask* task) {
        const platform::ManagedObject* parent = task->object(m_parentTask);
        return {parent ? parent : task->object(m_parentList),
                platform::SortValue(task->primitiveValue(m_displayOrder).toDouble())};
    }

    const TDTaskSortDescriptor m_settings;
    std::vector<const TDTask*> m_tasks;
    std::vector<platform::SortValue> m_values;
    std::vector<Tie> m_ties = std::vector<Tie>(m_tasks.size());
    const platform::EntityDescription* m_entity = nullptr;
    const platform::AttributeDescription* m_keyAttribute = nullptr;  // none for a computed key
    const platform::RelationshipDescription* m_parentTask = nullptr;
    const platform::RelationshipDescription* m_parentList = nullptr;
    const platform::AttributeDescription* m_displayOrder = nullptr;
};

// A named reader, so that a descriptor can be told to be a task descriptor by it.
struct TaskKeyReader {
    TDTaskSortDescriptor settings;
    std::unique_ptr<platform::SortKeys> operator()(const QVariantList& objects) const {
        return std::make_unique<TaskSortKeys>(settings, objects);
    }
};

}  // namespace

// The comparator carries a copy of the settings, so copies of the descriptor sort alike.
void TDTaskSortDescriptor::p_install() {
    const TDTaskSortDescriptor settings = *this;
    static_cast<platform::SortDescriptor&>(*this) = platform::SortDescriptor(
        m_key, ascending(),
        [settings](const QVariant& left, const QVariant& right) {
            return settings.compareTasks(left, right);
        },
        TaskKeyReader{settings});
}

std::vector<TDTaskSortDescriptor::NumericKey> TDTaskSortDescriptor::numericKeys(
    const QVariantList& objects) const {
    const TaskSortKeys keys(*this, objects);
    std::vector<NumericKey> result(size_t(objects.size()));
    for (size_t i = 0; i < result.size(); ++i) result[i] = keys.numericKey(i);
    return result;
}

const TDTaskSortDescriptor* TDTaskSortDescriptor::fromSortDescriptor(
    const platform::SortDescriptor& descriptor) {
    const auto* reader = descriptor.keyReader().target<TaskKeyReader>();
    return reader ? &reader->settings : nullptr;
}

platform::SortValue TDTaskSortDescriptor::sortKey(const QVariant& value, TDEpochMSecsReader* dates) const {
    if (m_sortKey == TotalEstimatedTimeKey && value.toDouble() == 0) return {};
    if (m_sortKey == PriorityKey && value.toLongLong() == 0) return {};
    return platform::SortValue(value, dates);
}

std::weak_ordering TDTaskSortDescriptor::compareSortValues(const platform::SortValue& a,
                                                           const platform::SortValue& b) const {
    const bool hasA = a.family() != platform::SortValue::Family::Nil;
    const bool hasB = b.family() != platform::SortValue::Family::Nil;
    if (hasA && !hasB) return m_nilComesLast ? std::weak_ordering::greater : std::weak_ordering::less;
    if (!hasA && hasB) return m_nilComesLast ? std::weak_ordering::less : std::weak_ordering::greater;
    if (!hasA) return std::weak_ordering::equivalent;
    const std::weak_ordering result = platform::compareForSorting(a, b);
    return ascending() ? result : 0 <=> result;
}

std::weak_ordering TDTaskSortDescriptor::compareTasks(const QVariant& left, const QVariant& right) const {
    auto* a = dynamic_cast<TDTask*>(platform::objectFromVariant(left));
    auto* b = dynamic_cast<TDTask*>(platform::objectFromVariant(right));
    if (!a || !b) return std::weak_ordering::equivalent;
    const std::weak_ordering result =
        compareSortValues(sortKey(a->valueForKeyPath(m_key)), sortKey(b->valueForKeyPath(m_key)));
    if (result != 0 || m_ignoreDisplayOrder) return result;
    const TDLibraryObject* parentA = a->parentObject();
    if (!parentA || parentA != b->parentObject()) return std::weak_ordering::equivalent;
    return platform::compareForSorting(a->displayOrder(), b->displayOrder());
}

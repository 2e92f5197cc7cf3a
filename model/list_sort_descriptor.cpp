#include "model/list_sort_descriptor.h"

#include "model/group.h"
#include "model/list.h"
#include "model/task.h"

#include <QHash>

#include <algorithm>
#include <typeinfo>
#include <vector>

namespace {

// The group of each object, read when a comparison first needs it: the first descriptors of a sort
// leave most objects' groups unread.
class ListSortKeys final : public platform::SortKeys {
public:
    ListSortKeys(const QVariantList& objects, const QString& key)
        : m_objects(objects),
          m_key(platform::Expression::keyPath(key)),
          m_isList(key == QLatin1String("list")),
          m_groups(size_t(objects.size())) {}

    std::weak_ordering compare(qsizetype a, qsizetype b) const override {
        return TDListSortDescriptor::compareGroups(p_group(a), p_group(b));
    }

    // The rank of each object's group among the groups met, equal for groups that compare equal. Groups
    // order as ranks do as long as at most one of them is an Inbox (each Inbox comes before the other).
    int exactNumbers(std::vector<double>& numbers) const override {
        QHash<const TDGroup*, double> ranks;
        for (qsizetype i = 0; i < m_objects.size(); ++i) {
            p_readAhead(i);
            ranks.insert(p_group(i), 0);
        }
        std::vector<const TDGroup*> groups(ranks.keyBegin(), ranks.keyEnd());
        if (std::count_if(groups.begin(), groups.end(),
                          [](const TDGroup* g) { return g && g->isInboxGroup(); }) > 1)
            return 0;
        std::sort(groups.begin(), groups.end(), [](const TDGroup* a, const TDGroup* b) {
            return TDListSortDescriptor::compareGroups(a, b) < 0;
        });
        double rank = 0;
        for (size_t i = 0; i < groups.size(); ++i) {
            if (i > 0 && TDListSortDescriptor::compareGroups(groups[i - 1], groups[i]) != 0) ++rank;
            ranks[groups[i]] = rank;
        }
        numbers.resize(m_groups.size());
        for (size_t i = 0; i < m_groups.size(); ++i) numbers[i] = ranks.value(m_groups[i].group);
        return 1;
    }

private:
    struct Group {
        bool known = false;
        const TDGroup* group = nullptr;
    };
    const TDGroup* p_group(qsizetype index) const {
        Group& entry = m_groups[size_t(index)];
        if (!entry.known) entry = {true, p_read(m_objects.at(index))};
        return entry.group;
    }
    // Tasks lie scattered in memory: the top list of each is asked for ahead of the walk.
    void p_readAhead(qsizetype i) const {
        if (!m_isList || !m_topList) return;
        platform::ManagedObject::readAhead(
            i, m_objects.size(), [this](qsizetype j) { return platform::objectFromVariant(m_objects.at(j)); },
            [this](const platform::KeyValueCoding* object) {
                const TDTask* task = TDTask::from(object);
                if (task && task->entity() == m_entity) task->prefetchSlots(nullptr, nullptr, m_topList);
            });
    }
    // A task's list as its "list" key answers it, the stored top list read by property.
    const TDGroup* p_read(const QVariant& object) const {
        platform::KeyValueCoding* value = platform::objectFromVariant(object);
        if (m_isList && value && typeid(*value) == typeid(TDTask)) {
            auto* task = static_cast<TDTask*>(value);
            if (task->entity() != m_entity) {
                m_entity = task->entity();
                m_topList = m_entity->relationship(QStringLiteral("topList"));
            }
            if (auto* top = dynamic_cast<TDList*>(task->object(m_topList))) return top;
            return task->list();
        }
        return dynamic_cast<TDGroup*>(platform::objectFromVariant(m_key.evaluate(object)));
    }

    const QVariantList& m_objects;
    const platform::Expression m_key;
    const bool m_isList;
    mutable std::vector<Group> m_groups;
    mutable const platform::EntityDescription* m_entity = nullptr;
    mutable const platform::RelationshipDescription* m_topList = nullptr;
};

}  // namespace

TDListSortDescriptor::TDListSortDescriptor(const QString& key, bool ascending)
    : platform::SortDescriptor(
          key, ascending,
          [key](const QVariant& left, const QVariant& right) { return compareGroups(left, right, key); },
          [key](const QVariantList& objects) { return std::make_unique<ListSortKeys>(objects, key); }) {
}

std::weak_ordering TDListSortDescriptor::compareGroups(const QVariant& left, const QVariant& right,
                                                       const QString& key) {
    return compareGroups(
        dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(left, key))),
        dynamic_cast<TDGroup*>(platform::objectFromVariant(platform::valueForKeyPath(right, key))));
}

std::weak_ordering TDListSortDescriptor::compareGroups(const TDGroup* a, const TDGroup* b) {
    if (a == b) return std::weak_ordering::equivalent;
    if (a && a->isInboxGroup()) return std::weak_ordering::less;
    if (b && b->isInboxGroup()) return std::weak_ordering::greater;
    return platform::compareForSorting(a ? QVariant(a->title()) : QVariant(),
                                       b ? QVariant(b->title()) : QVariant(),
                                       platform::SortDescriptor::Comparison::CaseInsensitive);
}

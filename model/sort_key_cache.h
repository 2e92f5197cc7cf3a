#pragma once

#include "model/task_sort_descriptor.h"
#include "platform/objectstore/managed_object.h"

#include <QHash>
#include <QList>

#include <optional>

// The numeric sort keys of an ordered collection's members, kept between sorts so that a sort reads
// only the members that changed since the last one: reading each task's key from memory scattered over
// the library costs more than the comparisons. Kept for a first descriptor that sorts tasks by a number
// or date; the owner forgets a member whenever its keys may have changed.
class TDSortKeyCache final {
public:
    using Object = platform::ManagedObject;

    void forget(const Object* object) {
        m_keys.remove(object);
        m_lastOrder.clear();
    }
    void forgetAll() {
        m_keys.clear();
        m_lastOrder.clear();
    }
    qsizetype size() const { return m_keys.size(); }

    // The members in the order a stable sort by the descriptors gives them; nothing when the keys are
    // not numbers that decide that order (a sort through the descriptors then has to do).
    std::optional<QList<Object*>> sorted(const QList<Object*>& members,
                                         const QList<platform::SortDescriptor>& descriptors);

private:
    using Key = TDTaskSortDescriptor::NumericKey;
    void p_useDescriptor(const TDTaskSortDescriptor& descriptor);
    // Leaves the members' keys in m_lastKeys, in the members' order: as they are when the members stand in
    // the last order given, else looked up (and read where missing).
    void p_readKeys(const QList<Object*>& members, const TDTaskSortDescriptor& descriptor);

    QHash<const Object*, Key> m_keys;
    // The last order given and its keys, aligned: a list sorted again with nothing forgotten meanwhile
    // needs no lookups, and is found in order in one pass.
    QList<Object*> m_lastOrder;
    std::vector<Key> m_lastKeys;
    // What the keys were read for.
    QString m_key;
    bool m_ascending = true;
    bool m_ignoreDisplayOrder = false;
};

#pragma once

#include <QHash>
#include <QList>

#include <vector>

namespace platform {

class ManagedObject;

// The members of a to-many relationship: an unordered set kept as a vector for fast iteration, with a
// hash index once it grows beyond a few members. Removal moves the last member into the gap.
class ObjectSet final {
public:
    using const_iterator = std::vector<ManagedObject*>::const_iterator;

    bool isEmpty() const { return m_objects.empty(); }
    qsizetype size() const { return static_cast<qsizetype>(m_objects.size()); }
    const_iterator begin() const { return m_objects.begin(); }
    const_iterator end() const { return m_objects.end(); }
    ManagedObject* at(qsizetype i) const { return m_objects[static_cast<size_t>(i)]; }

    bool contains(ManagedObject* object) const {
        if (m_objects.size() <= kLinearLimit) {
            for (ManagedObject* o : m_objects)
                if (o == object) return true;
            return false;
        }
        p_buildIndex();
        return m_index.contains(object);
    }
    // Adds an object that is not a member yet.
    void appendNew(ManagedObject* object) {
        if (!m_index.isEmpty()) m_index.insert(object, static_cast<qsizetype>(m_objects.size()));
        m_objects.push_back(object);
    }
    bool insert(ManagedObject* object) {
        if (contains(object)) return false;
        appendNew(object);
        return true;
    }
    bool remove(ManagedObject* object) {
        qsizetype i = -1;
        if (m_objects.size() <= kLinearLimit) {
            for (size_t k = 0; k < m_objects.size(); ++k)
                if (m_objects[k] == object) i = static_cast<qsizetype>(k);
        } else {
            p_buildIndex();
            i = m_index.value(object, -1);
        }
        if (i < 0) return false;
        ManagedObject* last = m_objects.back();
        m_objects[static_cast<size_t>(i)] = last;
        m_objects.pop_back();
        if (!m_index.isEmpty()) {
            m_index.remove(object);
            if (last != object) m_index.insert(last, i);
        }
        return true;
    }
    void clear() {
        m_objects.clear();
        m_index.clear();
    }
    QList<ManagedObject*> toList() const { return QList<ManagedObject*>(m_objects.begin(), m_objects.end()); }
    bool operator==(const ObjectSet& other) const {
        if (size() != other.size()) return false;
        for (ManagedObject* o : m_objects)
            if (!other.contains(o)) return false;
        return true;
    }

private:
    static constexpr size_t kLinearLimit = 12;
    void p_buildIndex() const {
        if (!m_index.isEmpty() || m_objects.empty()) return;
        m_index.reserve(static_cast<qsizetype>(m_objects.size()));
        for (size_t k = 0; k < m_objects.size(); ++k) m_index.insert(m_objects[k], static_cast<qsizetype>(k));
    }

    std::vector<ManagedObject*> m_objects;
    mutable QHash<ManagedObject*, qsizetype> m_index;
};

}  // namespace platform

#pragma once

#include "platform/predicates/predicate.h"

#include <QDateTime>
#include <QSet>

#include <memory>
#include <mutex>
#include <optional>

namespace platform {
class AttributeDescription;
class EntityDescription;
class ManagedObject;
class RelationshipDescription;
}  // namespace platform

// A date that many stored dates are compared with. A local date is compared by its clock reading
// (no conversion to an instant) unless it lies so near the bound that a change of the zone's offset
// between them could turn the answer round.
class TDDateBound {
public:
    explicit TDDateBound(const QDateTime& bound);
    // The sign of `date` minus the bound; nothing for an invalid date.
    std::optional<int> compare(const QDateTime& date) const;

private:
    qint64 m_msecs = 0;
    qint64 m_wallMsecs = 0;
    bool m_steadyOffset = false;  // the same offset from two days before to two days after
};

// One condition of the Today sections, evaluated on a task's stored values: the general predicate
// parsed from the same format answers for other objects and gives the format. A task holding a value
// the fast reading does not know (a date that is no valid QDateTime) is answered by it too. The general
// predicate is parsed when first needed: its constants include every task of the group.
class TDTodaySectionPredicate final : public platform::Predicate {
public:
    // "dueDate < to AND isIncomplete == YES" without `from`, else "from <= dueDate AND dueDate < to AND
    // isIncomplete == YES".
    static platform::PredicatePtr due(const platform::EntityDescription* task, const QDateTime& from,
                                      const QDateTime& to);
    // The group's tasks, as objects and as the set the fast reading looks parents up in.
    struct GroupTasks {
        QVariantList list;
        QSet<const void*> set;
        explicit GroupTasks(const QVariantList& tasks);
    };
    // "[from <= startDate AND] startDate < to AND (dueDate == NIL OR dueDate >= near) AND isIncomplete ==
    // YES AND NONE ancestorTasks IN groupTasks".
    static platform::PredicatePtr starting(const platform::EntityDescription* task, const QDateTime& from,
                                           const QDateTime& to, const QDateTime& near,
                                           const std::shared_ptr<const GroupTasks>& groupTasks);
    // "from <= completedDate AND completedDate < to AND (parentTask.completedDate = NIL OR (from >
    // parentTask.completedDate OR parentTask.completedDate >= to))".
    static platform::PredicatePtr completed(const platform::EntityDescription* task, const QDateTime& from,
                                            const QDateTime& to);

    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    QString format() const override { return p_general()->format(); }
    bool isEqual(const Predicate& other) const override;
    platform::PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }

    enum class Shape { Due, Starting, Completed };
    TDTodaySectionPredicate(Shape shape, const platform::EntityDescription* task, const QString& format,
                            const QVariantList& arguments, const QDateTime& from, const QDateTime& to,
                            const QDateTime& near, std::shared_ptr<const GroupTasks> groupTasks);

private:
    const platform::PredicatePtr& p_general() const;
    // The answer, or nothing when a value is one the fast reading leaves to the general predicate.
    std::optional<bool> p_fastAnswer(const platform::ManagedObject* task) const;
    std::optional<bool> p_dueAnswer(const platform::ManagedObject* task) const;
    std::optional<bool> p_startingAnswer(const platform::ManagedObject* task) const;
    std::optional<bool> p_completedAnswer(const platform::ManagedObject* task) const;

    Shape m_shape;
    QString m_format;
    QVariantList m_arguments;
    mutable std::once_flag m_parsed;
    mutable platform::PredicatePtr m_general;
    std::optional<TDDateBound> m_from;
    TDDateBound m_to;
    std::optional<TDDateBound> m_near;
    std::shared_ptr<const GroupTasks> m_groupTasks;
    const platform::EntityDescription* m_entity;
    const platform::AttributeDescription* m_status = nullptr;
    const platform::AttributeDescription* m_dueDate = nullptr;
    const platform::AttributeDescription* m_startDate = nullptr;
    const platform::AttributeDescription* m_completedDate = nullptr;
    const platform::RelationshipDescription* m_parentTask = nullptr;
};

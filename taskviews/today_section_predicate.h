#pragma once

#include "model/whole_list_filter.h"
#include "platform/predicates/predicate.h"

#include <QDateTime>
#include <QHash>
#include <QSet>

#include <array>
#include <memory>
#include <mutex>
#include <optional>
#include <vector>

namespace platform {
class AttributeDescription;
class EntityDescription;
class ManagedObject;
class ObjectSet;
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

// The seven Today sections, in their order on screen.
enum class TDTodaySection {
    PastDue,
    DueToday,
    DueSoon,
    StartToday,
    StillWorkingOn,
    CompletedToday,
    CompletedYesterday
};
inline constexpr int TDTodaySectionCount = 7;

// The days the Today sections are cut at: starts of days, `near` the end of the near future.
struct TDTodayBounds {
    QDateTime yesterday;
    QDateTime today;
    QDateTime tomorrow;
    QDateTime near;
};

// Which Today sections a task's stored values put it in, read once per task for all seven: each date
// is read and compared once rather than once per section. While a TDTodayRoutingPass lives, each
// task's answer is also kept, so that sections filtering the same tasks one after another share it.
class TDTodaySectionRouting : public std::enable_shared_from_this<TDTodaySectionRouting> {
public:
    // The group's tasks, as objects and as the set the start sections look parents up in.
    struct GroupTasks {
        QVariantList list;
        QSet<const void*> set;
        explicit GroupTasks(const QVariantList& tasks);
        // The tasks among a group's members, without a cast of each to find it.
        explicit GroupTasks(const platform::ObjectSet& members);
    };
    // Per section (bit = 1 << section), whether the task is in it, and whether its values are ones the
    // reading leaves to the general predicate (a date that is no valid QDateTime, a parent of another
    // kind).
    struct Route {
        quint8 in = 0;
        quint8 unknown = 0;
    };

    TDTodaySectionRouting(const platform::EntityDescription* task, const TDTodayBounds& bounds,
                          std::shared_ptr<const GroupTasks> groupTasks);

    // False when the entity lacks a property the reading needs: the general predicates answer.
    bool isUsable() const { return m_entity != nullptr; }
    const platform::EntityDescription* entity() const { return m_entity; }
    const TDTodayBounds& bounds() const { return m_dates; }
    const GroupTasks& groupTasks() const { return *m_groupTasks; }
    // For a task of the entity.
    Route route(const platform::ManagedObject* task) const;
    // For each object of the list, in its order (objects other than tasks of the entity are left to the
    // general predicates). A pass keeps the answers for the list: the sections filter the same members.
    std::vector<Route> routes(const QList<platform::ManagedObject*>& objects) const;

    // A stored date: nil, a valid QDateTime, or something else (the general predicate's to answer).
    struct StoredDate {
        enum Kind { Nil, Date, Unknown } kind = Nil;
        const QDateTime* date = nullptr;
    };

private:
    friend class TDTodayRoutingPass;
    void p_keepForPass() const;
    void p_readAhead(const QList<platform::ManagedObject*>& objects, qsizetype i) const;
    Route p_read(const platform::ManagedObject* task) const;
    void p_routeDue(const StoredDate& due, bool open, Route& route) const;
    void p_routeStarting(const platform::ManagedObject* task, const StoredDate& due, bool open,
                         Route& route) const;
    void p_routeCompleted(const platform::ManagedObject* task, Route& route) const;

    TDTodayBounds m_dates;
    TDDateBound m_yesterday;
    TDDateBound m_today;
    TDDateBound m_tomorrow;
    TDDateBound m_near;
    std::shared_ptr<const GroupTasks> m_groupTasks;
    const platform::EntityDescription* m_entity = nullptr;
    const platform::AttributeDescription* m_status = nullptr;
    const platform::AttributeDescription* m_dueDate = nullptr;
    const platform::AttributeDescription* m_startDate = nullptr;
    const platform::AttributeDescription* m_completedDate = nullptr;
    const platform::RelationshipDescription* m_parentTask = nullptr;
    // The answers of the current pass, and which pass that is.
    mutable QHash<const platform::ManagedObject*, Route> m_kept;
    mutable QList<platform::ManagedObject*> m_keptList;
    mutable std::vector<Route> m_keptListRoutes;
    mutable quint64 m_keptPass = 0;
};

// While one lives (on the thread that filters the sections) no task changes, so every routing keeps
// the answers it gives. Passes nest; the answers go when the outermost ends.
class TDTodayRoutingPass {
public:
    TDTodayRoutingPass();
    ~TDTodayRoutingPass();
    TDTodayRoutingPass(const TDTodayRoutingPass&) = delete;
    TDTodayRoutingPass& operator=(const TDTodayRoutingPass&) = delete;

    // The open pass's number; 0 when none is open.
    static quint64 current();
};

// One condition of the Today sections, answered by the shared routing from the task's stored values; the
// general predicate parsed from the same format answers for other objects, for values the routing leaves
// to it, and gives the format. It is parsed when first needed: its constants include every task of the
// group.
class TDTodaySectionPredicate final : public platform::Predicate, public TDWholeListFilter {
public:
    // The seven conditions over one routing, in section order:
    // "dueDate < today AND isIncomplete == YES", "from <= dueDate AND dueDate < to AND isIncomplete ==
    // YES" for today and the near future; "[from <= startDate AND] startDate < to AND (dueDate == NIL OR
    // dueDate >= near) AND isIncomplete == YES AND NONE ancestorTasks IN groupTasks" for today and
    // before; "from <= completedDate AND completedDate < to AND (parentTask.completedDate = NIL OR (from >
    // parentTask.completedDate OR parentTask.completedDate >= to))" for today and yesterday.
    static std::array<platform::PredicatePtr, TDTodaySectionCount> sections(
        const platform::EntityDescription* task, const TDTodayBounds& bounds,
        const std::shared_ptr<const TDTodaySectionRouting::GroupTasks>& groupTasks);

    bool evaluate(const QVariant& object, const QVariantMap& variables) const override;
    using Predicate::evaluate;
    std::optional<QList<platform::ManagedObject*>> filteredObjects(
        const QList<platform::ManagedObject*>& objects) const override;
    QString format() const override { return p_general()->format(); }
    bool isEqual(const Predicate& other) const override;
    platform::PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }

    TDTodaySectionPredicate(std::shared_ptr<const TDTodaySectionRouting> routing, TDTodaySection section,
                            const QString& format, const QVariantList& arguments);

private:
    const platform::PredicatePtr& p_general() const;

    std::shared_ptr<const TDTodaySectionRouting> m_routing;
    quint8 m_bit;
    QString m_format;
    QVariantList m_arguments;
    mutable std::once_flag m_parsed;
    mutable platform::PredicatePtr m_general;
};

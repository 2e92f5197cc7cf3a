#include "taskviews/today_section_predicate.h"

#include "model/task.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/managed_object.h"
#include "platform/objectstore/object_set.h"
#include "platform/predicates/predicate_parser.h"

#include <cstdlib>
#include <typeinfo>

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
// Wider than any change of a zone's offset: dates farther apart than this on the clock are in the
// same order as instants.
constexpr qint64 kNearWindow = 2 * kMsecsPerDay;

constexpr quint8 bit(TDTodaySection section) {
    return quint8(1u << int(section));
}
constexpr quint8 kStartBits = bit(TDTodaySection::StartToday) | bit(TDTodaySection::StillWorkingOn);
constexpr quint8 kDueBits =
    bit(TDTodaySection::PastDue) | bit(TDTodaySection::DueToday) | bit(TDTodaySection::DueSoon);
constexpr quint8 kCompletedBits =
    bit(TDTodaySection::CompletedToday) | bit(TDTodaySection::CompletedYesterday);

// The clock reading of a local date as milliseconds, without asking the zone.
qint64 wallMsecs(const QDateTime& local) {
    return local.date().toJulianDay() * kMsecsPerDay + local.time().msecsSinceStartOfDay();
}

int sign(qint64 difference) {
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

// Whether `date` lies before the bound (the date is valid).
bool before(const QDateTime& date, const TDDateBound& bound) {
    return *bound.compare(date) < 0;
}

platform::PredicatePtr parsed(const QString& format, const QVariantList& arguments) {
    auto predicate = platform::predicateWithFormat(format, arguments);
    if (predicate) return *predicate;
    logWithLevel(TDLogError, "ERROR", "Could not build the section predicate \"%@\": %@", format,
                 predicate.error().detailedDescription());
    return platform::Predicate::falsePredicate();
}

using StoredDate = TDTodaySectionRouting::StoredDate;

StoredDate readDate(const platform::ManagedObject* object, const platform::AttributeDescription* attribute) {
    const QVariant& value = object->primitiveValue(attribute);
    if (!value.isValid() || value.isNull()) return {};
    if (value.metaType().id() != QMetaType::QDateTime) return {StoredDate::Unknown};
    const auto* date = static_cast<const QDateTime*>(value.constData());
    return date->isValid() ? StoredDate{StoredDate::Date, date} : StoredDate{StoredDate::Unknown};
}

// The answers of the open pass, on the thread filtering.
thread_local int t_passDepth = 0;
thread_local quint64 t_pass = 0;
thread_local quint64 t_lastPass = 0;
thread_local std::vector<std::weak_ptr<const TDTodaySectionRouting>> t_keeping;

}  // namespace

TDDateBound::TDDateBound(const QDateTime& bound) : m_msecs(bound.toMSecsSinceEpoch()) {
    const QDateTime local = bound.toLocalTime();
    m_wallMsecs = wallMsecs(local);
    const int offset = local.offsetFromUtc();
    m_steadyOffset = true;
    for (const qint64 days : {-2, -1, 1, 2})
        if (QDateTime::fromMSecsSinceEpoch(m_msecs + days * kMsecsPerDay, Qt::LocalTime).offsetFromUtc() !=
            offset)
            m_steadyOffset = false;
}

std::optional<int> TDDateBound::compare(const QDateTime& date) const {
    if (!date.isValid()) return std::nullopt;
    if (date.timeSpec() == Qt::LocalTime) {
        const qint64 distance = wallMsecs(date) - m_wallMsecs;
        if (m_steadyOffset || std::abs(distance) >= kNearWindow) return sign(distance);
    }
    return sign(date.toMSecsSinceEpoch() - m_msecs);
}

// --- Routing

TDTodaySectionRouting::GroupTasks::GroupTasks(const QVariantList& tasks) : list(tasks) {
    set.reserve(tasks.size());
    for (const QVariant& task : tasks)
        if (const platform::ManagedObject* object = platform::managedObjectFromVariant(task))
            set.insert(object);
}

TDTodaySectionRouting::GroupTasks::GroupTasks(const platform::ObjectSet& members) {
    list.reserve(members.size());
    set.reserve(members.size());
    // Members lie scattered in memory: their kinds are asked for ahead of the walk.
    for (qsizetype i = 0; i < members.size(); ++i) {
        platform::ManagedObject::readAhead(
            i, members.size(), [&members](qsizetype j) { return members.at(j); },
            [](const platform::ManagedObject*) {});
        platform::ManagedObject* member = members.at(i);
        if (const TDTask* task = TDTask::from(member)) {
            list.append(platform::objectVariant(task));
            set.insert(member);
        }
    }
}

TDTodaySectionRouting::TDTodaySectionRouting(const platform::EntityDescription* task,
                                             const TDTodayBounds& bounds,
                                             std::shared_ptr<const GroupTasks> groupTasks)
    : m_dates(bounds),
      m_yesterday(bounds.yesterday),
      m_today(bounds.today),
      m_tomorrow(bounds.tomorrow),
      m_near(bounds.near),
      m_groupTasks(std::move(groupTasks)) {
    if (!task || !m_groupTasks) return;
    const TDTaskProperties& properties = TDTaskProperties::of(task);
    m_status = properties.status;
    m_dueDate = properties.dueDate;
    m_startDate = properties.startDate;
    m_completedDate = properties.completedDate;
    m_parentTask = properties.parentTask;
    if (m_status && m_dueDate && m_startDate && m_completedDate && m_parentTask) m_entity = task;
}

void TDTodaySectionRouting::p_keepForPass() const {
    if (m_keptPass == t_pass) return;
    m_kept.clear();
    m_keptList.clear();
    m_keptListRoutes.clear();
    m_keptPass = t_pass;
    t_keeping.push_back(weak_from_this());
}

TDTodaySectionRouting::Route TDTodaySectionRouting::route(const platform::ManagedObject* task) const {
    if (t_pass == 0) return p_read(task);
    if (m_keptPass != t_pass) {
        p_keepForPass();
        // Every member is asked about in a pass: room for all of them at once, not by rehashing.
        m_kept.reserve(m_groupTasks->set.size());
    }
    const auto kept = m_kept.constFind(task);
    if (kept != m_kept.cend()) return *kept;
    const Route route = p_read(task);
    m_kept.insert(task, route);
    return route;
}

std::vector<TDTodaySectionRouting::Route> TDTodaySectionRouting::routes(
    const QList<platform::ManagedObject*>& objects) const {
    if (t_pass != 0) {
        p_keepForPass();
        // Equal lists compare by their shared data first, then member by member: far cheaper than routing.
        if (m_keptList == objects && m_keptListRoutes.size() == size_t(objects.size()))
            return m_keptListRoutes;
    }
    constexpr Route kLeftToGeneral{0, quint8((1u << TDTodaySectionCount) - 1)};
    std::vector<Route> routes;
    routes.reserve(size_t(objects.size()));
    for (qsizetype i = 0; i < objects.size(); ++i) {
        p_readAhead(objects, i);
        const platform::ManagedObject* object = objects.at(i);
        const bool readable = object && object->entity() == m_entity && typeid(*object) == typeid(TDTask);
        routes.push_back(readable ? p_read(object) : kLeftToGeneral);
    }
    if (t_pass != 0) {
        m_keptList = objects;
        m_keptListRoutes = routes;
    }
    return routes;
}

// Tasks lie scattered in memory: the five values read of each are asked for ahead of the walk.
void TDTodaySectionRouting::p_readAhead(const QList<platform::ManagedObject*>& objects, qsizetype i) const {
    platform::ManagedObject::readAhead(
        i, objects.size(), [&objects](qsizetype j) { return objects.at(j); },
        [this](const platform::ManagedObject* ahead) {
            if (!ahead || ahead->entity() != m_entity) return;
            ahead->prefetchSlots(m_status, m_dueDate, m_parentTask);
            ahead->prefetchSlots(m_startDate, m_completedDate, nullptr);
        });
}

TDTodaySectionRouting::Route TDTodaySectionRouting::p_read(const platform::ManagedObject* task) const {
    Route route;
    const bool open = task->primitiveValue(m_status).isNull();
    const StoredDate due = readDate(task, m_dueDate);
    p_routeDue(due, open, route);
    p_routeStarting(task, due, open, route);
    p_routeCompleted(task, route);
    return route;
}

// Open tasks by their due date: past due, due today, due in the near future.
void TDTodaySectionRouting::p_routeDue(const StoredDate& due, bool open, Route& route) const {
    if (due.kind == StoredDate::Unknown) route.unknown |= kDueBits;
    if (due.kind != StoredDate::Date || !open) return;
    if (before(*due.date, m_today))
        route.in |= bit(TDTodaySection::PastDue);
    else if (before(*due.date, m_tomorrow))
        route.in |= bit(TDTodaySection::DueToday);
    else if (before(*due.date, m_near))
        route.in |= bit(TDTodaySection::DueSoon);
}

// Open tasks started today or before and not due soon, unless a task of the group holds them.
void TDTodaySectionRouting::p_routeStarting(const platform::ManagedObject* task, const StoredDate& due,
                                            bool open, Route& route) const {
    const StoredDate start = readDate(task, m_startDate);
    if (start.kind == StoredDate::Unknown) route.unknown |= kStartBits;
    if (start.kind != StoredDate::Date) return;
    quint8 section = 0;
    if (before(*start.date, m_today))
        section = bit(TDTodaySection::StillWorkingOn);
    else if (before(*start.date, m_tomorrow))
        section = bit(TDTodaySection::StartToday);
    else
        return;
    if (due.kind == StoredDate::Unknown) {
        route.unknown |= section;
        return;
    }
    if (due.kind == StoredDate::Date && before(*due.date, m_near)) return;
    if (!open) return;
    for (const platform::ManagedObject* parent = task->object(m_parentTask); parent;
         parent = parent->object(m_parentTask))
        if (m_groupTasks->set.contains(parent)) return;
    route.in |= section;
}

// Tasks completed today or yesterday, unless their parent was completed the same day.
void TDTodaySectionRouting::p_routeCompleted(const platform::ManagedObject* task, Route& route) const {
    const StoredDate completed = readDate(task, m_completedDate);
    if (completed.kind == StoredDate::Unknown) route.unknown |= kCompletedBits;
    if (completed.kind != StoredDate::Date) return;
    const TDDateBound* from = nullptr;
    const TDDateBound* to = nullptr;
    quint8 section = 0;
    if (before(*completed.date, m_yesterday)) return;
    if (before(*completed.date, m_today)) {
        section = bit(TDTodaySection::CompletedYesterday);
        from = &m_yesterday;
        to = &m_today;
    } else if (before(*completed.date, m_tomorrow)) {
        section = bit(TDTodaySection::CompletedToday);
        from = &m_today;
        to = &m_tomorrow;
    } else {
        return;
    }
    const platform::ManagedObject* parent = task->object(m_parentTask);
    if (!parent) {
        route.in |= section;
        return;
    }
    if (parent->entity() != m_entity) {
        route.unknown |= section;
        return;
    }
    const StoredDate parentCompleted = readDate(parent, m_completedDate);
    if (parentCompleted.kind == StoredDate::Unknown)
        route.unknown |= section;
    else if (parentCompleted.kind == StoredDate::Nil || before(*parentCompleted.date, *from) ||
             !before(*parentCompleted.date, *to))
        route.in |= section;
}

TDTodayRoutingPass::TDTodayRoutingPass() {
    if (t_passDepth++ == 0) t_pass = ++t_lastPass;
}

TDTodayRoutingPass::~TDTodayRoutingPass() {
    if (--t_passDepth != 0) return;
    t_pass = 0;
    for (const std::weak_ptr<const TDTodaySectionRouting>& kept : t_keeping)
        if (const std::shared_ptr<const TDTodaySectionRouting> routing = kept.lock()) {
            routing->m_kept = {};
            routing->m_keptList = {};
            routing->m_keptListRoutes = {};
            routing->m_keptPass = 0;
        }
    t_keeping.clear();
}

quint64 TDTodayRoutingPass::current() {
    return t_pass;
}

// --- The sections' predicates

std::array<platform::PredicatePtr, TDTodaySectionCount> TDTodaySectionPredicate::sections(
    const platform::EntityDescription* task, const TDTodayBounds& bounds,
    const std::shared_ptr<const TDTodaySectionRouting::GroupTasks>& groupTasks) {
    const auto routing = std::make_shared<const TDTodaySectionRouting>(task, bounds, groupTasks);
    const QString due = QStringLiteral("%@ <= dueDate AND dueDate < %@ AND isIncomplete == YES");
    const QString starting = QStringLiteral(
        "startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == YES AND\tNONE "
        "ancestorTasks IN %@");
    const QString completed = QStringLiteral(
        "%@ <= completedDate AND completedDate < %@ AND\t(parentTask.completedDate = NIL OR (%@ > "
        "parentTask.completedDate OR parentTask.completedDate >= %@))");
    const QVariantList& members = groupTasks->list;
    auto make = [&routing](TDTodaySection section, const QString& format, const QVariantList& arguments) {
        return std::make_shared<TDTodaySectionPredicate>(routing, section, format, arguments);
    };
    const QDateTime& yesterday = bounds.yesterday;
    const QDateTime& today = bounds.today;
    const QDateTime& tomorrow = bounds.tomorrow;
    const QDateTime& near = bounds.near;
    return {
        make(TDTodaySection::PastDue, QStringLiteral("dueDate < %@ AND isIncomplete == YES"), {today}),
        make(TDTodaySection::DueToday, due, {today, tomorrow}),
        make(TDTodaySection::DueSoon, due, {tomorrow, near}),
        make(TDTodaySection::StartToday, QStringLiteral("%@ <= startDate AND ") + starting,
             {today, tomorrow, near, members}),
        make(TDTodaySection::StillWorkingOn, starting, {today, near, members}),
        make(TDTodaySection::CompletedToday, completed, {today, tomorrow, today, tomorrow}),
        make(TDTodaySection::CompletedYesterday, completed, {yesterday, today, yesterday, today}),
    };
}

TDTodaySectionPredicate::TDTodaySectionPredicate(std::shared_ptr<const TDTodaySectionRouting> routing,
                                                 TDTodaySection section, const QString& format,
                                                 const QVariantList& arguments)
    : m_routing(std::move(routing)), m_bit(bit(section)), m_format(format), m_arguments(arguments) {
}

const platform::PredicatePtr& TDTodaySectionPredicate::p_general() const {
    std::call_once(m_parsed, [this] { m_general = parsed(m_format, m_arguments); });
    return m_general;
}

bool TDTodaySectionPredicate::isEqual(const Predicate& other) const {
    if (const auto* o = dynamic_cast<const TDTodaySectionPredicate*>(&other))
        return p_general()->isEqual(*o->p_general());
    return p_general()->isEqual(other);
}

bool TDTodaySectionPredicate::evaluate(const QVariant& object, const QVariantMap& variables) const {
    platform::KeyValueCoding* value = platform::objectFromVariant(object);
    const TDTask* task =
        value && typeid(*value) == typeid(TDTask) ? static_cast<const TDTask*>(value) : nullptr;
    if (task && m_routing->isUsable() && task->entity() == m_routing->entity()) {
        const TDTodaySectionRouting::Route route = m_routing->route(task);
        if (!(route.unknown & m_bit)) return route.in & m_bit;
    }
    return p_general()->evaluate(object, variables);
}

std::optional<QList<platform::ManagedObject*>> TDTodaySectionPredicate::filteredObjects(
    const QList<platform::ManagedObject*>& objects) const {
    if (!m_routing->isUsable()) return std::nullopt;
    const std::vector<TDTodaySectionRouting::Route> routes = m_routing->routes(objects);
    QList<platform::ManagedObject*> passing;
    for (qsizetype i = 0; i < objects.size(); ++i) {
        const TDTodaySectionRouting::Route route = routes[size_t(i)];
        platform::ManagedObject* object = objects.at(i);
        if (route.unknown & m_bit ? p_general()->evaluate(object) : bool(route.in & m_bit))
            passing.append(object);
    }
    return passing;
}

#include "taskviews/today_section_predicate.h"

#include "model/task.h"
#include "platform/base/log.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/managed_object.h"
#include "platform/predicates/predicate_parser.h"

#include <cstdlib>

namespace {

constexpr qint64 kMsecsPerDay = 86400000;
// Wider than any change of a zone's offset: dates farther apart than this on the clock are in the
// same order as instants.
constexpr qint64 kNearWindow = 2 * kMsecsPerDay;

// The clock reading of a local date as milliseconds, without asking the zone.
qint64 wallMsecs(const QDateTime& local) {
    return local.date().toJulianDay() * kMsecsPerDay + local.time().msecsSinceStartOfDay();
}

int sign(qint64 difference) {
    return difference < 0 ? -1 : difference > 0 ? 1 : 0;
}

platform::PredicatePtr parsed(const QString& format, const QVariantList& arguments) {
    auto predicate = platform::predicateWithFormat(format, arguments);
    if (predicate) return *predicate;
    logWithLevel(TDLogError, "ERROR", "Could not build the section predicate \"%@\": %@", format,
                 predicate.error().detailedDescription());
    return platform::Predicate::falsePredicate();
}

// A stored date: nil, a valid QDateTime, or something else (answered by the general predicate).
enum class DateRead { Nil, Date, Unknown };

DateRead readDate(const QVariant& value, const QDateTime** date) {
    if (!value.isValid() || value.isNull()) return DateRead::Nil;
    if (value.metaType().id() != QMetaType::QDateTime) return DateRead::Unknown;
    *date = static_cast<const QDateTime*>(value.constData());
    return (*date)->isValid() ? DateRead::Date : DateRead::Unknown;
}

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

TDTodaySectionPredicate::GroupTasks::GroupTasks(const QVariantList& tasks) : list(tasks) {
    set.reserve(tasks.size());
    for (const QVariant& task : tasks)
        if (const platform::ManagedObject* object = platform::managedObjectFromVariant(task))
            set.insert(object);
}

TDTodaySectionPredicate::TDTodaySectionPredicate(Shape shape, const platform::EntityDescription* task,
                                                 const QString& format, const QVariantList& arguments,
                                                 const QDateTime& from, const QDateTime& to,
                                                 const QDateTime& near,
                                                 std::shared_ptr<const GroupTasks> groupTasks)
    : m_shape(shape),
      m_format(format),
      m_arguments(arguments),
      m_to(to),
      m_groupTasks(std::move(groupTasks)),
      m_entity(task) {
    if (from.isValid()) m_from.emplace(from);
    if (near.isValid()) m_near.emplace(near);
    if (!task || (shape == Shape::Starting && !m_groupTasks)) {
        m_entity = nullptr;
        return;
    }
    m_status = task->attribute(QStringLiteral("status"));
    m_dueDate = task->attribute(QStringLiteral("dueDate"));
    m_startDate = task->attribute(QStringLiteral("startDate"));
    m_completedDate = task->attribute(QStringLiteral("completedDate"));
    m_parentTask = task->relationship(QStringLiteral("parentTask"));
    if (!m_status || !m_dueDate || !m_startDate || !m_completedDate || !m_parentTask) m_entity = nullptr;
}

platform::PredicatePtr TDTodaySectionPredicate::due(const platform::EntityDescription* task,
                                                    const QDateTime& from, const QDateTime& to) {
    if (!from.isValid())
        return std::make_shared<TDTodaySectionPredicate>(
            Shape::Due, task, QStringLiteral("dueDate < %@ AND isIncomplete == YES"), QVariantList{to}, from,
            to, QDateTime(), nullptr);
    return std::make_shared<TDTodaySectionPredicate>(
        Shape::Due, task, QStringLiteral("%@ <= dueDate AND dueDate < %@ AND isIncomplete == YES"),
        QVariantList{from, to}, from, to, QDateTime(), nullptr);
}

platform::PredicatePtr TDTodaySectionPredicate::starting(
    const platform::EntityDescription* task, const QDateTime& from, const QDateTime& to,
    const QDateTime& near, const std::shared_ptr<const GroupTasks>& groupTasks) {
    if (!from.isValid())
        return std::make_shared<TDTodaySectionPredicate>(
            Shape::Starting, task,
            QStringLiteral("startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == YES "
                           "AND\tNONE ancestorTasks IN %@"),
            QVariantList{to, near, groupTasks->list}, from, to, near, groupTasks);
    return std::make_shared<TDTodaySectionPredicate>(
        Shape::Starting, task,
        QStringLiteral("%@ <= startDate AND startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND "
                       "isIncomplete == YES AND\tNONE ancestorTasks IN %@"),
        QVariantList{from, to, near, groupTasks->list}, from, to, near, groupTasks);
}

platform::PredicatePtr TDTodaySectionPredicate::completed(const platform::EntityDescription* task,
                                                          const QDateTime& from, const QDateTime& to) {
    return std::make_shared<TDTodaySectionPredicate>(
        Shape::Completed, task,
        QStringLiteral("%@ <= completedDate AND completedDate < %@ AND\t(parentTask.completedDate = NIL OR "
                       "(%@ > parentTask.completedDate OR parentTask.completedDate >= %@))"),
        QVariantList{from, to, from, to}, from, to, QDateTime(), nullptr);
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
    if (task && m_entity && task->entity() == m_entity)
        if (const std::optional<bool> answer = p_fastAnswer(task)) return *answer;
    return p_general()->evaluate(object, variables);
}

std::optional<bool> TDTodaySectionPredicate::p_fastAnswer(const platform::ManagedObject* task) const {
    switch (m_shape) {
        case Shape::Due:
            return p_dueAnswer(task);
        case Shape::Starting:
            return p_startingAnswer(task);
        case Shape::Completed:
            return p_completedAnswer(task);
    }
    return std::nullopt;
}

std::optional<bool> TDTodaySectionPredicate::p_dueAnswer(const platform::ManagedObject* task) const {
    const QDateTime* due = nullptr;
    switch (readDate(task->primitiveValue(m_dueDate), &due)) {
        case DateRead::Nil:
            return false;
        case DateRead::Unknown:
            return std::nullopt;
        case DateRead::Date:
            break;
    }
    if (m_from && *m_from->compare(*due) < 0) return false;
    if (*m_to.compare(*due) >= 0) return false;
    return task->primitiveValue(m_status).isNull();
}

std::optional<bool> TDTodaySectionPredicate::p_startingAnswer(const platform::ManagedObject* task) const {
    const QDateTime* start = nullptr;
    switch (readDate(task->primitiveValue(m_startDate), &start)) {
        case DateRead::Nil:
            return false;
        case DateRead::Unknown:
            return std::nullopt;
        case DateRead::Date:
            break;
    }
    if (m_from && *m_from->compare(*start) < 0) return false;
    if (*m_to.compare(*start) >= 0) return false;
    const QDateTime* due = nullptr;
    switch (readDate(task->primitiveValue(m_dueDate), &due)) {
        case DateRead::Nil:
            break;
        case DateRead::Unknown:
            return std::nullopt;
        case DateRead::Date:
            if (*m_near->compare(*due) < 0) return false;
            break;
    }
    if (!task->primitiveValue(m_status).isNull()) return false;
    for (const platform::ManagedObject* parent = task->object(m_parentTask); parent;
         parent = parent->object(m_parentTask))
        if (m_groupTasks->set.contains(parent)) return false;
    return true;
}

std::optional<bool> TDTodaySectionPredicate::p_completedAnswer(const platform::ManagedObject* task) const {
    const QDateTime* completed = nullptr;
    switch (readDate(task->primitiveValue(m_completedDate), &completed)) {
        case DateRead::Nil:
            return false;
        case DateRead::Unknown:
            return std::nullopt;
        case DateRead::Date:
            break;
    }
    if (*m_from->compare(*completed) < 0 || *m_to.compare(*completed) >= 0) return false;
    const platform::ManagedObject* parent = task->object(m_parentTask);
    if (!parent) return true;
    if (parent->entity() != m_entity) return std::nullopt;
    const QDateTime* parentCompleted = nullptr;
    switch (readDate(parent->primitiveValue(m_completedDate), &parentCompleted)) {
        case DateRead::Nil:
            return true;
        case DateRead::Unknown:
            return std::nullopt;
        case DateRead::Date:
            break;
    }
    return *m_from->compare(*parentCompleted) < 0 || *m_to.compare(*parentCompleted) >= 0;
}

#include "taskviews/task_sections.h"

#include "language/date_additions.h"
#include "language/localized_string.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/list_sort_descriptor.h"
#include "model/task.h"
#include "model/task_sort_descriptor.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/entity_description.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/predicate_parser.h"
#include "taskviews/mutable_compound_predicate.h"
#include "taskviews/today_section_predicate.h"

#include <QPointer>

#include <algorithm>
#include <limits>
#include <typeinfo>

namespace {

const QString kIsSortingSection = QStringLiteral("isSortingSection");
const QString kPredicateForChildren = QStringLiteral("predicateForChildren");
const QString kSource = QStringLiteral("source");
const QString kList = QStringLiteral("list");
const QString kTasks = QStringLiteral("tasks");

platform::PredicatePtr parsed(const QString& format, const QVariantList& arguments = {}) {
    auto predicate = platform::predicateWithFormat(format, arguments);
    if (predicate) return *predicate;
    // The formats are the program's own: a failure here is a programming error, and showing nothing is
    // safer than showing every task under a wrong title.
    logWithLevel(TDLogError, "ERROR", "Could not build the section predicate \"%@\": %@", format,
                 predicate.error().detailedDescription());
    return platform::Predicate::falsePredicate();
}

QVariantList tasksArgument(TDGroup* group) {
    const platform::ObjectSet& members = group->objects(kTasks);
    QVariantList tasks;
    tasks.reserve(members.size());
    for (platform::ManagedObject* member : members)
        if (TDTask* task = TDTask::from(member)) tasks.append(platform::objectVariant(task));
    return tasks;
}

// Holds the filter by reference, so switching it on or off is seen by every section.
platform::PredicatePtr sectionPredicate(const platform::PredicatePtr& filterPredicate,
                                        const platform::PredicatePtr& predicate) {
    return TDMutableCompoundPredicate::andPredicateWithSubpredicates({filterPredicate, predicate});
}

// The same with the section's own condition asked first: the Today conditions read stored values and
// turn most tasks away before the filter, which looks its values up by name, is asked at all.
platform::PredicatePtr conditionFirstPredicate(const platform::PredicatePtr& filterPredicate,
                                               const platform::PredicatePtr& predicate) {
    return TDMutableCompoundPredicate::andPredicateWithSubpredicates({predicate, filterPredicate});
}

// "SELF IN source AND NONE ancestorTasks IN source" over the live members of a source section: what the
// source shows changes with every edit, so no constant taken when the section is built could stand in.
class SourceMembershipPredicate final : public platform::Predicate, public TDWholeListFilter {
public:
    explicit SourceMembershipPredicate(TDOrderedCollection* source) : m_source(source) {}

    bool evaluate(const QVariant& object, const QVariantMap& variables) const override {
        if (!m_source) return false;
        platform::KeyValueCoding* value = platform::objectFromVariant(object);
        TDTask* task = value && typeid(*value) == typeid(TDTask) ? static_cast<TDTask*>(value) : nullptr;
        platform::ManagedObject* member = task ? task : platform::managedObjectFromVariant(object);
        // The object's own variant serves its own question: most tasks are turned away there.
        if (!p_shows(object, member, variables)) return false;
        if (task)
            for (TDTask* ancestor = task->parentTask(); ancestor; ancestor = ancestor->parentTask())
                if (p_shows(platform::objectVariant(ancestor), ancestor, variables)) return false;
        return true;
    }
    using Predicate::evaluate;
    // The source's filter over the whole list first: it turns most objects away.
    std::optional<QList<platform::ManagedObject*>> filteredObjects(
        const QList<platform::ManagedObject*>& objects) const override {
        if (!m_source) return QList<platform::ManagedObject*>();
        const platform::PredicatePtr& filter = m_source->filterPredicate();
        QList<platform::ManagedObject*> passing = filter ? TDFilterObjects(*filter, objects) : objects;
        const platform::ObjectSet& members = p_members();
        passing.removeIf([this, &members](platform::ManagedObject* object) {
            if (!object || !members.contains(object)) return true;
            const TDTask* task = typeid(*object) == typeid(TDTask) ? static_cast<TDTask*>(object) : nullptr;
            if (task)
                for (TDTask* ancestor = task->parentTask(); ancestor; ancestor = ancestor->parentTask())
                    if (p_shows(platform::objectVariant(ancestor), ancestor, {})) return true;
            return false;
        });
        return passing;
    }
    QString format() const override {
        return QStringLiteral("SELF IN $SOURCE AND NONE ancestorTasks IN $SOURCE");
    }
    bool isEqual(const Predicate& other) const override {
        const auto* o = dynamic_cast<const SourceMembershipPredicate*>(&other);
        return o && o->m_source == m_source;
    }
    platform::PredicatePtr substitutingVariables(const QVariantMap&, QString*) const override {
        return shared_from_this();
    }

private:
    // The source's own test (a member of its relationship that passes its filter), so the answer does
    // not wait for the source to refilter. Sections of this kind have no limit. The filter comes first:
    // it turns most tasks away on their own values, before the relationship is searched.
    bool p_shows(const QVariant& variant, platform::ManagedObject* object,
                 const QVariantMap& variables) const {
        if (!object) return false;
        const platform::PredicatePtr& filter = m_source->filterPredicate();
        if (filter && !filter->evaluate(variant, variables)) return false;
        return p_members().contains(object);
    }

    const platform::ObjectSet& p_members() const {
        const platform::ManagedObject* owner = m_source->object();
        if (!m_relationship || m_relationshipEntity != owner->entity()) {
            m_relationshipEntity = owner->entity();
            m_relationship = m_relationshipEntity->relationship(m_source->keyPath());
        }
        return owner->objects(m_relationship);
    }

    QPointer<TDOrderedCollection> m_source;
    // The source's relationship, looked up by name once rather than for every task asked about.
    mutable const platform::EntityDescription* m_relationshipEntity = nullptr;
    mutable const platform::RelationshipDescription* m_relationship = nullptr;
};

// "dueOrStartDate" read from the stored dates rather than looked up by name: sorting a Today section
// reads it of every member. A value other than a date or nil is left to the task's own answer.
class DueOrStartDateReader {
public:
    explicit DueOrStartDateReader(const platform::EntityDescription* task)
        : m_entity(task),
          m_dueDate(task ? task->attribute(QStringLiteral("dueDate")) : nullptr),
          m_startDate(task ? task->attribute(QStringLiteral("startDate")) : nullptr) {}

    bool isUsable() const { return m_dueDate && m_startDate; }

    platform::SortValue operator()(const QVariant& object, TDEpochMSecsReader* dates = nullptr) const {
        platform::KeyValueCoding* value = platform::objectFromVariant(object);
        const TDTask* task = TDTask::from(value);
        if (task && task->entity() == m_entity) {
            const QVariant& due = task->primitiveValue(m_dueDate);
            if (isValidDate(due)) return platform::SortValue(due, dates);
            if (due.isNull()) {
                const QVariant& start = task->primitiveValue(m_startDate);
                if (start.isNull() || isValidDate(start)) return platform::SortValue(start, dates);
            }
        }
        return platform::SortValue(value ? value->value(kDueOrStartDate) : QVariant(), dates);
    }

    // Tasks lie scattered in memory: the dates of each are asked for ahead of the walk.
    void readAhead(const QVariantList& objects, qsizetype i) const {
        platform::ManagedObject::readAhead(
            i, objects.size(), [&objects](qsizetype j) { return platform::objectFromVariant(objects.at(j)); },
            [this](const platform::KeyValueCoding* object) {
                const TDTask* task = TDTask::from(object);
                if (task && task->entity() == m_entity) task->prefetchSlots(m_dueDate, m_startDate, nullptr);
            });
    }

    static const QString kDueOrStartDate;

private:
    static bool isValidDate(const QVariant& value) {
        return value.metaType().id() == QMetaType::QDateTime &&
               static_cast<const QDateTime*>(value.constData())->isValid();
    }

    const platform::EntityDescription* m_entity;
    const platform::AttributeDescription* m_dueDate;
    const platform::AttributeDescription* m_startDate;
};

const QString DueOrStartDateReader::kDueOrStartDate = QStringLiteral("dueOrStartDate");

platform::SortDescriptor dueOrStartDateDescriptor(const platform::EntityDescription* task) {
    const DueOrStartDateReader read(task);
    if (!read.isUsable()) return platform::SortDescriptor(DueOrStartDateReader::kDueOrStartDate, true);
    return platform::SortDescriptor(
        DueOrStartDateReader::kDueOrStartDate, true,
        [read](const QVariant& left, const QVariant& right) {
            return platform::compareForSorting(read(left), read(right));
        },
        [read](const QVariantList& objects) {
            std::vector<platform::SortValue> values;
            values.reserve(size_t(objects.size()));
            TDEpochMSecsReader dates;
            for (qsizetype i = 0; i < objects.size(); ++i) {
                read.readAhead(objects, i);
                values.push_back(read(objects.at(i), &dates));
            }
            return platform::sortKeysForValues(std::move(values), true,
                                               platform::SortDescriptor::Comparison::Default);
        });
}

class SectionBuilder {
public:
    SectionBuilder(TDGroup* group, const platform::PredicatePtr& filterPredicate,
                   const TDSectionSettings& settings)
        : m_group(group), m_filterPredicate(filterPredicate), m_settings(settings) {}

    TDSectionList build(const QString& attribute, bool reverse, quint64 groupingLimit);

private:
    QDateTime day(qint64 offset) const { return dates::dateByAddingDays(m_settings.today, offset); }
    // The tasks' entity, for the predicates that read their values by property; null without a context.
    const platform::EntityDescription* p_taskEntity() const;
    std::unique_ptr<TDOrderedCollection> p_section(const platform::PredicatePtr& predicate,
                                                   const QString& title) const;
    std::unique_ptr<TDOrderedCollection> p_conditionFirstSection(const platform::PredicatePtr& predicate,
                                                                 const QString& title) const;
    std::unique_ptr<TDOrderedCollection> p_todaySection(const platform::PredicatePtr& predicate,
                                                        const QString& title) const;
    std::unique_ptr<TDOrderedCollection> p_sectionShowingSource(
        std::unique_ptr<TDOrderedCollection> source) const;
    std::unique_ptr<TDOrderedCollection> p_completedSection(const platform::PredicatePtr& condition,
                                                            const QDateTime& from, const QDateTime& to,
                                                            const QString& title) const;

    void p_addSubgroupSections(TDSectionList& sections, quint64 groupingLimit) const;
    void p_addTodaySections(TDSectionList& sections) const;
    void p_addPrioritySections(TDSectionList& sections, bool reverse) const;
    void p_addListSections(TDSectionList& sections) const;
    void p_addDateSections(TDSectionList& sections, const QString& key, bool reverse) const;
    void p_addTimeSections(TDSectionList& sections, const QString& key, bool reverse) const;

    TDGroup* m_group;
    const platform::PredicatePtr& m_filterPredicate;
    const TDSectionSettings& m_settings;
};

const platform::EntityDescription* SectionBuilder::p_taskEntity() const {
    const platform::ManagedObjectContext* context = m_group->managedObjectContext();
    return context ? context->model().entity(QStringLiteral("Task")) : nullptr;
}

std::unique_ptr<TDOrderedCollection> SectionBuilder::p_section(const platform::PredicatePtr& predicate,
                                                               const QString& title) const {
    auto section = std::make_unique<TDOrderedCollection>(m_group, kTasks);
    section->setFilterPredicate(sectionPredicate(m_filterPredicate, predicate));
    section->setTitle(title);
    section->userInfo().insert(kIsSortingSection, true);
    // A smart folder only gathers tasks: their order belongs to the lists that hold them.
    if (m_group->isSmartFolder()) section->setModifiesDisplayOrder(false);
    return section;
}

std::unique_ptr<TDOrderedCollection> SectionBuilder::p_conditionFirstSection(
    const platform::PredicatePtr& predicate, const QString& title) const {
    auto section = p_section(predicate, title);
    section->setFilterPredicate(conditionFirstPredicate(m_filterPredicate, predicate));
    return section;
}

std::unique_ptr<TDOrderedCollection> SectionBuilder::p_todaySection(const platform::PredicatePtr& predicate,
                                                                    const QString& title) const {
    auto section = p_conditionFirstSection(predicate, title);
    section->userInfo().insert(kPredicateForChildren,
                               QVariant::fromValue(sectionPredicate(
                                   m_filterPredicate, parsed(QStringLiteral("completedDate = NIL")))));
    section->setSortDescriptors(
        {TDListSortDescriptor(kList, true), dueOrStartDateDescriptor(p_taskEntity())});
    section->setModifiesDisplayOrder(false);
    return section;
}

// Shows what `source` shows, less the subtasks whose parent it shows too: those appear under their
// parent, not a second time at the top of the section.
std::unique_ptr<TDOrderedCollection> SectionBuilder::p_sectionShowingSource(
    std::unique_ptr<TDOrderedCollection> source) const {
    std::unique_ptr<TDOrderedCollection> shown = source->copy();
    shown->setFilterPredicate(conditionFirstPredicate(
        m_filterPredicate, std::make_shared<SourceMembershipPredicate>(source.get())));
    shown->userInfo().insert(kSource, QVariant::fromValue(source.get()));
    shown->setSortingChangeEnabled(false);
    source.release()->setParent(shown.get());
    return shown;
}

std::unique_ptr<TDOrderedCollection> SectionBuilder::p_completedSection(
    const platform::PredicatePtr& condition, const QDateTime& from, const QDateTime& to,
    const QString& title) const {
    auto section = p_conditionFirstSection(condition, title);
    section->setSortDescriptors({platform::SortDescriptor(QStringLiteral("completedDate"), false)});
    section->setSortingChangeEnabled(false);
    section->userInfo().insert(
        kPredicateForChildren,
        QVariant::fromValue(platform::CompoundPredicate::andPredicate(
            {m_filterPredicate,
             parsed(QStringLiteral("%@ <= completedDate AND completedDate < %@"), {from, to})})));
    return section;
}

void SectionBuilder::p_addSubgroupSections(TDSectionList& sections, quint64 groupingLimit) const {
    for (platform::ManagedObject* object : m_group->orderedSubgroups()->objects()) {
        auto* list = dynamic_cast<TDList*>(object);
        if (!list) continue;
        auto section = std::make_unique<TDOrderedCollection>(list, kTasks);
        section->setFilterPredicate(m_filterPredicate);
        section->setLimit(groupingLimit);
        sections.push_back(std::move(section));
    }
}

void SectionBuilder::p_addTodaySections(TDSectionList& sections) const {
    const QDateTime today = day(0);
    const QDateTime tomorrow = day(1);
    const TDTodayBounds bounds{day(-1), today, tomorrow, day(m_settings.nearFutureNumberOfDays + 1)};
    const auto tasks = std::make_shared<const TDTodaySectionRouting::GroupTasks>(m_group->objects(kTasks));
    // One routing answers all seven: each task's dates are read once for every section.
    const auto conditions = TDTodaySectionPredicate::sections(p_taskEntity(), bounds, tasks);
    auto condition = [&conditions](TDTodaySection section) { return conditions.at(size_t(section)); };

    sections.push_back(p_sectionShowingSource(
        p_todaySection(condition(TDTodaySection::PastDue), TDLocalizedString("Past due"))));
    sections.push_back(p_sectionShowingSource(
        p_todaySection(condition(TDTodaySection::DueToday), TDLocalizedString("Due today"))));
    sections.push_back(p_sectionShowingSource(
        p_todaySection(condition(TDTodaySection::DueSoon),
                       TDLocalizedString("Due in the next %1 days").arg(m_settings.nearFutureNumberOfDays))));

    // The start sections leave out what a due section shows.
    const auto startSection = [&](const platform::PredicatePtr& predicate, const QString& title) {
        auto section = p_todaySection(predicate, title);
        section->setSortDescriptors({TDListSortDescriptor(kList, true),
                                     platform::SortDescriptor(QStringLiteral("displayOrder"), true)});
        section->setSortingChangeEnabled(false);
        sections.push_back(std::move(section));
    };
    startSection(condition(TDTodaySection::StartToday), TDLocalizedString("Start today"));
    startSection(condition(TDTodaySection::StillWorkingOn), TDLocalizedString("Still working on"));

    sections.push_back(p_completedSection(condition(TDTodaySection::CompletedToday), today, tomorrow,
                                          TDLocalizedString("Completed today")));
    sections.push_back(p_completedSection(condition(TDTodaySection::CompletedYesterday), day(-1), today,
                                          TDLocalizedString("Completed yesterday")));
}

void SectionBuilder::p_addPrioritySections(TDSectionList& sections, bool reverse) const {
    const auto add = [&](qint64 priority) {
        sections.push_back(p_section(parsed(QStringLiteral("priority=%ld"), {priority}),
                                     TDTask::displayStringForPriority(priority)));
    };
    for (qint64 p = 1; p <= 9; ++p) add(reverse ? 10 - p : p);
    add(0);
}

void SectionBuilder::p_addListSections(TDSectionList& sections) const {
    const QVariantList tasks = tasksArgument(m_group);
    TDLibrary* library = m_group->library();
    if (!library) return;
    for (TDGroup* list : library->allLists()) {
        auto section = p_section(parsed(QStringLiteral("list == %@ AND NONE ancestorTasks IN %@"),
                                        {platform::objectVariant(list), tasks}),
                                 list->localizedTitle());
        section->userInfo().insert(kList, platform::objectVariant(list));
        sections.push_back(std::move(section));
    }
}

// The attribute's display name for titles: "Estimated time" for "Estimated Time".
QString sentenceName(const QString& key) {
    const QString name = TDTask::displayStringForAttributeName(key);
    return name.left(1) + name.mid(1).toLower();
}

void SectionBuilder::p_addDateSections(TDSectionList& sections, const QString& key, bool reverse) const {
    struct Range {
        const char* title;
        int from, to;  // days from today; no bound where equal to kOpen
    };
    constexpr int kOpen = std::numeric_limits<int>::min();
    static const Range ranges[] = {
        {QT_TRANSLATE_NOOP("Localizable", "%1 sometime in the future"), 366, kOpen},
        {QT_TRANSLATE_NOOP("Localizable", "%1 within the next one year"), 91, 366},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the next 90 days"), 31, 91},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the next 30 days"), 15, 31},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the next 14 days"), 8, 15},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the next 7 days"), 2, 8},
        {QT_TRANSLATE_NOOP("Localizable", "%1 tomorrow"), 1, 2},
        {QT_TRANSLATE_NOOP("Localizable", "%1 today"), 0, 1},
        {QT_TRANSLATE_NOOP("Localizable", "%1 yesterday"), -1, 0},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the last 7 days"), -7, -1},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the last 14 days"), -14, -7},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the last 30 days"), -30, -14},
        {QT_TRANSLATE_NOOP("Localizable", "%1 in the last 90 days"), -90, -30},
        {QT_TRANSLATE_NOOP("Localizable", "%1 within the last one year"), -365, -90},
        {QT_TRANSLATE_NOOP("Localizable", "%1 sometime in the past"), kOpen, -365},
    };
    const QString name = sentenceName(key);
    TDSectionList dated;
    for (const Range& range : ranges) {
        platform::PredicatePtr predicate;
        if (range.to == kOpen)
            predicate = parsed(QStringLiteral("%@ <= %K"), {day(range.from), key});
        else if (range.from == kOpen)
            predicate = parsed(QStringLiteral("%K < %@"), {key, day(range.to)});
        else
            predicate =
                parsed(QStringLiteral("%@ <= %K AND %K < %@"), {day(range.from), key, key, day(range.to)});
        dated.push_back(p_section(predicate, TDLocalizedString(range.title).arg(name)));
    }
    // Dates one plans by read from the past on; the others (completed, added, modified) newest first.
    const bool pastFirst = key == QLatin1String("startDate") || key == QLatin1String("dueDate") ||
                           key == QLatin1String("nextActionDate");
    if (pastFirst != reverse) std::reverse(dated.begin(), dated.end());

    auto noDate = p_section(parsed(QStringLiteral("%K = NIL"), {key}),
                            TDLocalizedString("No %1 date").arg(name.toLower()));
    const bool completed = key == QLatin1String("completedDate");
    if (completed) sections.push_back(std::move(noDate));
    for (auto& section : dated) sections.push_back(std::move(section));
    if (!completed) sections.push_back(std::move(noDate));

    // A completed subtask whose parent the group holds is shown under its parent only.
    if (completed && (m_group->isSmartFolder() || m_group->isTag())) {
        const platform::PredicatePtr topLevel =
            parsed(QStringLiteral("parentTask = NIL OR NOT parentTask IN %@"),
                   QVariantList{QVariant(tasksArgument(m_group))});
        for (auto& section : sections)
            section->setFilterPredicate(
                platform::CompoundPredicate::andPredicate({section->filterPredicate(), topLevel}));
    }
}

void SectionBuilder::p_addTimeSections(TDSectionList& sections, const QString& key, bool reverse) const {
    const QString name = sentenceName(key);
    const auto add = [&](TDSectionList& into, const QString& format, const QVariantList& arguments,
                         const char* title) {
        into.push_back(p_section(parsed(format, arguments), TDLocalizedString(title).arg(name)));
    };
    const QString between = QStringLiteral("%@ < %K AND %K <= %@");
    const double day = m_settings.secondsPerDay;
    const double week = m_settings.secondsPerWeek;
    TDSectionList timed;
    add(timed, QStringLiteral("0 < %K AND %K <= %@"), {key, key, 600},
        QT_TRANSLATE_NOOP("Localizable", "%1 is 10 minutes or less"));
    add(timed, between, {600, key, key, 1800}, QT_TRANSLATE_NOOP("Localizable", "%1 is 30 minutes or less"));
    add(timed, between, {1800, key, key, 3600}, QT_TRANSLATE_NOOP("Localizable", "%1 is 1 hour or less"));
    add(timed, between, {3600, key, key, 14400}, QT_TRANSLATE_NOOP("Localizable", "%1 is 4 hours or less"));
    add(timed, between, {14400, key, key, day}, QT_TRANSLATE_NOOP("Localizable", "%1 is a day or less"));
    add(timed, between, {day, key, key, week}, QT_TRANSLATE_NOOP("Localizable", "%1 is a week or less"));
    add(timed, QStringLiteral("%@ < %K"), {week, key},
        QT_TRANSLATE_NOOP("Localizable", "%1 more than a week"));
    // Time spent reads largest first, estimates smallest first.
    if ((key == QLatin1String("actualTime")) != reverse) std::reverse(timed.begin(), timed.end());
    for (auto& section : timed) sections.push_back(std::move(section));
    sections.push_back(p_section(parsed(QStringLiteral("%K == 0 OR %K == NIL"), {key, key}),
                                 TDLocalizedString("No %1").arg(name.toLower())));
}

TDSectionList SectionBuilder::build(const QString& attribute, bool reverse, quint64 groupingLimit) {
    TDSectionList sections;
    if (attribute == QLatin1String("subgroup"))
        p_addSubgroupSections(sections, groupingLimit);
    else if (attribute == QLatin1String("dueOrStartDate"))
        p_addTodaySections(sections);
    else if (attribute == QLatin1String("priority"))
        p_addPrioritySections(sections, reverse);
    else if (attribute == QLatin1String("list"))
        p_addListSections(sections);
    else if (TDTask::isDateAttribute(attribute))
        p_addDateSections(sections, attribute, reverse);
    else if (TDTask::isTimeAttribute(attribute))
        p_addTimeSections(sections, attribute, reverse);
    return sections;
}

double storedOr(const QString& key, double fallback) {
    const QVariant value = platform::UserDefaults::standard().value(key);
    return value.isValid() && !value.isNull() ? value.toDouble() : fallback;
}

}  // namespace

TDSectionSettings TDSectionSettings::current() {
    TDSectionSettings settings;
    settings.today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    settings.nearFutureNumberOfDays =
        platform::UserDefaults::standard().integer(QStringLiteral("nearFutureNumberOfDays"));
    settings.secondsPerDay = storedOr(QStringLiteral("secondsPerDay"), 28800);
    settings.secondsPerWeek = storedOr(QStringLiteral("secondsPerWeek"), 144000);
    return settings;
}

TDSectionList TDMakeSections(TDGroup* group, const QString& attribute, bool reverse,
                             const platform::PredicatePtr& filterPredicate, quint64 groupingLimit,
                             const TDSectionSettings& settings) {
    if (!group || attribute.isNull()) return {};
    return SectionBuilder(group, filterPredicate, settings).build(attribute, reverse, groupingLimit);
}

QList<platform::SortDescriptor> TDSortDescriptorsForAttribute(const QString& attribute, bool reverse) {
    if (attribute.isNull() || attribute == QLatin1String("dueOrStartDate") || attribute == kList) return {};
    if (attribute == QLatin1String("priority"))
        return {TDListSortDescriptor(kList, true),
                TDTaskSortDescriptor::sortDescriptorWithKey(attribute, !reverse)};
    return {TDTaskSortDescriptor::sortDescriptorWithKey(attribute, !reverse),
            TDListSortDescriptor(kList, true)};
}

platform::PredicatePtr TDSectionPredicateForChildren(TDOrderedCollection* section) {
    return section ? section->userInfo().value(kPredicateForChildren).value<platform::PredicatePtr>()
                   : platform::PredicatePtr();
}

bool TDSectionIsSortingSection(TDOrderedCollection* section) {
    return section && section->userInfo().value(kIsSortingSection).toBool();
}

TDList* TDSectionListOf(TDOrderedCollection* section) {
    return section ? dynamic_cast<TDList*>(platform::objectFromVariant(section->userInfo().value(kList)))
                   : nullptr;
}

TDOrderedCollection* TDSectionSource(TDOrderedCollection* section) {
    return section ? section->userInfo().value(kSource).value<TDOrderedCollection*>() : nullptr;
}

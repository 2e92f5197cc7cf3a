#include "model/task.h"

#include "foundation/shared_predicates.h"
#include "foundation/utilities.h"
#include "language/date_additions.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "language/title_parser.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/object_casts.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"

namespace {

const QString kStatus = QStringLiteral("status");
const QString kSubtasks = QStringLiteral("subtasks");
const QString kParentTask = QStringLiteral("parentTask");
const QString kParentList = QStringLiteral("parentList");
const QString kTopList = QStringLiteral("topList");

QVariant nullable(const QString& text) {
    return text.isNull() ? QVariant() : QVariant(text);
}
QVariant nullable(const QDateTime& date) {
    return date.isValid() ? QVariant(date) : QVariant();
}

QList<platform::ManagedObject*> objectsOf(const QList<TDTask*>& tasks) {
    return QList<platform::ManagedObject*>(tasks.begin(), tasks.end());
}

}  // namespace

QDateTime TDCurrentWholeSecond() {
    return QDateTime::fromSecsSinceEpoch(TDClock::currentDateTime().toSecsSinceEpoch());
}

TDTask::TDTask(const platform::EntityDescription* entity, platform::ManagedObjectContext* context)
    : TDLibraryObject(entity, context) {
}

TDTask::~TDTask() = default;

const QSet<QString>* TDTask::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        baseKeysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("calendarStoreUID"),
                                                           QStringLiteral("displayOrder"),
                                                           QStringLiteral("archived"),
                                                           QStringLiteral("smartFolders"),
                                                           QStringLiteral("topList"),
                                                           QStringLiteral("earliestStartDate"),
                                                           QStringLiteral("earliestDueDate"),
                                                           QStringLiteral("totalEstimatedTime"),
                                                           QStringLiteral("totalEstimatedTimeComprehensive"),
                                                           QStringLiteral("actionCount"),
                                                           QStringLiteral("taskCount"),
                                                           QStringLiteral("actualTime"),
                                                           QStringLiteral("timing"),
                                                           QStringLiteral("modifiedTasksInverse"),
                                                           QStringLiteral("attributedNotesSummary"),
                                                           QStringLiteral("attributedNotes"),
                                                           QStringLiteral("localInfoDictionary")};
    return &keys;
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void TDTask::awakeFromInsert() {
    TDLibraryObject::awakeFromInsert();
    calculatedAggregates().storePrimitive(this);
}

// Subtasks wake before their parents, so their aggregates are ready to be summed. A task merged in
// from another context joins parents that are awake already: they hear of it like any change.
void TDTask::awakeFromFetch() {
    TDLibraryObject::awakeFromFetch();
    const TDManagedObjectContext* context = libraryContext();
    if (!context || !context->setupTransientProperties()) return;
    if (context->isMergingChanges()) {
        // It joined its parents and groups without their hearing of it.
        TDGroup::dropTallies(libraryContext());
        p_refreshAggregates();
    } else
        calculatedAggregates().storePrimitive(this);
}

void TDTask::willDelete() {
    TDLibraryObject::willDelete();
    deleteCalTask();
    if (!isDeleted()) platform::NotificationCenter::defaultCenter().post(TDTaskWillDeleteNotification, this);
    m_orderedTasks.reset();
}

Status TDTask::validateValue(const QString& key, QVariant& value) const {
    if (key == QLatin1String("title") && value.toString().isNull()) value = QString(QLatin1String(""));
    if (key == kParentTask && platform::managedObjectFromVariant(value) == this)
        return TDError::make(TDErrorTaskOwnParent, QStringLiteral("A task cannot be its own parent."),
                             QString());
    return {};
}

QVariant TDTask::computedValue(const QString& key) const {
    if (key == QLatin1String("completed")) return isCompleted();
    if (key == QLatin1String("incomplete") || key == QLatin1String("isIncomplete")) return isIncomplete();
    if (key == QLatin1String("canceled")) return isCanceled();
    if (key == QLatin1String("recurring")) return isRecurring();
    if (key == QLatin1String("canceledDate")) return nullable(canceledDate());
    if (key == QLatin1String("level")) return level();
    if (key == QLatin1String("parentObject")) return platform::objectVariant(parentObject());
    if (key == QLatin1String("ancestorTasks")) {
        QVariantList ancestors;
        for (TDTask* ancestor : ancestorTasks()) ancestors.append(platform::objectVariant(ancestor));
        return ancestors;
    }
    if (key == QLatin1String("list")) return platform::objectVariant(const_cast<TDTask*>(this)->list());
    if (key == QLatin1String("dueOrStartDate")) return nullable(dueOrStartDate());
    if (key == QLatin1String("nextActionDate")) return nullable(nextActionDate());
    if (key == QLatin1String("isPastDue")) return isPastDue();
    if (key == QLatin1String("isDueSoon")) return isDueSoon();
    if (key == QLatin1String("dueState")) return int(dueState());
    if (key == QLatin1String("estimatedTimeNumber")) return estimatedTime();
    if (key == QLatin1String("totalEstimatedTimeDisplayNumber")) return totalEstimatedTimeDisplayNumber();
    if (key == QLatin1String("totalEstimatedTimeDisplayString")) return totalEstimatedTimeDisplayString();
    if (key == QLatin1String("syncIdentifier")) return syncIdentifier();
    if (key == QLatin1String("timing")) return isTiming();
    if (key == QLatin1String("checkboxState")) return checkboxState();
    if (key == QLatin1String("contextTag")) return platform::objectVariant(contextTag());
    if (key == QLatin1String("URLString")) return URLString();
    if (key == QLatin1String("hasNotes")) return hasNotes();
    return TDLibraryObject::computedValue(key);
}

// ---------------------------------------------------------------------------------------------------
// Setters

void TDTask::setValue(const QString& key, const QVariant& value) {
    if (key == kStatus) return setStatus(value.toString());
    if (key == QLatin1String("title")) return setTitle(value.toString());
    if (key == QLatin1String("archived")) return setArchived(value.toBool());
    if (key == QLatin1String("priority")) return setPriority(value.toLongLong());
    if (key == QLatin1String("estimatedTime")) return setEstimatedTime(value.toDouble());
    if (key == QLatin1String("actualTime")) return setActualTime(value.toDouble());
    if (key == QLatin1String("timing")) return setTiming(value.toBool());
    if (key == QLatin1String("contextTag"))
        return setContextTag(dynamic_cast<TDTag*>(platform::managedObjectFromVariant(value)));
    if (key == QLatin1String("startDate")) return setStartDate(value.toDateTime());
    if (key == QLatin1String("dueDate")) return setDueDate(value.toDateTime());
    if (key == QLatin1String("modifiedDate")) return setModifiedDate(value.toDateTime());
    if (key == QLatin1String("localInfoDictionary")) return setLocalInfoDictionary(value.toMap());
    if (key == kParentTask) {
        setParentTask(TDTask::from(platform::managedObjectFromVariant(value)));
        return;
    }
    if (key == kParentList) {
        TDList* list = dynamic_cast<TDList*>(platform::managedObjectFromVariant(value));
        if (list)
            list->addTasks({this});
        else if (TDList* old = parentList())
            old->removeTasks({this});
        return;
    }
    if (key == kTopList) return setTopList(dynamic_cast<TDList*>(platform::managedObjectFromVariant(value)));
    if (key == kSubtasks) {
        const auto wanted = TDObjectsOfClass<TDTask>(platform::managedObjectsFromVariantList(value));
        removeSubtasks(TDMembersNotWanted(subtasks(), wanted));
        addSubtasks(wanted);
        return;
    }
    TDLibraryObject::setValue(key, value);
}

void TDTask::addObjects(const QString& key, const QList<platform::ManagedObject*>& objects) {
    if (key == kSubtasks) return addSubtasks(TDObjectsOfClass<TDTask>(objects));
    if (key == QLatin1String("tags")) return addTags(TDObjectsOfClass<TDTag>(objects));
    TDLibraryObject::addObjects(key, objects);
}

void TDTask::removeObjects(const QString& key, const QList<platform::ManagedObject*>& objects) {
    if (key == kSubtasks) return removeSubtasks(TDObjectsOfClass<TDTask>(objects));
    if (key == QLatin1String("tags")) return removeTags(TDObjectsOfClass<TDTag>(objects));
    TDLibraryObject::removeObjects(key, objects);
}

void TDTask::setTitle(const QString& title, bool triggerChanges) {
    const QString stored = title.isNull() ? QString(QLatin1String("")) : title;
    if (stored == this->title()) return;
    TDLibraryObject::setValue(QStringLiteral("title"), stored);
    if (!triggerChanges) return;
    // A sync restores titles whose tags must follow; a plain restore brings the tags along itself.
    const TDManagedObjectContext* context = libraryContext();
    if (context && context->isRestoringLibrary() && !context->isSyncingLibrary()) return;
    setTagsFromTokens(TDTitleParser::parsedTokensFromEditingString(stored).value_or(QList<TDToken>()));
}

void TDTask::setPriority(qint64 priority) {
    if (priority >= 10) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Setting priority 9 because told to set a priority higher than 10");
        priority = 9;
    } else if (priority < 0) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Setting priority 0 because told to set a priority less than 0");
        priority = 0;
    }
    TDLibraryObject::setValue(QStringLiteral("priority"), priority);
}

void TDTask::setModifiedDate(const QDateTime& date) {
    TDLibraryObject::setValue(QStringLiteral("modifiedDate"), nullable(date));
    if (isDeleted()) return;
    if (TDLibrary* library = this->library()) library->addModifiedTasksObject(this);
}

void TDTask::setArchived(bool archived) {
    if (archived == isArchived()) return;
    TDLibraryObject::setValue(QStringLiteral("archived"), archived);
    const TDManagedObjectContext* context = libraryContext();
    if ((context && context->isRestoringLibrary()) || isDeleted()) return;
    if (TDLibrary* library = this->library()) library->addModifiedTasksObject(this);
}

void TDTask::setLocalInfoDictionary(const QVariantMap& dictionary) {
    TDLibraryObject::setValue(QStringLiteral("localInfoDictionary"),
                              dictionary.isEmpty() ? QVariant() : QVariant(dictionary));
}

void TDTask::setEstimatedTime(double seconds) {
    TDLibraryObject::setValue(QStringLiteral("estimatedTime"), seconds);
}

void TDTask::setStartDate(const QDateTime& date) {
    TDLibraryObject::setValue(QStringLiteral("startDate"), nullable(date));
}

void TDTask::setDueDate(const QDateTime& date) {
    TDLibraryObject::setValue(QStringLiteral("dueDate"), nullable(date));
}

QString TDTask::syncIdentifier() const {
    const QString calendarUID = primitiveValue(QStringLiteral("calendarStoreUID")).toString();
    return calendarUID.isEmpty() ? uid() : calendarUID;
}

int TDTask::level() const {
    int level = 0;
    for (const TDTask* parent = parentTask(); parent; parent = parent->parentTask()) ++level;
    return level;
}

// ---------------------------------------------------------------------------------------------------
// Status

void TDTask::setCompleted(bool completed) {
    setStatus(completed ? QStringLiteral("C") : QString());
}

void TDTask::setCanceled(bool canceled) {
    setStatus(canceled ? QStringLiteral("X") : QString());
}

void TDTask::toggleCompletion() {
    setCompleted(!isCompleted());
    // The user's own action: status changes made by the program (copies, sync, imports) stay silent.
    if (isCompleted()) playTaskCompletedSoundForTasks({this});
}

void TDTask::setStatus(const QString& status) {
    const QString wanted = status.isEmpty() ? QString() : status;
    const TDManagedObjectContext* context = libraryContext();
    if (context && (context->isRestoringLibrary() || context->isSyncingLibrary())) {
        // Only the stored field; a leaf's aggregates still follow it.
        TDLibraryObject::setValue(kStatus, nullable(wanted));
        return;
    }
    if (objectsEqual(primitiveValue(kStatus), nullable(wanted))) return;
    if (!wanted.isNull() && isRecurring()) makeNextRecurringCopiesIfNecessary();
    const QDateTime date = wanted.isNull() ? QDateTime() : TDCurrentWholeSecond();
    p_setCompleted(!wanted.isNull(), date, wanted);
    if (TDTask* parent = parentTask()) parent->p_updateAfterChangingSubtasksWithModifiedDate(date);
}

void TDTask::p_setCompleted(bool closed, const QDateTime& date, const QString& status) {
    if (!closed && isArchived()) setArchived(false);
    TDLibraryObject::setValue(QStringLiteral("completedDate"), nullable(date));
    TDLibraryObject::setValue(kStatus, nullable(status));
    const TDManagedObjectContext* context = libraryContext();
    if (context && context->isRestoringLibrary()) return;
    if (context && context->isSyncingLibrary()) return;
    for (TDTask* subtask : subtasks())
        if (subtask->isCompleted() != closed && !subtask->isCanceled())
            subtask->p_setCompleted(closed, date, status);
}

void TDTask::p_updateAfterChangingSubtasksWithModifiedDate(const QDateTime& date) {
    const TDManagedObjectContext* context = libraryContext();
    if (context && (context->isRestoringLibrary() || context->isSyncingLibrary())) return;
    bool anyOpen = false;
    bool anyCompleted = false;
    for (const TDTask* subtask : subtasks()) {
        if (subtask->isCompleted())
            anyCompleted = true;
        else if (!subtask->isCanceled())
            anyOpen = true;
    }
    const bool complete = !anyOpen && anyCompleted;
    if (anyOpen && isArchived()) setArchived(false);
    if (!anyOpen && !anyCompleted) return;
    if (platform::UserDefaults::standard().boolean(QStringLiteral("autoCompleteParentTask"))) {
        const QDateTime wantedDate = complete ? date : QDateTime();
        const QString wantedStatus = complete ? QStringLiteral("C") : QString();
        bool changed = false;
        if (completedDate() != wantedDate) {
            TDLibraryObject::setValue(QStringLiteral("completedDate"), nullable(wantedDate));
            changed = true;
        }
        if (!objectsEqual(primitiveValue(kStatus), nullable(wantedStatus))) {
            TDLibraryObject::setValue(kStatus, nullable(wantedStatus));
            changed = true;
        }
        if (!changed) return;
    } else {
        if (complete || !isCompleted()) return;
        TDLibraryObject::setValue(QStringLiteral("completedDate"), QVariant());
        TDLibraryObject::setValue(kStatus, QVariant());
    }
    if (complete && isRecurring()) makeNextRecurringCopiesIfNecessary();
    if (TDTask* parent = parentTask()) parent->p_updateAfterChangingSubtasksWithModifiedDate(date);
}

// ---------------------------------------------------------------------------------------------------
// Aggregates

TDAggregates TDTask::calculatedAggregates() const {
    TDAggregates a;
    const platform::ObjectSet& children = objects(properties().subtasks);
    for (platform::ManagedObject* child : children) a.taskCount += TDAggregates::of(child).taskCount;
    a.taskCount += 1;
    if (!isIncomplete()) return a;
    if (children.isEmpty()) {
        a.actionCount = 1;
        a.totalEstimatedTime = estimatedTime();
        a.totalEstimatedTimeComprehensive = estimatedTime() != 0;
        a.earliestStartDate = startDate();
        a.earliestDueDate = dueDate();
        return a;
    }
    const qint64 taskCount = a.taskCount;
    a.taskCount = 0;
    a.earliestStartDate = startDate();
    a.earliestDueDate = dueDate();
    a.include(TDAggregates::sumOf(children));
    a.taskCount = taskCount;
    return a;
}

TDAggregates TDTask::recalculatedTreeAggregates(const TDTask* task) {
    TDAggregates a;
    const QList<TDTask*> children = task->subtasks();
    QList<TDAggregates> childAggregates;
    for (const TDTask* child : children) childAggregates.append(recalculatedTreeAggregates(child));
    a.taskCount = 1;
    for (const TDAggregates& c : childAggregates) a.taskCount += c.taskCount;
    if (!task->isIncomplete()) return a;
    if (children.isEmpty()) {
        a.actionCount = 1;
        a.totalEstimatedTime = task->estimatedTime();
        a.totalEstimatedTimeComprehensive = task->estimatedTime() != 0;
        a.earliestStartDate = task->startDate();
        a.earliestDueDate = task->dueDate();
        return a;
    }
    const qint64 taskCount = a.taskCount;
    a.taskCount = 0;
    a.earliestStartDate = task->startDate();
    a.earliestDueDate = task->dueDate();
    for (const TDAggregates& c : childAggregates) a.include(c);
    a.taskCount = taskCount;
    return a;
}

bool TDTask::p_maintainsAggregates() const {
    const TDManagedObjectContext* context = libraryContext();
    return context && context->setupTransientProperties() && !context->isRestoringLibrary();
}

void TDTask::p_setAggregates(const TDAggregates& aggregates) {
    const TDAggregates old = this->aggregates();
    if (old == aggregates) return;
    aggregates.store(this);
    if (TDTask* parent = parentTask()) parent->subtaskAggregatesDidChange(old, aggregates);
    if (TDList* list = parentList()) list->memberAggregatesDidChange(this, old, aggregates);
    for (TDGroup* group : tags()) group->memberAggregatesDidChange(this, old, aggregates);
    for (TDGroup* group : smartFolders()) group->memberAggregatesDidChange(this, old, aggregates);
}

void TDTask::subtaskAggregatesDidChange(const TDAggregates& old, const TDAggregates& now) {
    TDAggregates a = aggregates();
    if (!isIncomplete()) {
        a.taskCount += now.taskCount - old.taskCount;
        p_setAggregates(a);
        return;
    }
    p_setAggregates(a.following(old, now, [this] { return calculatedAggregates(); }));
}

// Tags and smart folders count the distinct tasks of their trees, which a closed ancestor's own
// figures do not show. Those keeping a tally recount the trees touched; the others (a tally dropped
// on the way) recount everything on the next pass.
void TDTask::p_treeDidChange(const QList<platform::ManagedObject*>& moved) {
    TDManagedObjectContext* context = libraryContext();
    if (!context) return;
    if (!context->talliedGroups().isEmpty()) {
        const QSet<TDGroup*> tallied = context->talliedGroups();
        for (TDGroup* group : tallied) group->taskTreeDidChange(this, moved);
    }
    for (TDTask* task = this; task; task = task->parentTask()) {
        for (TDGroup* group : task->tags())
            if (!group->keepsTally()) context->scheduleRecalculationOfTransientProperties(group);
        for (TDGroup* group : task->smartFolders())
            if (!group->keepsTally()) context->scheduleRecalculationOfTransientProperties(group);
    }
}

void TDTask::didChangeValue(const QString& key) {
    TDLibraryObject::didChangeValue(key);
    if (key == kSubtasks && m_orderedTasks)
        m_orderedTasks->relationshipDidChange({this, key, platform::KeyChange::Setting, {}, {}, {}, {}});
    if (TDOrderedCollection* siblings = parentTask()   ? parentTask()->m_orderedTasks.get()
                                        : parentList() ? parentList()->existingOrderedTasks()
                                                       : nullptr)
        siblings->membersDidChange({this});
    if (!p_maintainsAggregates()) {
        // Tallies would miss the change.
        if (key == kStatus || key == kSubtasks) TDGroup::dropTallies(libraryContext());
        return;
    }
    if (key == kStatus || key == QLatin1String("estimatedTime") || key == QLatin1String("startDate") ||
        key == QLatin1String("dueDate") || key == kSubtasks) {
        p_refreshAggregates();
        // A whole new set of subtasks cannot be told apart from the old one.
        if (key == kSubtasks) TDGroup::dropTallies(libraryContext());
        if (key == kStatus || key == kSubtasks) p_treeDidChange({});
    }
}

void TDTask::didChangeSet(const QString& key, SetMutation mutation,
                          const QList<platform::ManagedObject*>& objects) {
    TDLibraryObject::didChangeSet(key, mutation, objects);
    if (key != kSubtasks) return;
    if (m_orderedTasks) {
        platform::KeyChange change{this, key, platform::KeyChange::Insertion, {}, {}, {}, {}};
        if (mutation == SetMutation::Union)
            change.newObjects = objects;
        else {
            change.kind = platform::KeyChange::Removal;
            change.oldObjects = objects;
        }
        m_orderedTasks->relationshipDidChange(change);
    }
    if (!p_maintainsAggregates()) {
        TDGroup::dropTallies(libraryContext());
        return;
    }
    const qsizetype now = this->objects(kSubtasks).size();
    if ((mutation == SetMutation::Union && now == objects.size()) ||
        (mutation == SetMutation::Minus && now == 0)) {
        p_refreshAggregates();
    } else {
        const TDAggregates none;
        for (platform::ManagedObject* object : objects) {
            const TDAggregates member = TDAggregates::of(object);
            if (mutation == SetMutation::Union)
                subtaskAggregatesDidChange(none, member);
            else
                subtaskAggregatesDidChange(member, none);
        }
    }
    p_treeDidChange(objects);
}

// ---------------------------------------------------------------------------------------------------
// Estimates and dates

QDateTime TDTask::nextActionDate() const {
    if (isCompleted()) return {};
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    if (startDate().isValid() && startDate() >= today) return startDate();
    if (dueDate().isValid() && dueDate() >= today) return dueDate();
    return {};
}

bool TDTask::isPastStart() const {
    return isIncomplete() && startDate().isValid() && startDate() <= TDClock::currentDateTime();
}

bool TDTask::isPastDue() const {
    return isIncomplete() && dueDate().isValid() && TDClock::currentDateTime() >= dueDate().addSecs(86399);
}

bool TDTask::isDueSoon() const {
    if (!isIncomplete() || startDate().isValid() || !dueDate().isValid()) return false;
    const qint64 days = platform::UserDefaults::standard().integer(QStringLiteral("nearFutureNumberOfDays"));
    return TDClock::currentDateTime().secsTo(dueDate()) <= days * 86400;
}

TDDueState TDTask::dueState() const {
    if (isPastDue()) return TDDueState::PastDue;
    return isDueSoon() ? TDDueState::DueSoon : TDDueState::NotDue;
}

double TDTask::totalEstimatedTimeDisplayNumber() const {
    return !isIncomplete() && !hasSubtasks() ? estimatedTime() : totalEstimatedTime();
}

QString TDTask::totalEstimatedTimeDisplayString() const {
    const QString text = TDNaturalLanguageTimeIntervalValueTransformer::shared()->stringFromSeconds(
        totalEstimatedTimeDisplayNumber());
    if (calculatedTotalEstimatedTimeComprehensiveness() || text.isEmpty()) return text;
    return text + QLatin1Char('+');
}

void TDTask::setTotalEstimatedTimeDisplayString(const QString& text) {
    if (hasSubtasks()) return;
    if (text.trimmed().isEmpty()) {
        setEstimatedTime(0);
        return;
    }
    const std::optional<double> seconds =
        TDNaturalLanguageTimeIntervalValueTransformer::shared()->secondsFromString(text);
    if (seconds) setEstimatedTime(*seconds);
}

// ---------------------------------------------------------------------------------------------------
// The tree

TDList* TDTask::parentList() const {
    return objectAs<TDList>(kParentList);
}

TDLibraryObject* TDTask::parentObject() const {
    if (TDTask* parent = parentTask()) return parent;
    return parentList();
}

QList<TDTask*> TDTask::subtasks() const {
    return TDObjectsOfClass<TDTask>(objects(kSubtasks));
}

QList<TDGroup*> TDTask::tags() const {
    return TDObjectsOfClass<TDGroup>(objects(QStringLiteral("tags")));
}

QList<TDGroup*> TDTask::smartFolders() const {
    return TDObjectsOfClass<TDGroup>(objects(QStringLiteral("smartFolders")));
}

bool TDTask::p_acceptsParent(const TDTask* parent) const {
    for (const TDTask* ancestor = parent; ancestor; ancestor = ancestor->parentTask())
        if (ancestor == this) return false;
    return true;
}

bool TDTask::setParentTask(TDTask* parent) {
    if (parent && !p_acceptsParent(parent)) {
        logWithLevel(TDLogWarning, "WARNING",
                     parent == this ? "Tried to set the parent of a task to itself"
                                    : "Tried to set the parent of a task to one of its descendants");
        return false;
    }
    if (parent == parentTask()) return true;
    if (parent)
        parent->addSubtasks({this});
    else if (TDTask* old = parentTask())
        old->removeSubtasks({this});
    return true;
}

void TDTask::addSubtasks(const QList<TDTask*>& tasks) {
    QList<TDTask*> accepted;
    for (TDTask* task : tasks) {
        if (!task || accepted.contains(task) || objects(kSubtasks).contains(task)) continue;
        if (!task->p_acceptsParent(this)) {
            logWithLevel(TDLogWarning, "WARNING",
                         "Refused to make task '%@' a subtask of itself or of its descendant", task->title());
            continue;
        }
        accepted.append(task);
    }
    if (accepted.isEmpty()) return;
    TDLibraryObject::addObjects(kSubtasks, objectsOf(accepted));
    const TDManagedObjectContext* context = libraryContext();
    if (!(context && context->isRestoringLibrary())) {
        TDList* list = this->list();
        for (TDTask* task : accepted) {
            task->moveToList(list);
            if (task->parentList()) task->TDLibraryObject::setValue(kParentList, QVariant());
        }
        p_updateAfterChangingSubtasksWithModifiedDate(TDCurrentWholeSecond());
    }
    for (TDTask* task : accepted) task->setTasksInTreeToArchived(isArchived());
}

void TDTask::removeSubtasks(const QList<TDTask*>& tasks) {
    if (tasks.isEmpty()) return;
    TDLibraryObject::removeObjects(kSubtasks, objectsOf(tasks));
    const TDManagedObjectContext* context = libraryContext();
    if (isDeleted() || (context && context->isRestoringLibrary())) return;
    p_updateAfterChangingSubtasksWithModifiedDate(TDCurrentWholeSecond());
}

TDOrderedCollection* TDTask::orderedTasks() {
    if (!m_orderedTasks)
        m_orderedTasks = std::make_unique<TDOrderedCollection>(
            this, kSubtasks, QList<platform::SortDescriptor>(), TDOrderedCollection::Tracking::ByOwner);
    return m_orderedTasks.get();
}

// Tags and smart folders walk every tree they hold after each change of their members: one list filled
// in place, with no list per level.
void TDTask::appendSubtasksInTree(QList<TDTask*>& all, QSet<const TDTask*>* seen) const {
    for (platform::ManagedObject* object : objects(kSubtasks)) {
        TDTask* subtask = TDTask::from(object);
        if (!subtask) continue;
        if (seen) {
            if (seen->contains(subtask)) continue;
            seen->insert(subtask);
        }
        all.append(subtask);
        subtask->appendSubtasksInTree(all, seen);
    }
}

qint64 TDTask::openLeafCount(const QList<TDTask*>& tasks) {
    // isIncomplete() and !hasSubtasks(), with the two properties looked up once per entity.
    const platform::EntityDescription* entity = nullptr;
    const platform::AttributeDescription* status = nullptr;
    const platform::RelationshipDescription* subtasks = nullptr;
    qint64 count = 0;
    for (const TDTask* task : tasks) {
        if (task->entity() != entity) {
            entity = task->entity();
            status = entity->attribute(kStatus);
            subtasks = entity->relationship(kSubtasks);
        }
        if (task->primitiveValue(status).isNull() && task->objects(subtasks).isEmpty()) ++count;
    }
    return count;
}

QList<TDTask*> TDTask::allSubtasks() const {
    QList<TDTask*> all;
    appendSubtasksInTree(all, nullptr);
    return all;
}

QList<TDTask*> TDTask::allTasksInTree() const {
    if (isDeleted()) return {};
    QList<TDTask*> all{const_cast<TDTask*>(this)};
    all.append(allSubtasks());
    return all;
}

QList<TDTask*> TDTask::allOrderedTasksInTree() {
    QList<TDTask*> all{this};
    for (TDTask* task : orderedTasks()->objectsAs<TDTask>()) all.append(task->allOrderedTasksInTree());
    return all;
}

QString TDTask::combinedTitlesFromTree() {
    QString combined = title();
    for (TDTask* task : orderedTasks()->objectsAs<TDTask>())
        combined += QLatin1Char(' ') + task->combinedTitlesFromTree();
    return combined;
}

QList<TDTask*> TDTask::ancestorTasks() const {
    QList<TDTask*> ancestors;
    for (TDTask* parent = parentTask(); parent; parent = parent->parentTask()) ancestors.append(parent);
    return ancestors;
}

QList<TDLibraryObject*> TDTask::allParents() const {
    QList<TDLibraryObject*> parents;
    if (TDTask* parent = parentTask()) parents.append(parent);
    if (TDList* list = parentList()) parents.append(list);
    for (TDGroup* group : tags()) parents.append(group);
    for (TDGroup* group : smartFolders()) parents.append(group);
    return parents;
}

bool TDTask::isDescendantOf(const TDLibraryObject* object) const {
    if (object == this) return true;
    if (const auto* group = dynamic_cast<const TDGroup*>(object))
        if (group->objects(QStringLiteral("tasks")).contains(const_cast<TDTask*>(this))) return true;
    const TDTask* parent = parentTask();
    return parent && parent->isDescendantOf(object);
}

TDList* TDTask::list() {
    if (TDList* top = objectAs<TDList>(kTopList)) return top;
    TDList* found = parentList();
    if (!found)
        if (TDTask* parent = parentTask()) found = parent->list();
    if (found) setTopList(found);
    return found;
}

void TDTask::setTopList(TDList* list) {
    if (isDeleted()) return;
    TDLibraryObject::setValue(kTopList, platform::objectVariant(list));
}

void TDTask::moveToList(TDList* list) {
    if (!list) return;
    for (TDTask* task : subtasks()) task->moveToList(list);
    setTopList(list);
}

void TDTask::insertSibling(TDTask* task, bool after) {
    TDLibraryObject* parent = parentObject();
    TDOrderedCollection* siblings = nullptr;
    if (auto* parentTask = dynamic_cast<TDTask*>(parent))
        siblings = parentTask->orderedTasks();
    else if (auto* group = dynamic_cast<TDGroup*>(parent))
        siblings = group->orderedTasks();
    if (!siblings) return;
    const QList<platform::ManagedObject*> members = siblings->objects();
    const qsizetype index = members.indexOf(this);
    if (index < 0) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Could not find sibling task '%@' in collection. Inserting to top instead",
                     task->title());
        (void)siblings->insertObject(task, 0);  // the collection logs a refusal
        return;
    }
    (void)siblings->insertObject(task, after ? index + 1 : index);  // the collection logs a refusal
}

void TDTask::setTasksInTreeToArchived(bool archived) {
    if (isArchived() == archived) return;
    for (TDTask* task : subtasks()) task->setTasksInTreeToArchived(archived);
    if (archived && isIncomplete()) setCanceled(true);
    setArchived(archived);
}

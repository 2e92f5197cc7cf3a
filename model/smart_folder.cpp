#include "model/smart_folder.h"

#include "foundation/data_additions.h"
#include "foundation/timing.h"
#include "language/date_additions.h"
#include "model/library.h"
#include "model/library_rule_group_lookup.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/property_list_update.h"
#include "model/rule_archiving.h"
#include "model/rule_predicate_translator.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/predicate_parser.h"

namespace {

const QString kTasks = QStringLiteral("tasks");
const QString kSmartFolderRule = QStringLiteral("smartFolderRule");
const QString kRule = QStringLiteral("rule");

platform::PredicatePtr parsed(const QString& format, const QVariantList& arguments = {}) {
    auto predicate = platform::predicateWithFormat(format, arguments);
    Q_ASSERT(predicate.ok());
    return predicate.ok() ? *predicate : platform::Predicate::falsePredicate();
}

const platform::PredicatePtr& notArchived() {
    static const platform::PredicatePtr predicate = parsed(QStringLiteral("archived != YES"));
    return predicate;
}

}  // namespace

TDSmartFolder::TDSmartFolder(const platform::EntityDescription* entity,
                             platform::ManagedObjectContext* context)
    : TDGroup(entity, context) {
}

TDSmartFolder::~TDSmartFolder() = default;

const QSet<QString>* TDSmartFolder::keysNotAffectingModifiedDate() const {
    // Membership follows the tasks; it is never an edit of the folder.
    static const QSet<QString> keys =
        *TDGroup::keysNotAffectingModifiedDate() + QSet<QString>{kTasks, QStringLiteral("orderedTasks")};
    return &keys;
}

// ---------------------------------------------------------------------------------------------------
// Predicates

platform::PredicatePtr TDSmartFolder::todayPredicate(const QDateTime& now) {
    const QDateTime today = dates::dateAtStartOfDay(now);
    const qint64 nearFuture =
        platform::UserDefaults::standard().integer(QStringLiteral("nearFutureNumberOfDays"));
    const QDateTime yesterday = dates::dateByAddingDays(today, -1);
    const QDateTime tomorrow = dates::dateByAddingDays(today, 1);
    const QDateTime horizon = dates::dateByAddingDays(today, nearFuture + 1);
    return parsed(
        QStringLiteral("((%@ <= completedDate AND completedDate < %@) OR "
                       "(completedDate = NIL AND ((startDate = NIL AND dueDate < %@) OR startDate < %@))) "
                       "AND archived != YES"),
        {yesterday, tomorrow, horizon, tomorrow});
}

platform::PredicatePtr TDSmartFolder::upcomingPredicate(const QDateTime& now) {
    const QDateTime tomorrow = dates::dateByAddingDays(dates::dateAtStartOfDay(now), 1);
    return parsed(
        QStringLiteral("completedDate = NIL AND (dueDate >= %@ OR startDate >= %@) AND archived != YES"),
        {tomorrow, tomorrow});
}

platform::PredicatePtr TDSmartFolder::predicate() {
    if (!m_hasPredicate) {
        m_predicate = p_buildPredicate();
        m_hasPredicate = true;
    }
    return m_predicate;
}

void TDSmartFolder::resetPredicate() {
    m_predicate.reset();
    m_hasPredicate = false;
}

platform::PredicatePtr TDSmartFolder::p_buildPredicate() {
    if (isTodayGroup()) return todayPredicate(TDClock::currentDateTime());
    if (isUpcomingGroup()) return upcomingPredicate(TDClock::currentDateTime());
    const TRRulePtr rule = this->rule();
    if (!rule) return nullptr;
    const platform::PredicatePtr translated = translateRulePredicate(rule->predicate());
    if (!translated) return nullptr;
    return platform::CompoundPredicate::andPredicate({translated, notArchived()});
}

platform::PredicatePtr TDSmartFolder::translateRulePredicate(const platform::PredicatePtr& predicate) const {
    const TDLibraryRuleGroupLookup lookup(library());
    TDRulePredicateTranslator translator(lookup, uid());
    return translator.translate(predicate);
}

QList<TDGroup*> TDSmartFolder::sourceGroups() const {
    const TRRulePtr rule = this->rule();
    if (!rule) return {};
    const TDLibraryRuleGroupLookup lookup(library());
    const TDRulePredicateTranslator translator(lookup, uid());
    QList<TDGroup*> groups;
    for (const QVariant& group : translator.sourceGroups(rule->predicate()))
        if (TDGroup* found = TDGroup::from(platform::managedObjectFromVariant(group))) groups.append(found);
    return groups;
}

bool TDSmartFolder::hasRelativeDateRules() const {
    QSet<const TDSmartFolder*> seen;
    return p_hasRelativeDateRules(&seen);
}

bool TDSmartFolder::p_hasRelativeDateRules(QSet<const TDSmartFolder*>* seen) const {
    if (isSpecial()) return true;
    if (seen->contains(this)) return false;
    seen->insert(this);
    const TRRulePtr rule = this->rule();
    if (!rule) return false;
    if (rule->hasRelativeDateRule()) return true;
    TDLibrary* library = this->library();
    if (!library) return false;
    for (const QVariant& value : rule->ruleValuesForKeyPath(QStringLiteral("group"))) {
        if (value.metaType().id() != QMetaType::QString) continue;
        const TDSmartFolder* named = TDSmartFolder::from(library->smartFolderWithUID(value.toString()));
        if (named && named->p_hasRelativeDateRules(seen)) return true;
    }
    return false;
}

bool TDSmartFolder::matchesTask(TDTask* task) {
    if (!task || task->isDeleted() || task->isArchived()) return false;
    const platform::PredicatePtr predicate = this->predicate();
    return predicate && predicate->evaluate(task);
}

// ---------------------------------------------------------------------------------------------------
// The rule

TRRulePtr TDSmartFolder::rule() const {
    const platform::ManagedObject* stored = object(kSmartFolderRule);
    return stored ? stored->value(kRule).value<TRRulePtr>() : nullptr;
}

void TDSmartFolder::setRule(const TRRulePtr& rule) {
    platform::ManagedObject* stored = object(kSmartFolderRule);
    if (rule) {
        if (!stored) {
            stored = managedObjectContext()->insertObject(QStringLiteral("SmartFolderRule"));
            setObject(kSmartFolderRule, stored);
        }
        TRRulePtr copy = rule->copy();
        copy->setParentRule(nullptr);
        stored->setValue(kRule, QVariant::fromValue(copy));
        addToSyncQueueAfterChangingKeyIfNecessary(kSmartFolderRule);
    } else if (stored) {
        setObject(kSmartFolderRule, nullptr);
        managedObjectContext()->deleteObject(stored);
    }
    resetPredicate();
    if (TDLibrary* library = this->library()) library->addModifiedGroupsObject(this);
}

QVariantMap TDSmartFolder::p_withRule(QVariantMap form) const {
    // The stored rule object is an implementation detail; the forms carry the rule itself.
    form.remove(kSmartFolderRule);
    if (const TRRulePtr rule = this->rule()) {
        const auto data = TRArchivedRuleData(*rule);
        if (data.ok()) form.insert(kRule, *data);
    }
    return form;
}

QVariantMap TDSmartFolder::propertyListRepresentation() const {
    return p_withRule(TDGroup::propertyListRepresentation());
}

QVariantMap TDSmartFolder::propertyListRepresentationForCopying() const {
    return p_withRule(TDGroup::propertyListRepresentationForCopying());
}

Status TDSmartFolder::updateFromPropertyListRepresentation(const QVariantMap& dictionary) {
    TRRulePtr rule;
    const QVariant value = dictionary.value(kRule);
    if (value.isValid()) {
        Result<QByteArray> data = QByteArray();
        if (value.metaType().id() == QMetaType::QString)
            data = dataWithBase64EncodedStringStrict(value.toString());
        else if (value.metaType().id() == QMetaType::QByteArray)
            data = value.toByteArray();
        else
            data = TDError::make(TDDictionaryRepresentationErrorMalformed,
                                 QStringLiteral("The rule of a smart folder is neither data nor text."));
        Result<TRRulePtr> decoded =
            data.ok() ? TRRuleFromArchivedData(*data) : Result<TRRulePtr>(data.error());
        if (!decoded.ok()) {
            TDError error = decoded.error();
            error.domain = TDDictionaryRepresentationErrorDomain;
            error.code = TDDictionaryRepresentationErrorMalformed;
            return error;
        }
        rule = *decoded;
    }
    QVariantMap rest = dictionary;
    rest.remove(kRule);
    rest.remove(kSmartFolderRule);
    const Status updated = TDGroup::updateFromPropertyListRepresentation(rest);
    if (!updated.ok()) return updated;
    if (rule || this->rule()) setRule(rule);
    return {};
}

void TDSmartFolder::removeRuleLeavesNamingGroup(TDGroup* group) {
    TDLibrary* library = group ? group->library() : nullptr;
    if (!library) return;
    const QString key = group->isTag() ? QStringLiteral("tag") : QStringLiteral("group");
    const QVariant uid = group->uid();
    for (TDGroup* candidate : library->allSmartFolders()) {
        auto* smartFolder = TDSmartFolder::from(candidate);
        if (!smartFolder || smartFolder == group || smartFolder->isDeleted()) continue;
        const TRRulePtr rule = smartFolder->rule();
        if (rule && rule->hasRuleWithKeyPath(key, uid))
            smartFolder->setRule(rule->ruleByRemovingSubruleWithKeyPath(key, uid));
    }
}

// ---------------------------------------------------------------------------------------------------
// Membership

void TDSmartFolder::reloadTasks() {
    TDLibrary* library = this->library();
    if (!library || library->smartFoldersShouldIgnoreMOCChange()) return;
    pushTimestamp();
    resetPredicate();
    managedObjectContext()->processPendingChanges();
    if (isSpecial()) {
        const auto fetched = library->fetch(QStringLiteral("Task"), predicate());
        if (fetched.ok()) {
            QList<platform::ManagedObject*> matches = *fetched;
            QList<platform::ManagedObject*> added;
            QSet<platform::ManagedObject*> matching(matches.begin(), matches.end());
            for (platform::ManagedObject* task : matches)
                if (!objects(kTasks).contains(task)) added.append(task);
            QList<platform::ManagedObject*> removed;
            for (platform::ManagedObject* task : objects(kTasks))
                if (!matching.contains(task)) removed.append(task);
            p_changeMembership(added, removed);
        } else {
            logWithLevel(TDLogError, "ERROR", "Could not reload special smart folder: %@",
                         fetched.error().detailedDescription());
        }
    } else {
        const auto fetched = library->fetch(QStringLiteral("Task"), notArchived());
        if (fetched.ok()) {
            QList<TDTask*> candidates;
            candidates.reserve(fetched->size());
            for (platform::ManagedObject* object : *fetched)
                if (TDTask* task = TDTask::from(object)) candidates.append(task);
            reloadTasksFromCandidates(candidates);
        } else {
            logWithLevel(TDLogError, "ERROR", "Could not reload smart folder: %@",
                         fetched.error().detailedDescription());
        }
    }
    managedObjectContext()->processPendingChanges();
    logWithLevel(TDLogDebug, "DEBUG", "Reloading smart folder '%@' took %lf seconds", title(),
                 popElapsedSeconds());
}

void TDSmartFolder::reloadTasksFromCandidates(const QList<TDTask*>& candidates) {
    QSet<platform::ManagedObject*> matching;
    QList<platform::ManagedObject*> added;
    const platform::PredicatePtr predicate = this->predicate();
    if (predicate) {
        const platform::ObjectSet& held = objects(kTasks);
        for (TDTask* task : candidates) {
            if (task->isDeleted() || task->isArchived() || !predicate->evaluate(task)) continue;
            matching.insert(task);
            if (!held.contains(task)) added.append(task);
        }
    }
    // Held tasks that are no longer candidates (archived since) leave as well.
    QList<platform::ManagedObject*> removed;
    for (platform::ManagedObject* task : objects(kTasks))
        if (!matching.contains(task)) removed.append(task);
    p_changeMembership(added, removed);
}

void TDSmartFolder::p_changeMembership(const QList<platform::ManagedObject*>& added,
                                       const QList<platform::ManagedObject*>& removed) {
    if (added.isEmpty() && removed.isEmpty()) return;
    logWithLevel(TDLogDebug, "DEBUG", "setting smart folder tasks");
    // The plain mutators: an automatic update runs none of the drop rules.
    if (!removed.isEmpty()) TDLibraryObject::removeObjects(kTasks, removed);
    if (!added.isEmpty()) TDLibraryObject::addObjects(kTasks, added);
    didFinishTaskReloading();
}

// The counts are those of the distinct tasks in the members' trees, as on every other path.
void TDSmartFolder::didFinishTaskReloading() {
    recalculateTransientProperties();
}

void TDSmartFolder::tasksDidChange(const QList<TDTask*>& tasks) {
    QList<platform::ManagedObject*> added;
    QList<platform::ManagedObject*> removed;
    const platform::ObjectSet& held = objects(kTasks);
    // A task's move changes the list of every task below it, and those are not journalled themselves.
    QList<TDTask*> affected;
    QSet<TDTask*> seen;
    for (TDTask* task : tasks) {
        if (!task || task->isDeleted() || seen.contains(task)) continue;
        for (TDTask* member : task->allTasksInTree())
            if (!seen.contains(member)) {
                seen.insert(member);
                affected.append(member);
            }
    }
    for (TDTask* task : affected) {
        if (task->isDeleted()) continue;
        const bool isHeld = held.contains(task);
        const bool matches = matchesTask(task);
        if (isHeld && !matches) removed.append(task);
        if (!isHeld && matches) added.append(task);
    }
    if (!removed.isEmpty()) TDLibraryObject::removeObjects(kTasks, removed);
    if (!added.isEmpty()) TDLibraryObject::addObjects(kTasks, added);
}

void TDSmartFolder::dropTasks(const QList<TDTask*>& tasks) {
    addTasks(tasks);
    const bool today = isTodayGroup();
    if (!today && !isUpcomingGroup()) return;
    TDLibrary* library = this->library();
    const QDateTime startOfToday = dates::dateAtStartOfDay(TDClock::currentDateTime());
    const QDateTime start = today ? startOfToday : dates::dateByAddingDays(startOfToday, 1);
    for (TDTask* task : tasks) {
        if (!task || task->isDeleted()) continue;
        const bool qualifies =
            today ? (!task->isIncomplete() || task->isDueSoon() || task->isPastDue() || task->isPastStart())
                  : (task->startDate().isValid() || task->dueDate().isValid());
        if (qualifies) continue;
        task->setStartDate(start);
        // A subtask belongs to its tree's list even though it has no list of its own.
        if (!task->list() && library)
            // The collection logs a refusal.
            if (TDGroup* inbox = library->inboxGroup()) (void)inbox->orderedTasks()->insertObject(task, 0);
    }
}

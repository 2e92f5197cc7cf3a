#include "model/group.h"

#include "foundation/color_additions.h"
#include "foundation/shared_predicates.h"
#include "language/date_additions.h"
#include "language/localized_string.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "model/distinct_task_tally.h"
#include "model/folder.h"
#include "model/group_date_counts.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/object_casts.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/transformers/value_transformer.h"
#include "platform/undo/undo_manager.h"

#include <QSet>

#include <algorithm>
#include <cmath>

namespace {

const QString kTasks = QStringLiteral("tasks");
const QString kSubgroups = QStringLiteral("subgroups");
const QString kParentGroup = QStringLiteral("parentGroup");

QString typeFromEntityName(const QString& entity) {
    if (entity == QLatin1String("Folder")) return QStringLiteral("folder");
    if (entity == QLatin1String("List")) return QStringLiteral("list");
    if (entity == QLatin1String("SmartFolder")) return QStringLiteral("smart");
    if (entity == QLatin1String("Tag")) return QStringLiteral("tag");
    return {};
}

platform::KeyChange setChange(platform::ManagedObject* object, const QString& key,
                              platform::ManagedObject::SetMutation mutation,
                              const QList<platform::ManagedObject*>& objects) {
    platform::KeyChange change{object, key, platform::KeyChange::Insertion, {}, {}, {}, {}};
    if (mutation == platform::ManagedObject::SetMutation::Union) {
        change.newObjects = objects;
    } else {
        change.kind = platform::KeyChange::Removal;
        change.oldObjects = objects;
    }
    return change;
}

bool isReplayingUndo(const platform::UndoManager* undo) {
    return undo && (undo->isUndoing() || undo->isRedoing());
}

}  // namespace

TDGroup::TDGroup(const platform::EntityDescription* entity, platform::ManagedObjectContext* context)
    : TDLibraryObject(entity, context) {
}

TDGroup::~TDGroup() = default;

QString TDGroup::entityNameFromType(const QString& type) {
    if (type == QLatin1String("folder")) return QStringLiteral("Folder");
    if (type == QLatin1String("list")) return QStringLiteral("List");
    if (type == QLatin1String("smart")) return QStringLiteral("SmartFolder");
    if (type == QLatin1String("tag")) return QStringLiteral("Tag");
    return {};
}

const QSet<QString>* TDGroup::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        baseKeysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("displayOrder"),
                                                           QStringLiteral("earliestStartDate"),
                                                           QStringLiteral("earliestDueDate"),
                                                           QStringLiteral("totalEstimatedTime"),
                                                           QStringLiteral("totalEstimatedTimeComprehensive"),
                                                           QStringLiteral("actionCount"),
                                                           QStringLiteral("taskCount"),
                                                           QStringLiteral("localInfoDictionary"),
                                                           QStringLiteral("modifiedGroupsInverse")};
    return &keys;
}

// ---------------------------------------------------------------------------------------------------
// Kinds and titles

bool TDGroup::isFolder() const {
    return type() == QLatin1String("folder");
}
bool TDGroup::isList() const {
    return type() == QLatin1String("list");
}
bool TDGroup::isTag() const {
    return type() == QLatin1String("tag");
}
bool TDGroup::isSmartFolder() const {
    return type() == QLatin1String("smart");
}

bool TDGroup::isTagBundle() const {
    if (!isFolder()) return false;
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    TDGroup* tags = library ? library->tagsGroup() : nullptr;
    return tags && isDescendantOf(tags);
}

bool TDGroup::isInboxGroup() const {
    return isSpecial() && isList() && title() == QLatin1String("Inbox");
}
bool TDGroup::isTodayGroup() const {
    return isSpecial() && isSmartFolder() && title() == QLatin1String("Today");
}
bool TDGroup::isUpcomingGroup() const {
    return isSpecial() && isSmartFolder() && title() == QLatin1String("Upcoming");
}
bool TDGroup::isArchiveGroup() const {
    return isSpecial() && isFolder() && title() == QLatin1String("Archive");
}

bool TDGroup::isArchived() const {
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    TDGroup* archive = library ? library->archiveGroup() : nullptr;
    return archive && isDescendantOf(archive);
}

QString TDGroup::typeDisplayName() const {
    if (isList()) return TDLocalizedString("List");
    if (isTag()) return TDLocalizedString("Tag");
    if (isSmartFolder()) return TDLocalizedString("Smart Folder");
    if (isTagBundle()) return TDLocalizedString("Tag Bundle");
    if (isFolder()) return TDLocalizedString("Folder");
    logWithLevel(TDLogWarning, "WARNING", "Asked for display name of unknown group type: %@", type());
    return {};
}

QString TDGroup::tabType() const {
    if (isTodayGroup()) return QStringLiteral("today");
    if (isUpcomingGroup()) return QStringLiteral("upcoming");
    if (isFolder()) return QStringLiteral("folder");
    if (isList()) return QStringLiteral("list");
    if (isSmartFolder()) return QStringLiteral("smart");
    if (isTag()) return QStringLiteral("tag");
    logWithLevel(TDLogError, "ERROR", "Unknown tab type for this group!");
    return {};
}

QVariantMap TDGroup::displayOptionsForTabType(const QString& tabType) {
    struct Scheme {
        const char* colors[5];
        double highlight;
    };
    static const Scheme folder{{"87aee4", "90b8ed", "90b8ed", "9ac2f7", "c8dcf7"}, 0.25};
    static const Scheme today{{"a1d066", "abda70", "abda70", "b5e47a", "c4e59b"}, 0};
    static const Scheme upcoming{{"9c94e4", "a69eed", "a69eed", "b0a8f7", "c5c3e2"}, 0.25};
    static const Scheme smart{{"c6a7e6", "ceb1e8", "ceb1e8", "c8abe2", "dcc9f2"}, 0.15};
    static const Scheme list{{"d9dae3", "e3e4ed", "e3e4ed", "edeef7", "fafafd"}, 0};
    const Scheme& scheme = tabType == QLatin1String("folder")                                       ? folder
                           : tabType == QLatin1String("today")                                      ? today
                           : tabType == QLatin1String("upcoming")                                   ? upcoming
                           : (tabType == QLatin1String("smart") || tabType == QLatin1String("tag")) ? smart
                                                                                                    : list;
    static const char* const keys[5] = {"tabBackgroundGradientTopColor", "tabBackgroundGradientBottomColor",
                                        "tasksViewHeaderBackgroundGradientTopColor",
                                        "tasksViewHeaderBackgroundGradientBottomColor",
                                        "tabBorderHighlightColor"};
    QVariantMap options;
    for (int i = 0; i < 5; ++i) {
        QColor color = colorWithHexString(QString::fromLatin1(scheme.colors[i]), 1.0).value_or(QColor());
        // Lightened toward white by the highlight level.
        if (scheme.highlight > 0)
            color.setRgbF(color.redF() + (1 - color.redF()) * scheme.highlight,
                          color.greenF() + (1 - color.greenF()) * scheme.highlight,
                          color.blueF() + (1 - color.blueF()) * scheme.highlight, 1.0);
        options.insert(QString::fromLatin1(keys[i]), color);
    }
    return options;
}

QString TDGroup::defaultGroupingAttribute() const {
    if (isSpecial()) {
        if (isTodayGroup()) return QStringLiteral("dueOrStartDate");
        if (isUpcomingGroup()) return QStringLiteral("nextActionDate");
        if (isArchived()) return QStringLiteral("completedDate");
        return {};
    }
    if (isFolder()) return QStringLiteral("subgroup");
    if (isSmartFolder() || isTag()) return QStringLiteral("list");
    return {};
}

QString TDGroup::defaultSortingAttribute() const {
    if (isTodayGroup()) return QStringLiteral("dueOrStartDate");
    if (isUpcomingGroup()) return QStringLiteral("nextActionDate");
    if (isSpecial() && isArchived()) return QStringLiteral("completedDate");
    return {};
}

bool TDGroup::alwaysShowsItemCount() const {
    return isSpecial() && (title() == QLatin1String("Today") || title() == QLatin1String("Inbox"));
}

bool TDGroup::canAddTask() const {
    if (isFolder() || (isSmartFolder() && !isTodayGroup())) return false;
    return !isArchived();
}

QString TDGroup::localizedTitle(const QString& title) {
    static const QSet<QString> localized{QStringLiteral("Inbox"),    QStringLiteral("Today"),
                                         QStringLiteral("Upcoming"), QStringLiteral("INBOX"),
                                         QStringLiteral("Ordellos"), QStringLiteral("Folders"),
                                         QStringLiteral("Archive")};
    if (!localized.contains(title)) return title;
    return TDLocalizedString(title.toUtf8().constData());
}

QString TDGroup::localizedTitle() const {
    return isSpecial() ? localizedTitle(title()) : title();
}

bool TDGroup::p_isRestoring() const {
    const TDManagedObjectContext* context = libraryContext();
    return context && context->isRestoringLibrary();
}

void TDGroup::setTitle(const QString& title) {
    QString cleaned = title;
    cleaned.replace(QLatin1Char('\n'), QLatin1Char(' '));
    cleaned.replace(QLatin1Char('\t'), QLatin1Char(' '));
    cleaned.replace(QLatin1Char('\r'), QLatin1Char(' '));
    const TDManagedObjectContext* context = libraryContext();
    if (isSpecial() && !(context && (context->isRestoringLibrary() || context->isSyncingLibrary()))) {
        logWithLevel(TDLogWarning, "WARNING", "Tried to set the title of special group '%@' to '%@'",
                     this->title(), cleaned);
        return;
    }
    TDLibraryObject::setValue(QStringLiteral("title"), cleaned);
}

void TDGroup::setLocalInfoDictionary(const QVariantMap& dictionary) {
    TDLibraryObject::setValue(QStringLiteral("localInfoDictionary"),
                              dictionary.isEmpty() ? QVariant() : QVariant(dictionary));
}

Status TDGroup::validateValue(const QString& key, QVariant& value) const {
    if (key == QLatin1String("title") && value.toString().isNull()) value = TDLocalizedString("New Group");
    if (key == kParentGroup) {
        const TDGroup* parent = TDGroup::from(platform::managedObjectFromVariant(value));
        // A group that has not moved since the last save passed when it was placed there. A group
        // without a parent is left to validation and repair, which find orphans and put them back.
        const TDGroup* saved = TDGroup::from(
            platform::managedObjectFromVariant(committedValues({kParentGroup}).value(kParentGroup)));
        if (parent && (isInserted() || parent != saved) && !p_mayMove(parent, saved))
            return TDError::make(
                TDErrorGroupPlacementInvalid,
                QStringLiteral("The group \"%1\" cannot be placed in \"%2\".").arg(title(), parent->title()),
                QString());
    }
    return {};
}

QVariant TDGroup::computedValue(const QString& key) const {
    if (key == QLatin1String("parentObject")) return platform::objectVariant(parentObject());
    if (key == QLatin1String("localizedTitle")) return localizedTitle();
    if (key == QLatin1String("isInboxGroup")) return isInboxGroup();
    if (key == QLatin1String("syncIdentifier")) return syncIdentifier();
    if (key == QLatin1String("totalEstimatedTimeSummary")) return totalEstimatedTimeSummary();
    return TDLibraryObject::computedValue(key);
}

// ---------------------------------------------------------------------------------------------------
// Life cycle

void TDGroup::awakeFromInsert() {
    TDLibraryObject::awakeFromInsert();
    setPrimitiveValue(QStringLiteral("type"), typeFromEntityName(entity()->name()));
    TDAggregates().storePrimitive(this);
    if (p_countsDistinctTasks() && p_maintainsAggregates()) p_buildTally();
}

// Members that a group contains wake first; the tasks of tags and smart folders may not have, so
// those are counted from scratch.
void TDGroup::awakeFromFetch() {
    TDLibraryObject::awakeFromFetch();
    m_dateCounts.reset();
    TDManagedObjectContext* context = libraryContext();
    if (!context || !context->setupTransientProperties()) return;
    if (context->isMergingChanges()) {
        // Merged in from another context: the parent folder is awake already and hears of it.
        if (p_countsDistinctTasks()) {
            p_dropTally();
            context->scheduleRecalculationOfTransientProperties(this);
        } else
            p_setAggregates(calculatedAggregates());
        return;
    }
    if (!isTag() && !isSmartFolder()) {
        calculatedAggregates().storePrimitive(this);
        return;
    }
    TDAggregates sums;
    for (TDTask* task : tasks()) sums.include(TDTask::recalculatedTreeAggregates(task));
    if (p_maintainsAggregates()) {
        p_buildTally();
        p_withTalliedCounts(sums).storePrimitive(this);
        return;
    }
    const TDAggregates counted = calculatedAggregates();
    sums.taskCount = counted.taskCount;
    sums.actionCount = counted.actionCount;
    sums.storePrimitive(this);
}

void TDGroup::willDelete() {
    TDLibraryObject::willDelete();
    if (!isDeleted()) {
        platform::NotificationCenter::defaultCenter().post(TDGroupWillDeleteNotification, this);
        TDSmartFolder::removeRuleLeavesNamingGroup(this);
    }
    m_orderedTasks.reset();
    m_orderedSubgroups.reset();
    p_dropTally();
}

// ---------------------------------------------------------------------------------------------------
// Key routing

void TDGroup::setValue(const QString& key, const QVariant& value) {
    if (key == QLatin1String("title")) return setTitle(value.toString());
    if (key == QLatin1String("localInfoDictionary")) return setLocalInfoDictionary(value.toMap());
    if (key == kParentGroup) {
        setParentGroup(TDGroup::from(platform::managedObjectFromVariant(value)));
        return;
    }
    if (key == kSubgroups) {
        const auto wanted = TDObjectsOfClass<TDGroup>(platform::managedObjectsFromVariantList(value));
        for (TDGroup* group : TDMembersNotWanted(subgroups(), wanted)) group->setParentGroup(nullptr);
        for (TDGroup* group : wanted) group->setParentGroup(this);
        return;
    }
    if (key == kTasks && hasTasks()) {
        const auto wanted = TDObjectsOfClass<TDTask>(platform::managedObjectsFromVariantList(value));
        removeTasks(TDMembersNotWanted(tasks(), wanted));
        addTasks(wanted);
        return;
    }
    TDLibraryObject::setValue(key, value);
}

void TDGroup::addObjects(const QString& key, const QList<platform::ManagedObject*>& objects) {
    if (key == kSubgroups) {
        for (TDGroup* group : TDObjectsOfClass<TDGroup>(objects)) group->setParentGroup(this);
        return;
    }
    if (key == kTasks) return addTasks(TDObjectsOfClass<TDTask>(objects));
    TDLibraryObject::addObjects(key, objects);
}

void TDGroup::removeObjects(const QString& key, const QList<platform::ManagedObject*>& objects) {
    if (key == kSubgroups) {
        for (TDGroup* group : TDObjectsOfClass<TDGroup>(objects))
            if (group->parentGroup() == this) group->setParentGroup(nullptr);
        return;
    }
    if (key == kTasks) return removeTasks(TDObjectsOfClass<TDTask>(objects));
    TDLibraryObject::removeObjects(key, objects);
}

void TDGroup::addTasks(const QList<TDTask*>& tasks) {
    QList<platform::ManagedObject*> added;
    QSet<TDTask*> seen;  // a set: one call may add a whole library's tasks
    for (TDTask* task : tasks)
        if (task && !objects(kTasks).contains(task) && !seen.contains(task)) {
            seen.insert(task);
            added.append(task);
        }
    if (added.isEmpty()) return;
    TDLibraryObject::addObjects(kTasks, added);
    tasksWereAdded(TDObjectsOfClass<TDTask>(added));
}

void TDGroup::removeTasks(const QList<TDTask*>& tasks) {
    if (tasks.isEmpty()) return;
    TDLibraryObject::removeObjects(kTasks, QList<platform::ManagedObject*>(tasks.begin(), tasks.end()));
}

// ---------------------------------------------------------------------------------------------------
// The tree

QList<TDGroup*> TDGroup::subgroups() const {
    return TDObjectsOfClass<TDGroup>(objects(kSubgroups));
}

QList<TDTask*> TDGroup::tasks() const {
    return TDObjectsOfClass<TDTask>(objects(kTasks));
}

bool TDGroup::isDescendantOf(const TDGroup* group) const {
    for (const TDGroup* ancestor = parentGroup(); ancestor; ancestor = ancestor->parentGroup())
        if (ancestor == group) return true;
    return false;
}

bool TDGroup::setParentGroup(TDGroup* parent) {
    if (parent == this) return false;
    if (parent == parentGroup()) return true;
    if (!validateParentGroup(parent)) {
        if (parent)
            logWithLevel(TDLogWarning, "WARNING", "Refused to move group '%@' into '%@'", title(),
                         parent->title());
        else
            logWithLevel(TDLogWarning, "WARNING", "Refused to take group '%@' out of the group tree",
                         title());
        return false;
    }
    const bool upkeep = p_maintainsSmartFolders();
    if (!parentGroup()) {
        TDLibraryObject::setValue(kParentGroup, platform::objectVariant(parent));
        // A new group inside a folder that a rule names changes that rule's translation.
        if (upkeep)
            if (const QList<TDGroup*> referencing = p_smartFoldersReferencingGroup(); !referencing.isEmpty())
                libraryContext()->library()->addModifiedGroups(referencing);
        return true;
    }
    const bool wasArchived = isArchived();
    const bool wasReferenced = upkeep && isReferencedInSmartFolderRule();
    TDLibraryObject::setValue(kParentGroup, platform::objectVariant(parent));
    if (isArchived() != wasArchived) setTasksInTreeToArchived(isArchived());
    if (upkeep && (wasReferenced || isReferencedInSmartFolderRule()))
        libraryContext()->library()->reloadAllSmartFolders();
    return true;
}

bool TDGroup::validateParentGroup(const TDGroup* parent) const {
    return p_mayMove(parent, parentGroup());
}

bool TDGroup::p_mayMove(const TDGroup* parent, const TDGroup* formerParent) const {
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    if (!dynamic_cast<const TDFolder*>(parent)) {
        const bool isRoot = uid() == TDLibrary::RootGroupUID || (library && library->rootGroup() == this);
        if (!isRoot) return false;
    }
    if (parent) {
        if (parent == this || parent->isDescendantOf(this)) return false;
        // The group's side first: it spares the archive's lookup while a new library is being built.
        if ((isSmartFolder() || (isFolder() && containsSmartFolder())) &&
            (parent->isArchiveGroup() || parent->isArchived()))
            return false;
    }
    if (!formerParent || parent == formerParent) return true;
    if (isSpecial()) return false;
    if (!parent) return true;
    TDGroup* folders = library ? library->foldersGroup() : nullptr;
    TDGroup* tags = library ? library->tagsGroup() : nullptr;
    TDGroup* archive = library ? library->archiveGroup() : nullptr;
    if (parent->isSpecial() && parent != folders && parent != tags && parent != archive) return false;
    // Where the group stood before the move (at a save, it stands under the new parent already).
    auto stoodBelow = [formerParent](const TDGroup* ancestor) {
        return ancestor && (formerParent == ancestor || formerParent->isDescendantOf(ancestor));
    };
    const bool wasTagBundle = isFolder() && stoodBelow(tags);
    // Tags and bundles stay among the tags: under Folders itself as much as under anything inside it.
    if (folders && (parent == folders || parent->isDescendantOf(folders)) && (isTag() || wasTagBundle))
        return false;
    if (parent->isTagBundle() && (stoodBelow(folders) || stoodBelow(archive))) return false;
    return true;
}

bool TDGroup::isReferencedInSmartFolderRule() const {
    return !p_smartFoldersReferencingGroup().isEmpty();
}

QList<TDGroup*> TDGroup::p_smartFoldersReferencingGroup() const {
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    if (!library) return {};
    QSet<const TDGroup*> tree;
    if (isFolder())
        for (const TDGroup* group : allGroupsInTree()) tree.insert(group);
    else
        tree.insert(this);
    QList<TDGroup*> referencing;
    for (TDGroup* candidate : library->allSmartFolders()) {
        const TDSmartFolder* smartFolder = TDSmartFolder::from(candidate);
        if (!smartFolder || smartFolder->isDeleted()) continue;
        const QList<TDGroup*> sources = smartFolder->sourceGroups();
        if (std::any_of(sources.begin(), sources.end(),
                        [&tree](TDGroup* source) { return tree.contains(source); }))
            referencing.append(candidate);
    }
    return referencing;
}

bool TDGroup::p_maintainsSmartFolders() const {
    const TDManagedObjectContext* context = libraryContext();
    const TDLibrary* library = context ? context->library() : nullptr;
    return library && !context->isTemporary() && !library->smartFoldersShouldIgnoreMOCChange();
}

QList<TDGroup*> TDGroup::parentFolders() const {
    TDGroup* parent = parentGroup();
    TDLibrary* library = libraryContext() ? libraryContext()->library() : nullptr;
    if (!parent || parent->isSpecial() || (library && parent == library->foldersGroup())) return {};
    QList<TDGroup*> folders{parent};
    folders.append(parent->parentFolders());
    return folders;
}

QList<TDGroup*> TDGroup::descendentLists() const {
    QList<TDGroup*> found;
    if (isList()) found.append(const_cast<TDGroup*>(this));
    for (TDGroup* group : subgroups()) found.append(group->descendentLists());
    return found;
}

QList<TDGroup*> TDGroup::descendentSmartFolders() const {
    QList<TDGroup*> found;
    if (isSmartFolder()) found.append(const_cast<TDGroup*>(this));
    for (TDGroup* group : subgroups()) found.append(group->descendentSmartFolders());
    return found;
}

QList<TDGroup*> TDGroup::descendentTags() const {
    QList<TDGroup*> found;
    if (isTag()) found.append(const_cast<TDGroup*>(this));
    for (TDGroup* group : subgroups()) found.append(group->descendentTags());
    return found;
}

bool TDGroup::containsSmartFolder() const {
    return !descendentSmartFolders().isEmpty();
}

QList<TDGroup*> TDGroup::allGroupsInTree() const {
    QList<TDGroup*> all{const_cast<TDGroup*>(this)};
    for (TDGroup* group : subgroups()) all.append(group->allGroupsInTree());
    return all;
}

QList<TDTask*> TDGroup::allTasksInTree() const {
    QList<TDTask*> all;
    // A member inside a tree walked before is skipped with its own tree, which was walked with it.
    QSet<const TDTask*> seen;
    for (TDTask* task : tasks()) {
        if (task->isDeleted() || seen.contains(task)) continue;
        seen.insert(task);
        all.append(task);
        task->appendSubtasksInTree(all, &seen);
    }
    return all;
}

QList<TDTask*> TDGroup::allOrderedTasksInTree() {
    QList<TDTask*> all;
    if (TDOrderedCollection* ordered = orderedTasks())
        for (TDTask* task : ordered->objectsAs<TDTask>()) all.append(task->allOrderedTasksInTree());
    return all;
}

void TDGroup::setTasksInTreeToArchived(bool archived) {
    for (TDTask* task : tasks()) task->setTasksInTreeToArchived(archived);
}

TDOrderedCollection* TDGroup::orderedSubgroups() {
    if (!m_orderedSubgroups)
        m_orderedSubgroups = std::make_unique<TDOrderedCollection>(
            this, kSubgroups, QList<platform::SortDescriptor>(), TDOrderedCollection::Tracking::ByOwner);
    return m_orderedSubgroups.get();
}

TDOrderedCollection* TDGroup::orderedTasks() {
    if (!hasTasks()) return nullptr;
    if (!m_orderedTasks) {
        m_orderedTasks = std::make_unique<TDOrderedCollection>(
            this, kTasks, QList<platform::SortDescriptor>(), TDOrderedCollection::Tracking::ByOwner);
        // Ordering a tag's or a smart folder's tasks never rewrites the tasks' own order.
        if (isTag() || isSmartFolder()) m_orderedTasks->setModifiesDisplayOrder(false);
    }
    return m_orderedTasks.get();
}

// ---------------------------------------------------------------------------------------------------
// Aggregates

bool TDGroup::p_maintainsAggregates() const {
    const TDManagedObjectContext* context = libraryContext();
    return context && context->setupTransientProperties() && !context->isRestoringLibrary();
}

TDAggregates TDGroup::calculatedAggregates() const {
    if (isFolder()) return TDAggregates::sumOf(objects(kSubgroups));
    TDAggregates a = TDAggregates::sumOf(objects(kTasks));
    if (isTag() || isSmartFolder()) {
        // A task and its subtask may both be members: count each task of the trees once.
        const QList<TDTask*> all = allTasksInTree();
        a.taskCount = all.size();
        a.actionCount = TDTask::openLeafCount(all);
    }
    return a;
}

void TDGroup::memberAggregatesDidChange(const platform::ManagedObject* member, const TDAggregates& old,
                                        const TDAggregates& now) {
    if (!p_maintainsAggregates()) {
        m_dateCounts.reset();
        return;
    }
    if (p_countsDistinctTasks()) {
        if (!m_tally) {
            m_dateCounts.reset();
            libraryContext()->scheduleRecalculationOfTransientProperties(this);
            return;
        }
        p_setAggregates(p_withTalliedCounts(p_followingMember(aggregates(), member, old, now)));
        return;
    }
    p_setAggregates(p_followingMember(aggregates(), member, old, now));
}

// Called after the member joined, changed or left: whether it is a member now says which.
TDAggregates TDGroup::p_followingMember(const TDAggregates& current, const platform::ManagedObject* member,
                                        const TDAggregates& old, const TDAggregates& now) {
    // A folder sums its few subgroups again.
    if (isFolder()) return current.following(old, now, [this] { return calculatedAggregates(); });
    if (m_dateCounts && !m_dateCounts->describe(current)) m_dateCounts.reset();
    if (!m_dateCounts)
        return current.following(old, now, [this] {
            TDAggregates sum;
            m_dateCounts = std::make_unique<TDGroupDateCounts>(objects(kTasks), &sum);
            return sum;
        });
    if (objects(kTasks).contains(const_cast<platform::ManagedObject*>(member)))
        m_dateCounts->set(member, now);
    else
        m_dateCounts->remove(member);
    TDAggregates next = current;
    next.actionCount += now.actionCount - old.actionCount;
    next.taskCount += now.taskCount - old.taskCount;
    next.totalEstimatedTime += now.totalEstimatedTime - old.totalEstimatedTime;
    m_dateCounts->copyTo(next);
    return next;
}

void TDGroup::taskTreeDidChange(const TDTask* task, const QList<platform::ManagedObject*>& moved) {
    if (!m_tally) return;
    if (isDeleted() || !p_maintainsAggregates()) {
        // Its trees go on changing unseen: counted afresh if it comes back.
        p_dropTally();
        return;
    }
    bool touched = m_tally->contains(task);
    for (qsizetype i = 0; !touched && i < moved.size(); ++i)
        touched = m_tally->contains(TDTask::from(moved.at(i)));
    if (!touched) return;
    for (platform::ManagedObject* object : moved)
        if (const TDTask* subtask = TDTask::from(object)) m_tally->recountTree(subtask);
    m_tally->refresh(task);
    p_setAggregates(p_withTalliedCounts(aggregates()));
}

void TDGroup::dropTallies(TDManagedObjectContext* context) {
    if (!context) return;
    const QSet<TDGroup*> tallied = context->talliedGroups();
    for (TDGroup* group : tallied) {
        group->p_dropTally();
        context->scheduleRecalculationOfTransientProperties(group);
    }
}

void TDGroup::p_buildTally() {
    if (!m_tally) m_tally = std::make_unique<TDDistinctTaskTally>(this);
    m_tally->rebuild();
    libraryContext()->setGroupTallied(this, true);
}

void TDGroup::p_dropTally() {
    m_dateCounts.reset();
    if (!m_tally) return;
    m_tally.reset();
    if (TDManagedObjectContext* context = libraryContext()) context->setGroupTallied(this, false);
}

TDAggregates TDGroup::p_withTalliedCounts(TDAggregates sums) const {
    sums.taskCount = m_tally->taskCount();
    sums.actionCount = m_tally->openLeafCount();
    return sums;
}

void TDGroup::p_setAggregates(const TDAggregates& aggregates) {
    const TDAggregates old = this->aggregates();
    if (old == aggregates) return;
    aggregates.store(this);
    if (TDGroup* parent = parentGroup(); parent && parent->isFolder())
        parent->memberAggregatesDidChange(this, old, aggregates);
    if (old.actionCount != aggregates.actionCount && (isTodayGroup() || isInboxGroup()))
        if (TDLibrary* library = libraryContext()->library())
            libraryContext()->scheduleRecalculationOfTransientProperties(library);
}

// A tally, once built, follows every change; only a dropped one is counted afresh.
void TDGroup::recalculateTransientProperties() {
    m_dateCounts.reset();
    if (!p_maintainsAggregates() || isDeleted()) return;
    if (!p_countsDistinctTasks()) return p_setAggregates(calculatedAggregates());
    if (!m_tally) p_buildTally();
    p_setAggregates(p_withTalliedCounts(TDAggregates::sumOf(objects(kTasks))));
}

void TDGroup::didChangeSet(const QString& key, SetMutation mutation,
                           const QList<platform::ManagedObject*>& objects) {
    TDLibraryObject::didChangeSet(key, mutation, objects);
    const bool tasksChanged = key == kTasks;
    if (!tasksChanged && key != kSubgroups) return;
    if (TDOrderedCollection* collection = tasksChanged ? m_orderedTasks.get() : m_orderedSubgroups.get())
        collection->relationshipDidChange(setChange(this, key, mutation, objects));
    if (!p_maintainsAggregates()) {
        m_dateCounts.reset();
        if (tasksChanged) p_dropTally();
        return;
    }
    if (tasksChanged && p_countsDistinctTasks()) {
        if (!m_tally) {
            m_dateCounts.reset();
            libraryContext()->scheduleRecalculationOfTransientProperties(this);
            return;
        }
        for (platform::ManagedObject* object : objects)
            if (const TDTask* task = TDTask::from(object)) m_tally->recountTree(task);
        // The members' sums follow each one; the counts of the distinct tasks come once at the end.
        TDAggregates sums = aggregates();
        const TDAggregates none;
        for (platform::ManagedObject* object : objects) {
            const TDAggregates member = TDAggregates::of(object);
            sums = mutation == SetMutation::Union ? p_followingMember(sums, object, none, member)
                                                  : p_followingMember(sums, object, member, none);
        }
        p_setAggregates(p_withTalliedCounts(sums));
        return;
    }
    const TDAggregates none;
    for (platform::ManagedObject* object : objects) {
        const TDAggregates member = TDAggregates::of(object);
        if (mutation == SetMutation::Union)
            memberAggregatesDidChange(object, none, member);
        else
            memberAggregatesDidChange(object, member, none);
    }
}

// Undo and redo put a group back without setParentGroup; the smart folders that depended on it before
// or depend on it after are reloaded on the library's next pass, not in the middle of the replay.
void TDGroup::willChangeValue(const QString& key) {
    TDLibraryObject::willChangeValue(key);
    if (key == kParentGroup && isReplayingUndo(undoManager()) && p_maintainsSmartFolders())
        m_referencingBeforeReplayedMove = p_smartFoldersReferencingGroup();
}

void TDGroup::didChangeValue(const QString& key) {
    TDLibraryObject::didChangeValue(key);
    if (key == kParentGroup && isReplayingUndo(undoManager()) && p_maintainsSmartFolders()) {
        const QList<TDGroup*> referencing =
            m_referencingBeforeReplayedMove + p_smartFoldersReferencingGroup();
        m_referencingBeforeReplayedMove.clear();
        if (!referencing.isEmpty()) libraryContext()->library()->addModifiedGroups(referencing);
    }
    if (key == kTasks || key == kSubgroups) {
        TDOrderedCollection* collection = key == kTasks ? m_orderedTasks.get() : m_orderedSubgroups.get();
        if (collection)
            collection->relationshipDidChange({this, key, platform::KeyChange::Setting, {}, {}, {}, {}});
        if (key == kTasks) p_dropTally();
        recalculateTransientProperties();
    } else if (TDGroup* parent = parentGroup()) {
        if (TDOrderedCollection* siblings = parent->m_orderedSubgroups.get())
            siblings->membersDidChange({this});
    }
}

// Work time: weeks and days of the work week and work day, moved past the end of the work day before
// weekends are skipped, so the answer never falls on a Saturday or Sunday.
QDateTime TDGroup::estimatedCompletionDate() const {
    const double total = totalEstimatedTime();
    if (total == 0) return {};
    const auto transformer = TDNaturalLanguageTimeIntervalValueTransformer::shared();
    const double secondsPerDay = double(transformer->dayLength());
    const double secondsPerWeek = double(transformer->weekLength());
    const qint64 weeks = qint64(std::floor(total / (secondsPerWeek + 1e-10)));
    const double rest = total - double(weeks) * secondsPerWeek;
    const qint64 days = qint64(std::floor(rest / (secondsPerDay + 1e-10)));
    const qint64 seconds = qint64(rest - double(days) * secondsPerDay);
    auto skipWeekend = [](QDateTime date) {
        const int weekday = dates::weekday(date);
        if (weekday == 1) return dates::dateByAddingDays(date, 1);
        if (weekday == 7) return dates::dateByAddingDays(date, 2);
        return date;
    };
    QDateTime date = skipWeekend(TDClock::currentDateTime());
    date = dates::dateByAddingDays(date, weeks * 7 + days).addSecs(seconds);
    const qint64 endOfDay = platform::UserDefaults::standard().integer(QStringLiteral("endOfDay"));
    if (dates::dateAtStartOfDay(date).secsTo(date) > endOfDay) date = dates::dateByAddingDays(date, 1);
    return skipWeekend(date);
}

QString TDGroup::totalEstimatedTimeSummary() const {
    QString text;
    if (platform::UserDefaults::standard().integer(QStringLiteral("totalEstimatedTimeSummaryDisplayMode")) ==
        0) {
        text =
            TDNaturalLanguageTimeIntervalValueTransformer::shared()->stringFromSeconds(totalEstimatedTime());
    } else if (const auto transformer =
                   platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageDate"))) {
        const QDateTime date = estimatedCompletionDate();
        text = transformer->transformedValue(date.isValid() ? QVariant(date) : QVariant()).toString();
    }
    if (totalEstimatedTimeComprehensive() || text.isEmpty()) return text;
    return text + QLatin1Char('+');
}

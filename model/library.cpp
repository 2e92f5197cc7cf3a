#include "model/library.h"

#include "foundation/shared_predicates.h"
#include "foundation/timing.h"
#include "language/localized_string.h"
#include "model/abbreviation_matcher.h"
#include "model/folder.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/object_casts.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/smart_folder_reloading.h"
#include "model/starter_content.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/object_model.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/predicates/predicate_parser.h"
#include "platform/undo/undo_manager.h"

#include <QSet>

namespace {

platform::PredicatePtr predicate(const QString& format, const QVariantList& arguments = {}) {
    auto parsed = platform::predicateWithFormat(format, arguments);
    return parsed ? *parsed : platform::Predicate::falsePredicate();
}

}  // namespace

TDLibrary::TDLibrary(const platform::EntityDescription* entity, platform::ManagedObjectContext* context)
    : TDLibraryObject(entity, context) {
}

TDLibrary::~TDLibrary() = default;

const QSet<QString>* TDLibrary::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        baseKeysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("dockBadgeCount"),
                                                           QStringLiteral("modifiedGroups"),
                                                           QStringLiteral("modifiedTasks")};
    return &keys;
}

void TDLibrary::awakeFromInsert() {
    TDLibraryObject::awakeFromInsert();
    setPrimitiveValue(QStringLiteral("version"), 1.0);
    setPrimitiveValue(QStringLiteral("rootGroupUID"), RootGroupUID);
}

// The badge counts the state of tasks, not kept aggregates, so it is right before the groups wake.
void TDLibrary::awakeFromFetch() {
    TDLibraryObject::awakeFromFetch();
    const TDManagedObjectContext* context = libraryContext();
    if (context && context->setupTransientProperties())
        setPrimitiveValue(QStringLiteral("dockBadgeCount"), calculatedDockBadgeCount());
}

// ---------------------------------------------------------------------------------------------------
// Fetches

platform::FetchRequest TDLibrary::fetchRequest(const QString& entityName,
                                               const platform::PredicatePtr& predicate,
                                               const QList<platform::SortDescriptor>& sortDescriptors) const {
    return platform::FetchRequest(entityName, predicate, sortDescriptors);
}

Result<QList<platform::ManagedObject*>> TDLibrary::fetch(
    const QString& entityName, const platform::PredicatePtr& predicate,
    const QList<platform::SortDescriptor>& sortDescriptors) {
    return managedObjectContext()->execute(fetchRequest(entityName, predicate, sortDescriptors));
}

Result<QList<platform::ManagedObject*>> TDLibrary::fetchWithTemplateNamed(const QString& name,
                                                                          const QVariantMap& variables) {
    auto request = managedObjectContext()->model().fetchRequestFromTemplate(name, variables);
    if (!request) return request.error();
    return managedObjectContext()->execute(*request);
}

template <typename T>
QList<T*> TDLibrary::p_fetchAs(const QString& entityName, const QString& format,
                               const QVariantList& arguments,
                               const QList<platform::SortDescriptor>& sortDescriptors) {
    auto fetched =
        fetch(entityName, format.isEmpty() ? platform::PredicatePtr() : predicate(format, arguments),
              sortDescriptors);
    if (!fetched) {
        handleError(fetched.error());
        return {};
    }
    return TDObjectsOfClass<T>(*fetched);
}

// ---------------------------------------------------------------------------------------------------
// Special groups and lookups

TDGroup* TDLibrary::p_cachedSpecial(TDGroup*& cache, const std::function<TDGroup*()>& find) {
    if (cache && cache->isDeleted()) cache = nullptr;
    if (!cache) cache = find();
    return cache;
}

TDGroup* TDLibrary::rootGroup() {
    return p_cachedSpecial(m_rootGroup, [this] { return groupWithUID(rootGroupUID()); });
}

void TDLibrary::setRootGroup(TDGroup* group) {
    m_rootGroup = group;
    setValue(QStringLiteral("rootGroupUID"), group ? QVariant(group->uid()) : QVariant());
}

TDGroup* TDLibrary::inboxGroup() {
    return p_cachedSpecial(m_inboxGroup, [this] { return specialGroupNamed(QStringLiteral("Inbox")); });
}
TDGroup* TDLibrary::todayGroup() {
    return p_cachedSpecial(m_todayGroup, [this] { return specialGroupNamed(QStringLiteral("Today")); });
}
TDGroup* TDLibrary::upcomingGroup() {
    return p_cachedSpecial(m_upcomingGroup, [this] { return specialGroupNamed(QStringLiteral("Upcoming")); });
}
TDGroup* TDLibrary::foldersGroup() {
    return p_cachedSpecial(m_foldersGroup, [this] { return specialGroupNamed(QStringLiteral("Folders")); });
}
TDGroup* TDLibrary::tagsGroup() {
    return p_cachedSpecial(m_tagsGroup, [this] { return specialGroupNamed(QStringLiteral("Tags")); });
}
TDGroup* TDLibrary::archiveGroup() {
    return p_cachedSpecial(m_archiveGroup, [this] { return groupWithUID(ArchiveGroupUID); });
}

TDGroup* TDLibrary::specialGroupNamed(const QString& title) {
    const QList<TDGroup*> found = p_fetchAs<TDGroup>(
        QStringLiteral("Group"), QStringLiteral("special == YES AND title == %@"), {title});
    if (found.isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not find the special group named '%@'", title);
        return nullptr;
    }
    if (found.size() > 1)
        logWithLevel(TDLogWarning, "WARNING", "There's more than one of special group '%@'... WTF?", title);
    return found.last();
}

TDGroup* TDLibrary::groupTitled(const QString& title) {
    if (title.isNull()) return nullptr;
    auto fetched = fetchWithTemplateNamed(QStringLiteral("groupTitled"), {{QStringLiteral("TITLE"), title}});
    if (!fetched) {
        handleError(fetched.error());
        return nullptr;
    }
    for (platform::ManagedObject* object : *fetched)
        if (TDGroup* group = TDGroup::from(object)) return group;
    return nullptr;
}

platform::ManagedObject* TDLibrary::fetchWithEntityName(const QString& entityName, const QString& uid) {
    if (uid.isNull()) return nullptr;
    const auto fetched = managedObjectContext()->objectsWithIndexedValue(entityName, uid);
    if (!fetched) {
        handleError(fetched.error());
        return nullptr;
    }
    return fetched->isEmpty() ? nullptr : fetched->last();
}

TDGroup* TDLibrary::groupWithUID(const QString& uid) {
    return TDGroup::from(fetchWithEntityName(QStringLiteral("Group"), uid));
}
TDGroup* TDLibrary::folderWithUID(const QString& uid) {
    return TDGroup::from(fetchWithEntityName(QStringLiteral("Folder"), uid));
}
TDGroup* TDLibrary::smartFolderWithUID(const QString& uid) {
    return TDGroup::from(fetchWithEntityName(QStringLiteral("SmartFolder"), uid));
}
TDTag* TDLibrary::tagWithUID(const QString& uid) {
    return dynamic_cast<TDTag*>(fetchWithEntityName(QStringLiteral("Tag"), uid));
}
TDTask* TDLibrary::taskWithUID(const QString& uid) {
    return TDTask::from(fetchWithEntityName(QStringLiteral("Task"), uid));
}

TDTask* TDLibrary::taskWithCalendarStoreUID(const QString& uid) {
    const QList<TDTask*> found =
        p_fetchAs<TDTask>(QStringLiteral("Task"), QStringLiteral("calendarStoreUID == %@"), {uid});
    return found.isEmpty() ? nullptr : found.last();
}

QList<TDGroup*> TDLibrary::allGroups() {
    QList<TDGroup*> groups = p_fetchAs<TDGroup>(QStringLiteral("Group"), {}, {},
                                                {platform::SortDescriptor(QStringLiteral("displayOrder"))});
    groups.removeAll(rootGroup());
    return groups;
}

QList<TDGroup*> TDLibrary::allSubGroups() {
    QList<TDGroup*> groups = allGroups();
    const TDGroup* root = rootGroup();
    groups.removeIf([root](TDGroup* group) { return group->parentGroup() == root || group->isTag(); });
    return groups;
}

QList<TDGroup*> TDLibrary::allLists() {
    QList<TDGroup*> lists =
        p_fetchAs<TDGroup>(QStringLiteral("List"), {}, {},
                           {platform::SortDescriptor(QStringLiteral("title"), true,
                                                     platform::SortDescriptor::Comparison::CaseInsensitive)});
    if (TDGroup* inbox = inboxGroup(); inbox && lists.removeAll(inbox)) lists.prepend(inbox);
    return lists;
}

QList<TDGroup*> TDLibrary::allSmartFolders() {
    return p_fetchAs<TDGroup>(QStringLiteral("SmartFolder"), {}, {},
                              {platform::SortDescriptor(QStringLiteral("displayOrder"))});
}

QList<TDTask*> TDLibrary::allTasks() {
    return p_fetchAs<TDTask>(QStringLiteral("Task"), {}, {},
                             {platform::SortDescriptor(QStringLiteral("uid"))});
}

QList<TDTask*> TDLibrary::unsyncedTasks() {
    return p_fetchAs<TDTask>(QStringLiteral("Task"), QStringLiteral("calendarStoreUID == nil"));
}

QList<TDTag*> TDLibrary::allTags() {
    return p_fetchAs<TDTag>(QStringLiteral("Tag"), {}, {},
                            {platform::SortDescriptor(QStringLiteral("title"))});
}

QList<TDTag*> TDLibrary::tagsWithTitlePrefix(const QString& prefix) {
    if (prefix.isEmpty()) return allTags();
    return p_fetchAs<TDTag>(QStringLiteral("Tag"), QStringLiteral("title BEGINSWITH[cd] %@"), {prefix});
}

QList<TDTag*> TDLibrary::tagsWithoutTitlePrefix(const QString& prefix) {
    if (prefix.isEmpty()) return allTags();
    return p_fetchAs<TDTag>(QStringLiteral("Tag"), QStringLiteral("NOT title BEGINSWITH[cd] %@"), {prefix});
}

TDTag* TDLibrary::tagWithTitle(const QString& title) {
    TDManagedObjectContext* context = libraryContext();
    const QString key = QStringLiteral("tag:%1").arg(title);
    if (context)
        if (auto* cached = dynamic_cast<TDTag*>(context->cachedObjectForUID(key));
            cached && !cached->isDeleted())
            return cached;
    const QList<TDTag*> found =
        title.isNull() ? p_fetchAs<TDTag>(QStringLiteral("Tag"), QStringLiteral("title == nil"))
                       : p_fetchAs<TDTag>(QStringLiteral("Tag"), QStringLiteral("title == %@"), {title});
    if (found.isEmpty()) return nullptr;
    TDTag* survivor = found.first();
    for (qsizetype i = 1; i < found.size(); ++i) survivor->mergeWithTag(found.at(i));
    if (context) context->cacheObject(survivor, key);
    return survivor;
}

// ---------------------------------------------------------------------------------------------------
// Journals and processing

void TDLibrary::addModifiedGroupsObject(TDGroup* group) {
    addModifiedGroups({group});
}

void TDLibrary::addModifiedGroups(const QList<TDGroup*>& groups) {
    const TDManagedObjectContext* context = libraryContext();
    if (groups.isEmpty() || (context && context->isTemporary())) return;
    addObjects(QStringLiteral("modifiedGroups"),
               QList<platform::ManagedObject*>(groups.begin(), groups.end()));
}

void TDLibrary::addModifiedTasksObject(TDTask* task) {
    const TDManagedObjectContext* context = libraryContext();
    if (!task || (context && context->isTemporary()) ||
        objects(QStringLiteral("modifiedTasks")).contains(task))
        return;
    addObject(QStringLiteral("modifiedTasks"), task);
}

void TDLibrary::removeModifiedTasksObject(TDTask* task) {
    removeObject(QStringLiteral("modifiedTasks"), task);
}

QList<TDTask*> TDLibrary::modifiedTasks() const {
    return TDObjectsOfClass<TDTask>(objects(QStringLiteral("modifiedTasks")));
}

QList<TDGroup*> TDLibrary::modifiedGroups() const {
    return TDObjectsOfClass<TDGroup>(objects(QStringLiteral("modifiedGroups")));
}

void TDLibrary::processModifiedObjects() {
    const TDManagedObjectContext* context = libraryContext();
    if (m_dontProcessModifiedObjects || m_smartFoldersShouldIgnoreMOCChange ||
        (context && context->isTemporary()) || isDeleted())
        return;
    m_dontProcessModifiedObjects = true;
    const QList<TDGroup*> groups = modifiedGroups();
    if (std::any_of(groups.begin(), groups.end(), [](TDGroup* group) { return group->isSmartFolder(); })) {
        reloadAllSmartFolders();
        removeObjects(QStringLiteral("modifiedGroups"), objectList(QStringLiteral("modifiedGroups")));
    } else {
        const QList<TDGroup*> smartFolders = allSmartFolders();
        while (!objects(QStringLiteral("modifiedTasks")).isEmpty()) {
            const QList<TDTask*> batch = modifiedTasks();
            for (TDGroup* folder : smartFolders) folder->tasksDidChange(batch);
            removeObjects(QStringLiteral("modifiedTasks"),
                          QList<platform::ManagedObject*>(batch.begin(), batch.end()));
        }
    }
    m_dontProcessModifiedObjects = false;
}

// One fetch of the unarchived tasks serves every ordinary smart folder; the special ones query the store.
void TDLibrary::reloadAllSmartFolders() {
    pushTimestamp();
    QList<TDSmartFolder*> special;
    QList<TDSmartFolder*> ordinary;
    for (TDGroup* group : allSmartFolders())
        if (TDSmartFolder* folder = TDSmartFolder::from(group))
            (folder->isSpecial() ? special : ordinary).append(folder);
    for (TDSmartFolder* folder : special) folder->resetPredicate();
    for (TDSmartFolder* folder : ordinary) folder->resetPredicate();
    for (TDSmartFolder* folder : special) folder->reloadTasks();
    TDReloadOrdinarySmartFolders(this, ordinary);
    const double seconds = popElapsedSeconds();
    logWithLevel(TDLogDebug, "DEBUG", "Reloading all smart folders took %lf", seconds);
}

// ---------------------------------------------------------------------------------------------------
// Badge

qint64 TDLibrary::calculatedDockBadgeCount() {
    const int mode = platform::UserDefaults::standard().integer(QStringLiteral("dockBadgeMode"));
    if (mode == 1) {
        TDGroup* today = todayGroup();
        return today ? today->calculatedAggregates().actionCount : 0;
    }
    if (mode != 2) return 0;
    QSet<TDTask*> open;
    for (TDGroup* group : {todayGroup(), inboxGroup()}) {
        if (!group) continue;
        for (TDTask* task : group->allTasksInTree())
            if (TDOpenLeafTaskPredicate()->evaluate(task)) open.insert(task);
    }
    return open.size();
}

void TDLibrary::recalculateTransientProperties() {
    const qint64 count = calculatedDockBadgeCount();
    if (count == dockBadgeCount()) return;
    platform::UndoManager* undo = undoManager();
    if (undo) undo->disableUndoRegistration();
    setValue(QStringLiteral("dockBadgeCount"), count);
    if (undo) undo->enableUndoRegistration();
}

// ---------------------------------------------------------------------------------------------------
// Sync journal

void TDLibrary::setCorvaneSyncSetManagedObjectContext(platform::ManagedObjectContext* context) {
    if (context == m_syncSetContext) return;
    m_syncSetContext = context;
    // The cached set lived in the context being replaced.
    m_corvaneSyncSet = nullptr;
}

TDSyncSet* TDLibrary::corvaneSyncSet(bool warn) {
    if (m_corvaneSyncSet) return m_corvaneSyncSet;
    const TDManagedObjectContext* context = libraryContext();
    if ((context && context->isTemporary()) || !m_syncSetContext) return nullptr;
    static const platform::PredicatePtr corvane =
        predicate(QStringLiteral("syncType == %@"), {QStringLiteral("corvane")});
    auto fetched = m_syncSetContext->execute(platform::FetchRequest(QStringLiteral("SyncSet"), corvane));
    if (!fetched) {
        logWithLevel(TDLogError, "ERROR", "Could not fetch Corvane Sync Set: %@",
                     fetched.error().description);
        return nullptr;
    }
    if (fetched->size() > 1) {
        logWithLevel(TDLogWarning, "WARNING", "There should be only one Corvane SyncSet object!");
        return nullptr;
    }
    if (fetched->size() == 1) m_corvaneSyncSet = dynamic_cast<TDSyncSet*>(fetched->first());
    if (!m_corvaneSyncSet && warn)
        logWithLevel(TDLogWarning, "WARNING", "Library could not find the Corvane SyncSet object!");
    return m_corvaneSyncSet;
}

// ---------------------------------------------------------------------------------------------------
// The new library and the factories

void TDLibrary::createObjectsForNewLibrary() {
    auto withUID = [](auto* object, const QString& uid) {
        object->setPrimitiveValue(QStringLiteral("uid"), uid);
        return object;
    };
    TDFolder* root = withUID(createFolder(QStringLiteral("Root Group"), nullptr, true), RootGroupUID);
    root->setValue(QStringLiteral("displayOrder"), 0.0);
    m_rootGroup = root;
    TDFolder* inboxFolder = withUID(createFolder(QStringLiteral("INBOX"), root, true), InboxFolderUID);
    TDFolder* ordellos = withUID(createFolder(QStringLiteral("Ordellos"), root, true), OrdellosFolderUID);
    m_foldersGroup = withUID(createFolder(QStringLiteral("Folders"), root, true), FoldersGroupUID);
    m_archiveGroup = withUID(createFolder(QStringLiteral("Archive"), root, true), ArchiveGroupUID);
    m_tagsGroup = withUID(createFolder(QStringLiteral("Tags"), root, true), TagsGroupUID);
    m_inboxGroup = withUID(createList(QStringLiteral("Inbox"), inboxFolder, true), InboxListUID);
    for (TDGroup* smart : {createTodaySmartFolder(), createUpcomingSmartFolder()})
        (void)ordellos->orderedSubgroups()->addObject(smart);  // the collection logs a refusal
    TDFolder* projects =
        withUID(createFolder(TDLocalizedString("Projects"), m_foldersGroup), ProjectsFolderUID);
    withUID(TDCreateQuickGuideList(this, projects), QuickGuideListUID);
    TDFolder* onHold = withUID(createFolder(TDLocalizedString("On Hold"), m_foldersGroup), OnHoldFolderUID);
    withUID(createList(TDLocalizedString("Someday"), onHold), SomedayListUID);
    if (TDTask* starter = createTaskFromImportDictionary(
            TDStarterResource(QStringLiteral("odl_starter_task")), m_inboxGroup))
        withUID(starter, StarterTaskUID);
    TDResetDisplayOrdersInTree(root);
}

TDFolder* TDLibrary::createFolder(const QString& title, TDGroup* parent, bool special) {
    auto* folder = managedObjectContext()->insertObject<TDFolder>(QStringLiteral("Folder"));
    folder->setTitle(title);
    folder->setSpecial(special);
    if (parent) (void)parent->orderedSubgroups()->addObject(folder);  // the collection logs a refusal
    return folder;
}

TDFolder* TDLibrary::createFolder() {
    return createFolder(TDLocalizedString("New Folder"), foldersGroup());
}

TDList* TDLibrary::createList(const QString& title, TDGroup* parent, bool special) {
    auto* list = managedObjectContext()->insertObject<TDList>(QStringLiteral("List"));
    list->setTitle(title);
    list->setSpecial(special);
    if (parent) (void)parent->orderedSubgroups()->addObject(list);  // the collection logs a refusal
    return list;
}

TDList* TDLibrary::createList() {
    return createList(TDLocalizedString("New List"), foldersGroup());
}

TDGroup* TDLibrary::createSmartFolder() {
    return managedObjectContext()->insertObject<TDGroup>(QStringLiteral("SmartFolder"));
}

TDGroup* TDLibrary::createTodaySmartFolder() {
    TDGroup* today = createSmartFolder();
    today->setPrimitiveValue(QStringLiteral("uid"), TodayGroupUID);
    today->setValue(QStringLiteral("title"), QStringLiteral("Today"));
    today->setSpecial(true);
    m_todayGroup = today;
    return today;
}

TDGroup* TDLibrary::createUpcomingSmartFolder() {
    TDGroup* upcoming = createSmartFolder();
    upcoming->setPrimitiveValue(QStringLiteral("uid"), UpcomingGroupUID);
    upcoming->setValue(QStringLiteral("title"), QStringLiteral("Upcoming"));
    upcoming->setSpecial(true);
    m_upcomingGroup = upcoming;
    return upcoming;
}

TDTask* TDLibrary::createOrphanTask() {
    return managedObjectContext()->insertObject<TDTask>(QStringLiteral("Task"));
}

TDTask* TDLibrary::createTask() {
    TDTask* task = createOrphanTask();
    // The collection logs a refusal.
    if (TDGroup* inbox = inboxGroup()) (void)inbox->orderedTasks()->insertObject(task, 0);
    return task;
}

TDTag* TDLibrary::createTagWithTitle(const QString& title, TDGroup* parent) {
    if (tagWithTitle(title)) return nullptr;
    auto* tag = managedObjectContext()->insertObject<TDTag>(QStringLiteral("Tag"));
    tag->setTitle(title, false);
    if (parent) (void)parent->orderedSubgroups()->addObject(tag);  // the collection logs a refusal
    return tag;
}

TDTag* TDLibrary::createTagWithTitle(const QString& title) {
    return createTagWithTitle(title, tagsGroup());
}

TDTag* TDLibrary::createTagWithNoParent() {
    QString title = TDLocalizedString("new-tag");
    for (qint64 n = 1; tagWithTitle(title); ++n) title = TDLocalizedString("new-tag-%1").arg(n);
    auto* tag = managedObjectContext()->insertObject<TDTag>(QStringLiteral("Tag"));
    tag->setTitle(title, false);
    return tag;
}

void TDResetDisplayOrdersInTree(TDLibraryObject* object) {
    if (auto* group = dynamic_cast<TDGroup*>(object)) {
        if (group->isFolder()) {
            TDOrderedCollection* subgroups = group->orderedSubgroups();
            subgroups->resetDisplayOrders();
            for (TDGroup* child : subgroups->objectsAs<TDGroup>()) TDResetDisplayOrdersInTree(child);
        } else if (group->isList()) {
            TDOrderedCollection* tasks = group->orderedTasks();
            tasks->resetDisplayOrders();
            for (TDTask* task : tasks->objectsAs<TDTask>()) TDResetDisplayOrdersInTree(task);
        }
    } else if (auto* task = dynamic_cast<TDTask*>(object)) {
        TDOrderedCollection* tasks = task->orderedTasks();
        tasks->resetDisplayOrders();
        for (TDTask* child : tasks->objectsAs<TDTask>()) TDResetDisplayOrdersInTree(child);
    }
}

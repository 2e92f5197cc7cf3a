#pragma once

#include "model/library_object.h"
#include "platform/objectstore/fetch_request.h"

#include <functional>

class TDAbbreviationMatcher;
class TDFolder;
class TDCalendarStoreSyncSettings;
class TDGroup;
class TDLibraryOptions;
class TDList;
class TDSyncSet;
class TDTag;
class TDTask;
class QMimeData;
class QUrl;
class TDTaskClassifier;
namespace platform {
class CalendarTask;
class ManagedObjectContext;
}  // namespace platform

// The root object of a library: the special groups, lookups by UID and title, standard fetches, the
// journals of changed groups and tasks, the badge count and the sync service's journal. It also builds
// a new library's starter tree and is the factory of groups, tags and tasks.
class TDLibrary final : public TDLibraryObject {
public:
    TDLibrary(const platform::EntityDescription* entity, platform::ManagedObjectContext* context);
    ~TDLibrary() override;

    static inline const QString RootGroupUID = QStringLiteral("1AD5C0850B0BE611");
    static inline const QString InboxFolderUID = QStringLiteral("0F3BBB3637A63EEA");
    static inline const QString OrdellosFolderUID = QStringLiteral("2787C4A047EDE68B");
    static inline const QString FoldersGroupUID = QStringLiteral("6BCCBDE462F0F3FB");
    static inline const QString ArchiveGroupUID = QStringLiteral("75B59CC4406246EB");
    static inline const QString TagsGroupUID = QStringLiteral("1C360B5A16EA03BB");
    static inline const QString InboxListUID = QStringLiteral("57553C3149610B74");
    static inline const QString TodayGroupUID = QStringLiteral("05FB05DB28053AF2");
    static inline const QString UpcomingGroupUID = QStringLiteral("0CB99A5A5C5F49D8");
    static inline const QString ProjectsFolderUID = QStringLiteral("230C12DF19F6B890");
    static inline const QString QuickGuideListUID = QStringLiteral("0C2266C72BE17631");
    static inline const QString OnHoldFolderUID = QStringLiteral("7D6B170C654752A8");
    static inline const QString SomedayListUID = QStringLiteral("0B1B48D34637C394");

    QString rootGroupUID() const { return primitiveValue(QStringLiteral("rootGroupUID")).toString(); }
    double version() const { return primitiveValue(QStringLiteral("version")).toDouble(); }

    // Special groups, found once and kept.
    TDGroup* rootGroup();
    void setRootGroup(TDGroup* group);
    TDGroup* inboxGroup();
    TDGroup* todayGroup();
    TDGroup* upcomingGroup();
    TDGroup* foldersGroup();
    TDGroup* tagsGroup();
    TDGroup* archiveGroup();
    // Logged and nil when missing; the last one when there are several.
    TDGroup* specialGroupNamed(const QString& title);

    // Lookups; fetch errors go to the error handler.
    TDGroup* groupTitled(const QString& title);
    TDGroup* groupWithUID(const QString& uid);
    TDGroup* folderWithUID(const QString& uid);
    TDGroup* smartFolderWithUID(const QString& uid);
    TDTag* tagWithUID(const QString& uid);
    TDTask* taskWithUID(const QString& uid);
    // The task of the running time-log entry (the library option "timeLogEntry"), or nullptr.
    TDTask* activeTask();
    // The per-library options, handed over by whoever opened the library (not owned); none for a
    // library read by a background operation, which then reads no option and writes none.
    TDLibraryOptions* options() const { return m_options; }
    void setOptions(TDLibraryOptions* options) { m_options = options; }
    // Which groups are mirrored in calendars, read from this library's options.
    TDCalendarStoreSyncSettings calendarStoreSyncSettings() const;
    platform::ManagedObject* fetchWithEntityName(const QString& entityName, const QString& uid);
    TDTask* taskWithCalendarStoreUID(const QString& uid);
    QList<TDGroup*> allGroups();
    QList<TDGroup*> allSubGroups();
    QList<TDGroup*> allLists();
    QList<TDGroup*> allSmartFolders();
    QList<TDTask*> allTasks();
    QList<TDTask*> unsyncedTasks();
    QList<TDTag*> allTags();
    QList<TDTag*> tagsWithTitlePrefix(const QString& prefix);
    QList<TDTag*> tagsWithoutTitlePrefix(const QString& prefix);
    QList<TDTag*> allContextTags() { return tagsWithTitlePrefix(QStringLiteral("@")); }
    // Two tags of one title merge into the first.
    TDTag* tagWithTitle(const QString& title);

    platform::FetchRequest fetchRequest(const QString& entityName,
                                        const platform::PredicatePtr& predicate = {},
                                        const QList<platform::SortDescriptor>& sortDescriptors = {}) const;
    Result<QList<platform::ManagedObject*>> fetch(
        const QString& entityName, const platform::PredicatePtr& predicate = {},
        const QList<platform::SortDescriptor>& sortDescriptors = {});
    Result<QList<platform::ManagedObject*>> fetchWithTemplateNamed(const QString& name,
                                                                   const QVariantMap& variables);

    // Change journals; nothing is journalled in a temporary context.
    void addModifiedGroupsObject(TDGroup* group);
    void addModifiedGroups(const QList<TDGroup*>& groups);
    void addModifiedTasksObject(TDTask* task);
    void removeModifiedTasksObject(TDTask* task);
    QList<TDTask*> modifiedTasks() const;
    QList<TDGroup*> modifiedGroups() const;
    bool smartFoldersShouldIgnoreMOCChange() const { return m_smartFoldersShouldIgnoreMOCChange; }
    void setSmartFoldersShouldIgnoreMOCChange(bool ignore) { m_smartFoldersShouldIgnoreMOCChange = ignore; }
    // Runs before every save and on every change of the library's context (unless it is syncing).
    void processModifiedObjects();
    void reloadAllSmartFolders();

    // The number the launcher shows, by "dockBadgeMode": 1 Today's open actions, 2 those of Today and
    // the Inbox together, otherwise none.
    qint64 dockBadgeCount() const { return primitiveValue(QStringLiteral("dockBadgeCount")).toLongLong(); }
    qint64 calculatedDockBadgeCount();
    void recalculateTransientProperties() override;

    // The sync service's journal, kept in a context of its own that whoever opens the library makes,
    // hands over here and saves after the library (not owned). Without one nothing is journalled.
    platform::ManagedObjectContext* corvaneSyncSetManagedObjectContext() const { return m_syncSetContext; }
    void setCorvaneSyncSetManagedObjectContext(platform::ManagedObjectContext* context);
    TDSyncSet* corvaneSyncSet() { return corvaneSyncSet(true); }
    TDSyncSet* corvaneSyncSet(bool warn);
    void setCorvaneSyncSet(TDSyncSet* syncSet) { m_corvaneSyncSet = syncSet; }

    const QSet<QString>* keysNotAffectingModifiedDate() const override;

    // Groups and tags reached by a typed abbreviation (library_abbreviations.cpp), best first: the ones
    // chosen before with exactly these letters, then by how well the letters fit the name, helped by
    // similar letters chosen before. The memory of choices is the shared one (QSMnemonics). Every group
    // but the root, the top folders, tags and tag bundles.
    QList<TDGroup*> groupsMatchingAbbreviation(const QString& abbreviation);
    // The go-to command: without archived groups.
    QList<TDGroup*> goToGroupsMatchingAbbreviation(const QString& abbreviation);
    // Filing tasks: lists only, not archived.
    QList<TDGroup*> fileToGroupsMatchingAbbreviation(const QString& abbreviation);
    QList<TDTag*> tagsMatchingAbbreviation(const QString& abbreviation);
    // Remembers that the user picked the group or tag after typing the abbreviation.
    void addMnemonic(const QString& abbreviation, TDGroup* item);

    // Builds the starter tree of a new library (special groups with their fixed UIDs).
    void createObjectsForNewLibrary();
    // Makes the copies that open recurring tasks owe for days that have passed.
    void createRecurringTasksIfNecessary();

    // Factories.
    TDFolder* createFolder(const QString& title, TDGroup* parent, bool special = false);
    TDFolder* createFolder();
    TDList* createList(const QString& title, TDGroup* parent, bool special = false);
    TDList* createList();
    TDGroup* createSmartFolder();
    TDGroup* createTodaySmartFolder();
    TDGroup* createUpcomingSmartFolder();
    // At the top of the Inbox.
    TDTask* createTask();
    TDTask* createOrphanTask();
    // Nil when a tag of that title exists.
    TDTag* createTagWithTitle(const QString& title, TDGroup* parent);
    TDTag* createTagWithTitle(const QString& title);
    TDTag* createTagWithNoParent();
    // A new object of the entity filled from its property-list form; on an error nothing is left.
    Result<TDLibraryObject*> createEntityNamed(const QString& entityName, const QVariantMap& dictionary);

    // Tasks from outside data (task_creation.cpp). Unless said otherwise a task is made in no list and
    // under no parent, for the caller to place; data that cannot be read gives nullptr.
    // Placed in `parent` (a list, a task, a tag via the Inbox, the Today group, or nullptr for none) at
    // the dictionary's "index"; -1 or past the end appends.
    TDTask* createTaskFromImportDictionary(const QVariantMap& dictionary, TDLibraryObject* parent);
    // A leading "- ", "• ", "× " (canceled) or "✓ " (completed) marker, or a link.
    TDTask* createTaskFromString(const QString& line);
    TDTask* createTaskFromURL(const QUrl& url);
    TDTask* createTaskFromURL(const QUrl& url, const QString& urlTitle);
    TDTask* createTaskFromEmailFilepath(const QString& path);
    TDTask* createTaskFromFilepath(const QString& path);
    // Placed in the group synchronised with the task's calendar, else the Inbox; nullptr when no group
    // is synchronised with it.
    TDTask* createTaskFromCalTask(const platform::CalendarTask& calTask);
    // Task dictionaries, files, links or text lines, in the order of the source.
    QList<TDTask*> createTasksFromMimeData(const QMimeData* data);
    // The starter task of a new library, in the Inbox.
    static inline const QString StarterTaskUID = QStringLiteral("981BE74BB10C9341");
    // The data type of task dictionaries (a property list of an array of task dictionaries).
    static inline const QString TaskPlistMimeType = QStringLiteral("application/x-ordello-task-plist");

protected:
    void awakeFromInsert() override;
    void awakeFromFetch() override;

private:
    TDGroup* p_cachedSpecial(TDGroup*& cache, const std::function<TDGroup*()>& find);
    QList<TDGroup*> p_groupsMatchingAbbreviation(const QString& abbreviation,
                                                 const std::function<bool(const TDGroup*)>& offered);
    TDAbbreviationMatcher& p_abbreviationMatcher();
    template <typename T>
    QList<T*> p_fetchAs(const QString& entityName, const QString& format = {},
                        const QVariantList& arguments = {},
                        const QList<platform::SortDescriptor>& sortDescriptors = {});

    TDGroup* m_rootGroup = nullptr;
    TDGroup* m_inboxGroup = nullptr;
    TDGroup* m_todayGroup = nullptr;
    TDGroup* m_upcomingGroup = nullptr;
    TDGroup* m_foldersGroup = nullptr;
    TDGroup* m_tagsGroup = nullptr;
    TDGroup* m_archiveGroup = nullptr;
    TDSyncSet* m_corvaneSyncSet = nullptr;
    TDLibraryOptions* m_options = nullptr;
    platform::ManagedObjectContext* m_syncSetContext = nullptr;
    bool m_dontProcessModifiedObjects = false;
    bool m_smartFoldersShouldIgnoreMOCChange = false;
    // Keeps the string ranker that every ranking of this library reuses.
    std::unique_ptr<TDAbbreviationMatcher> m_abbreviationMatcher;

    // Tag prediction: the library manager makes the classifier when it opens the library and owns it.
public:
    TDTaskClassifier* taskClassifier() const { return m_taskClassifier; }
    void setTaskClassifier(TDTaskClassifier* classifier) { m_taskClassifier = classifier; }

private:
    TDTaskClassifier* m_taskClassifier = nullptr;
};

// Renumbers display orders over a whole subtree: a folder's subgroups, a list's or a task's tasks.
void TDResetDisplayOrdersInTree(TDLibraryObject* object);

#pragma once

#include "platform/base/error.h"
#include "platform/notifications/notification.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_upload.h"

#include <QDateTime>
#include <QHash>
#include <QSet>
#include <QString>

#include <optional>
#include <utility>

class TDGroup;
class TDLibrary;
class TDLibraryManager;
class TDLibraryObject;
class TDList;
class TDManagedObjectContext;
class TDSyncSet;
class TDTask;
class TDTaskNotes;

// Posted on the main thread before a merge made in the background is carried into the main-thread
// library; the user information is the did-save notification's.
inline const QString TDSyncMainThreadMergeWillStart = QStringLiteral("TDSyncMainThreadMergeWillStart");

// Applies the server's changes of one sync to a library and commits them with the new sync token.
//
// With the library manager given, the library is its main-thread library: the merge first saves it
// without syncing (so that a failed commit takes back the merge and nothing else) and runs without
// undo. Without one, the library lives in an operation's own context.
//
// Records of objects changed here since the upload (their journal item added or renewed after it was
// read) are not applied: this side's version goes up with the next sync. A parent's list of members
// moves nothing either: each child's own record says where it lives.
class TDCorvaneMerge {
public:
    TDCorvaneMerge(TDLibrary* library, TDCorvaneSyncType syncType, TDLibraryManager* manager = nullptr);

    // Checks the download whole, merges it and commits; once started it runs to its end. With a token
    // the sync set takes it and the date, and the uploaded journal items that were not renewed since are
    // deleted; without one only the library is saved. On an error the library, the journal and the
    // token are as they were before the call.
    Status mergeAndCommit(const ODLCorvaneChangeSet& changes, const std::optional<QString>& token,
                          const QList<TDCorvaneJournalEntry>& uploaded);

    // Set during a merge: a new tag has the title of one already here; a new task has a recurrence.
    bool mergeTags() const { return m_mergeTags; }
    bool cleanUpRecurrences() const { return m_cleanUpRecurrences; }

private:
    Status p_saveMainContextFirst();
    QSet<QString> p_uidsChangedSinceUpload(const QList<TDCorvaneJournalEntry>& uploaded) const;
    QSet<QString> p_journalledUIDs() const;
    Status p_mergeChanges(const ODLCorvaneChangeSet& changes);
    void p_prepareLookups();
    Status p_mergeEntity(const QString& entityName, const QMap<QString, QJsonObject>& records);
    void p_settleNotesOfOneTask(const QString& uid, QVariantMap& record);
    void p_rememberNotesUIDOnServer(platform::ManagedObject* task);
    void p_addNewTasksToTheirLists();
    void p_relinkGroups(const ODLCorvaneChangeSet& changes);
    void p_relinkTasks(const ODLCorvaneChangeSet& changes);
    void p_deleteKeepingLocalChildren(TDLibraryObject* object);
    void p_rescueLocalChildren(TDLibraryObject* object);
    void p_sweepGroups();
    void p_sweepTasksAndNotes();
    void p_mergeTagsWithOneTitle();
    void p_cleanUpRecurrences();
    void p_journal(TDLibraryObject* object);
    void p_journalTree(TDLibraryObject* object);
    Status p_commit(const std::optional<QString>& token, const QList<TDCorvaneJournalEntry>& uploaded);
    void p_rollback();
    TDLibraryObject* p_cached(const QString& uid) const;

    TDLibrary* m_library;
    TDManagedObjectContext* m_context;
    TDCorvaneSyncType m_syncType;
    TDLibraryManager* m_manager;
    bool m_mergeTags = false;
    bool m_cleanUpRecurrences = false;
    // Per merge: records not applied, records applied, what they delete and what lost its parent here.
    QSet<QString> m_changedHere;
    // Changed here since the last sync (in the journal when the merge began).
    QSet<QString> m_journalled;
    QSet<QString> m_applied;
    QSet<QString> m_deletedByDownload;
    // Tasks whose notes two sides made: their notes UID follows the notes kept, and goes up.
    QList<TDTask*> m_tasksWithSettledNotes;
    QHash<QString, QDateTime> m_taskTimesBeforeMerge;
    // Tasks whose notes the download names or deletes, with the notes UID the server holds for them: a
    // task whose notes UID the merge leaves otherwise goes up.
    QHash<TDTask*, QString> m_notesUIDsOnServer;
    const QMap<QString, QJsonObject>* m_downloadedTasks = nullptr;
    QList<TDLibraryObject*> m_toDelete;
    QList<TDLibraryObject*> m_rescued;
    QList<TDTaskNotes*> m_displacedNotes;
    // New tasks by the UID of the list their record names, in the order the records came.
    QList<std::pair<QString, QList<TDTask*>>> m_newTasksByList;
    QHash<QString, qsizetype> m_newTasksListIndex;
    QSet<QString> m_tagTitles;
};

// Carries a save of a background merge into the main-thread library: without undo, without starting
// an autosave, journalling nothing; values changed here and not saved stay.
void TDCorvaneMergeMainThreadLibrary(TDLibraryManager& manager, const platform::Notification& didSave);

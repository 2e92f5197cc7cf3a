#pragma once

#include "platform/objectstore/object_id.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_operation.h"

#include <QList>

#include <functional>

class TDCorvaneLibrarySync;
class TDLibrary;

// Download pages one sync follows at most (a million records at 500 a page): a server that hands out
// bookmarks for ever ends with error 600.
inline constexpr int kCorvaneMaximumDownloadPages = 2000;

// Posted on the operation's thread with the operation as sender.
inline const QString TDSyncWillStart = QStringLiteral("TDSyncWillStart");
inline const QString TDSyncProgressDidChange = QStringLiteral("TDSyncProgressDidChange");
// User information: TDSyncError when the sync failed, "skippedObjectIDs" when objects were left out.
inline const QString TDSyncDidFinish = QStringLiteral("TDSyncDidFinish");
inline const QString TDSyncError = QStringLiteral("TDSyncError");

// One exchange of the open library with the sync service: the upload in PUT pages, the download page
// by page, then the merge and the commit of the new token on the main thread. The journal is read and
// the merge applied in the main-thread library (the operation waits for them there); the requests run
// on the operation's own thread. Nothing is committed unless the whole download arrived: a failed or
// cancelled exchange leaves the library, the journal and the token as they were.
class TDCorvaneSyncOperation : public TDCorvaneOperation {
public:
    // `manager` owns `mainLibrary`; both outlive the operation.
    TDCorvaneSyncOperation(TDLibraryManager* manager, TDLibrary* mainLibrary);
    // Syncs the library of a store no window shows (a full sync's copy): read, merged and committed on
    // the operation's own thread, in its own context. `coordinator` outlives the operation.
    explicit TDCorvaneSyncOperation(platform::PersistentStoreCoordinator* coordinator);

    TDLibrary* mainLibrary() const { return m_mainLibrary; }
    bool mergeInBackground() const { return m_mergeInBackground; }
    TDCorvaneSyncType syncType() const { return m_syncType; }
    void setSyncType(TDCorvaneSyncType syncType) { m_syncType = syncType; }
    const QList<platform::ObjectID>& skippedItemIDs() const { return m_skippedItemIDs; }
    // This machine's node id unless set (tests play several machines).
    void setNodeID(const QString& nodeID) { m_nodeID = nodeID; }
    void setMaximumDownloadPages(int pages) { m_maximumDownloadPages = pages; }

    void performOperation();

protected:
    void main() override;

private:
    // Ok with no answer when cancelled.
    Result<std::optional<TDCorvaneAnswer>> p_send(const TDCorvaneRequest& request);
    Result<std::optional<TDCorvaneAnswer>> p_upload(TDCorvaneLibrarySync& sync, QJsonObject parameters);
    void p_postProgress(const QVariantMap& userInfo);
    void p_finish();
    // Runs where the library lives: here when merging in the background, else on the main thread.
    void p_onLibraryThread(const std::function<void()>& work);

    TDLibrary* m_mainLibrary = nullptr;
    bool m_mergeInBackground = false;
    TDCorvaneSyncType m_syncType = TDCorvaneSyncType::Incremental;
    QList<platform::ObjectID> m_skippedItemIDs;
    QString m_nodeID;
    int m_maximumDownloadPages = kCorvaneMaximumDownloadPages;
};

// Eight characters of A-Z, a-z and 0-9, one for all PUT pages of one sync.
QString TDRandomSessionID();

// Makes the library manager's syncs TDCorvaneSyncOperation (see TDLibraryManager::setSyncOperationMaker).
void TDInstallCorvaneSyncOperation();

#pragma once

#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "sync/corvane_library_sync.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QHash>
#include <QJsonObject>

#include <functional>
#include <memory>
#include <optional>

class TDLibrary;
class TDSyncSet;
class TDTask;

namespace synctest {

// Plays the sync service for the merge without a network: it keeps, for each node, the records the
// other nodes uploaded since that node's last download. Its own choices: the last upload of a UID wins,
// and a node's own records are not sent back to it.
class FakeSyncService {
public:
    int addNode();
    void receive(int node, const QJsonObject& changes);
    // The answer to the node's last request: everything queued for it, and the new token.
    QJsonObject answerFor(int node);

private:
    QList<QHash<QString, QJsonObject>> m_queued;  // per node: entity name to {UID: record}
    qint64 m_counter = 0;
};

// One side of a sync: a library package of its own, with its manager and a sync set.
struct SyncSide {
    std::unique_ptr<TDLibraryManager> manager;
    TDLibrary* library = nullptr;
    int node = -1;
    TDSyncSet* syncSet() const;
    TDManagedObjectContext* context() const;
};

// Two or more libraries on one clock, synced through a FakeSyncService. The clock stands still unless
// a test moves it; each sync moves it a second before and after its upload, so that a journal item
// renewed after the upload is told apart.
class MergeTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override;
    void TearDown() override;

    SyncSide& addSide(const QString& name);
    // One sync of the side: upload, then (after `meanwhile`, which plays edits made while the server
    // holds its answer) the download, merged and committed on the main thread.
    Status sync(SyncSide& side, const std::function<void()>& meanwhile = {});
    // Syncs every side in turn until a round moves nothing; false when that does not happen soon.
    bool converge();

    // Sync forms of every object that travels, by entity and UID, as JSON text.
    static QMap<QString, QString> syncForms(TDLibrary* library);
    static QStringList journalledUIDs(const SyncSide& side);

    std::unique_ptr<TDTestClock> clock;
    testsupport::RecordingAppDelegate delegate;
    FakeSyncService service;
    std::vector<std::unique_ptr<SyncSide>> sides;
    // What the last sync of each side uploaded, by node.
    QHash<int, qsizetype> uploadedCounts;
    QHash<int, quint64> downloadedCounts;
};

}  // namespace synctest

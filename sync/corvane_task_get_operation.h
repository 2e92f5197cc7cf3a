#pragma once

#include "platform/objectstore/object_id.h"
#include "sync/corvane_operation.h"

#include <QJsonObject>
#include <QList>
#include <QSet>

class TDLibraryObject;

inline const QString TDTaskGetSyncWillStartNotification =
    QStringLiteral("TDTaskGetSyncWillStartNotification");
// User information: TDSyncError when the fetch failed. A cancelled fetch posts none.
inline const QString TDTaskGetSyncDidFinishNotification =
    QStringLiteral("TDTaskGetSyncDidFinishNotification");

// How far the completed tasks of a list or task have been fetched: 0 none yet, 1 more may come, 2 all
// (also for any other object).
int TDCorvaneCompletedTaskDownloadStatus(const TDLibraryObject* object);

// Fetches on demand the completed tasks of a list or task, which the service keeps apart from full
// downloads, page after page from the oldest fetched so far, with any parent task missing here. The
// records are merged into the open library on the main thread, with nothing left half merged.
class TDCorvaneTaskGetOperation final : public TDCorvaneOperation {
public:
    // `manager` owns `mainLibrary`; both outlive the operation.
    TDCorvaneTaskGetOperation(TDLibraryManager* manager, TDLibrary* mainLibrary,
                              const platform::ObjectID& container);

    platform::ObjectID containerObjectID() const { return m_container; }
    // This machine's node id unless set (tests play several machines).
    void setNodeID(const QString& nodeID) { m_nodeID = nodeID; }

    void performOperation();

protected:
    void main() override { performOperation(); }

private:
    struct Fetched {
        QList<QJsonObject> tasks;
        bool noMore = true;
    };
    Status p_fetchTasksForContainer();
    Result<std::optional<Fetched>> p_requestCompletedTasks(const QVariantMap& localInfo,
                                                           const QString& parentUID);
    Status p_fetchMissingParents(QList<QJsonObject>& records);
    Status p_merge(const QList<QJsonObject>& records, const Fetched& fetched);
    QString p_nodeID() const;

    TDLibrary* m_mainLibrary;
    platform::ObjectID m_container;
    QString m_nodeID;
};

#pragma once

#include "sync/corvane_change_set.h"
#include "sync/corvane_operation.h"

#include <QMutex>
#include <QString>

class TDCorvaneSyncOperation;

// Replaces the open library as a whole: a full merge or a full put syncs a copy of its package, a full get
// builds a new library from the server alone. The work happens in a package beside the library's, which
// takes its place only once it holds the whole result (see TDSwapPackageIntoPlace); any failure before that
// leaves the library as it was. The open library is closed during the work and announced again with the
// active-library notifications, upon which the application opens the package anew.
class TDCorvaneFullSyncOperation final : public TDCorvaneOperation {
public:
    // `syncType` is FullMerge, FullGet or FullPut.
    TDCorvaneFullSyncOperation(const QString& libraryPath, TDCorvaneSyncType syncType);
    ~TDCorvaneFullSyncOperation() override;

    QString libraryPath() const { return m_libraryPath; }
    TDCorvaneSyncType syncType() const { return m_syncType; }
    // The node id of the inner sync; this machine's unless set (tests play several machines).
    void setNodeID(const QString& nodeID) { m_nodeID = nodeID; }

    void cancel() override;

protected:
    void main() override;

private:
    Status p_verifyAccount();
    Status p_closeOpenLibrary();
    Status p_performFullSync(const QString& temporaryPath);
    Status p_performFullGet(const QString& temporaryPath);
    Status p_runInnerSync(TDCorvaneSyncType syncType);
    Status p_commitAccount(TDLibrary* library);
    Status p_swapIntoPlace(const QString& temporaryPath);

    QString m_libraryPath;
    TDCorvaneSyncType m_syncType;
    QString m_nodeID;
    QMutex m_innerMutex;
    TDCorvaneSyncOperation* m_inner = nullptr;  // while it runs, for cancel()
};

#pragma once

#include "platform/base/error.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_upload.h"

#include <QJsonObject>

#include <optional>

class TDLibrary;
class TDLibraryManager;

// The record-level half of one exchange with the sync service, in the order the sync operation runs
// it: what to upload (then cut into request bodies), the download pages as they come, and the merge
// with its commit. The requests themselves are the operation's.
class TDCorvaneLibrarySync {
public:
    // `manager`: the library manager when `library` is its main-thread library (see TDCorvaneMerge).
    TDCorvaneLibrarySync(TDLibrary* library, TDCorvaneSyncType syncType, TDLibraryManager* manager = nullptr);

    // An incremental sync of a library that never synced runs as a full merge.
    TDCorvaneSyncType syncType() const { return m_syncType; }

    // Reads the journal and builds the records to send: the journalled objects for an incremental sync,
    // every object for a full merge or a full put, none for a full get.
    Status prepareUpload();
    const TDCorvaneUpload& upload() const { return m_upload; }
    // The request bodies of the upload, each with the given parameters.
    TDCorvaneUploadPager uploadPager(const QJsonObject& parameters) const;

    // One parsed answer of the download; an answer of the wrong shape fails the sync before anything
    // is merged.
    Status addDownloadPage(const QJsonObject& answer) { return m_changes.addDownloadPage(answer); }
    const ODLCorvaneChangeSet& changes() const { return m_changes; }

    // Merges what was downloaded and commits the token (see TDCorvaneMerge::mergeAndCommit).
    Status mergeAndCommit(const std::optional<QString>& token);

private:
    TDLibrary* m_library;
    TDCorvaneSyncType m_syncType;
    TDLibraryManager* m_manager;
    TDCorvaneUpload m_upload;
    ODLCorvaneChangeSet m_changes;
};

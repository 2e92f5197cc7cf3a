#include "sync/corvane_library_sync.h"

#include "model/library.h"
#include "model/sync_set.h"
#include "platform/base/log.h"
#include "sync/corvane_merge.h"

TDCorvaneLibrarySync::TDCorvaneLibrarySync(TDLibrary* library, TDCorvaneSyncType syncType,
                                           TDLibraryManager* manager)
    : m_library(library), m_syncType(syncType), m_manager(manager) {
    const TDSyncSet* syncSet = library->corvaneSyncSet(false);
    if (m_syncType == TDCorvaneSyncType::Incremental && (!syncSet || !syncSet->lastSyncDate().isValid()))
        m_syncType = TDCorvaneSyncType::FullMerge;
}

Status TDCorvaneLibrarySync::prepareUpload() {
    const QList<TDCorvaneJournalEntry> items = TDCorvaneSyncSetItems(m_library);
    Result<TDCorvaneUpload> upload = TDCorvaneUpload{items, {}, 0, {}};
    switch (m_syncType) {
        case TDCorvaneSyncType::Incremental:
            upload = TDCorvaneChangedObjects(m_library, items);
            break;
        case TDCorvaneSyncType::FullMerge:
            logWithLevel(TDLogInfo, "INFO", "Performing full merge sync");
            upload = TDCorvaneAllObjects(m_library);
            break;
        case TDCorvaneSyncType::FullPut:
            logWithLevel(TDLogInfo, "INFO", "Performing full put sync");
            upload = TDCorvaneAllObjects(m_library);
            break;
        case TDCorvaneSyncType::FullGet:
            logWithLevel(TDLogInfo, "INFO", "Performing full get sync");
            break;
        case TDCorvaneSyncType::TaskGet:
            // Fetching a list's completed tasks sends no changes, like a full get.
            break;
    }
    if (!upload) return upload.error();
    m_upload = std::move(*upload);
    return {};
}

TDCorvaneUploadPager TDCorvaneLibrarySync::uploadPager(const QJsonObject& parameters) const {
    return TDCorvaneUploadPager(m_upload.changes, parameters);
}

Status TDCorvaneLibrarySync::mergeAndCommit(const std::optional<QString>& token) {
    TDCorvaneMerge merge(m_library, m_syncType, m_manager);
    return merge.mergeAndCommit(m_changes, token, m_upload.syncSetItems);
}

#include "sync/corvane_full_sync_alert.h"

#include <QCoreApplication>

namespace {
QString tr(const char* text) {
    return QCoreApplication::translate("TDCorvaneFullSyncAlert", text);
}

constexpr TDCorvaneSyncType kTypes[] = {TDCorvaneSyncType::FullMerge, TDCorvaneSyncType::FullGet,
                                        TDCorvaneSyncType::FullPut};
}  // namespace

TDCorvaneFullSyncAlert TDCorvaneFullSyncAlert::make(const QString& username, bool required,
                                                    bool serverLibraryEmpty, bool replaceHereByDefault) {
    TDCorvaneFullSyncAlert result;
    result.alert.messageText = tr("Perform full sync?");
    result.alert.informativeText =
        required ? tr("Since this is your first time syncing with the account \"%1\", you first need to "
                      "perform a full sync.")
                       .arg(username)
                 : tr("Your can choose how your information will be synced with account '%1'.").arg(username);
    result.alert.buttons = {tr("Full Sync"), required ? tr("Sign Out") : tr("Cancel")};
    result.offersSyncType = !serverLibraryEmpty;
    if (result.offersSyncType && replaceHereByDefault) result.syncType = TDCorvaneSyncType::FullGet;
    return result;
}

QStringList TDCorvaneFullSyncAlert::syncTypeTitles() {
    return {tr("Merge Information"), tr("Replace Information on This Computer"),
            tr("Replace Information on Sync Server")};
}

TDCorvaneSyncType TDCorvaneFullSyncAlert::syncTypeForIndex(int index) {
    if (index < 0 || index >= 3) return TDCorvaneSyncType::FullMerge;
    return kTypes[index];
}

int TDCorvaneFullSyncAlert::indexForSyncType(TDCorvaneSyncType type) {
    for (int i = 0; i < 3; ++i)
        if (kTypes[i] == type) return i;
    return 0;
}

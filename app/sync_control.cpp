#include "app/sync_control.h"

#include "platform/base/log.h"
#include "store/library_manager.h"

void TDLibrarySyncControl::sync() {
    m_manager.sync();
}

void TDLibrarySyncControl::signOut() {
    logWithLevel(TDLogInfo, "INFO", "Signing out of the sync service");
    if (m_manager.library()) m_manager.setOption(QVariant(false), QStringLiteral("corvaneSyncEnabled"));
}

void TDLibrarySyncControl::showSyncPreferences() {
    logWithLevel(TDLogInfo, "INFO", "The sync preferences are not available in this version");
}

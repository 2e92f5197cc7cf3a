#include "app/sync_control.h"

#include "platform/base/log.h"
#include "platform/reachability/network_reachability.h"
#include "store/library_manager.h"

void TDLibrarySyncControl::sync() {
    m_manager.sync();
}

void TDLibrarySyncControl::signOut() {
    logWithLevel(TDLogInfo, "INFO", "Signing out of the sync service");
    if (m_manager.library()) m_manager.syncSignOut();
}

bool TDLibrarySyncControl::isNetworkReachable() const {
    return TDNetworkReachability::reachabilityForInternetConnection()->currentReachabilityStatus() !=
           TDNetworkReachability::NotReachable;
}

void TDLibrarySyncControl::showSyncPreferences() {
    logWithLevel(TDLogInfo, "INFO", "The sync preferences are not available in this version");
}

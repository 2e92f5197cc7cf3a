#include "tests/sync/support/loopback_account.h"

#include "platform/defaults/user_defaults.h"
#include "tests/sync/support/loopback_sync_server.h"

namespace synctest {

void serveTestAccount(LoopbackSyncServer& server, platform::UserDefaults& defaults) {
    server.addAccount({kUser, kPassword, kEmail});
    defaults.setValue(QStringLiteral("corvaneSyncServiceURL"), server.baseURL());
}

}  // namespace synctest

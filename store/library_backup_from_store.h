#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QVariantMap>

#include <functional>

namespace platform {
class PersistentStoreCoordinator;
}

// The text of a backup (library_backup.h) made straight from a store's rows, without objects: the
// same text TDWriteLibraryBackup writes for the objects a context fetches from that store. The rows are
// read in one read transaction, so the backup holds one saved state even while another connection
// saves. `header` makes the root's other keys from the library's data version. A failed read is an
// error of ObjectStoreErrorDomain; text that XML cannot hold, or `cancelled` answering true between
// tables, is an error too.
Result<QByteArray> TDLibraryBackupTextFromStore(platform::PersistentStoreCoordinator& coordinator,
                                                const std::function<QVariantMap(double)>& header,
                                                const std::function<bool()>& cancelled);

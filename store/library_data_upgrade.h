#pragma once

#include <QStringList>

namespace platform {
class ManagedObject;
}

// What the data upgrade needs of the library manager. A manager without them passes none: the options
// then stay and the library is not repaired here.
class TDLibraryUpgradeServices {
public:
    virtual ~TDLibraryUpgradeServices() = default;
    // Removes the per-library options with these keys and saves the options.
    virtual void removeOptions(const QStringList& keys) = 0;
    // Repairs the library (its repair operation, run synchronously).
    virtual void fixLibrary() = 0;
};

// Upgrades the data of an opened library whose `version` is older than the current one, in place and
// step by step (retitled and recreated special groups, tag kinds, the starter groups' fixed UIDs and the
// Archive folder, dropped view state), then stamps the current version and repairs the library. A
// current library is left untouched. Runs on the library's context after any model migration; the
// caller turns undo registration off around it.
void TDUpgradeLibraryIfNeeded(platform::ManagedObject* library, TDLibraryUpgradeServices* services);

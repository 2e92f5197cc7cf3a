#include "store/library_manager_upgrade_services.h"

#include "model/library.h"
#include "store/library_maintenance.h"
#include "store/library_manager.h"

void TDLibraryManagerUpgradeServices::removeOptions(const QStringList& keys) {
    for (const QString& key : keys) m_manager.setOption(QVariant(), key);
    m_manager.saveOptionsDictionary();
}

void TDLibraryManagerUpgradeServices::fixLibrary() {
    if (TDLibrary* library = m_manager.library()) TDFixLibrary(library);
}

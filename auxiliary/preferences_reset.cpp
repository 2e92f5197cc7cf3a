#include "auxiliary/preferences_reset.h"

#include "auxiliary/shortcut_record.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"

#include <QVariant>

QStringList TDResetPreferences(platform::UserDefaults& defaults, TDLibraryManager& manager,
                               const std::function<void()>& clearApplicationOptions) {
    const QStringList kept = {QStringLiteral("moveToApplicationsFolderAlertSuppress"),
                              QStringLiteral("libraryURL")};
    QVariantMap remembered;
    for (const QString& key : kept)
        if (defaults.hasStoredValue(key)) remembered.insert(key, defaults.value(key));
    const QStringList shortcuts = TDStoredShortcutIdentifiers(defaults);
    manager.clearOptions();
    if (clearApplicationOptions) clearApplicationOptions();
    for (const QString& key : defaults.storedKeys()) defaults.removeValue(key);
    for (auto stored = remembered.cbegin(); stored != remembered.cend(); ++stored)
        defaults.setValue(stored.key(), stored.value());
    defaults.synchronize();
    return shortcuts;
}

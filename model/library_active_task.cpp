#include "model/library.h"

#include "store/library_manager.h"

TDTask* TDLibrary::activeTask() {
    const QVariantMap entry =
        TDLibraryManager::sharedManager().optionForKey(QStringLiteral("timeLogEntry")).toMap();
    const QString uid = entry.value(QStringLiteral("taskUID")).toString();
    return uid.isEmpty() ? nullptr : taskWithUID(uid);
}

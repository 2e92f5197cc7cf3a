#include "model/library.h"

#include "model/library_options.h"

TDTask* TDLibrary::activeTask() {
    if (!m_options) return nullptr;
    const QVariantMap entry = m_options->optionForKey(QStringLiteral("timeLogEntry")).toMap();
    const QString uid = entry.value(QStringLiteral("taskUID")).toString();
    return uid.isEmpty() ? nullptr : taskWithUID(uid);
}

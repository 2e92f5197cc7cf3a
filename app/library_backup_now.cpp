#include "app/library_backup_now.h"

#include "platform/base/log.h"
#include "platform/operations/operation_queue.h"
#include "store/library_backup.h"
#include "store/library_manager.h"
#include "store/property_list_export_operation.h"

#include <QCoreApplication>
#include <QObject>
#include <QPointer>

QString TDBackupNowFileName(const QDate& day) {
    return QStringLiteral("Ordello %1-%2-%3.%4")
        .arg(day.year(), 4, 10, QLatin1Char('0'))
        .arg(day.month(), 2, 10, QLatin1Char('0'))
        .arg(day.day(), 2, 10, QLatin1Char('0'))
        .arg(TDBackupExtension);
}

bool TDBackupLibraryNow(TDLibraryManager& manager, const QString& path, QObject* receiver,
                        std::function<void(bool written)> finished) {
    // The backup reads the store, so what is only in memory goes there first.
    if (!manager.saveLibrary()) return false;
    auto exporter = std::make_shared<TDPropertyListExportOperation>(manager.libraryPath(), path);
    const QPointer<QObject> target(receiver);
    // Runs on the queue's thread, where the exporter has just finished.
    exporter->setCompletion([exporter = std::weak_ptr(exporter), target, finished, path] {
        const auto done = exporter.lock();
        const bool written = done && done->didExport() && !done->isCancelled();
        if (!written) logWithLevel(TDLogError, "ERROR", "Could not back up the library to '%@'", path);
        // The receiver is looked at on the main thread, where it lives.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target, finished, written] {
                if (target && finished) finished(written);
            },
            Qt::QueuedConnection);
    });
    manager.exportOperationQueue()->addOperation(exporter);
    return true;
}

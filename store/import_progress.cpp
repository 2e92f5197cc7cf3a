#include "store/import_progress.h"

#include "foundation/alert.h"
#include "foundation/application_delegate.h"
#include "foundation/string_additions.h"
#include "platform/base/clock.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/operations/operation_queue.h"
#include "store/library_manager.h"
#include "store/property_list_library_restore_operation.h"

#include <QFileInfo>

namespace {
// Early updates say too little about the pace to estimate what remains.
constexpr qint64 kUpdatesBeforeEstimate = 10;
}  // namespace

TDImportProgress::TDImportProgress(TDLibraryManager& manager, TDAlertPrompter& prompter, QObject* parent)
    : QObject(parent),
      m_manager(manager),
      m_prompter(prompter),
      m_queue(new platform::OperationQueue(QStringLiteral("import"), this)) {
}

TDImportProgress::~TDImportProgress() {
    for (const auto& operation : m_queue->operations())
        if (auto* restore = dynamic_cast<TDLibraryOperation*>(operation.get())) restore->setDelegate(nullptr);
}

bool TDImportProgress::restoreLibraryFromBackupAtPath(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    static const QStringList accepted{QStringLiteral("odlbackup"), QStringLiteral("plist"),
                                      QStringLiteral("xml"), QStringLiteral("gz")};
    if (!accepted.contains(suffix)) {
        logWithLevel(TDLogError, "ERROR", "Unknown format to restore library with: %@", path);
        return false;
    }
    m_headerText = QStringLiteral("Restoring from backup...");
    m_statusText.clear();
    m_maximum = 0;
    m_value = 0;
    m_countOfProgressAdvances = 0;
    m_startTime = TDClock::currentDateTime().toMSecsSinceEpoch();
    m_restoreFailed = false;
    m_shown = true;
    Q_EMIT changed();
    Q_EMIT shownChanged(true);
    auto restore = std::make_shared<TDPropertyListLibraryRestoreOperation>(path, m_manager.libraryPath());
    restore->setLibraryManager(&m_manager);
    restore->setDelegate(this);
    restore->setProgressHandler([this](qint64 done, qint64 total) {
        QMetaObject::invokeMethod(this, [this, done, total] {
            if (m_maximum != total) importerDidSetMaxProgress(total);
            importerDidSetCurrentProgress(done);
        });
    });
    m_queue->addOperation(restore);
    return true;
}

void TDImportProgress::cancelRestore() {
    m_queue->cancelAllOperations();
    p_close();
}

void TDImportProgress::importerDidSetMaxProgress(qint64 maximum) {
    m_maximum = maximum;
    Q_EMIT changed();
}

void TDImportProgress::importerDidSetCurrentProgress(qint64 value) {
    m_value = value;
    if (++m_countOfProgressAdvances >= kUpdatesBeforeEstimate && m_maximum > 0 && value > 0) {
        const double elapsed = (TDClock::currentDateTime().toMSecsSinceEpoch() - m_startTime) / 1000.0;
        const double remaining = elapsed * double(m_maximum - value) / double(value);
        m_statusText =
            formatString("About %@ remaining.", stringWithHumanDescriptionOfTimeInterval(remaining));
    }
    Q_EMIT changed();
}

void TDImportProgress::libraryOperationDidFinish(TDLibraryOperation* operation) {
    Q_UNUSED(operation);
    m_maximum = 0;
    p_close();
    TDAlert alert;
    alert.messageText = QStringLiteral("Finished restoring library");
    alert.informativeText = QStringLiteral("Your old library was moved to the Trash.");
    alert.buttons = {QStringLiteral("OK")};
    m_prompter.runModal(alert);
}

void TDImportProgress::libraryOperationDidFailWithError(TDLibraryOperation* operation, const TDError& error) {
    Q_UNUSED(operation);
    TDPerformOnMainThreadAndWait([this, error] {
        m_maximum = 0;
        m_restoreFailed = true;
        p_close();
        TDAppDelegate().handleError(error, QStringLiteral("Could not restore from backup"));
    });
}

void TDImportProgress::p_close() {
    if (!m_shown) return;
    m_shown = false;
    Q_EMIT changed();
    Q_EMIT shownChanged(false);
}

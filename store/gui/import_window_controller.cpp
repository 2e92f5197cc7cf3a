#include "store/gui/import_window_controller.h"

#include "store/import_progress.h"

#include <QDialogButtonBox>
#include <QGuiApplication>
#include <QLabel>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <limits>

namespace {
QPointer<TDImportWindowController> sharedWindow;
}

TDImportWindowController::TDImportWindowController(TDLibraryManager& manager, TDAlertPrompter& prompter,
                                                   QWidget* parent)
    : QDialog(parent),
      m_progress(new TDImportProgress(manager, prompter, this)),
      m_header(new QLabel(this)),
      m_status(new QLabel(this)),
      m_progressIndicator(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Import"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_header);
    m_progressIndicator->setTextVisible(false);
    layout->addWidget(m_progressIndicator);
    layout->addWidget(m_status);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Cancel, this);
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::rejected, m_progress, &TDImportProgress::cancelRestore);
    connect(m_progress, &TDImportProgress::changed, this, &TDImportWindowController::p_update);
    connect(m_progress, &TDImportProgress::shownChanged, this, &TDImportWindowController::p_setShown);
    p_update();
}

TDImportWindowController::~TDImportWindowController() = default;

TDImportWindowController& TDImportWindowController::sharedController(TDLibraryManager& manager,
                                                                     TDAlertPrompter& prompter) {
    // Kept for the application's life: a restore still running may call back into it after closing.
    if (!sharedWindow) sharedWindow = new TDImportWindowController(manager, prompter);
    return *sharedWindow;
}

void TDImportWindowController::restoreLibraryFromBackupAtPath(const QString& path) {
    m_progress->restoreLibraryFromBackupAtPath(path);
}

void TDImportWindowController::p_update() {
    m_header->setText(m_progress->headerText());
    m_status->setText(m_progress->statusText());
    m_status->setVisible(!m_progress->statusText().isEmpty());
    // The bar counts in int; very large libraries are scaled down.
    const qint64 maximum = m_progress->maximum();
    const qint64 scale = maximum / std::numeric_limits<int>::max() + 1;
    m_progressIndicator->setRange(0, m_progress->isIndeterminate() ? 0 : int(maximum / scale));
    m_progressIndicator->setValue(m_progress->isIndeterminate() ? 0 : int(m_progress->value() / scale));
}

void TDImportWindowController::p_setShown(bool shown) {
    if (!shown) {
        close();
        return;
    }
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

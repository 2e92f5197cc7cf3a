#include "store/gui/library_update_window_controller.h"

#include "store/library_update_progress.h"

#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kIndicatorSteps = 1000;
}

TDLibraryUpdateWindowController::TDLibraryUpdateWindowController(TDLibraryUpdateProgress& progress,
                                                                 QWidget* parent)
    : QDialog(parent), m_progressIndicator(new QProgressBar(this)) {
    setWindowTitle(QStringLiteral("Upgrading Library"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Upgrading your library…"), this));
    m_progressIndicator->setRange(0, kIndicatorSteps);
    m_progressIndicator->setTextVisible(false);
    layout->addWidget(m_progressIndicator);
    connect(&progress, &TDLibraryUpdateProgress::updateProgressChanged, this,
            &TDLibraryUpdateWindowController::p_setUpdateProgress);
    connect(&progress, &TDLibraryUpdateProgress::indeterminateChanged, this,
            &TDLibraryUpdateWindowController::p_setIndeterminate);
    connect(&progress, &TDLibraryUpdateProgress::shownChanged, this,
            &TDLibraryUpdateWindowController::p_setShown);
}

void TDLibraryUpdateWindowController::p_setUpdateProgress(double progress) {
    m_progressIndicator->setValue(qRound(std::clamp(progress, 0.0, 1.0) * kIndicatorSteps));
    m_progressIndicator->repaint();
}

void TDLibraryUpdateWindowController::p_setIndeterminate(bool indeterminate) {
    m_progressIndicator->setRange(0, indeterminate ? 0 : kIndicatorSteps);
    m_progressIndicator->repaint();
}

void TDLibraryUpdateWindowController::p_setShown(bool shown) {
    if (!shown) {
        close();
        return;
    }
    adjustSize();
    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    m_progressIndicator->setValue(0);
    show();
    repaint();
}

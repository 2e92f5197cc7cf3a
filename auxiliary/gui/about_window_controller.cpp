#include "auxiliary/gui/about_window_controller.h"

#include "auxiliary/gui/about_window.h"
#include "auxiliary/gui/previous_window.h"

#include <QPointer>
#include <QScreen>

namespace {

QPointer<TDAboutWindowController> sharedInstance;

}  // namespace

TDAboutWindowController::TDAboutWindowController() : m_window(std::make_unique<TDAboutWindow>()) {
    connect(m_window.get(), &TDAboutWindow::closed, this, [this] { TDActivateAgain(m_previousWindow); });
}

TDAboutWindowController::~TDAboutWindowController() = default;

TDAboutWindowController& TDAboutWindowController::sharedController() {
    if (!sharedInstance) {
        sharedInstance = new TDAboutWindowController;
        connect(&sharedInstance->window(), &TDAboutWindow::closed, sharedInstance.data(),
                &QObject::deleteLater);
    }
    return *sharedInstance;
}

bool TDAboutWindowController::isAboutWindowOpen() {
    return sharedInstance && sharedInstance->window().isVisible();
}

void TDAboutWindowController::releaseSharedController() {
    delete sharedInstance.data();
}

void TDAboutWindowController::showWindow() {
    if (!m_window->isVisible()) {
        QRect frame = m_window->frameGeometry();
        frame.moveCenter(m_window->screen()->availableGeometry().center());
        m_window->move(frame.topLeft() + QPoint(0, 100));
        m_window->startCrawl();
        m_previousWindow = TDWindowBefore(m_window.get());
    }
    m_window->show();
    m_window->raise();
    m_window->activateWindow();
    m_window->setFocus(Qt::ActiveWindowFocusReason);
}

#include "auxiliary/gui/timer_menu_items.h"

#include "auxiliary/timer_window_controller.h"

#include <QCoreApplication>
#include <QMenu>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TDTimerMenuItems", text);
}

}  // namespace

void TDAddTimerMenuItems(QMenu& menu, TDTimerWindowController& timer) {
    menu.addSeparator();
    QAction* showOrHide = menu.addAction(QString(), &timer, [&timer] { timer.showOrHideWindow(); });
    QAction* pause = menu.addAction(QString(), &timer, [&timer] { timer.pauseOrResume(); });
    showOrHide->setObjectName(QStringLiteral("showOrHideTimer"));
    pause->setObjectName(QStringLiteral("pauseOrResumeTiming"));
    auto validate = [&timer, showOrHide, pause] {
        showOrHide->setText(timer.isWindowVisible() ? tr("Hide Timer") : tr("Show Timer"));
        showOrHide->setEnabled(timer.task() != nullptr);
        pause->setText(timer.isPaused() ? tr("Resume Timing") : tr("Pause Timing"));
        pause->setEnabled(timer.task() != nullptr);
    };
    validate();
    QObject::connect(&menu, &QMenu::aboutToShow, &timer, validate);
    QObject::connect(&timer, &TDTimerWindowController::stateChanged, showOrHide, validate);
}

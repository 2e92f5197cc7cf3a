#include "taskviews/gui/desktop_task_feedback.h"

#include "auxiliary/url_handler.h"
#include "controls/gui/window_animator.h"
#include "foundation/alert.h"
#include "platform/files/workspace.h"

#include <QMessageBox>

void TDDesktopTaskFeedback::shakeWindow() {
    // The animator goes by itself when the shake ends.
    TDWindowAnimator::animatorWithWindow(m_view.window())->shake();
}

void TDDesktopTaskFeedback::showMessageSheet(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QString(), message, QMessageBox::Ok, m_view.window());
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    // Typing goes on where it was before the sheet.
    QObject::connect(box, &QMessageBox::finished, &m_view, [view = &m_view] {
        view->activateWindow();
        view->setFocus(Qt::OtherFocusReason);
    });
    box->open();
}

// The desktop decides which program opens the link; whether it comes to the front is its choice too.
void TDDesktopTaskFeedback::openURL(const QUrl& url, bool) {
    if (m_urlHandler && url.scheme().compare(QLatin1String("ordello"), Qt::CaseInsensitive) == 0) {
        m_urlHandler->handleURL(url);
        return;
    }
    if (platform::Workspace* workspace = platform::Workspace::shared()) workspace->openURL(url);
}

bool TDDesktopTaskFeedback::confirmOpening(const QUrl& url) {
    const QString text =
        QObject::tr("The note links to \"%1\", which may run a program. Open it?").arg(url.toDisplayString());
    if (m_prompter) {
        // Cancel first: the default answer leaves the link closed.
        TDAlert alert;
        alert.messageText = QObject::tr("Open Link");
        alert.informativeText = text;
        alert.buttons = {QObject::tr("Cancel"), QObject::tr("Open")};
        return m_prompter->runModal(alert) == 1;
    }
    return QMessageBox::question(m_view.window(), QObject::tr("Open Link"), text,
                                 QMessageBox::Open | QMessageBox::Cancel,
                                 QMessageBox::Cancel) == QMessageBox::Open;
}

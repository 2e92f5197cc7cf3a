#include "taskviews/gui/window_task_feedback.h"

#include "controls/gui/window_animator.h"

#include <QMessageBox>
#include <QWidget>

void TDWindowTaskFeedback::shakeWindow() {
    // The animator goes by itself when the shake ends.
    TDWindowAnimator::animatorWithWindow(m_view ? m_view->window() : nullptr)->shake();
}

void TDWindowTaskFeedback::showMessageSheet(const QString& message) {
    auto* box = new QMessageBox(QMessageBox::NoIcon, QString(), message, QMessageBox::Ok,
                                m_view ? m_view->window() : nullptr);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::WindowModal);
    box->open();
}

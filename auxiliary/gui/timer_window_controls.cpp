#include "auxiliary/gui/timer_window_controls.h"

#include "model/task.h"
#include "taskviews/gui/task_checkbox_cell.h"
#include "taskviews/task_checkbox_look.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

// --- The grip

TDTimerWindowResizeHandle::TDTimerWindowResizeHandle(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::SizeHorCursor);
}

void TDTimerWindowResizeHandle::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QRect grip((width() - 4) / 2, (height() - 12) / 2, 4, 12);
    for (int x = grip.left(); x <= grip.right(); ++x)
        painter.fillRect(QRect(x, grip.top(), 1, grip.height()),
                         (x - grip.left()) % 2 == 0 ? QColor(0, 0, 0, 153) : QColor(255, 255, 255, 102));
}

void TDTimerWindowResizeHandle::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_startFrame = window()->geometry();
    m_startX = qRound(event->globalPosition().x());
    m_dragging = true;
    event->accept();
}

void TDTimerWindowResizeHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging) return;
    const int width = std::max(window()->minimumWidth(),
                               m_startFrame.width() + qRound(event->globalPosition().x()) - m_startX);
    window()->setGeometry(QRect(m_startFrame.topLeft(), QSize(width, m_startFrame.height())));
    event->accept();
}

void TDTimerWindowResizeHandle::mouseReleaseEvent(QMouseEvent* event) {
    m_dragging = false;
    event->accept();
}

void TDTimerWindowResizeHandle::mouseDoubleClickEvent(QMouseEvent* event) {
    m_dragging = false;
    event->accept();
    Q_EMIT doubleClicked();
}

// --- The buttons

TDTimerButton::TDTimerButton(Glyph glyph, QWidget* parent) : QWidget(parent), m_glyph(glyph) {
    setCursor(Qt::ArrowCursor);
}

void TDTimerButton::setGlyph(Glyph glyph) {
    m_glyph = glyph;
    update();
}

void TDTimerButton::click() {
    Q_EMIT clicked();
}

void TDTimerButton::mousePressEvent(QMouseEvent* event) {
    m_pressed = event->button() == Qt::LeftButton;
    update();
    event->accept();
}

void TDTimerButton::mouseReleaseEvent(QMouseEvent* event) {
    const bool inside = rect().contains(event->position().toPoint());
    const bool wasPressed = m_pressed;
    m_pressed = false;
    update();
    event->accept();
    if (wasPressed && inside && event->button() == Qt::LeftButton) click();
}

void TDTimerButton::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void TDTimerButton::leaveEvent(QEvent*) {
    m_hovered = false;
    update();
}

void TDTimerButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -1.5);
    QLinearGradient fill(box.topLeft(), box.bottomLeft());
    fill.setColorAt(0, m_pressed ? QColor(0x22, 0x22, 0x23) : QColor(0x4a, 0x4a, 0x4c));
    fill.setColorAt(1, m_pressed ? QColor(0x36, 0x36, 0x38) : QColor(0x2a, 0x2a, 0x2b));
    // A light line under the button sets it into the panel.
    painter.setPen(QPen(QColor(255, 255, 255, 40), 1));
    painter.drawRoundedRect(box.translated(0, 1), 4, 4);
    painter.setPen(QPen(QColor(0, 0, 0, 180), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(box, 4, 4);

    const QColor ink = m_hovered ? Qt::white : QColor(0xdd, 0xdd, 0xdd);
    const QPointF c = box.center();
    painter.setPen(Qt::NoPen);
    painter.setBrush(ink);
    switch (m_glyph) {
        case Glyph::Pause:
            painter.drawRect(QRectF(c.x() - 4, c.y() - 5, 3, 10));
            painter.drawRect(QRectF(c.x() + 1, c.y() - 5, 3, 10));
            break;
        case Glyph::Play: {
            QPainterPath play;
            play.moveTo(c.x() - 4, c.y() - 5.5);
            play.lineTo(c.x() + 5, c.y());
            play.lineTo(c.x() - 4, c.y() + 5.5);
            play.closeSubpath();
            painter.drawPath(play);
            break;
        }
        case Glyph::Stop:
            painter.drawRect(QRectF(c.x() - 4.5, c.y() - 4.5, 9, 9));
            break;
        case Glyph::Reveal: {
            // A magnifier: the task is shown in the main window.
            painter.setBrush(Qt::NoBrush);
            painter.setPen(QPen(ink, 1.6));
            painter.drawEllipse(QPointF(c.x() - 1.5, c.y() - 1.5), 3.5, 3.5);
            painter.drawLine(QPointF(c.x() + 1, c.y() + 1), QPointF(c.x() + 4.5, c.y() + 4.5));
            break;
        }
    }
}

// --- The checkbox

TDTimerCheckbox::TDTimerCheckbox(QWidget* parent) : QWidget(parent) {
    setCursor(Qt::ArrowCursor);
}

void TDTimerCheckbox::setTask(TDTask* task) {
    m_task = task;
    update();
}

void TDTimerCheckbox::click() {
    Q_EMIT clicked();
}

void TDTimerCheckbox::mousePressEvent(QMouseEvent* event) {
    event->accept();
}

void TDTimerCheckbox::mouseReleaseEvent(QMouseEvent* event) {
    event->accept();
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) click();
}

void TDTimerCheckbox::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void TDTimerCheckbox::leaveEvent(QEvent*) {
    m_hovered = false;
    update();
}

void TDTimerCheckbox::paintEvent(QPaintEvent*) {
    if (!m_task) return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Only the icons of a timed or past due task give way to the box under the pointer.
    const bool tracked = m_hovered && (m_task->isPastDue() || m_task->isTiming());
    TDTaskCheckboxCell::draw(
        painter, QRectF(rect()),
        TDTaskCheckboxLookFor(m_task->checkboxState(), m_task->isRecurring(), tracked, true, false));
}

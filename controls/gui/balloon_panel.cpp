#include "controls/gui/balloon_panel.h"

#include "controls/balloon_geometry.h"
#include "controls/gui/completion_view_controller.h"
#include "controls/gui/raised_text_view.h"
#include "controls/gui/transient_window.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>
#include <QScreen>

#include <cmath>

using namespace TDBalloonGeometry;

TDBalloonPanel::TDBalloonPanel(QWidget* parentWindow, QPoint preferredLocation, int preferredDirection,
                               const QRect& targetFrame, TDCompletionViewController* viewController)
    : QWidget(parentWindow ? parentWindow->window() : nullptr, p_windowFlags(false)),
      m_parentWindow(parentWindow ? parentWindow->window() : nullptr),
      m_preferredLocation(preferredLocation),
      m_preferredDirection(preferredDirection),
      m_targetFrame(targetFrame),
      m_viewController(viewController) {
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    if (m_viewController) m_viewController->setParent(this);
    if (m_parentWindow) {
        m_parentWindow->installEventFilter(this);
        m_parentPosition = m_parentWindow->pos();
    }
    updateFrame();
}

TDBalloonPanel::~TDBalloonPanel() {
    if (m_parentWindow) m_parentWindow->removeEventFilter(this);
}

// A balloon that leaves the keyboard with the editor is a tooltip: a desktop that cannot let windows place
// themselves still shows it at its parent, and it grabs nothing. One whose content types takes the keyboard
// as a pop-up, which the desktop places the same way.
Qt::WindowFlags TDBalloonPanel::p_windowFlags(bool canBecomeKey) {
    return canBecomeKey ? Qt::Popup | Qt::FramelessWindowHint
                        : Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus;
}

void TDBalloonPanel::setCanBecomeKeyWindow(bool can) {
    if (can == m_canBecomeKeyWindow) return;
    m_canBecomeKeyWindow = can;
    // Another type takes another native window, which starts hidden.
    const bool shown = isVisible();
    setWindowFlags(p_windowFlags(can));
    setAttribute(Qt::WA_ShowWithoutActivating, !can);
    if (shown) orderFront();
}

QRectF TDBalloonPanel::boxFrame() const {
    return TDBalloonGeometry::boxFrame(size(), m_direction);
}

void TDBalloonPanel::setPreferredLocation(QPoint location, const QRect& targetFrame) {
    m_preferredLocation = location;
    m_targetFrame = targetFrame;
    m_direction = -1;
    updateFrame();
}

void TDBalloonPanel::updateFrame() {
    if (m_resizing) m_resizing->stop();
    if (m_direction == -1) {
        m_direction = m_preferredDirection;
        m_location = m_preferredLocation;
    }
    const QSize content = m_viewController ? m_viewController->sizeHint() : QSize();
    QScreen* screen = m_parentWindow ? m_parentWindow->screen() : QGuiApplication::primaryScreen();
    const QRect visible = screen ? screen->availableGeometry() : QRect(-100000, -100000, 200000, 200000);
    const Placement placement = place(m_location, m_direction, m_targetFrame, content, visible);
    m_direction = placement.direction;
    m_location = placement.location;
    setGeometry(placement.frame);
    p_layOutContent();
    update();
}

void TDBalloonPanel::p_layOutContent() {
    if (m_viewController) m_viewController->setGeometry(boxFrame().toRect());
}

void TDBalloonPanel::setViewController(TDCompletionViewController* viewController) {
    if (viewController == m_viewController) return;
    // Gone from sight at once; deleted once the event that swaps it is over.
    if (m_viewController) {
        m_viewController->hide();
        m_viewController->deleteLater();
    }
    m_viewController = viewController;
    if (!m_viewController) return;
    m_viewController->setParent(this);
    setGeometry(resizedFrame(geometry(), m_viewController->sizeHint(), m_direction));
    p_layOutContent();
    m_viewController->show();
    update();
}

void TDBalloonPanel::setFrameSize(QSize size, bool animate) {
    const QRect current = geometry();
    QRect frame(current.topLeft(), size);
    if (m_direction != kBelow) frame.moveBottom(current.bottom());
    if (m_resizing) m_resizing->stop();
    if (frame == current) return;
    if (!animate || !isVisible()) return setGeometry(frame);
    m_resizing = new QPropertyAnimation(this, "geometry", this);
    m_resizing->setDuration(150);
    m_resizing->setEasingCurve(QEasingCurve::OutCubic);
    m_resizing->setEndValue(frame);
    m_resizing->start(QAbstractAnimation::DeleteWhenStopped);
}

TDRaisedTextView* TDBalloonPanel::raisedTextView(bool create) {
    if (!m_raisedTextView && create) m_raisedTextView = new TDRaisedTextView(this);
    return m_raisedTextView;
}

bool TDBalloonPanel::isResizing() const {
    return m_resizing && m_resizing->state() == QAbstractAnimation::Running;
}

void TDBalloonPanel::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    p_layOutContent();
}

void TDBalloonPanel::orderFront() {
    if (m_parentWindow) {
        m_parentPosition = m_parentWindow->pos();
        TDSetTransientParent(*this, *m_parentWindow);
    }
    show();
}

void TDBalloonPanel::orderOut() {
    if (m_changingViewController) return;
    hide();
}

bool TDBalloonPanel::eventFilter(QObject* watched, QEvent* event) {
    // A child window of its parent: it moves with it.
    if (watched == m_parentWindow && event->type() == QEvent::Move) {
        const QPoint delta = m_parentWindow->pos() - m_parentPosition;
        m_parentPosition = m_parentWindow->pos();
        m_location += delta;
        m_preferredLocation += delta;
        m_targetFrame.translate(delta);
        move(pos() + delta);
    } else if (watched == m_parentWindow && event->type() == QEvent::Hide) {
        hide();
    }
    return QWidget::eventFilter(watched, event);
}

void TDBalloonPanel::keyPressEvent(QKeyEvent* event) {
    if (event->key() != Qt::Key_Escape) return QWidget::keyPressEvent(event);
    event->accept();
    if (!m_viewController || !m_viewController->cancelOperation()) close();
}

void TDBalloonPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = boxFrame().adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal r = cornerRadius(box);
    const qreal tipX = mapFromGlobal(m_location).x();
    const qreal t = std::floor(tipX) + 0.5;
    const bool arrow = (m_direction == kAbove || m_direction == kBelow) && arrowFits(tipX, box);

    // Clockwise on screen from the top-left corner; the arrow sits on the edge facing the location.
    QPainterPath path;
    path.moveTo(box.left(), box.top() + r);
    path.arcTo(QRectF(box.left(), box.top(), 2 * r, 2 * r), 180, -90);
    if (arrow && m_direction == kBelow) {
        path.lineTo(t - kArrowHalfWidth, box.top());
        path.lineTo(t, box.top() - kArrowHeight + 0.5);
        path.lineTo(t + kArrowHalfWidth, box.top());
    }
    path.arcTo(QRectF(box.right() - 2 * r, box.top(), 2 * r, 2 * r), 90, -90);
    path.arcTo(QRectF(box.right() - 2 * r, box.bottom() - 2 * r, 2 * r, 2 * r), 0, -90);
    if (arrow && m_direction == kAbove) {
        path.lineTo(t + kArrowHalfWidth, box.bottom());
        path.lineTo(t, box.bottom() + kArrowHeight - 0.5);
        path.lineTo(t - kArrowHalfWidth, box.bottom());
    }
    path.arcTo(QRectF(box.left(), box.bottom() - 2 * r, 2 * r, 2 * r), 270, -90);
    path.closeSubpath();
    painter.fillPath(path, Qt::white);
    // Frameless windows get no shadow here: a soft outline stands in for it.
    painter.setPen(QPen(QColor(0, 0, 0, 70), 1));
    painter.drawPath(path);
}

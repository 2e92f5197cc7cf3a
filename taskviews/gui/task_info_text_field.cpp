#include "taskviews/gui/task_info_text_field.h"

#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "taskviews/gui/completion_balloons.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QTimer>

namespace {

QColor white(float level) {
    return QColor::fromRgbF(level, level, level);
}

}  // namespace

TDInspectorTextField::TDInspectorTextField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAttribute(Qt::WA_Hover);
    // The inspector's grey shows through; the field draws its own ground.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    setPalette(colors);
    m_popUpTimer = new QTimer(this);
    m_popUpTimer->setSingleShot(true);
    connect(m_popUpTimer, &QTimer::timeout, this, &TDInspectorTextField::p_openBalloon);
    connect(this, &QLineEdit::textEdited, this, &TDInspectorTextField::p_textEdited);
}

TDInspectorTextField::~TDInspectorTextField() {
    delete m_datePanel.data();
    delete m_estimatePanel.data();
}

void TDInspectorTextField::setTargetField(TDInspectorTextField* field) {
    m_targetField = field;
    if (field) field->m_labelField = this;
    setReadOnly(true);
    setFocusPolicy(Qt::NoFocus);
    setCursor(Qt::ArrowCursor);
    setContextMenuPolicy(Qt::NoContextMenu);
}

// --- Rollover

bool TDInspectorTextField::shouldRollover() const {
    if (m_targetField) return !m_targetField->hasFocus() && !m_targetField->isReadOnly();
    if (m_labelField) return !hasFocus() && !isReadOnly();
    return !isReadOnly();
}

void TDInspectorTextField::setMouseInside(bool inside) {
    if (inside == m_mouseInside) return;
    m_mouseInside = inside;
    if (isLabel()) {
        QPalette colors = palette();
        colors.setColor(QPalette::Text, inside ? QColor(Qt::white) : palette().color(QPalette::WindowText));
        setPalette(colors);
    }
    update();
}

void TDInspectorTextField::enterEvent(QEnterEvent* event) {
    QLineEdit::enterEvent(event);
    if (!shouldRollover()) return;
    setMouseInside(true);
    if (TDInspectorTextField* partner = m_targetField ? m_targetField : m_labelField)
        partner->setMouseInside(true);
}

void TDInspectorTextField::leaveEvent(QEvent* event) {
    QLineEdit::leaveEvent(event);
    setMouseInside(false);
    if (TDInspectorTextField* partner = m_targetField ? m_targetField : m_labelField)
        partner->setMouseInside(false);
}

void TDInspectorTextField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF bounds = QRectF(rect());
        if (m_mouseInside && isLabel()) {
            // Round on the left, square where it meets its field.
            const qreal radius = bounds.height() / 2;
            QPainterPath path;
            path.moveTo(bounds.right(), bounds.top());
            path.lineTo(bounds.left() + radius, bounds.top());
            path.arcTo(QRectF(bounds.left(), bounds.top(), 2 * radius, bounds.height()), 90, 180);
            path.lineTo(bounds.right(), bounds.bottom());
            path.closeSubpath();
            painter.fillPath(path, white(0.6f));
        } else if (hasFocus() && !isReadOnly()) {
            painter.setPen(QPen(white(0.68f), 1));
            painter.setBrush(Qt::white);
            painter.drawRoundedRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5), 3, 3);
        } else if (m_mouseInside) {
            painter.fillRect(bounds, white(0.8f));
        }
    }
    QLineEdit::paintEvent(event);
}

void TDInspectorTextField::mousePressEvent(QMouseEvent* event) {
    if (!isLabel()) return QLineEdit::mousePressEvent(event);
    event->accept();
    const bool targetEditing =
        m_targetField && (m_targetField->hasFocus() || m_targetField->m_lostFocusToThisClick);
    setMouseInside(false);
    if (m_targetField) m_targetField->setMouseInside(false);
    if (m_targetField && !targetEditing && m_targetField->focusPolicy() != Qt::NoFocus) {
        m_targetField->setFocus(Qt::MouseFocusReason);
        return;
    }
    // Any other click on a label ends editing.
    if (QWidget* owner = parentWidget()) owner->setFocus(Qt::MouseFocusReason);
}

void TDInspectorTextField::mouseDoubleClickEvent(QMouseEvent* event) {
    // A label's words are not for selecting; the press before this has done what a click does.
    if (isLabel()) return event->accept();
    QLineEdit::mouseDoubleClickEvent(event);
}

QSize TDInspectorTextField::sizeHint() const {
    const QSize size = QLineEdit::sizeHint();
    if (!m_targetField) return size;
    return QSize(fontMetrics().horizontalAdvance(text()) + size.height() / 2 + 8, size.height());
}

QSize TDInspectorTextField::minimumSizeHint() const {
    return m_targetField ? sizeHint() : QLineEdit::minimumSizeHint();
}

// --- Balloons

bool TDInspectorTextField::p_opensDateBalloon() const {
    return m_fieldType == Date || m_fieldType == DateWithoutRecurrence;
}

bool TDInspectorTextField::p_opensBalloon() const {
    return !isReadOnly() && (p_opensDateBalloon() || m_fieldType == Estimate);
}

void TDInspectorTextField::focusInEvent(QFocusEvent* event) {
    QLineEdit::focusInEvent(event);
    setMouseInside(false);
    if (m_labelField) m_labelField->setMouseInside(false);
    p_schedulePopUp();
}

void TDInspectorTextField::focusOutEvent(QFocusEvent* event) {
    QLineEdit::focusOutEvent(event);
    // The click that takes the focus away may be on this field's label, which must know that the field
    // was being edited when the click began; the flag lasts until the click has been handled.
    if (event->reason() == Qt::MouseFocusReason) {
        m_lostFocusToThisClick = true;
        QTimer::singleShot(0, this, [this] { m_lostFocusToThisClick = false; });
    }
    // A balloon being clicked takes no focus where the desktop keeps to it; where it does not, the
    // balloon becoming the active window is no end of the edit. Any other focus change ends it.
    const QWidget* active = QApplication::activeWindow();
    if (event->reason() == Qt::ActiveWindowFocusReason && active &&
        (active == m_datePanel.data() || active == m_estimatePanel.data()))
        return;
    m_popUpTimer->stop();
    p_closeBalloons();
}

void TDInspectorTextField::p_schedulePopUp() {
    if (p_opensBalloon()) TDStartBalloonPopUpTimer(*m_popUpTimer);
}

// The balloon opens a pause after the last keystroke and then follows the typing.
void TDInspectorTextField::p_textEdited() {
    TDBalloonPanel* panel = p_opensDateBalloon() ? m_datePanel.data() : m_estimatePanel.data();
    if (panel && panel->isVisible() && panel->viewController()) {
        panel->viewController()->setStringValue(text());
        return;
    }
    p_schedulePopUp();
}

bool TDInspectorTextField::isBalloonPending() const {
    return m_popUpTimer->isActive();
}

void TDInspectorTextField::firePopUpTimer() {
    if (!m_popUpTimer->isActive()) return;
    m_popUpTimer->stop();
    p_openBalloon();
}

void TDInspectorTextField::p_openBalloon() {
    if (!hasFocus() || !p_opensBalloon()) return;
    const QRect bounds = rect().adjusted(0, -2, 0, 2);
    const QRect target(mapToGlobal(bounds.topLeft()), bounds.size());
    const QPoint location(target.center().x(), target.bottom());
    if (!p_opensDateBalloon()) {
        TDShowEstimateBalloon(m_estimatePanel, this, location, target, this, text());
        return;
    }
    auto* controller = new TDDateCompletionViewController;
    controller->setDelegate(this);
    if (m_fieldType == DateWithoutRecurrence) controller->hideRecurringButton();
    connect(controller, &TDDateCompletionViewController::recurrenceToggled, this,
            &TDInspectorTextField::recurrenceToggled);
    TDShowDateBalloon(m_datePanel, this, location, target, controller, text());
}

void TDInspectorTextField::p_closeBalloons() {
    // The date balloon stays while it swaps in the recurrence editor, and with the editor in it.
    if (m_datePanel && !m_datePanel->isChangingViewController() &&
        qobject_cast<TDDateCompletionViewController*>(m_datePanel->viewController()))
        m_datePanel->orderOut();
    if (m_estimatePanel) m_estimatePanel->orderOut();
}

void TDInspectorTextField::completionViewController(TDCompletionViewController*, const QVariant& value,
                                                    bool finished) {
    setText(TDBalloonValueText(p_opensDateBalloon(), value));
    setModified(true);
    if (finished) Q_EMIT completionFinished(value);
}

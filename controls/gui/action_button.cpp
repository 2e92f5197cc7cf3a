#include "controls/gui/action_button.h"

#include "foundation/gui/tooltip_shortcut.h"

#include "controls/color_level_additions.h"
#include "foundation/gui/animation_additions.h"
#include "foundation/gui/path_additions.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPropertyAnimation>

#include <algorithm>
#include <cmath>

namespace {

const QColor kDefaultBackground = QColor::fromRgbF(0.25f, 0.25f, 0.25f, 0.8f);
const QColor kDefaultShortcutBox = QColor::fromRgbF(0.1f, 0.1f, 0.1f, 0.8f);

QFont systemFontOfSize(int pixels, bool bold = false) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(pixels);
    font.setBold(bold);
    return font;
}

bool isNamedKey(int key) {
    return key == Qt::Key_Escape || key == Qt::Key_Tab || key == Qt::Key_Space;
}

// The gloss of a box: a light top half, then a sharp edge to the darker half. Pressed, all darker.
QLinearGradient glossGradient(const QRectF& rect, const QColor& base, bool pressed) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    if (pressed) {
        gradient.setColorAt(0.0, shadowWithLevel(base, 0.15));
        gradient.setColorAt(0.45, shadowWithLevel(base, 0.25));
        gradient.setColorAt(0.450001, shadowWithLevel(base, 0.35));
        gradient.setColorAt(1.0, shadowWithLevel(base, 0.45));
    } else {
        gradient.setColorAt(0.0, highlightWithLevel(base, 0.15));
        gradient.setColorAt(0.45, base);
        gradient.setColorAt(0.450001, shadowWithLevel(base, 0.25));
        gradient.setColorAt(1.0, shadowWithLevel(base, 0.35));
    }
    return gradient;
}

}  // namespace

TDActionButton::TDActionButton(QWidget* parent) : QAbstractButton(parent) {
    setFocusPolicy(Qt::NoFocus);
    setAttribute(Qt::WA_Hover);
    // The colours depend on whether the application is active.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this, qOverload<>(&QWidget::update));
}

TDActionButton::~TDActionButton() = default;

void TDActionButton::setKeyEquivalent(QKeyCombination key) {
    m_keyEquivalent = key;
    updateGeometry();
    update();
}

QString TDActionButton::keyEquivalentText() const {
    return TDShortcutLabel(m_keyEquivalent);
}

TDActionButton::Label TDActionButton::keyEquivalentLabel() const {
    Label label{keyEquivalentText(), systemFontOfSize(10), textColor()};
    const bool hasModifiers = m_keyEquivalent.keyboardModifiers().testAnyFlags(
        Qt::MetaModifier | Qt::AltModifier | Qt::ShiftModifier | Qt::ControlModifier);
    if (isNamedKey(m_keyEquivalent.key())) {
        label.font = systemFontOfSize(9, true);
        label.color = QColor::fromRgbF(0.75f, 0.75f, 0.75f);
        if (!isEnabled()) label.color = QColor::fromRgbF(0.6f, 0.6f, 0.6f);
    }
    if (hasModifiers && !label.text.isEmpty()) {
        label.font = systemFontOfSize(10, true);
        label.color = Qt::white;
    }
    return label;
}

QColor TDActionButton::shortcutBoxColor() const {
    return m_shortcutBoxColor.isValid() ? m_shortcutBoxColor : kDefaultShortcutBox;
}

void TDActionButton::setShortcutBoxColor(const QColor& color) {
    m_shortcutBoxColor = color;
    update();
}

QColor TDActionButton::backgroundColor() const {
    return kDefaultBackground;
}

QFont TDActionButton::titleFont() const {
    return systemFontOfSize(11);
}

QColor TDActionButton::textColor() const {
    const float white = !isEnabled() ? 0.65f : isDown() ? 0.8f : 0.9f;
    return QColor::fromRgbF(white, white, white);
}

qreal TDActionButton::shortcutBoxWidth() const {
    const Label label = keyEquivalentLabel();
    if (label.text.isEmpty()) return kShortcutBoxWidth;
    return std::max(kShortcutBoxWidth,
                    std::ceil(QFontMetricsF(label.font).horizontalAdvance(label.text)) + 8);
}

TDActionButton::DrawInfo TDActionButton::calcDrawInfo(const QRectF& rect) const {
    return drawInfoWithLabelOrigin(rect, QPointF(0, 0));
}

TDActionButton::DrawInfo TDActionButton::drawInfoWithLabelOrigin(const QRectF& rect,
                                                                 const QPointF& labelOrigin) const {
    DrawInfo info;
    const qreal box = shortcutBoxWidth();
    info.shortcutBox = QRectF(rect.x(), rect.y(), box, rect.height());
    info.titleBox = QRectF(rect.x() + box, rect.y(), rect.width() - box, rect.height());
    info.titleString = info.titleBox.translated(-1, 0);
    const Label label = keyEquivalentLabel();
    const QFontMetricsF metrics(label.font);
    const QSizeF size(metrics.horizontalAdvance(label.text), metrics.height());
    const QRectF centred(labelOrigin + QPointF((info.shortcutBox.width() - size.width()) / 2,
                                               (rect.height() - size.height()) / 2),
                         size);
    info.shortcutString = QRectF(centred.toAlignedRect()).translated(0.5, 0);
    return info;
}

QSize TDActionButton::optimalSizeWithTitle(const QString& title) const {
    const Label label = keyEquivalentLabel();
    const qreal width = QFontMetricsF(titleFont()).horizontalAdvance(title) +
                        QFontMetricsF(label.font).horizontalAdvance(label.text);
    return {int(std::round(width)) + 29, height()};
}

QSize TDActionButton::sizeHint() const {
    QSize size = optimalSize();
    size.setHeight(20);
    return size;
}

void TDActionButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    drawWithFrame(painter, QRectF(rect()));
}

void TDActionButton::drawWithFrame(QPainter& painter, const QRectF& frame) {
    const bool active = isApplicationActive();
    const bool pressed = isDown();
    QRectF body = frame.adjusted(0, 0, 0, -1);
    QRectF bevel = body.translated(0, 1);
    const DrawInfo info = calcDrawInfo(body);
    body.adjust(0.5, 0.5, -0.5, -0.5);
    bevel.adjust(0.5, 0.5, -0.5, -0.5);
    const QPainterPath outline = bezierPathWithRoundedRect(body, 3);

    // A light bevel line below; the boxes cover the rest of it.
    painter.fillPath(bezierPathWithRoundedRect(bevel, 3), QColor::fromRgbF(1, 1, 1, 0.8f));
    const auto fillBox = [&](const QRectF& box, QColor base) {
        if (!active) base = highlightWithLevel(base, 0.35);
        painter.save();
        painter.setClipRect(box);
        painter.fillPath(outline, glossGradient(body, base, pressed));
        painter.restore();
    };
    fillBox(info.shortcutBox, shortcutBoxColor());
    fillBox(info.titleBox, backgroundColor());
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, active ? 0.6f : 0.5f), 1));
    painter.drawPath(outline);

    drawKeyEquivalent(painter, info);

    painter.setFont(titleFont());
    painter.setPen(QColor::fromRgbF(0, 0, 0, 0.4f));
    painter.drawText(info.titleString.translated(0, 1), Qt::AlignCenter, text());
    painter.setPen(textColor());
    painter.drawText(info.titleString, Qt::AlignCenter, text());

    if (!icon().isNull()) icon().paint(&painter, QRect(26, 5, 9, 9));

    if (pressed) {
        // An inner shadow falling from the top edge.
        painter.save();
        painter.setClipPath(bezierPathWithRoundedRect(body.adjusted(0.5, 0.5, -0.5, -0.5), 3));
        QLinearGradient shade(body.topLeft(), body.topLeft() + QPointF(0, 5));
        shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0.45f));
        shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0));
        painter.fillRect(body, shade);
        painter.restore();
    }
}

void TDActionButton::drawKeyEquivalent(QPainter& painter, const DrawInfo& info) const {
    const Label label = keyEquivalentLabel();
    painter.setFont(label.font);
    painter.setPen(label.color);
    painter.drawText(info.shortcutString, Qt::AlignCenter, label.text);
}

bool TDActionButton::isApplicationActive() {
    return QGuiApplication::applicationState() == Qt::ApplicationActive;
}

void TDActionButton::hideToDirection(int direction) {
    QWidget* parent = parentWidget();
    if (!parent) return;
    const QRect visible = parent->rect();
    QRect target = geometry();
    switch (direction) {
        case SlideUp:
            target.moveTop(visible.y() - target.height());
            break;
        case SlideRight:
            target.moveLeft(visible.x() + visible.width());
            break;
        case SlideDown:
            target.moveTop(visible.y() + visible.height());
            break;
        case SlideLeft:
            target.moveLeft(visible.x() - target.width());
            break;
        default:
            return;
    }
    if (m_savedFrame.isNull()) m_savedFrame = geometry();
    p_moveTo(target);
    setEnabled(false);
}

void TDActionButton::unhide() {
    if (m_savedFrame.isNull()) return;
    p_moveTo(m_savedFrame);
    m_savedFrame = QRect();
    setEnabled(true);
}

void TDActionButton::p_moveTo(const QRect& frame) {
    if (m_slide) m_slide->stop();
    if (!isVisible()) {
        setGeometry(frame);
        return;
    }
    m_slide = new QPropertyAnimation(this, "geometry", this);
    m_slide->setEndValue(frame);
    m_slide->setEasingCurve(QEasingCurve::InOutQuad);
    beginGroupingAndSetDuration(*m_slide);
    m_slide->start(QAbstractAnimation::DeleteWhenStopped);
}

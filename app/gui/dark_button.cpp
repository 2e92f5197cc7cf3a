#include "app/gui/dark_button.h"

#include "controls/color_level_additions.h"
#include "foundation/gui/path_additions.h"
#include "foundation/gui/tooltip_shortcut.h"

#include <QFontMetricsF>
#include <QGuiApplication>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

QFont systemFontOfSize(qreal pixels) {
    QFont font = QGuiApplication::font();
    font.setPixelSize(int(std::round(pixels)));
    return font;
}

QPainterPath ringBetween(const QRectF& outer, const QRectF& inner, qreal radius) {
    QPainterPath ring = bezierPathWithRoundedRect(outer, radius);
    ring.addPath(bezierPathWithRoundedRect(inner, radius));
    ring.setFillRule(Qt::OddEvenFill);
    return ring;
}

QLinearGradient whiteGradient(const QRectF& rect, float topAlpha, float bottomAlpha) {
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, QColor::fromRgbF(1, 1, 1, topAlpha));
    gradient.setColorAt(1, QColor::fromRgbF(1, 1, 1, bottomAlpha));
    return gradient;
}

}  // namespace

TDDarkButton::TDDarkButton(QWidget* parent) : TDActionButton(parent) {
    setFocusPolicy(Qt::NoFocus);
}

QColor TDDarkButton::backgroundColor() const {
    return QColor::fromRgbF(0.15f, 0.15f, 0.15f, 0.25f);
}

QFont TDDarkButton::titleFont() const {
    return systemFontOfSize(11);
}

QColor TDDarkButton::textColor() const {
    const float white = !isEnabled() ? 0.6f : isDown() ? 0.7f : 0.85f;
    return QColor::fromRgbF(white, white, white);
}

TDActionButton::Label TDDarkButton::keyEquivalentLabel() const {
    return {shortKeyText(keyEquivalent()), systemFontOfSize(9), textColor()};
}

QString TDDarkButton::shortKeyText(QKeyCombination key) {
    const Qt::KeyboardModifiers modifiers = key.keyboardModifiers();
    const QString bare = TDShortcutLabel(QKeyCombination(key.key()));
    if (bare.isEmpty()) return {};
    // Ctrl as the caret of the terminal's ^K, Shift as its key's arrow; Alt and Meta spelled, before.
    QString text;
    if (modifiers.testFlag(Qt::AltModifier)) text += QStringLiteral("Alt\u2009");
    if (modifiers.testFlag(Qt::MetaModifier)) text += QStringLiteral("Meta\u2009");
    if (modifiers.testFlag(Qt::ControlModifier)) text += QLatin1Char('^');
    if (modifiers.testFlag(Qt::ShiftModifier)) text += QChar(0x21E7);
    return text + bare;
}

bool TDDarkButton::hasKeyBox() const {
    return !keyEquivalentLabel().text.isEmpty();
}

QSize TDDarkButton::compactSize() const {
    const qreal title = QFontMetricsF(titleFont()).horizontalAdvance(text());
    return {int(std::ceil((hasKeyBox() ? shortcutBoxWidth() : 0) + title)) + 10, 20};
}

TDActionButton::DrawInfo TDDarkButton::calcDrawInfo(const QRectF& rect) const {
    if (hasKeyBox()) return drawInfoWithLabelOrigin(rect, rect.topLeft());
    // An empty box would read as a key nobody can see: the title takes the whole button, with the
    // same margins as the titles beside the keyed buttons' boxes.
    DrawInfo info;
    info.shortcutBox = QRectF(rect.topLeft(), QSizeF(0, rect.height()));
    info.titleBox = rect;
    info.titleString = rect;
    return info;
}

void TDDarkButton::drawWithFrame(QPainter& painter, const QRectF& frame) {
    const bool active = isApplicationActive();
    const bool pressed = isDown();
    const QRectF area = frame.adjusted(0, 0, 0, -1);
    const DrawInfo info = calcDrawInfo(area);
    const QRectF body = area.adjusted(0.5, 0.5, -0.5, -0.5);
    const QPainterPath bodyPath = bezierPathWithRoundedRect(body, 3);

    // (1) A one-point edge light just below the body.
    painter.save();
    QPainterPath outside;
    outside.addRect(frame.adjusted(-5, -5, 5, 5));
    outside.addPath(bodyPath);
    outside.setFillRule(Qt::OddEvenFill);
    painter.setClipPath(outside);
    painter.fillPath(bezierPathWithRoundedRect(body.translated(0, 1), 3), QColor::fromRgbF(1, 1, 1, 0.12f));
    painter.restore();

    // (2) The body.
    QColor base = backgroundColor();
    if (!active) base = highlightWithLevel(base, 0.2);
    QLinearGradient fill(body.topLeft(), body.bottomLeft());
    fill.setColorAt(0, shadowWithLevel(base, 0.2));
    fill.setColorAt(1, highlightWithLevel(base, 0.2));
    painter.fillPath(bodyPath, fill);

    // (3) The gloss over the upper half and a faint inner ring.
    // A disabled button's gloss is faint: its edge runs through the middle of the dimmed title and
    // would read as a line struck through it.
    const QRectF gloss(body.x(), body.y(), body.width(), std::ceil((body.height() - 1) / 2) + 0.5);
    const bool enabled = isEnabled();
    painter.fillPath(bezierPathWithRoundedRect(gloss, 3), pressed   ? whiteGradient(gloss, 0.15f, 0.05f)
                                                          : enabled ? whiteGradient(gloss, 0.25f, 0.075f)
                                                                    : whiteGradient(gloss, 0.08f, 0.03f));
    painter.fillPath(ringBetween(area.adjusted(0.5, 0.5, -0.5, -0.5), area.adjusted(1.5, 1.5, -1.5, -1.5), 2),
                     pressed ? whiteGradient(body, 0.1f, 0.0f) : whiteGradient(body, 0.15f, 0.05f));

    // (4) The outline.
    const float stroke = active ? 0.4f : 0.3f;
    painter.setPen(QPen(QColor::fromRgbF(stroke, stroke, stroke), 1));
    painter.drawPath(bodyPath);

    // (5) The separator right of the key.
    if (hasKeyBox()) {
        const qreal separator = std::round(info.shortcutBox.right() - 2);
        painter.fillRect(QRectF(separator, body.top() + 1, 1, body.height() - 2),
                         QColor::fromRgbF(1, 1, 1, 0.25f));
        painter.fillRect(QRectF(separator + 1, body.top() + 1, 1, body.height() - 2),
                         QColor::fromRgbF(1, 1, 1, 0.05f));
    }

    // (6) The key.
    drawKeyEquivalent(painter, info);

    // (7) The title over its dark shadow.
    painter.setFont(titleFont());
    painter.setPen(QColor::fromRgbF(0, 0, 0, enabled ? 0.6f : 0.35f));
    painter.drawText(info.titleString.translated(0, 1), Qt::AlignCenter, text());
    if (pressed)
        painter.fillPath(bezierPathWithRoundedRect(body.adjusted(1, 1, -1, -1), 2),
                         QColor::fromRgbF(0, 0, 0, 0.15f));
    painter.setPen(textColor());
    painter.drawText(info.titleString, Qt::AlignCenter, text());

    // (8) The image.
    if (!icon().isNull()) icon().paint(&painter, QRect(26, 5, 9, 9));
}

#include "controls/gui/raised_text_view.h"

#include <QFocusEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>
#include <utility>
#include <vector>

namespace {

// The shadow is the plate's shape in mid grey, two points lower and blurred over four points.
constexpr qreal kShadowOffset = 2;
constexpr qreal kShadowBlurRadius = 4;
constexpr int kShadowGrey = 153;

// How much of a blurred band [from, to] covers each pixel of a row of `length` pixels: a rectangle's
// blur is the product of its edges' blurs across and down.
std::vector<qreal> blurredBand(int length, qreal from, qreal to) {
    const qreal scale = 1 / ((kShadowBlurRadius / 2) * std::sqrt(2.0));
    std::vector<qreal> coverage(std::size_t(qMax(0, length)));
    for (int i = 0; i < length; ++i) {
        const qreal centre = i + 0.5;
        coverage[std::size_t(i)] =
            0.5 * (std::erf((centre - from) * scale) - std::erf((centre - to) * scale));
    }
    return coverage;
}

QImage shadowImage(QSize size, const QRectF& plate) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    const QRectF shadow = plate.translated(0, kShadowOffset);
    const std::vector<qreal> across = blurredBand(size.width(), shadow.left(), shadow.right());
    const std::vector<qreal> down = blurredBand(size.height(), shadow.top(), shadow.bottom());
    for (int y = 0; y < size.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(image.scanLine(y));
        for (int x = 0; x < size.width(); ++x) {
            const int alpha =
                qBound(0, int(std::lround(255 * across[std::size_t(x)] * down[std::size_t(y)])), 255);
            const int grey = kShadowGrey * alpha / 255;
            line[x] = qRgba(grey, grey, grey, alpha);
        }
    }
    return image;
}

bool isEditable(const QLineEdit* field) {
    return field->isEnabled() && !field->isReadOnly();
}

}  // namespace

// --- The plate

TDRaisedTextShadowView::TDRaisedTextShadowView(QWidget* parent) : QWidget(parent) {
    // It lies under its field: the field's margin is no target of its own.
    setAttribute(Qt::WA_TransparentForMouseEvents);
}

void TDRaisedTextShadowView::paintEvent(QPaintEvent*) {
    const QRectF plate = QRectF(rect()).adjusted(kMargin, kMargin, -kMargin, -kMargin);
    if (m_shadow.size() != size()) m_shadow = shadowImage(size(), plate);
    QPainter painter(this);
    painter.drawImage(0, 0, m_shadow);
    painter.fillRect(plate, Qt::white);
    painter.setPen(QPen(QColor(191, 191, 191), 1));
    painter.setBrush(Qt::NoBrush);
    // A one-point rim just outside the plate, on whole pixels.
    painter.drawRect(QRectF(rect()).adjusted(kMargin - 0.5, kMargin - 0.5, -kMargin + 0.5, -kMargin + 0.5));
}

// --- The editor

TDRaisedTextView::TDRaisedTextView(QObject* parent) : QObject(parent) {
}

TDRaisedTextView::~TDRaisedTextView() {
    delete m_shadowView;
}

void TDRaisedTextView::serve(QLineEdit* field) {
    if (!field || m_fields.contains(field)) return;
    m_fields.append(field);
    field->installEventFilter(this);
    connect(field, &QObject::destroyed, this, [this, field] {
        m_fields.removeOne(field);
        if (m_editedField == field) p_endEditing();
    });
    if (field->hasFocus()) p_beginEditing(field);
}

void TDRaisedTextView::p_beginEditing(QLineEdit* field) {
    if (m_editedField == field && m_shadowView) return;
    p_endEditing();
    if (!isEditable(field) || !field->parentWidget()) return;
    m_editedField = field;
    m_shadowView = new TDRaisedTextShadowView(field->parentWidget());
    p_placeShadowView();
    m_shadowView->stackUnder(field);
    m_shadowView->setVisible(field->isVisible());
}

void TDRaisedTextView::p_endEditing() {
    // The plate goes with the edit, at once: none is ever left behind a field.
    delete m_shadowView;
    m_editedField = nullptr;
    m_focusedByClick = false;
    m_clickedToBecomeFirstResponder = false;
}

void TDRaisedTextView::p_placeShadowView() {
    if (!m_shadowView || !m_editedField) return;
    const int margin = TDRaisedTextShadowView::kMargin;
    m_shadowView->setGeometry(m_editedField->geometry().adjusted(-margin, -margin, margin, margin));
}

bool TDRaisedTextView::p_selectAllOnClick(QEvent* event) {
    switch (event->type()) {
        case QEvent::MouseButtonPress: {
            const bool giveFocus = std::exchange(m_focusedByClick, false);
            if (!giveFocus || static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton) return false;
            m_clickedToBecomeFirstResponder = true;
            m_editedField->selectAll();
            return true;
        }
        // Dragging on with that click still selects everything.
        case QEvent::MouseMove:
            return m_clickedToBecomeFirstResponder;
        case QEvent::MouseButtonRelease:
            return std::exchange(m_clickedToBecomeFirstResponder, false);
        default:
            return false;
    }
}

bool TDRaisedTextView::eventFilter(QObject* watched, QEvent* event) {
    auto* field = qobject_cast<QLineEdit*>(watched);
    if (!field || !m_fields.contains(field)) return QObject::eventFilter(watched, event);
    switch (event->type()) {
        case QEvent::FocusIn:
            p_beginEditing(field);
            m_focusedByClick =
                m_editedField == field && static_cast<QFocusEvent*>(event)->reason() == Qt::MouseFocusReason;
            break;
        case QEvent::FocusOut: {
            // A menu over the field or another window in front does not end the edit.
            const Qt::FocusReason reason = static_cast<QFocusEvent*>(event)->reason();
            if (field == m_editedField && reason != Qt::PopupFocusReason &&
                reason != Qt::ActiveWindowFocusReason)
                p_endEditing();
            break;
        }
        case QEvent::Move:
        case QEvent::Resize:
            if (field == m_editedField) p_placeShadowView();
            break;
        case QEvent::Show:
        case QEvent::Hide:
            if (field == m_editedField && m_shadowView) m_shadowView->setVisible(field->isVisible());
            break;
        default:
            if (field == m_editedField && p_selectAllOnClick(event)) return true;
    }
    return QObject::eventFilter(watched, event);
}

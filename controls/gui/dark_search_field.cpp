#include "controls/gui/dark_search_field.h"

#include "controls/color_level_additions.h"
#include "controls/gui/control_images.h"
#include "foundation/gui/path_additions.h"

#include <QAction>
#include <QApplication>
#include <QIcon>
#include <QKeyEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {

QIcon iconFromImages(const QImage& normal, const QImage& pressed) {
    QIcon icon;
    icon.addPixmap(QPixmap::fromImage(normal), QIcon::Normal);
    icon.addPixmap(QPixmap::fromImage(pressed), QIcon::Active);
    return icon;
}

}  // namespace

TDDarkSearchField::TDDarkSearchField(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setFocusPolicy(Qt::ClickFocus);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    // The field paints its own translucent body; the text is light with a white insertion point.
    QPalette colors = palette();
    colors.setColor(QPalette::Base, Qt::transparent);
    colors.setColor(QPalette::Text, Qt::white);
    colors.setColor(QPalette::PlaceholderText, QColor(255, 255, 255, 130));
    colors.setColor(QPalette::Highlight,
                    shadowWithLevel(QApplication::palette().color(QPalette::Highlight), 0.25));
    colors.setColor(QPalette::HighlightedText, Qt::white);
    setPalette(colors);
    setTextMargins(3, 1, 0, 0);

    addAction(QIcon(QPixmap::fromImage(control_images::searchWhite())), QLineEdit::LeadingPosition);
    m_cancelAction = addAction(
        iconFromImages(control_images::searchCancelWhite(false), control_images::searchCancelWhite(true)),
        QLineEdit::TrailingPosition);
    m_cancelAction->setVisible(false);
    // The name a screen reader gives the icon-only button.
    m_cancelAction->setText(tr("Clear"));
    connect(m_cancelAction, &QAction::triggered, this, &QLineEdit::clear);
    connect(this, &QLineEdit::textChanged, this,
            [this](const QString& text) { m_cancelAction->setVisible(!text.isEmpty()); });
}

QRectF TDDarkSearchField::fieldRect(const QRectF& frame) {
    return frame.adjusted(0, 0, 0, -1);
}

QSize TDDarkSearchField::sizeHint() const {
    QSize size = QLineEdit::sizeHint();
    size.setHeight(qMax(size.height(), 22) + 1);
    return size;
}

void TDDarkSearchField::paintEvent(QPaintEvent* event) {
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF field = fieldRect(QRectF(rect()));
        const qreal radius = kCornerRadius;
        // A faint light edge below, the translucent body, a dark inner ring shading downward, a thin line.
        painter.fillPath(bezierPathWithRoundedRect(field.translated(0, 1), radius),
                         QColor::fromRgbF(1, 1, 1, 0.1f));
        painter.fillPath(bezierPathWithRoundedRect(field.adjusted(1, 1, -1, -1), radius - 1),
                         QColor::fromRgbF(1, 1, 1, 0.2f));
        QPainterPath ring = bezierPathWithRoundedRect(field, radius);
        ring.addPath(bezierPathWithRoundedRect(field.adjusted(1, 1, -1, -1), radius - 1));
        ring.setFillRule(Qt::OddEvenFill);
        QLinearGradient shade(field.topLeft(), field.bottomLeft());
        shade.setColorAt(0.0, QColor::fromRgbF(0, 0, 0, 0.6f));
        shade.setColorAt(1.0, QColor::fromRgbF(0, 0, 0, 0.4f));
        painter.fillPath(ring, shade);
        painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, 0.15f), 1.0));
        painter.drawPath(bezierPathWithRoundedRect(field.adjusted(1.5, 1.5, -1.5, -1.5), radius - 1));
    }
    QLineEdit::paintEvent(event);
}

void TDDarkSearchField::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        if (m_initialFocusWidget) {
            m_initialFocusWidget->setFocus(Qt::OtherFocusReason);
        } else {
            clearFocus();
        }
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

#include "controls/gui/linked_text_field.h"

#include <QMouseEvent>

TDLinkedTextField::TDLinkedTextField(QWidget* parent) : QLabel(parent) {
    setCursor(Qt::PointingHandCursor);
}

void TDLinkedTextField::enterEvent(QEnterEvent* event) {
    QLabel::enterEvent(event);
    p_setHovered(true);
}

void TDLinkedTextField::leaveEvent(QEvent* event) {
    QLabel::leaveEvent(event);
    p_setHovered(false);
}

void TDLinkedTextField::mouseReleaseEvent(QMouseEvent* event) {
    QLabel::mouseReleaseEvent(event);
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) Q_EMIT activated();
}

void TDLinkedTextField::p_setHovered(bool hovered) {
    if (hovered == m_hovered) return;
    m_hovered = hovered;
    QFont underlined = font();
    underlined.setUnderline(hovered);
    setFont(underlined);
    if (hovered) {
        m_ownPalette = palette();
        if (m_hoverColor.isValid()) {
            QPalette colors = palette();
            colors.setColor(QPalette::WindowText, m_hoverColor);
            setPalette(colors);
        }
    } else {
        setPalette(m_ownPalette);
    }
}

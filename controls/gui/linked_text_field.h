#pragma once

#include <QColor>
#include <QLabel>

// A label that behaves as a link: while the pointer is over it the whole text is underlined, drawn in
// the hover colour (when one is set) under a pointing hand, and a click sends `activated`. Leaving it
// gives the text back its own colour.
class TDLinkedTextField final : public QLabel {
    Q_OBJECT

public:
    explicit TDLinkedTextField(QWidget* parent = nullptr);

    QColor hoverColor() const { return m_hoverColor; }
    void setHoverColor(const QColor& color) { m_hoverColor = color; }
    bool isHovered() const { return m_hovered; }

Q_SIGNALS:
    void activated();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void p_setHovered(bool hovered);

    QColor m_hoverColor;
    QPalette m_ownPalette;
    bool m_hovered = false;
};

#pragma once

#include <QAbstractButton>

class QMenu;

// A function-bar button that opens a menu: the bar's band and end lines, darkened while pressed, its title
// and a small engraved arrow at the right. While the window is inactive its title is drawn disabled
// unless the pointer is over it.
class TDFunctionPopUpButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDFunctionPopUpButton(QWidget* parent = nullptr);

    // Not owned; shown under the button when it is pressed.
    void setMenu(QMenu* menu) { m_menu = menu; }
    QMenu* menu() const { return m_menu; }
    bool containsMouse() const { return m_containsMouse; }
    QSize sizeHint() const override;

    // The arrow's three points for a button of the given width (bar coordinates, y downwards).
    static QPolygonF arrowPolygon(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    void p_showMenu();

    QMenu* m_menu = nullptr;
    bool m_containsMouse = false;
};

// A flat button under a table column, on the function bar's band: short end lines when bordered, and
// no right-hand pair where it reaches the window's resize corner.
class TDFunctionBarColumnFooterButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDFunctionBarColumnFooterButton(QWidget* parent = nullptr);

    bool isBordered() const { return m_bordered; }
    void setBordered(bool bordered);
    // Whether the right-hand lines are drawn: the button's right edge lies more than 20 points left of
    // its window's right edge.
    bool drawsRightEdge() const;
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    bool m_bordered = true;
};

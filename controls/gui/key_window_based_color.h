#pragma once

#include <QColor>
#include <QPointer>
#include <QWidget>

// A colour that follows the active state of its window: the active colour while the window is the
// active one, the inactive colour otherwise and once the window has gone. Ask for it at drawing time.
class TDKeyWindowBasedColor {
public:
    TDKeyWindowBasedColor(QWidget* window, const QColor& activeColor, const QColor& inactiveColor);
    virtual ~TDKeyWindowBasedColor() = default;

    QColor currentColor() const;
    QColor activeColor() const { return m_activeColor; }
    QColor inactiveColor() const { return m_inactiveColor; }
    QWidget* window() const { return m_window; }

private:
    QPointer<QWidget> m_window;
    QColor m_activeColor;
    QColor m_inactiveColor;
};

// The source list's background: light blue while its window is active, light grey otherwise.
class TDSourceListColor : public TDKeyWindowBasedColor {
public:
    explicit TDSourceListColor(QWidget* window);
};

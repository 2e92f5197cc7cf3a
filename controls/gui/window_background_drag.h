#pragma once

#include <QPoint>

#include <optional>

class QMouseEvent;
class QWidget;

// Moves a frameless window by its background: pressed, dragged with the left button, released.
// Where the window system moves windows itself (Wayland allows nothing else), it takes the drag.
class TDWindowBackgroundDrag {
public:
    // Each returns whether the event was the drag's (and accepted it).
    bool press(QWidget& window, QMouseEvent* event);
    bool move(QWidget& window, QMouseEvent* event) const;
    bool release(QMouseEvent* event);

private:
    std::optional<QPoint> m_startMouse;
    QPoint m_startOrigin;
};

#pragma once

#include "controls/gui/window_background_drag.h"

#include <QMetaObject>
#include <QPointer>
#include <QWidget>

class TDMenuBarEvents;

// A small frameless tool window (the timer is one). While it is a floating panel it stands above the
// other windows, but only as long as the desktop's top bar is shown: when a window in front hides the
// bar, the panel drops among the other windows and comes back up when the bar shows again. It moves
// when dragged by its background, takes the keyboard only when allowed to, and Esc cancels it.
class TDFloatingPanel : public QWidget {
    Q_OBJECT

public:
    enum class WindowLevel { Normal, Floating };

    // `menuBarEvents` (not owned) reports the top bar; without it the bar counts as always shown.
    explicit TDFloatingPanel(QWidget* parent = nullptr, TDMenuBarEvents* menuBarEvents = nullptr);

    bool isFloatingPanel() const { return m_floatingPanel; }
    // Listens to the top bar and floats while floating; stops listening and stays among the other
    // windows while not.
    void setFloatingPanel(bool floating);
    // Above the other windows, or among them.
    void makeFloatingWindow();
    void makeNormalWindow();
    WindowLevel windowLevel() const;

    // A panel takes the keyboard only when its content needs it (fields, keys of its own).
    bool canBecomeKeyWindow() const { return m_canBecomeKeyWindow; }
    void setCanBecomeKeyWindow(bool can);

protected:
    // Esc: what cancelling the panel means; by default the panel closes.
    virtual void cancelOperation();

    void keyPressEvent(QKeyEvent* event) override;
    // Presses that no control takes land on the background, which drags the panel.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void p_menuBarShown();
    void p_menuBarHidden();
    void p_setStaysOnTop(bool onTop);

    QPointer<TDMenuBarEvents> m_menuBarEvents;
    bool m_floatingPanel = false;
    bool m_canBecomeKeyWindow = false;
    // The top bar's handlers, connected while the panel floats.
    QMetaObject::Connection m_shownHandler;
    QMetaObject::Connection m_hiddenHandler;
    TDWindowBackgroundDrag m_backgroundDrag;
};

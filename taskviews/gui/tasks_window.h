#pragma once

#include "controls/gui/window_background_drag.h"

#include <QMainWindow>

class QKeyEvent;

// What the task window tells the object that manages it.
class TDTasksWindowDelegate {
public:
    virtual ~TDTasksWindowDelegate() = default;
    // After the keyboard focus moved to `responder`; `changed` is false when it stayed.
    virtual void windowDidSetFirstResponder(QWidget* responder, bool changed) = 0;
    // Ctrl+Tab and Ctrl+Shift+Tab, taken before any widget sees them (tab switching).
    virtual void keyDown(QKeyEvent* event) = 0;
};

// The main task window: reports each change of the keyboard focus to its delegate, hands the
// tab-switching keys to it, follows the mouse when dragged by its background and can float above
// other windows.
class TDTasksWindow : public QMainWindow {
    Q_OBJECT

public:
    explicit TDTasksWindow(QWidget* parent = nullptr);
    ~TDTasksWindow() override;

    void setDelegate(TDTasksWindowDelegate* delegate) { m_delegate = delegate; }
    TDTasksWindowDelegate* delegate() const { return m_delegate; }
    // Gives the focus to the widget and tells the delegate.
    bool makeFirstResponder(QWidget* responder);
    // Kept above other windows, and back among them.
    void makeFloatingWindow();
    void makeNormalWindow();
    bool isFloatingWindow() const { return windowFlags().testFlag(Qt::WindowStaysOnTopHint); }

protected:
    // Key events go to the focused widget first: the window looks at them on their way there.
    bool eventFilter(QObject* watched, QEvent* event) override;
    // Presses that no widget takes land on the window's background.
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    void p_focusChanged(QWidget* old, QWidget* now);
    void p_setStaysOnTop(bool onTop);

    TDTasksWindowDelegate* m_delegate = nullptr;
    TDWindowBackgroundDrag m_backgroundDrag;
};

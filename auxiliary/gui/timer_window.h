#pragma once

#include "auxiliary/timer_views.h"
#include "controls/gui/floating_panel.h"

#include <QPointer>

class TDSingleTaskView;
class TDTimerButton;
class TDTimerCheckbox;
class TDTimerLCDView;
class TDTimerWindowController;
class TDTimerWindowResizeHandle;

namespace platform {
class UserDefaults;
}

// The timer's floating panel: a dark, rounded, textured panel with the time display, the timed task's
// row and checkbox, pause, stop and reveal buttons and a grip on its right edge. It floats above the
// other windows while "timerAlwaysOnTop" is on, stands on every workspace while "showTimerInAllSpaces"
// is, and toggles between its minimum width and the remembered "taskTimerWindowWidth". Space pauses or
// resumes, Esc stops. Its frame is kept under the name "timer" whenever it moves or resizes on screen.
class TDTimerWindow final : public TDFloatingPanel, public TDTimerPanel {
    Q_OBJECT
public:
    static inline const QString FrameKey = QStringLiteral("NSWindow Frame timer");
    static constexpr int kMinimumWidth = 250;
    static constexpr int kHeight = 66;

    TDTimerWindow(TDTimerWindowController& controller, platform::UserDefaults& defaults,
                  TDMenuBarEvents* menuBarEvents = nullptr);
    ~TDTimerWindow() override;

    // TDTimerPanel
    void setTask(TDTask* task) override;
    void reloadTask() override;
    void setTime(double seconds) override;
    void setPaused(bool paused) override;
    void updateDisplayMode() override;
    void showWindow() override;
    void closeWindow(bool animate) override;
    bool isWindowVisible() const override;

    // Between the minimum width and the remembered one, kept on the screen.
    void toggleWidth();

    TDTimerLCDView& lcdView() const { return *m_lcd; }
    TDSingleTaskView& taskView() const { return *m_taskView; }
    TDTimerButton& pauseButton() const { return *m_pauseButton; }
    TDTimerButton& stopButton() const { return *m_stopButton; }
    TDTimerButton& revealButton() const { return *m_revealButton; }
    TDTimerCheckbox& checkboxButton() const { return *m_checkbox; }

protected:
    void cancelOperation() override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void p_layout();
    void p_saveFrame();
    void p_restoreFrame();
    void p_growLeft(int width);

    TDTimerWindowController& m_controller;
    platform::UserDefaults& m_defaults;
    TDTimerLCDView* m_lcd;
    TDSingleTaskView* m_taskView;
    TDTimerCheckbox* m_checkbox;
    TDTimerButton* m_pauseButton;
    TDTimerButton* m_stopButton;
    TDTimerButton* m_revealButton;
    TDTimerWindowResizeHandle* m_grip;
    bool m_closing = false;
    // The panel was clicked since it last lost the keyboard.
    bool m_clicked = false;
    QPointer<QWidget> m_keyWindowBefore;
};

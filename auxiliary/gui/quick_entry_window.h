#pragma once

#include "auxiliary/quick_entry_panel.h"
#include "auxiliary/quick_entry_window.h"
#include "controls/gui/window_animator.h"
#include "controls/gui/window_background_drag.h"
#include "taskviews/task_window_context.h"

#include <QPointer>
#include <QRect>
#include <QWidget>

#include <memory>

class QLabel;
class QMenu;
class QPushButton;
class QToolButton;
class TDLibraryManager;
class TDQuickEntryWindowController;
class TDTasksViewController;

// The quick-entry panel: a frameless window above every other with the help strip, the target menu,
// the task list of the scratch list (Return in a title files the tasks) and the Done and Cancel
// buttons. It grows downward with its rows, never below its first height nor past the screen.
class TDQuickEntryWindow final : public QWidget,
                                 public TDQuickEntryPanel,
                                 public TDTaskWindowContext,
                                 public TDQuickEntryTest,
                                 private TDWindowAnimatorDelegate {
    Q_OBJECT
public:
    // None (logged) when the open library cannot be read into the scratch context.
    static std::unique_ptr<TDQuickEntryWindow> make(TDLibraryManager& manager);
    ~TDQuickEntryWindow() override;

    TDQuickEntryWindowController& controller() const { return *m_controller; }
    TDTasksViewController& tasksViewController() const { return *m_tasks; }
    QToolButton& targetButton() const { return *m_targetButton; }
    QMenu& targetMenu() const { return *m_targetMenu; }
    QPushButton& cancelButton() const { return *m_cancelButton; }
    QRect initialWindowFrame() const { return m_initialFrame; }
    // The height of all but the list: the panel wants the list's rows plus this.
    int margin() const { return m_margin; }
    // The time of the key event that opened the panel (X11), so the window manager lets it take the
    // keyboard; 0 when unknown.
    void setActivationTimestamp(quint32 timestamp) { m_activationTimestamp = timestamp; }
    void setActivationToken(const QString& token) { m_activationToken = token; }

    // The panel.
    bool isPanelVisible() const override;
    void showPanel(bool animate) override;
    void orderOutPanel() override;
    void restoreInitialFrame() override;
    void endEditing() override;
    void beginEditingFirstTask() override;

    // Grows (or shrinks, down to its first height) to show every row.
    void resizeWindowToFit();
    void toggleHelp();

    // The task list's questions of its window.
    bool isWindowKey() const override;
    bool isTitleFilterFieldFirstResponder() const override { return false; }
    void focusInitialFirstResponder() override;
    bool isEditingGroupTitle() const override { return false; }
    QString selectedTabGroupUID() const override { return {}; }
    QVariantMap selectedTabViewOptions() const override { return {}; }
    void selectGroup(TDGroup* group) override;
    void tasksControllerDidEnableTaskFilter(bool enabled) override;
    void tasksModeDidChange(int mode) override;
    bool isQuickEntry() const override { return true; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    explicit TDQuickEntryWindow(TDLibraryManager& manager);
    void windowAnimatorDidFinish(TDWindowAnimator* animator) override;
    void p_rebuildTargetMenu();
    void p_setHelpVisible(bool visible);
    void p_scheduleResize();
    int p_listContentHeight() const;
    void p_takeKeyboard();

    TDTasksViewController* m_tasks;  // child
    std::unique_ptr<TDQuickEntryWindowController> m_controller;
    QWidget* m_helpStrip;
    QToolButton* m_helpToggle;
    QToolButton* m_targetButton;
    QMenu* m_targetMenu;
    QPushButton* m_doneButton;
    QPushButton* m_cancelButton;
    TDWindowBackgroundDrag m_drag;
    QRect m_initialFrame;
    int m_margin = 0;
    bool m_resizeScheduled = false;
    quint32 m_activationTimestamp = 0;
    QString m_activationToken;
    // Ordello's window that had the keyboard before the panel opened; none over another program.
    QPointer<QWidget> m_windowBefore;
};

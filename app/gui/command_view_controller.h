#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>

class QWidget;
class TDTasksController;

// One of the views the command bar shows (go-to, hints, tag filter): owns its view, made on first use,
// and knows the tasks controller it works on. The main window owns the controllers; the bar only shows
// their views.
class TDCommandViewController : public QObject {
    Q_OBJECT
public:
    explicit TDCommandViewController(QObject* parent = nullptr);
    ~TDCommandViewController() override;

    QWidget* view();
    bool isViewLoaded() const { return m_view != nullptr; }

    TDTasksController* tasksController() const { return m_tasksController; }
    virtual void setTasksController(TDTasksController* controller) { m_tasksController = controller; }

    // Every control directly in the view, enabled or disabled (while another command view covers it).
    void enableControls() { p_setControlsEnabled(true); }
    void disableControls() { p_setControlsEnabled(false); }

    // Hooks for the bar: its view was shown in or taken out of the bar.
    virtual void viewDidMoveToSuperview() {}
    virtual void viewDidRemoveFromSuperview() {}
    // The frame the bar should take for this view; the bar's own frame unless a view asks otherwise.
    virtual QRect proposedFrameOfCommandBar(const QRect& barFrame) const { return barFrame; }

protected:
    // Makes the view; it becomes owned by this controller until a bar takes it as a child.
    virtual QWidget* makeView() = 0;

private:
    void p_setControlsEnabled(bool enabled);

    QPointer<QWidget> m_view;
    TDTasksController* m_tasksController = nullptr;
};

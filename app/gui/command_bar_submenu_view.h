#pragma once

#include "app/command_bar_state.h"
#include "app/gui/command_bar_view.h"

#include <QList>

// The command bar with a stack of command views: the top one shows, and another slides in over it
// (go-to over the hints or the tag filter) and away again. The window owns the controllers.
class TDCommandBarSubmenuView final : public TDCommandBarView {
    Q_OBJECT
public:
    // How long a command takes to slide in, in milliseconds: three quarters of the standard 150.
    static constexpr int kSlideDuration = 112;

    explicit TDCommandBarSubmenuView(QWidget* parent = nullptr);
    ~TDCommandBarSubmenuView() override;

    QWidget* containerView() const { return m_container; }
    const QList<TDCommandViewController*>& commandViewControllers() const { return m_controllers; }
    TDCommandViewController* topCommandController() const {
        return m_controllers.isEmpty() ? nullptr : m_controllers.last();
    }

    // The stack becomes this one controller, its view shown.
    void setCommandController(TDCommandViewController* controller);
    // Slides the controller's view in over the top one; nothing when it is on top already.
    void transitionToCommand(TDCommandViewController* controller, TDCommandSlide from, bool push,
                             bool animate);
    // Slides the top view away toward where the one under it came from; nothing with one controller.
    void transitionBack(bool animate);
    // Takes every view out of the bar, the shown one told so, and empties the stack (the bar closed).
    void removeAllCommands();
    // The height of the shown view: the window keeps the bar no taller.
    int proposedMaxHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void p_setCommandsView(QWidget* view);
    void p_removeView(QWidget* view);
    // Moves the views to their frames, over the slide's duration when animated (the caller waits).
    void p_animate(const QList<std::pair<QWidget*, QRect>>& moves, bool animate, int duration);

    QWidget* m_container;
    QList<TDCommandViewController*> m_controllers;
};

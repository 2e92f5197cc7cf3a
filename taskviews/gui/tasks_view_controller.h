#pragma once

#include <QWidget>

#include <memory>

class QStackedLayout;
class TDCardsView;
class TDDesktopTaskFeedback;
class TDLibraryManager;
class TDPrintRenderer;
class TDTaskTreeModel;
class TDTasksController;
class TDTasksView;

namespace platform {
class UserDefaults;
}

// One task list of a window: the tasks controller, the item model of its rows and the outline that
// shows them, made together and wired to each other. The main window puts this widget where the
// tasks go; the outline fills it, or the cards, made the first time the controller switches to them.
class TDAlertPrompter;
class TDURLHandler;

class TDTasksViewController : public QWidget {
    Q_OBJECT

public:
    explicit TDTasksViewController(TDLibraryManager& libraryManager, QWidget* parent = nullptr);
    ~TDTasksViewController() override;

    TDTasksController& tasksController() const { return *m_controller; }
    TDTaskTreeModel& treeModel() const { return *m_model; }
    TDTasksView& tasksView() const { return *m_view; }
    // nullptr until the cards are first shown.
    TDCardsView* cardsView() const { return m_cardsView; }
    // Where "ordello:" links in notes go (not owned; none: to the desktop like any other link).
    void setURLHandler(TDURLHandler* handler);
    // Who asks before a link that could run something opens (not owned; none: a message box).
    void setAlertPrompter(TDAlertPrompter* prompter);
    // What prints the list as it is shown now, with the print choices kept in `defaults`.
    std::unique_ptr<TDPrintRenderer> makePrintRenderer(platform::UserDefaults& defaults);

private:
    void p_modeChanged(qint64 mode);

    std::unique_ptr<TDTasksController> m_controller;
    std::unique_ptr<TDTaskTreeModel> m_model;
    // A child widget; deleted before the controller and the model it shows.
    TDTasksView* m_view;
    TDCardsView* m_cardsView = nullptr;
    QStackedLayout* m_layout;
    std::unique_ptr<TDDesktopTaskFeedback> m_feedback;
};

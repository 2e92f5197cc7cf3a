#pragma once

#include "app/toolbar_layout.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

class QLabel;
class TDGroupsController;
class TDPopUpButton;
class TDTasksController;
class TDTasksView;
class TDToolbarButton;
class TDToolbarSegmentedControl;

// The strip over the task list's header, as wide as its first three columns (or the cards): back and
// forward, outline or cards, and at the third column's right edge the grouping-limit chooser or the
// completed toggle. It draws nothing itself; a right click gives the header's column menu in outline
// mode.
class TDToolbarView final : public QWidget {
    Q_OBJECT
public:
    explicit TDToolbarView(QWidget* parent = nullptr);
    // The outline whose column menu a right click shows (not owned; nullptr in card mode).
    void setMenuSource(TDTasksView* tasksView) { m_menuSource = tasksView; }

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QPointer<TDTasksView> m_menuSource;
};

// Keeps the toolbar in step with the groups controller's history and the tasks controller's mode,
// display and grouping limit, and places it over the task list.
class TDToolbarViewController final : public QObject {
    Q_OBJECT
public:
    // The view is made as a child of `container`, the widget that holds the task list.
    TDToolbarViewController(TDGroupsController& groups, TDTasksController& tasks, TDTasksView& tasksView,
                            QWidget* container, QObject* parent = nullptr);
    ~TDToolbarViewController() override;

    TDToolbarView* view() const { return m_view; }
    TDToolbarSegmentedControl* backAndForwardSegmentedControl() const { return m_backAndForward; }
    TDToolbarSegmentedControl* viewModeSegmentedControl() const { return m_viewMode; }
    QWidget* limitChooseView() const { return m_limitChooseView; }
    QLabel* limitLeadingLabel() const { return m_leadingLabel; }
    TDPopUpButton* limitPopUp() const { return m_limitPopUp; }
    QLabel* limitTrailingLabel() const { return m_trailingLabel; }
    QWidget* toggleCompletedView() const { return m_toggleCompletedView; }
    TDToolbarButton* toggleCompletedButton() const { return m_toggleCompletedButton; }

    // Mode 1 cards, anything else outline.
    void setMode(int mode);
    // Shows the limit chooser or the completed toggle for the list's display mode, then lays out.
    void tasksViewDidChangeDisplayMode();
    // The strip's and its controls' places over the task list.
    void updateLayout();

Q_SIGNALS:
    // The view-mode control chose outline (0) or cards (1).
    void displayModeChosen(int mode);

private:
    void p_makeLimitChooseView();
    void p_makeToggleCompletedView();
    void p_layoutLimitChooseView();
    void p_layoutAccessory(QWidget* accessory);
    void p_updateHistory();
    int p_column2RightEdge() const;
    int p_cardsRightEdge() const;

    TDGroupsController& m_groups;
    TDTasksController& m_tasks;
    TDTasksView& m_tasksView;
    QWidget* m_container;
    TDToolbarView* m_view;
    TDToolbarSegmentedControl* m_backAndForward = nullptr;
    TDToolbarSegmentedControl* m_viewMode = nullptr;
    QWidget* m_limitChooseView = nullptr;
    QLabel* m_leadingLabel = nullptr;
    TDPopUpButton* m_limitPopUp = nullptr;
    QLabel* m_trailingLabel = nullptr;
    QWidget* m_toggleCompletedView = nullptr;
    TDToolbarButton* m_toggleCompletedButton = nullptr;
};

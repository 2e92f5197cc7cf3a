#pragma once

#include <QWidget>

class QMenu;
class TDAlertPrompter;
class TDFunctionPopUpButton;
class TDGroupsController;
class TDGroupsView;
class TDResizeGrip;
class TDSourceListGradientBarSegmentedCell;
class TDSplitView;
class TDSplitViewSubview;

// The source list's side of the window: the groups outline over the info pane (a split view whose
// lower pane opens and closes), above a bar with, at its left end, a button whose menu holds the
// commands that make and change groups, in the middle the switch between the list's two modes (lists;
// tags) and, at its right end, a grip that drags the window's main divider.
class TDSourceListPane : public QWidget {
    Q_OBJECT

public:
    TDSourceListPane(TDGroupsController& controller, TDAlertPrompter* prompter, QWidget* parent = nullptr);

    TDGroupsView* groupsView() const { return m_view; }
    // Pane 0 the groups outline, pane 1 the info pane.
    TDSplitView& splitView() const { return *m_split; }
    TDSplitViewSubview& infoPane() const { return *m_infoPane; }
    // The info pane shows this widget (taken over; nullptr leaves it empty).
    void setInfoViewContent(QWidget* content);
    QWidget* infoViewContent() const { return m_infoContent; }
    TDSourceListGradientBarSegmentedCell& modeSwitch() const { return *m_switcher; }
    // The bar's button of group commands, and its menu.
    TDFunctionPopUpButton& actionsButton() const { return *m_actionsButton; }
    QMenu& actionsMenu() const { return *m_actionsMenu; }
    // The bar's grip: an extra place to take the divider beside the source list.
    TDResizeGrip& mainSplitViewDragHandle() const { return *m_dragHandle; }
    // The bar's height.
    static constexpr int kBarHeight = 23;

private:
    void p_modeChanged(int mode);

    TDGroupsController& m_controller;
    TDSplitView* m_split;
    TDGroupsView* m_view;
    TDSplitViewSubview* m_infoPane;
    QWidget* m_infoContent = nullptr;
    TDSourceListGradientBarSegmentedCell* m_switcher = nullptr;
    TDResizeGrip* m_dragHandle = nullptr;
    TDFunctionPopUpButton* m_actionsButton = nullptr;
    QMenu* m_actionsMenu = nullptr;
};

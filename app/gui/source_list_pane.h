#pragma once

#include <QWidget>

class QButtonGroup;
class QLabel;
class TDAlertPrompter;
class TDGroupsController;
class TDGroupsView;

// The source list's side of the window: the groups outline above a bar with the switch between its two
// modes (lists; tags) and the mode's title.
class TDSourceListPane : public QWidget {
    Q_OBJECT

public:
    TDSourceListPane(TDGroupsController& controller, TDAlertPrompter* prompter, QWidget* parent = nullptr);

    TDGroupsView* groupsView() const { return m_view; }
    // The bar's height.
    static constexpr int kBarHeight = 23;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void p_modeChanged(int mode);

    TDGroupsController& m_controller;
    TDGroupsView* m_view;
    QButtonGroup* m_switcher;
    QLabel* m_modeTitle;
};

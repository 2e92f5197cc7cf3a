#pragma once

#include "app/gui/tab_control.h"

class TDGroupTabs;

// The main window's tab bar: each tab drawn in the colours of its group's kind.
class TDGroupTabControl : public TDTabControl {
    Q_OBJECT
public:
    explicit TDGroupTabControl(TDGroupTabs& tabs, QWidget* parent = nullptr);

    TDGroupTabs& groupTabs() const { return m_groupTabs; }

protected:
    const TDTabImages& tabImages(int index, bool selected) const override;
    QColor borderColor(int index) const override;

private:
    TDGroupTabs& m_groupTabs;
};

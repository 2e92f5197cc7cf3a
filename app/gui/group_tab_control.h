#pragma once

#include "app/gui/tab_control.h"

#include <QVariantAnimation>

class TDGroupTabs;

// The main window's tab bar: each tab drawn in the colours of its group's kind. Tasks dragged over a tab
// other than the selected one can be dropped into its group; the tab pulses while it would take them.
class TDGroupTabControl : public TDTabControl {
    Q_OBJECT
public:
    explicit TDGroupTabControl(TDGroupTabs& tabs, QWidget* parent = nullptr);

    TDGroupTabs& groupTabs() const { return m_groupTabs; }
    // The tab pulsing under a drag, or -1.
    int dropTargetIndex() const { return m_dropTarget; }

protected:
    const TDTabImages& tabImages(int index, bool selected) const override;
    QColor borderColor(int index) const override;

    void paintEvent(QPaintEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void p_setDropTarget(int index);

    TDGroupTabs& m_groupTabs;
    int m_dropTarget = -1;
    // The target tab fades to half and back, for as long as the drag stays over it.
    QVariantAnimation m_pulse;
};

#include "app/gui/group_tab_control.h"

#include "app/group_tabs.h"
#include "model/group.h"

TDGroupTabControl::TDGroupTabControl(TDGroupTabs& tabs, QWidget* parent)
    : TDTabControl(tabs, parent), m_groupTabs(tabs) {
}

const TDTabImages& TDGroupTabControl::tabImages(int index, bool selected) const {
    return TDTabImageFactory::sharedFactory().tabImagesForTabType(m_groupTabs.tabTypeAtIndex(index),
                                                                  selected);
}

QColor TDGroupTabControl::borderColor(int index) const {
    return TDGroup::displayOptionsForTabType(m_groupTabs.tabTypeAtIndex(index))
        .value(QStringLiteral("tabBorderHighlightColor"))
        .value<QColor>();
}

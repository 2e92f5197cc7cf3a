#include "app/gui/source_list_pane.h"

#include "app/group_menu.h"
#include "app/groups_controller.h"
#include "app/gui/group_menu_actions.h"
#include "app/gui/groups_view.h"
#include "controls/gui/function_pop_up_button.h"
#include "controls/gui/gradient_view.h"
#include "controls/gui/resize_grip.h"
#include "controls/gui/source_list_gradient_bar_segmented_cell.h"
#include "controls/gui/split_view.h"
#include "language/localized_string.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

TDSourceListPane::TDSourceListPane(TDGroupsController& controller, TDAlertPrompter* prompter, QWidget* parent)
    : QWidget(parent),
      m_controller(controller),
      m_split(new TDSplitView(Qt::Vertical, this)),
      m_view(new TDGroupsView(m_split)),
      m_infoPane(new TDSplitViewSubview(m_split)) {
    m_view->setController(&controller, prompter);
    m_split->setAutosaveName(QStringLiteral("SourceListSplitView"));
    m_split->addWidget(m_view);
    m_split->addWidget(m_infoPane);
    m_split->setStretchFactor(0, 1);
    m_split->setStretchFactor(1, 0);
    m_split->setDividerColor(QColor(0xa3, 0xab, 0xb3));
    m_infoPane->setAutoFillBackground(true);
    QPalette palette = m_infoPane->palette();
    palette.setColor(QPalette::Window, QColor(0xe8, 0xeb, 0xee));
    m_infoPane->setPalette(palette);
    auto* infoLayout = new QVBoxLayout(m_infoPane);
    infoLayout->setContentsMargins(0, 0, 0, 0);
    // Closed until the window opens it.
    m_infoPane->hide();
    controller.setPrompter(prompter);

    auto* bar = new TDSourceListGradientBar(this);
    bar->setFixedHeight(kBarHeight);
    m_switcher = new TDSourceListGradientBarSegmentedCell(
        {TDLocalizedString("Lists"), TDLocalizedString("Tags")}, bar);
    m_switcher->setSegmentToolTip(0, TDLocalizedString("Folders and lists"));
    m_switcher->setSegmentToolTip(1, TDLocalizedString("Tags"));
    connect(m_switcher, &TDSourceListGradientBarSegmentedCell::segmentClicked, &controller,
            &TDGroupsController::setMode);
    m_dragHandle = new TDResizeGrip(Qt::Horizontal, bar);
    m_actionsMenu = new QMenu(this);
    TDFillGroupMenu(*m_actionsMenu, controller, TDGroupActionsMenuEntries(), false);
    m_actionsButton = new TDFunctionPopUpButton(bar);
    m_actionsButton->setText(QStringLiteral("\u2699"));
    m_actionsButton->setToolTip(TDLocalizedString("New lists, folders and tags; rename, archive or delete"));
    m_actionsButton->setMenu(m_actionsMenu);
    m_actionsButton->setFixedSize(m_actionsButton->sizeHint().width(), kBarHeight - 2);

    // Between the bar's top and bottom lines; the switch stays in the middle, so the grip's side takes
    // as much room as the button's.
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(0, 1, 0, 1);
    barLayout->setSpacing(0);
    barLayout->addWidget(m_actionsButton);
    barLayout->addStretch(1);
    barLayout->addWidget(m_switcher);
    barLayout->addStretch(1);
    barLayout->addSpacing(qMax(0, m_actionsButton->width() - m_dragHandle->sizeHint().width()));
    barLayout->addWidget(m_dragHandle);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_split, 1);
    layout->addWidget(bar);

    connect(&controller, &TDGroupsController::modeChanged, this, &TDSourceListPane::p_modeChanged);
    p_modeChanged(controller.mode());
}

void TDSourceListPane::setInfoViewContent(QWidget* content) {
    if (content == m_infoContent) return;
    delete m_infoContent;
    m_infoContent = content;
    if (content) m_infoPane->layout()->addWidget(content);
}

void TDSourceListPane::p_modeChanged(int mode) {
    m_switcher->setSelectedSegment(mode);
}

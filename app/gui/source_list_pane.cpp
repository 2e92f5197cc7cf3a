#include "app/gui/source_list_pane.h"

#include "app/groups_controller.h"
#include "app/gui/groups_view.h"
#include "controls/gui/gradient_view.h"
#include "controls/gui/split_view.h"
#include "language/localized_string.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* segment(const QString& title, const QString& tooltip, const QString& corners, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(title);
    button->setToolTip(tooltip);
    button->setCheckable(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedHeight(18);
    button->setMinimumWidth(52);
    // Two halves of one control: the shared edge is drawn once.
    button->setStyleSheet(
        QStringLiteral(
            "QToolButton { border: 1px solid #8a939c; %1 background: qlineargradient(x1:0, y1:0, x2:0, y2:1,"
            " stop:0 #fbfbfc, stop:1 #dfe2e6); color: #2e3840; padding: 0 10px; font-size: 11px; }"
            "QToolButton:checked { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #8d9aa8,"
            " stop:1 #a9b5c2); color: white; }")
            .arg(corners));
    return button;
}

}  // namespace

TDSourceListPane::TDSourceListPane(TDGroupsController& controller, TDAlertPrompter* prompter, QWidget* parent)
    : QWidget(parent),
      m_controller(controller),
      m_split(new TDSplitView(Qt::Vertical, this)),
      m_view(new TDGroupsView(m_split)),
      m_infoPane(new TDSplitViewSubview(m_split)),
      m_switcher(new QButtonGroup(this)) {
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
    auto* lists =
        segment(TDLocalizedString("Lists"), TDLocalizedString("Folders and lists"),
                QStringLiteral("border-top-left-radius: 3px; border-bottom-left-radius: 3px;"), bar);
    auto* tags = segment(TDLocalizedString("Tags"), TDLocalizedString("Tags"),
                         QStringLiteral("border-left: none; border-top-right-radius: 3px;"
                                        " border-bottom-right-radius: 3px;"),
                         bar);
    m_switcher->setExclusive(true);
    m_switcher->addButton(lists, 0);
    m_switcher->addButton(tags, 1);
    connect(m_switcher, &QButtonGroup::idClicked, &controller, &TDGroupsController::setMode);

    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(8, 2, 8, 2);
    barLayout->setSpacing(0);
    barLayout->addStretch(1);
    barLayout->addWidget(lists);
    barLayout->addWidget(tags);
    barLayout->addStretch(1);

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
    if (QAbstractButton* button = m_switcher->button(mode)) button->setChecked(true);
}

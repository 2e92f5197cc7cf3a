#include "app/gui/source_list_pane.h"

#include "app/groups_controller.h"
#include "app/gui/groups_view.h"
#include "language/localized_string.h"

#include <QButtonGroup>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

QToolButton* segment(const QString& title, const QString& tooltip, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setText(title);
    button->setToolTip(tooltip);
    button->setCheckable(true);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    button->setFixedHeight(19);
    button->setStyleSheet(QStringLiteral(
        "QToolButton { border: 1px solid #8d9aa6; background: #f2f4f6; color: #2b3540; padding: 0 8px;"
        " font: bold 11px 'Helvetica'; }"
        "QToolButton:checked { background: #8ea3b8; color: white; }"));
    return button;
}

}  // namespace

TDSourceListPane::TDSourceListPane(TDGroupsController& controller, TDAlertPrompter* prompter, QWidget* parent)
    : QWidget(parent),
      m_controller(controller),
      m_view(new TDGroupsView(this)),
      m_switcher(new QButtonGroup(this)),
      m_modeTitle(new QLabel(this)) {
    m_view->setController(&controller, prompter);
    controller.setPrompter(prompter);

    auto* bar = new QWidget(this);
    bar->setFixedHeight(kBarHeight);
    auto* lists = segment(TDLocalizedString("Lists"), TDLocalizedString("Folders and lists"), bar);
    auto* tags = segment(TDLocalizedString("Tags"), TDLocalizedString("Tags"), bar);
    m_switcher->setExclusive(true);
    m_switcher->addButton(lists, 0);
    m_switcher->addButton(tags, 1);
    connect(m_switcher, &QButtonGroup::idClicked, &controller, &TDGroupsController::setMode);
    m_modeTitle->setStyleSheet(QStringLiteral("color: #55626e; font: bold 11px 'Helvetica';"));

    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(6, 2, 6, 2);
    barLayout->setSpacing(0);
    barLayout->addWidget(lists);
    barLayout->addWidget(tags);
    barLayout->addSpacing(10);
    barLayout->addWidget(m_modeTitle);
    barLayout->addStretch(1);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_view, 1);
    layout->addWidget(bar);

    connect(&controller, &TDGroupsController::modeChanged, this, &TDSourceListPane::p_modeChanged);
    p_modeChanged(controller.mode());
}

void TDSourceListPane::p_modeChanged(int mode) {
    if (QAbstractButton* button = m_switcher->button(mode)) button->setChecked(true);
    m_modeTitle->setText(mode == 1 ? TDLocalizedString("TAGS") : TDLocalizedString("LISTS"));
}

void TDSourceListPane::paintEvent(QPaintEvent* event) {
    QWidget::paintEvent(event);
    QPainter painter(this);
    const QRect bar(0, height() - kBarHeight, width(), kBarHeight);
    QLinearGradient gradient(bar.topLeft(), bar.bottomLeft());
    gradient.setColorAt(0, QColor(0xe9, 0xed, 0xf1));
    gradient.setColorAt(1, QColor(0xcf, 0xd6, 0xdd));
    painter.fillRect(bar, gradient);
    painter.setPen(QColor(0x9a, 0xa5, 0xb0));
    painter.drawLine(bar.topLeft(), bar.topRight());
}

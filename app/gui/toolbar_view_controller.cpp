#include "app/gui/toolbar_view_controller.h"

#include "app/groups_controller.h"
#include "app/gui/toolbar_controls.h"
#include "controls/gui/pop_up_button.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/tasks_header_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/tasks_controller.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPainter>

#include <functional>

namespace Layout = TDToolbarLayout;

namespace {

constexpr int kTasksColumn = 2;
const QColor kLabelColor = QColor::fromRgbF(0.25, 0.25, 0.25);

QIcon drawnIcon(const std::function<void(QPainter&)>& draw) {
    QPixmap pixmap(QSize(16, 12) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    painter.end();
    QIcon icon(pixmap);
    // Disabled: the same shape, faint.
    QPixmap faint(pixmap.size());
    faint.setDevicePixelRatio(2);
    faint.fill(Qt::transparent);
    QPainter fainter(&faint);
    fainter.setOpacity(0.3);
    fainter.drawPixmap(0, 0, pixmap);
    fainter.end();
    icon.addPixmap(faint, QIcon::Disabled);
    return icon;
}

QIcon chevronIcon(bool back) {
    return drawnIcon([back](QPainter& painter) {
        painter.setPen(QPen(QColor(0x3a, 0x3e, 0x44), 1.8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        const double tip = back ? 5.5 : 10.5;
        const double tail = back ? 10 : 6;
        painter.drawPolyline(QPolygonF{{tail, 2}, {tip, 6}, {tail, 10}});
    });
}

QIcon outlineIcon() {
    return drawnIcon([](QPainter& painter) {
        const QColor ink(0x3a, 0x3e, 0x44);
        for (int row = 0; row < 3; ++row) {
            painter.fillRect(QRectF(2, 2 + row * 3.5, 2, 2), ink);
            painter.fillRect(QRectF(5.5, 2.5 + row * 3.5, 9, 1.2), ink);
        }
    });
}

QIcon cardsIcon() {
    return drawnIcon([](QPainter& painter) {
        painter.setPen(QPen(QColor(0x3a, 0x3e, 0x44), 1.1));
        painter.drawRoundedRect(QRectF(2, 2, 5.2, 8), 1, 1);
        painter.drawRoundedRect(QRectF(8.8, 2, 5.2, 8), 1, 1);
    });
}

QLabel* toolbarLabel(QWidget* parent) {
    auto* label = new QLabel(parent);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kLabelColor);
    label->setPalette(palette);
    QFont font = label->font();
    font.setPointSizeF(font.pointSizeF() - 1);
    label->setFont(font);
    return label;
}

}  // namespace

// --- TDToolbarView

TDToolbarView::TDToolbarView(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_TranslucentBackground);
    setObjectName(QStringLiteral("Toolbar"));
}

void TDToolbarView::contextMenuEvent(QContextMenuEvent* event) {
    auto* header = m_menuSource ? qobject_cast<TDTasksHeaderView*>(m_menuSource->header()) : nullptr;
    if (!header) return;
    QMenu* menu = header->columnsMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

// --- TDToolbarViewController

TDToolbarViewController::TDToolbarViewController(TDGroupsController& groups, TDTasksController& tasks,
                                                 TDTasksView& tasksView, QWidget* container, QObject* parent)
    : QObject(parent),
      m_groups(groups),
      m_tasks(tasks),
      m_tasksView(tasksView),
      m_container(container),
      m_view(new TDToolbarView(container)) {
    using Tracking = TDToolbarSegmentedControl::Tracking;
    m_backAndForward =
        new TDToolbarSegmentedControl({chevronIcon(true), chevronIcon(false)}, Tracking::Momentary, m_view);
    m_backAndForward->setSegmentToolTip(0, tr("Back"));
    m_backAndForward->setSegmentToolTip(1, tr("Forward"));
    connect(m_backAndForward, &TDToolbarSegmentedControl::segmentClicked, &m_groups,
            &TDGroupsController::goBackAndForward);
    m_viewMode = new TDToolbarSegmentedControl({outlineIcon(), cardsIcon()}, Tracking::SelectOne, m_view);
    m_viewMode->setSegmentToolTip(0, tr("Outline"));
    m_viewMode->setSegmentToolTip(1, tr("Cards"));
    m_viewMode->setInteriorVerticalOffset(-1.0);
    connect(m_viewMode, &TDToolbarSegmentedControl::segmentClicked, this,
            &TDToolbarViewController::displayModeChosen);
    m_backAndForward->move(6, 1);
    m_viewMode->move(m_backAndForward->geometry().right() + 7, 1);

    p_makeLimitChooseView();
    p_makeToggleCompletedView();

    connect(&m_groups, &TDGroupsController::historyChanged, this, &TDToolbarViewController::p_updateHistory);
    connect(&m_tasks, &TDTasksController::rowsReloaded, this,
            &TDToolbarViewController::tasksViewDidChangeDisplayMode);
    // Switching to the cards brings them to the front of the container: the strip goes over them again.
    connect(&m_tasks, &TDTasksController::modeChanged, this, &TDToolbarViewController::updateLayout);
    connect(m_tasksView.header(), &QHeaderView::sectionResized, this, &TDToolbarViewController::updateLayout);
    connect(m_tasksView.header(), &QHeaderView::geometriesChanged, this,
            &TDToolbarViewController::updateLayout);
    p_updateHistory();
    m_view->show();
}

TDToolbarViewController::~TDToolbarViewController() = default;

void TDToolbarViewController::p_makeLimitChooseView() {
    m_limitChooseView = new QWidget(m_view);
    auto* layout = new QHBoxLayout(m_limitChooseView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    m_leadingLabel = toolbarLabel(m_limitChooseView);
    m_limitPopUp = new TDPopUpButton(m_limitChooseView);
    m_limitPopUp->setFocusPolicy(Qt::NoFocus);
    m_limitPopUp->setTextColor(kLabelColor);
    QFont font = m_limitPopUp->font();
    font.setPointSizeF(font.pointSizeF() - 1);
    m_limitPopUp->setFont(font);
    m_limitPopUp->addItem(tr("all"), 0);
    for (int limit : {1, 2, 3, 5, 10, 20}) m_limitPopUp->addItem(QString::number(limit), limit);
    m_limitPopUp->setAutoResizes(true);
    m_trailingLabel = toolbarLabel(m_limitChooseView);
    layout->addWidget(m_leadingLabel);
    layout->addWidget(m_limitPopUp);
    layout->addWidget(m_trailingLabel);
    connect(m_limitPopUp, &QComboBox::activated, this,
            [this](int index) { m_tasks.changeGroupingLimit(m_limitPopUp->itemData(index).toLongLong()); });
    m_limitChooseView->hide();
}

void TDToolbarViewController::p_makeToggleCompletedView() {
    m_toggleCompletedView = new QWidget(m_view);
    auto* layout = new QHBoxLayout(m_toggleCompletedView);
    layout->setContentsMargins(0, 0, 0, 0);
    m_toggleCompletedButton = new TDToolbarButton(m_toggleCompletedView);
    m_toggleCompletedButton->setText(tr("Show Completed"));
    m_toggleCompletedButton->setCheckable(true);
    // The labels' small size.
    QFont font = m_toggleCompletedButton->font();
    font.setPointSizeF(font.pointSizeF() - 1);
    m_toggleCompletedButton->setFont(font);
    layout->addWidget(m_toggleCompletedButton);
    connect(m_toggleCompletedButton, &QAbstractButton::clicked, this,
            [this](bool checked) { m_tasks.setHideOldCompletedTasks(!checked); });
    m_toggleCompletedView->hide();
}

void TDToolbarViewController::p_updateHistory() {
    m_backAndForward->setSegmentEnabled(0, m_groups.canGoBack());
    m_backAndForward->setSegmentEnabled(1, m_groups.canGoForward());
}

void TDToolbarViewController::setMode(int mode) {
    m_viewMode->setSelectedSegment(mode == 1 ? 1 : 0);
    tasksViewDidChangeDisplayMode();
}

void TDToolbarViewController::tasksViewDidChangeDisplayMode() {
    const int mode = m_tasks.mode() == 1 ? 1 : 0;
    m_viewMode->setSelectedSegment(mode);
    const Layout::Accessory accessory = Layout::accessoryFor(
        mode, m_tasks.displayMode(),
        platform::UserDefaults::standard().boolean(QStringLiteral("showActionsOnlyInCardView")));
    m_limitChooseView->setVisible(accessory == Layout::Accessory::LimitChooser);
    m_toggleCompletedView->setVisible(accessory == Layout::Accessory::CompletedToggle);
    m_toggleCompletedButton->setChecked(!m_tasks.hideOldCompletedTasks());
    m_view->setMenuSource(mode == 0 ? &m_tasksView : nullptr);
    updateLayout();
}

int TDToolbarViewController::p_column2RightEdge() const {
    const QHeaderView* header = m_tasksView.header();
    const int right = header->sectionViewportPosition(kTasksColumn) + header->sectionSize(kTasksColumn);
    return header->viewport()->mapTo(m_container, QPoint(right, 0)).x();
}

int TDToolbarViewController::p_cardsRightEdge() const {
    // The cards fill the container.
    return m_container->width();
}

void TDToolbarViewController::updateLayout() {
    const int mode = m_tasks.mode() == 1 ? 1 : 0;
    const QHeaderView* header = m_tasksView.header();
    const QPoint headerTop = header->mapTo(m_container, QPoint(0, 0));
    const int right = Layout::stripRightEdge(mode, p_column2RightEdge(), p_cardsRightEdge());
    m_view->setGeometry(0, headerTop.y(), qMax(0, right), qMax(header->height(), 28));
    p_layoutLimitChooseView();
    p_layoutAccessory(m_toggleCompletedView);
    // Between its controls the strip lets clicks through to the header under it (column resizing).
    m_view->setMask(m_view->childrenRegion());
    m_view->raise();
}

void TDToolbarViewController::p_layoutLimitChooseView() {
    const qint64 limit = qint64(m_tasks.groupingLimit());
    const Layout::LimitLabels labels = Layout::limitLabels(limit);
    m_leadingLabel->setText(labels.leading);
    m_trailingLabel->setText(labels.trailing);
    const int index = m_limitPopUp->findData(limit);
    if (index >= 0) {
        m_limitPopUp->setCurrentIndex(index);
    } else {
        m_limitPopUp->addItem(QString::number(limit), limit);
        m_limitPopUp->setCurrentIndex(m_limitPopUp->count() - 1);
    }
    m_limitPopUp->sizeToFitCurrentItem();
    p_layoutAccessory(m_limitChooseView);
}

void TDToolbarViewController::p_layoutAccessory(QWidget* accessory) {
    accessory->adjustSize();
    const int mode = m_tasks.mode() == 1 ? 1 : 0;
    // Column 2's right edge in the strip's own coordinates: the strip starts at the container's left.
    accessory->setGeometry(Layout::accessoryFrame(accessory->sizeHint(), m_view->height(), mode,
                                                  p_column2RightEdge() - m_view->x(),
                                                  p_cardsRightEdge() - m_view->x()));
}

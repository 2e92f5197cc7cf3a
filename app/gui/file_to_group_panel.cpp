#include "app/gui/file_to_group_panel.h"

#include "app/groups_controller.h"
#include "app/gui/groups_view.h"
#include "app/gui/main_window.h"
#include "app/gui/source_list_pane.h"
#include "controls/gui/balloon_panel.h"
#include "model/group.h"
#include "taskviews/gui/cards_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/tasks_controller.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPropertyAnimation>
#include <QPushButton>
#include <QToolButton>

namespace {

constexpr int kBalloonBelow = 2;

QIcon arrowIcon(bool up) {
    QPixmap pixmap(QSize(9, 7) * 2);
    pixmap.setDevicePixelRatio(2);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPolygonF triangle;
    if (up)
        triangle << QPointF(0.5, 6.5) << QPointF(4.5, 0.5) << QPointF(8.5, 6.5);
    else
        triangle << QPointF(0.5, 0.5) << QPointF(8.5, 0.5) << QPointF(4.5, 6.5);
    painter.setPen(Qt::NoPen);
    painter.setBrush(QColor(0x3a, 0x3e, 0x44));
    painter.drawPolygon(triangle);
    return QIcon(pixmap);
}

}  // namespace

// --- Content

TDFileToGroupPanelContentView::TDFileToGroupPanelContentView(QWidget* parent)
    : TDCompletionViewController(parent) {
    setObjectName(QStringLiteral("FileToGroupView"));
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(8, 7, 8, 7);
    layout->setSpacing(5);

    m_searchField = new TDAbbreviationCompleteField(this);
    m_searchField->setPlaceholderText(tr("Type a list"));
    m_searchField->setMinimumWidth(170);
    layout->addWidget(m_searchField, 1);

    for (int segment : {1, 0}) {
        auto* arrow = new QToolButton(this);
        arrow->setIcon(arrowIcon(segment == 1));
        arrow->setIconSize(QSize(9, 7));
        arrow->setFocusPolicy(Qt::NoFocus);
        arrow->setToolTip(segment == 1 ? tr("Previous match") : tr("Next match"));
        m_arrows[segment] = arrow;
        layout->addWidget(arrow);
    }

    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_cancelButton->setFocusPolicy(Qt::NoFocus);
    m_cancelButton->setAutoDefault(false);
    m_doneButton = new QPushButton(tr("Move"), this);
    m_doneButton->setFocusPolicy(Qt::NoFocus);
    m_doneButton->setDefault(true);
    layout->addWidget(m_cancelButton);
    layout->addWidget(m_doneButton);
}

QSize TDFileToGroupPanelContentView::sizeHint() const {
    return layout()->sizeHint();
}

bool TDFileToGroupPanelContentView::cancelOperation() {
    Q_EMIT canceled();
    return true;
}

void TDFileToGroupPanelContentView::paintEvent(QPaintEvent*) {
    // A light grey face, darker toward the bottom, inside the balloon's rim.
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QLinearGradient face(0, 0, 0, height());
    face.setColorAt(0, QColor::fromRgbF(0.95f, 0.95f, 0.95f));
    face.setColorAt(1, QColor::fromRgbF(0.85f, 0.85f, 0.85f));
    painter.setPen(Qt::NoPen);
    painter.setBrush(face);
    painter.drawRoundedRect(QRectF(rect()).adjusted(1, 1, -1, -1), 5, 5);
}

void TDFileToGroupPanelContentView::hideEvent(QHideEvent* event) {
    TDCompletionViewController::hideEvent(event);
    Q_EMIT hidden();
}

// --- Panel

TDFileToGroupPanel::TDFileToGroupPanel(TDMainWindow& window)
    : m_window(window),
      m_controller(window.groupsController(), window.tasksViewController().tasksController()) {
    m_controller.setWindow(this);
    connect(&m_controller, &TDFileToGroupController::markChanged, this, &TDFileToGroupPanel::p_markGroup);
    connect(&m_controller, &TDFileToGroupController::stateChanged, this, &TDFileToGroupPanel::p_updateUI);
    connect(&m_controller, &TDFileToGroupController::matchStringChanged, this, [this](const QString& title) {
        if (m_content) m_content->searchField()->updateMatchString(title);
    });
    connect(&m_controller, &TDFileToGroupController::clearSearchField, this, [this] {
        if (m_content) m_content->searchField()->clear();
    });
}

TDFileToGroupPanel::~TDFileToGroupPanel() {
    // Going with the window is no cancel.
    m_closing = true;
    delete m_balloon;
}

bool TDFileToGroupPanel::isVisible() const {
    return m_balloon && m_balloon->isVisible();
}

QRect TDFileToGroupPanel::p_targetFrame(int mode) const {
    TDTasksViewController& tasks = m_window.tasksViewController();
    if (mode != 0) {
        if (TDCardsView* cards = tasks.cardsView()) {
            const QRect title = cards->titleFrame();
            return QRect(cards->mapToGlobal(title.topLeft()), title.size());
        }
    }
    TDTasksView& view = tasks.tasksView();
    const QModelIndexList rows = view.selectionModel()->selectedRows();
    if (rows.isEmpty()) return QRect(view.mapToGlobal(QPoint(0, 0)), QSize(view.width(), 0));
    const QModelIndex cell = rows.first().siblingAtColumn(int(TDTaskColumn::Task));
    view.scrollTo(cell);
    const QRect rect = view.visualRect(cell);
    return QRect(view.viewport()->mapToGlobal(rect.topLeft()), rect.size());
}

void TDFileToGroupPanel::showForTasks(const QList<TDTask*>& tasks, int mode) {
    if (isVisible()) return;
    m_controller.setTasks(tasks);
    m_controller.setMode(mode);
    const QRect target = p_targetFrame(mode);
    // The pointer stands over the start of the task's title.
    const QPoint location(target.left() + (mode == 0 ? 36 : 42), target.bottom() - 4);
    if (!m_balloon) {
        m_content = new TDFileToGroupPanelContentView;
        m_content->searchField()->setDelegate(this);
        m_content->searchField()->installEventFilter(this);
        connect(m_content->arrowButton(1), &QToolButton::clicked, this, [this] { p_cycle(true); });
        connect(m_content->arrowButton(0), &QToolButton::clicked, this, [this] { p_cycle(false); });
        connect(m_content->doneButton(), &QPushButton::clicked, this, &TDFileToGroupPanel::p_done);
        connect(m_content->cancelButton(), &QPushButton::clicked, &m_controller,
                &TDFileToGroupController::cancel);
        connect(m_content, &TDFileToGroupPanelContentView::canceled, &m_controller,
                &TDFileToGroupController::cancel);
        // A click elsewhere closes the pop-up: that cancels.
        connect(m_content, &TDFileToGroupPanelContentView::hidden, this, [this] {
            if (!m_closing) m_controller.cancel();
        });
        m_balloon = new TDBalloonPanel(&m_window, location, kBalloonBelow, target, m_content);
        m_balloon->setObjectName(QStringLiteral("FileToGroupPanel"));
    } else {
        m_balloon->setPreferredLocation(location, target);
    }
    m_balloon->setCanBecomeKeyWindow(true);

    TDAbbreviationCompleteField* field = m_content->searchField();
    field->clear();
    m_balloon->updateFrame();
    m_balloon->orderFront();
    const QString abbreviation = m_controller.open();
    if (!abbreviation.isEmpty()) {
        field->insertTypedText(abbreviation);
        if (TDGroup* marked = m_controller.markedGroup()) field->updateMatchString(marked->title());
        field->selectAll();
    }
    p_updateUI();
    m_balloon->activateWindow();
    field->setFocus(Qt::PopupFocusReason);
}

QStringList TDFileToGroupPanel::completionsForString(TDAbbreviationCompleteField* field,
                                                     const QString& typed) {
    return m_controller.completionsForString(typed, field->isBuildingUpNonLatinString());
}

bool TDFileToGroupPanel::eventFilter(QObject* watched, QEvent* event) {
    if (m_content && watched == m_content->searchField() && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Up || key == Qt::Key_Down) {
            p_cycle(key == Qt::Key_Up);
            return true;
        }
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            p_done();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

void TDFileToGroupPanel::p_cycle(bool up) {
    if (!m_controller.arrowsEnabled()) return;
    m_controller.cycleThroughMatches(up);
}

void TDFileToGroupPanel::p_done() {
    if (m_content) m_controller.done(m_content->searchField()->text());
}

void TDFileToGroupPanel::p_updateUI() {
    if (!m_content) return;
    for (int segment : {0, 1}) m_content->arrowButton(segment)->setEnabled(m_controller.arrowsEnabled());
    QPushButton* done = m_content->doneButton();
    if (done->text() == m_controller.doneButtonTitle()) return;
    done->setText(m_controller.doneButtonTitle());
    // The balloon grows or narrows with the done button's title.
    if (m_balloon && m_balloon->isVisible()) m_balloon->updateFrame();
}

void TDFileToGroupPanel::p_markGroup(TDGroup* group) {
    TDGroupsView* view = m_window.sourceListPane().groupsView();
    view->setSecondarySelectedItem(group ? m_window.groupsController().model()->indexForGroup(group)
                                         : QModelIndex());
}

bool TDFileToGroupPanel::isSourceListHidden() const {
    return m_window.isSourceListHidden();
}

void TDFileToGroupPanel::toggleSourceList() {
    m_window.toggleSourceList();
}

void TDFileToGroupPanel::shake() {
    if (!m_balloon || !m_balloon->isVisible()) return;
    auto* animation = new QPropertyAnimation(m_balloon, "pos", m_balloon);
    const QPoint start = m_balloon->pos();
    animation->setDuration(300);
    for (int step = 0; step <= 6; ++step)
        animation->setKeyValueAt(step / 6.0, start + QPoint(step % 6 == 0 ? 0 : (step % 2 ? -6 : 6), 0));
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void TDFileToGroupPanel::closePanel() {
    if (!m_balloon) return;
    m_closing = true;
    m_balloon->orderOut();
    m_closing = false;
    // The keyboard goes back to the task list.
    m_window.activateWindow();
    TDTasksViewController& tasks = m_window.tasksViewController();
    if (m_controller.mode() != 0 && tasks.cardsView())
        tasks.cardsView()->setFocus(Qt::OtherFocusReason);
    else
        tasks.tasksView().setFocus(Qt::OtherFocusReason);
}

#include "auxiliary/gui/quick_entry_window.h"

#include "auxiliary/gui/previous_window.h"
#include "auxiliary/quick_entry_window_controller.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/window_activation.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLinearGradient>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
constexpr int kWidth = 520;
// The list's height when the panel first opens.
constexpr int kInitialListHeight = 84;
constexpr int kDropBelowCentre = 130;
}  // namespace

std::unique_ptr<TDQuickEntryWindow> TDQuickEntryWindow::make(TDLibraryManager& manager) {
    std::unique_ptr<TDQuickEntryWindow> window(new TDQuickEntryWindow(manager));
    if (!window->m_controller) return nullptr;
    return window;
}

TDQuickEntryWindow::TDQuickEntryWindow(TDLibraryManager& manager)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      m_tasks(new TDTasksViewController(manager, this)) {
    setObjectName(QStringLiteral("QuickEntryWindow"));
    setWindowTitle(tr("Quick Entry"));
    setAttribute(Qt::WA_TranslucentBackground);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 10, 12, 11);
    layout->setSpacing(6);

    m_helpStrip = new QLabel(tr("Type a task and press Return to file it. Ctrl+Return adds another task, "
                                "Shift+Return a sub-task below it. The same hot key files them too."),
                             this);
    m_helpStrip->setObjectName(QStringLiteral("QuickEntryHelp"));
    static_cast<QLabel*>(m_helpStrip)->setWordWrap(true);
    m_helpStrip->setStyleSheet(QStringLiteral(
        "#QuickEntryHelp { background: qlineargradient(x1:0, y1:0, x2:0, y2:1, stop:0 #595959, stop:1 "
        "#4d4d4d);"
        " color: white; border: 1px solid #999999; border-top: none; border-radius: 4px; padding: 6px; }"));
    layout->addWidget(m_helpStrip);

    auto* bar = new QHBoxLayout;
    auto* addTo = new QLabel(tr("Add to:"), this);
    m_targetButton = new QToolButton(this);
    m_targetButton->setObjectName(QStringLiteral("QuickEntryTarget"));
    m_targetButton->setPopupMode(QToolButton::InstantPopup);
    m_targetButton->setToolButtonStyle(Qt::ToolButtonTextOnly);
    // The keyboard stays in the list: typing goes into titles.
    m_targetButton->setFocusPolicy(Qt::NoFocus);
    m_targetMenu = new QMenu(m_targetButton);
    m_targetButton->setMenu(m_targetMenu);
    connect(m_targetMenu, &QMenu::aboutToShow, this, &TDQuickEntryWindow::p_rebuildTargetMenu);
    m_helpToggle = new QToolButton(this);
    m_helpToggle->setText(QStringLiteral("?"));
    m_helpToggle->setCheckable(true);
    m_helpToggle->setToolTip(tr("Show or hide the help"));
    m_helpToggle->setFocusPolicy(Qt::NoFocus);
    connect(m_helpToggle, &QToolButton::clicked, this, &TDQuickEntryWindow::toggleHelp);
    bar->addWidget(addTo);
    bar->addWidget(m_targetButton);
    bar->addStretch();
    bar->addWidget(m_helpToggle);
    layout->addLayout(bar);

    layout->addWidget(m_tasks, 1);

    auto* buttons = new QHBoxLayout;
    m_cancelButton = new QPushButton(tr("Cancel"), this);
    m_doneButton = new QPushButton(tr("Done"), this);
    m_doneButton->setDefault(true);
    for (QPushButton* button : {m_cancelButton, m_doneButton}) button->setFocusPolicy(Qt::NoFocus);
    buttons->addStretch();
    buttons->addWidget(m_cancelButton);
    buttons->addWidget(m_doneButton);
    layout->addLayout(buttons);

    TDTasksController& tasks = m_tasks->tasksController();
    tasks.setWindowContext(this);
    m_tasks->tasksView().setWindowContext(this);
    m_controller = TDQuickEntryWindowController::make(manager, tasks);
    if (!m_controller) return;
    m_controller->setPanel(this);
    connect(m_doneButton, &QPushButton::clicked, m_controller.get(), &TDQuickEntryWindowController::done);
    connect(m_cancelButton, &QPushButton::clicked, m_controller.get(), &TDQuickEntryWindowController::cancel);
    m_tasks->tasksView().setInsertNewlineHandler([this] {
        if (isPanelVisible()) m_controller->done();
    });

    // The panel follows its rows.
    TDTaskTreeModel& model = m_tasks->treeModel();
    for (auto signal : {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved})
        connect(&model, signal, this, &TDQuickEntryWindow::p_scheduleResize);
    connect(&model, &QAbstractItemModel::modelReset, this, &TDQuickEntryWindow::p_scheduleResize);
    connect(&model, &QAbstractItemModel::layoutChanged, this, &TDQuickEntryWindow::p_scheduleResize);
    connect(&tasks, &TDTasksController::rowsReloaded, this, &TDQuickEntryWindow::p_scheduleResize);

    // The first frame: the list at its first height below everything else.
    resize(kWidth, 400);
    layout->activate();
    p_setHelpVisible(platform::UserDefaults::standard().boolean(TDQuickEntryHelpVisibleKey));
    m_helpToggle->setChecked(m_helpStrip->isVisibleTo(this));
    layout->activate();
    m_margin = height() - m_tasks->height();
    resize(kWidth, m_margin + kInitialListHeight);
    m_initialFrame = geometry();
}

TDQuickEntryWindow::~TDQuickEntryWindow() {
    m_tasks->tasksView().setInsertNewlineHandler(nullptr);
    m_tasks->tasksController().setWindowContext(nullptr);
    // The controller lets go of the tasks controller before the list goes.
    m_controller.reset();
}

bool TDQuickEntryWindow::isPanelVisible() const {
    return isVisible() && windowOpacity() > 0;
}

void TDQuickEntryWindow::showPanel(bool animate) {
    if (isPanelVisible()) return;
    if (!isVisible()) m_windowBefore = TDWindowBefore(this);
    p_rebuildTargetMenu();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect available = screen->availableGeometry();
        QRect frame(QPoint(), m_initialFrame.size());
        frame.moveCenter(available.center());
        frame.translate(0, kDropBelowCentre);
        setGeometry(frame);
    }
    m_initialFrame = geometry();
    if (!animate) {
        setWindowOpacity(1);
        show();
        p_takeKeyboard();
        m_controller->panelDidAppear();
        return;
    }
    setWindowOpacity(0);
    show();
    p_takeKeyboard();
    TDWindowAnimator* animator = TDWindowAnimator::animatorWithWindow(this);
    animator->setDelegate(this);
    animator->setDuration(0.1);
    animator->fadeInFromDirection(0, 50);
}

void TDQuickEntryWindow::p_takeKeyboard() {
    raise();
    // A platform that kept the hidden panel as its focus window would take the request to activate it
    // as no change, and the panel would stand without the keyboard.
    if (QGuiApplication::focusWindow() == windowHandle() && QApplication::activeWindow() != this)
        QApplication::setActiveWindow(this);
    activateWindow();
    platform::activateWindowForRequest(windowHandle(), m_activationTimestamp, m_activationToken);
    m_activationTimestamp = 0;
    m_activationToken.clear();
}

void TDQuickEntryWindow::windowAnimatorDidFinish(TDWindowAnimator*) {
    if (isPanelVisible()) m_controller->panelDidAppear();
}

void TDQuickEntryWindow::orderOutPanel() {
    hide();
    TDActivateAgain(m_windowBefore);
    m_windowBefore = nullptr;
}

void TDQuickEntryWindow::restoreInitialFrame() {
    setGeometry(m_initialFrame);
}

void TDQuickEntryWindow::endEditing() {
    TDTasksView& view = m_tasks->tasksView();
    m_tasks->tasksController().finishEditing();
    view.clearSelection();
    view.setFocus(Qt::OtherFocusReason);
}

void TDQuickEntryWindow::beginEditingFirstTask() {
    TDTasksController& tasks = m_tasks->tasksController();
    // A person quicker than the fade is already typing.
    if (tasks.isEditingTitle()) return;
    const QList<TDTask*> all = tasks.group() ? tasks.topTasks()->objectsAs<TDTask>() : QList<TDTask*>();
    if (all.isEmpty()) return;
    tasks.setSelection({all.first()});
    m_tasks->tasksView().setFocus(Qt::OtherFocusReason);
    tasks.editSelectedTask();
}

void TDQuickEntryWindow::p_scheduleResize() {
    if (m_resizeScheduled) return;
    m_resizeScheduled = true;
    QTimer::singleShot(0, this, [this] {
        m_resizeScheduled = false;
        resizeWindowToFit();
    });
}

int TDQuickEntryWindow::p_listContentHeight() const {
    const TDTasksView& view = m_tasks->tasksView();
    int height = 2 * view.frameWidth() + (view.header()->isHidden() ? 0 : view.header()->height());
    for (QModelIndex row = view.model()->index(0, 0); row.isValid(); row = view.indexBelow(row))
        height += view.heightOfRow(row);
    return height;
}

void TDQuickEntryWindow::resizeWindowToFit() {
    const int wanted = p_listContentHeight() + m_margin;
    const int difference = wanted - height();
    if (difference == 0) return;
    const QScreen* screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    const QRect available = screen ? screen->availableGeometry() : QRect(0, 0, 1 << 15, 1 << 15);
    const int initialHeight = m_initialFrame.height();
    // Never below the first height; past the screen the list scrolls instead.
    const int target = std::clamp(wanted, initialHeight, std::max(initialHeight, available.height()));
    if (target == height()) return;
    QRect frame = geometry();
    frame.setHeight(target);
    if (frame.bottom() > available.bottom()) frame.moveBottom(available.bottom());
    setGeometry(frame);
}

void TDQuickEntryWindow::toggleHelp() {
    const bool visible = !m_helpStrip->isVisibleTo(this);
    p_setHelpVisible(visible);
    platform::UserDefaults::standard().setValue(TDQuickEntryHelpVisibleKey, visible);
}

void TDQuickEntryWindow::p_setHelpVisible(bool visible) {
    if (visible == m_helpStrip->isVisibleTo(this) && m_margin) return;
    // The list keeps its height: the panel and its margin change by the strip's.
    const int strip = m_helpStrip->sizeHint().height() + layout()->spacing();
    const int change = visible ? strip : -strip;
    m_helpStrip->setVisible(visible);
    m_helpToggle->setChecked(visible);
    if (!m_margin) return;  // still being built
    m_margin += change;
    m_initialFrame.setHeight(m_initialFrame.height() + change);
    resize(width(), height() + change);
}

void TDQuickEntryWindow::p_rebuildTargetMenu() {
    m_targetMenu->clear();
    for (const TDQuickEntryTargetItem& item : m_controller->targetMenuItems()) {
        if (item.isSeparator()) {
            m_targetMenu->addSeparator();
            continue;
        }
        QAction* action =
            m_targetMenu->addAction(QString(item.indentation * 4, QLatin1Char(' ')) + item.title);
        action->setCheckable(true);
        action->setChecked(item.checked);
        action->setEnabled(item.enabled);
        if (item.checked) m_targetButton->setText(item.title);
        if (!item.enabled) continue;
        connect(action, &QAction::triggered, this, [this, uid = item.uid, title = item.title] {
            m_controller->chooseTargetGroup(uid);
            m_targetButton->setText(title);
        });
    }
}

bool TDQuickEntryWindow::isWindowKey() const {
    return isActiveWindow();
}

void TDQuickEntryWindow::focusInitialFirstResponder() {
    m_tasks->tasksView().setFocus(Qt::OtherFocusReason);
}

void TDQuickEntryWindow::selectGroup(TDGroup*) {
    // The panel shows its scratch list only.
}

void TDQuickEntryWindow::tasksControllerDidEnableTaskFilter(bool) {
    // The panel has no filter bar.
}

void TDQuickEntryWindow::tasksModeDidChange(int) {
    // The panel shows the outline only.
}

void TDQuickEntryWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = rect();
    QLinearGradient shared(bounds.topLeft(), bounds.bottomLeft());
    shared.setColorAt(0.0, QColor(0xe3, 0xe4, 0xed));
    shared.setColorAt(0.1, QColor(0xed, 0xee, 0xf7));
    shared.setColorAt(1.0, QColor::fromRgbF(0.7f, 0.7f, 0.7f));
    QPainterPath outer;
    outer.addRoundedRect(bounds, 10, 10);
    painter.fillPath(outer, shared);
    // A gloss that shows only as a one-point rim.
    QLinearGradient gloss(bounds.topLeft(), bounds.bottomLeft());
    gloss.setColorAt(0.0, QColor::fromRgbF(1, 1, 1, 1));
    gloss.setColorAt(0.6, QColor::fromRgbF(1, 1, 1, 0));
    painter.fillPath(outer, gloss);
    QPainterPath inner;
    inner.addRoundedRect(bounds.adjusted(1, 1, -1, -1), 9.5, 9.5);
    painter.fillPath(inner, shared);
}

void TDQuickEntryWindow::mousePressEvent(QMouseEvent* event) {
    if (!m_drag.press(*this, event)) QWidget::mousePressEvent(event);
}

void TDQuickEntryWindow::mouseMoveEvent(QMouseEvent* event) {
    if (!m_drag.move(*this, event)) QWidget::mouseMoveEvent(event);
}

void TDQuickEntryWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (!m_drag.release(event)) QWidget::mouseReleaseEvent(event);
}

void TDQuickEntryWindow::keyPressEvent(QKeyEvent* event) {
    // Escape outside an edit throws the tasks away, as Cancel does.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        m_controller->cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

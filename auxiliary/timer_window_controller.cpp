#include "auxiliary/timer_window_controller.h"

#include "app/app_delegate.h"
#include "auxiliary/timer_status_title.h"
#include "auxiliary/timer_views.h"
#include "model/library.h"
#include "model/library_notifications.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"

#include <QCoreApplication>

using platform::NotificationCenter;

namespace {

const QString kDisplayMode = QStringLiteral("timerDisplayMode");
const QString kWindowHidden = QStringLiteral("timerWindowHidden");
const QString kMenubarTimer = QStringLiteral("menubarTimerEnabled");

constexpr int kTickMilliseconds = 1000;
constexpr int kBlinkMilliseconds = 800;

bool listHolds(const QVariant& list, const TDTask* task) {
    for (platform::ManagedObject* object : platform::managedObjectsFromVariantList(list))
        if (object == task) return true;
    return false;
}

// Sets a flag for the length of a scope.
class FlagScope final {
public:
    explicit FlagScope(bool& flag) : m_flag(flag), m_was(flag) { m_flag = true; }
    ~FlagScope() { m_flag = m_was; }
    FlagScope(const FlagScope&) = delete;
    FlagScope& operator=(const FlagScope&) = delete;

private:
    bool& m_flag;
    bool m_was;
};

}  // namespace

TDTimerWindowController::TDTimerWindowController(TDLibraryManager& manager, platform::UserDefaults& defaults,
                                                 QObject* parent)
    : QObject(parent), m_manager(manager), m_defaults(defaults) {
    // QTimers fire in nested event loops too: menus, drags and modal dialogs keep the timer going.
    m_tick.setInterval(kTickMilliseconds);
    connect(&m_tick, &QTimer::timeout, this, &TDTimerWindowController::timerFired);
    m_pausedBlink.setInterval(kBlinkMilliseconds);
    connect(&m_pausedBlink, &QTimer::timeout, this, &TDTimerWindowController::pausedTimerFired);
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this,
            &TDTimerWindowController::p_defaultDidChange);
    NotificationCenter& center = NotificationCenter::defaultCenter();
    // Stops only: the exact total reaches the final save; a library about to go takes its task along.
    center.addObserver(this, TDApplicationWillSaveBeforeTerminating, nullptr,
                       [this](const platform::Notification&) { stopTiming(); });
    center.addObserver(this, TDActiveLibraryWillChangeNotification, nullptr,
                       [this](const platform::Notification&) {
                           stopTiming();
                           close(false);
                       });
    center.addObserver(this, TDLibraryDidFinishLoadingNotificationName, nullptr,
                       [this](const platform::Notification&) { p_beginObservingContext(); });
    p_beginObservingContext();
}

TDTimerWindowController::~TDTimerWindowController() {
    NotificationCenter::defaultCenter().removeObserver(this);
}

// --- The task and the state machine

bool TDTimerWindowController::isTimingTask(const TDTask* task) const {
    return task && task == m_task && m_tick.isActive();
}

void TDTimerWindowController::setTask(TDTask* task) {
    if (task == m_task) return;
    if (!m_defaults.boolean(kWindowHidden)) p_loadPanel();
    if (m_task && m_task->isTiming()) stopTiming();
    m_task = task;
    if (m_panel) m_panel->setTask(task);
    if (task && task->estimatedTime() == 0 && displayMode() == 1) switchToMode(0);
    Q_EMIT stateChanged();
}

void TDTimerWindowController::startTiming() {
    if (!m_task) {
        logWithLevel(TDLogError, "ERROR", "Cannot start timing a task without it");
        return;
    }
    m_paused = false;
    m_pausedBlink.stop();
    {
        FlagScope ignoring(m_ignoreContextChange);
        m_task->timeLogPunchIn();
    }
    p_updateUI();
    p_updateTime(true);
    m_tick.start();
    Q_EMIT stateChanged();
}

void TDTimerWindowController::stopTiming() {
    if (!m_task) return;
    m_paused = true;
    m_tick.stop();
    {
        FlagScope ignoring(m_ignoreContextChange);
        m_task->timeLogPunchOut();
    }
    p_updateUI();
    if (m_statusItem) m_statusItem->setTitle({});
    Q_EMIT stateChanged();
}

void TDTimerWindowController::pauseOrResume() {
    if (!m_task) return;
    if (m_paused)
        startTiming();
    else
        stopTiming();
}

void TDTimerWindowController::stopAndClose() {
    if (m_task && !m_paused) stopTiming();
    m_pausedBlink.stop();
    close(true);
    if (m_statusItem) m_statusItem->remove();
    m_statusItem.reset();
    Q_EMIT stateChanged();
}

void TDTimerWindowController::close(bool animate) {
    m_task = nullptr;
    m_paused = false;
    if (!m_panel) return;
    m_panel->setTask(nullptr);
    m_panel->closeWindow(animate);
}

// --- The panel

TDTimerPanel* TDTimerWindowController::p_loadPanel() {
    if (!m_panel && m_panelMaker) {
        m_panel = m_panelMaker(*this);
        // A panel made after the task was set shows it all the same.
        if (m_panel) m_panel->setTask(m_task);
    }
    return m_panel.get();
}

bool TDTimerWindowController::isTimerActive() const {
    return isWindowVisible();
}

bool TDTimerWindowController::isWindowVisible() const {
    return m_panel && m_panel->isWindowVisible();
}

void TDTimerWindowController::showWindow() {
    TDTimerPanel* panel = p_loadPanel();
    if (!panel || panel->isWindowVisible()) return;
    panel->setPaused(m_paused);
    panel->updateDisplayMode();
    if (m_task) panel->setTime(p_shownSeconds(m_task->totalTimedInterval()));
    panel->showWindow();
    Q_EMIT stateChanged();
}

void TDTimerWindowController::showOrHideWindow() {
    if (isWindowVisible()) {
        m_panel->closeWindow(false);
        m_defaults.setValue(kWindowHidden, true);
    } else {
        showWindow();
        m_defaults.setValue(kWindowHidden, false);
    }
    Q_EMIT stateChanged();
}

void TDTimerWindowController::toggleCompleted() {
    if (!m_task) return;
    m_task->toggleCompletion();
    if (platform::UndoManager* undo = m_manager.undoManager())
        undo->setActionName(QCoreApplication::translate("TDTimerWindowController", "Mark as Completed"));
}

void TDTimerWindowController::revealTask() {
    if (m_task && m_revealer) m_revealer(m_task);
}

// --- The display mode

int TDTimerWindowController::displayMode() const {
    return m_defaults.integer(kDisplayMode);
}

bool TDTimerWindowController::canSwitchToRemainingTimeDisplayMode() const {
    return m_task && m_task->estimatedTime() != 0;
}

bool TDTimerWindowController::shouldSwitchToMode(int mode) const {
    return mode != 1 || canSwitchToRemainingTimeDisplayMode();
}

void TDTimerWindowController::switchToMode(int mode) {
    // The change of the setting redraws and writes at once (p_defaultDidChange).
    m_defaults.setValue(kDisplayMode, mode);
}

void TDTimerWindowController::showElapsedTime() {
    switchToMode(0);
}

void TDTimerWindowController::showRemainingTime() {
    if (canSwitchToRemainingTimeDisplayMode()) switchToMode(1);
}

void TDTimerWindowController::p_defaultDidChange(const QString& key) {
    if (key == kDisplayMode) {
        if (m_panel) m_panel->updateDisplayMode();
        if (m_task) timerFired();
        Q_EMIT stateChanged();
    }
}

// --- Ticking

double TDTimerWindowController::p_shownSeconds(double total) const {
    return displayMode() == 0 ? total : m_task->estimatedTime() - total;
}

void TDTimerWindowController::timerFired() {
    p_updateTime(false);
}

void TDTimerWindowController::p_updateTime(bool force) {
    if (!m_task) return;
    const double total = m_task->totalTimedInterval();
    const double shown = p_shownSeconds(total);
    if (m_panel) m_panel->setTime(shown);
    p_setStatusTitle(shown);
    const std::int64_t minute = TDTimerMinuteForSeconds(shown);
    if (!force && minute == m_minutes) return;
    m_minutes = minute;
    p_writeActualTime(total);
}

// The running total is bookkeeping: never an undo step, never a reason to save on its own. It reaches
// the disk with the next save of anything else; the punch-out writes the exact value.
void TDTimerWindowController::p_writeActualTime(double total) {
    platform::ManagedObjectContext* context = m_task->managedObjectContext();
    platform::UndoManager* undo = context ? context->undoManager() : nullptr;
    if (context) context->processPendingChanges();
    if (undo) undo->disableUndoRegistration();
    m_manager.setDontTriggerSaveOnChange(true);
    m_task->setActualTime(total);
    if (context) context->processPendingChanges();
    if (undo) undo->enableUndoRegistration();
    m_manager.setDontTriggerSaveOnChange(false);
}

void TDTimerWindowController::p_updateUI() {
    if (m_panel) m_panel->setPaused(m_paused);
    if (m_paused) {
        if (!m_pausedBlink.isActive()) m_pausedBlink.start();
    } else {
        m_pausedBlink.stop();
    }
    if (!m_statusItem) {
        p_setupStatusItem();
        return;
    }
    p_setStatusTitle(double(m_minutes) * 60);
}

// --- The tray

void TDTimerWindowController::p_setupStatusItem() {
    if (m_statusItem || !m_defaults.boolean(kMenubarTimer) || !m_statusItemMaker) return;
    m_statusItem = m_statusItemMaker(*this);
    if (m_statusItem) m_statusItem->show();
}

void TDTimerWindowController::p_setStatusTitle(double seconds) {
    if (!m_defaults.boolean(kMenubarTimer)) {
        if (m_statusItem) m_statusItem->remove();
        m_statusItem.reset();
        return;
    }
    if (!m_statusItem) return;
    TDTimerStatusTitle title = TDTimerStatusTitleForSeconds(seconds);
    // On the open menu's highlight the warning colour would not read.
    if (m_statusMenuOpen) title.overEstimate = false;
    m_statusItem->setTitle(title);
}

void TDTimerWindowController::pausedTimerFired() {
    if (!m_statusItem) return;
    if (m_statusItem->title().isEmpty())
        p_setStatusTitle(double(m_minutes) * 60);
    else
        m_statusItem->setTitle({});
}

void TDTimerWindowController::setStatusMenuOpen(bool open) {
    m_statusMenuOpen = open;
    p_updateUI();
    if (open) m_pausedBlink.stop();
    p_setStatusTitle(double(m_minutes) * 60);
}

// --- Changes of the library

void TDTimerWindowController::p_beginObservingContext() {
    NotificationCenter& center = NotificationCenter::defaultCenter();
    if (m_observedContext) center.removeObserver(this, TDLibraryMOCDidChangeNotification, m_observedContext);
    const auto* context =
        static_cast<const platform::ManagedObjectContext*>(m_manager.managedObjectContext());
    m_observedContext = context;
    if (!context) return;
    center.addObserver(
        this, TDLibraryMOCDidChangeNotification, context,
        [this](const platform::Notification& notification) { p_contextDidChange(notification); });
}

void TDTimerWindowController::p_contextDidChange(const platform::Notification& notification) {
    if (m_ignoreContextChange || !m_task) return;
    const QVariantMap& info = notification.userInfo;
    if (listHolds(info.value(TDDeletedObjectsKey), m_task)) {
        stopAndClose();
    } else if (listHolds(info.value(TDUpdatedObjectsKey), m_task)) {
        if (m_task->isIncomplete()) {
            if (m_panel) m_panel->reloadTask();
        } else {
            stopAndClose();
        }
    }
}

#include "app/gui/ordello_composition.h"

#include "app/desktop_requests.h"
#include "app/gui/application_menus.h"
#include "app/gui/file_dialog_library_chooser.h"
#include "app/gui/hot_key_manager.h"
#include "app/gui/import_window_restorer.h"
#include "app/gui/launcher_badge_sink.h"
#include "app/gui/main_window.h"
#include "app/gui/main_window_scripting_host.h"
#include "app/gui/message_box_prompter.h"
#include "app/locale_change_watcher.h"
#include "app/main_window_controller.h"
#include "app/sync_control.h"
#include "auxiliary/get_foreground_application_context_operation.h"
#include "auxiliary/gui/about_window_controller.h"
#include "auxiliary/gui/application_preferences.h"
#include "auxiliary/gui/preferences_controller.h"
#include "auxiliary/gui/quick_entry_window.h"
#include "auxiliary/gui/support_window.h"
#include "auxiliary/gui/timer_menu_items.h"
#include "auxiliary/gui/timer_status_item.h"
#include "auxiliary/gui/timer_window.h"
#include "auxiliary/quick_entry_window_controller.h"
#include "auxiliary/timer_window_controller.h"
#include "auxiliary/url_handler.h"
#include "foundation/date_change_notifier.h"
#include "foundation/gui/tooltip_shortcut.h"
#include "foundation/is_integer_transformer.h"
#include "foundation/private_folders.h"
#include "language/natural_language_value_transformers.h"
#include "model/group.h"
#include "model/natural_language_recurrence_rule_value_transformer.h"
#include "model/task.h"
#include "model/task_timer_window.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/desktop_workspace.h"
#include "platform/desktop/front_window.h"
#include "platform/desktop/hotkeys/hot_key_backends.h"
#include "platform/desktop/sleep_watcher.h"
#include "platform/notifications/notification_center.h"
#include "platform/reachability/network_reachability.h"
#include "platform/sound/sound_sink.h"
#include "store/gui/library_update_window_controller.h"
#include "store/library_manager.h"
#include "sync/calendar_store_sync_manager.h"
#include "sync/corvane_sync_operation.h"
#include "sync/gui/sync_windows.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QDialog>
#include <QMenuBar>
#include <QTimer>

void TDRegisterValueTransformers() {
    registerIntegerTransformers();
    registerNaturalLanguageValueTransformers();
    TDNaturalLanguageRecurrenceRuleValueTransformer::registerTransformer();
}

TDOrdelloComposition::TDOrdelloComposition(TDCompositionSeams seams, QObject* parent)
    : QObject(parent),
      m_tooltipShortcuts(std::make_unique<TDTooltipShortcutFilter>()),
      m_hotKeys(std::make_unique<TDHotKeyManager>(
          seams.hotKeyBackend ? seams.hotKeyBackend() : platform::makeSessionHotKeyBackend(seams.sessionBus),
          platform::UserDefaults::standard())),
      m_manager(std::make_unique<TDLibraryManager>()) {
    // A filter that goes is removed from the application with it.
    qApp->installEventFilter(m_tooltipShortcuts.get());
    TDHotKeyManager::setDefaultManager(m_hotKeys.get());
    TDLibraryManager::setSharedManager(m_manager.get());
    if (!seams.workspace) {
        m_desktopWorkspace = std::make_unique<platform::DesktopWorkspace>();
        seams.workspace = m_desktopWorkspace.get();
    }
    platform::Workspace::setShared(seams.workspace);
    TDInstallCorvaneSyncOperation();
    // Before the library opens, so that it sees the library load.
    m_calendarSync = std::make_unique<TDCalendarStoreSyncManager>(m_manager.get());
    m_mainWindow = TDMakeMainWindow(*m_manager, seams.prompter);
    TDMainWindow& window = *m_mainWindow;
    if (!seams.prompter) {
        m_messageBoxes = std::make_unique<TDMessageBoxPrompter>(&window);
        seams.prompter = m_messageBoxes.get();
    }
    if (!seams.libraryChooser) {
        m_fileDialogs = std::make_unique<TDFileDialogLibraryChooser>(&window);
        seams.libraryChooser = m_fileDialogs.get();
    }
    TDAlertPrompter& prompter = *seams.prompter;
    m_prompter = seams.prompter;
    TDMakeDataFoldersPrivate(m_manager->libraryPath());
    m_restorer = std::make_unique<TDImportWindowRestorer>(*m_manager, prompter);
    m_syncControl = std::make_unique<TDSyncWindows>(*m_manager);
    m_badge = std::make_unique<TDLauncherBadgeSink>(seams.sessionBus);
    m_delegate = std::make_unique<AppDelegate>(
        *m_manager,
        TDAppDelegateServices{prompter, *seams.libraryChooser, window, *m_restorer, *m_syncControl,
                              // A test's prompter answers sync alerts too.
                              m_messageBoxes ? m_syncControl.get() : nullptr});
    TDSetAppDelegate(m_delegate.get());
    m_delegate->setBadgeSink(m_badge.get());
    m_updateWindow = std::make_unique<TDLibraryUpdateWindowController>(m_delegate->updateProgress());
    m_menus = std::make_unique<TDApplicationMenus>(window, *m_manager, *m_delegate, prompter, *m_restorer,
                                                   platform::UserDefaults::standard());
    m_menus->setSyncWindows(m_syncControl.get());
    m_syncControl->setRevealObject([&window](TDLibraryObject* object) {
        if (TDTask* task = TDTask::from(object))
            window.controller().revealTask(task);
        else if (TDGroup* group = TDGroup::from(object))
            window.controller().revealGroup(group);
    });
    m_syncControl->setShowSyncPreferences([this] {
        p_showPreferences();
        TDPreferencesController::sharedController().selectPreferencePaneWithIdentifier(
            TDCorvaneSyncPreferencePane);
    });
    m_menus->setWindows({[this] { p_showPreferences(); },
                         [] { TDAboutWindowController::sharedController().showWindow(); },
                         [this] { p_showSupport(); }});
    connect(&window, &TDMainWindow::menusBuilt, m_menus.get(),
            [this](QMenuBar* bar) { m_menus->install(*bar); });
    p_makeTheTimer();

    // Files, links and text from other programs wait for the library the launch opens.
    m_scriptingHost = std::make_unique<TDMainWindowScriptingHost>(*m_manager, *m_delegate, window);
    m_urlHandler = std::make_unique<TDURLHandler>(*m_scriptingHost);
    m_requests = std::make_unique<TDDesktopRequests>(*m_delegate, *m_manager);
    m_requests->setURLHandler(m_urlHandler.get());
    window.tasksViewController().setURLHandler(m_urlHandler.get());
    m_requests->setQuickEntryHandlers(
        [this](bool withContext, const QString& token) { toggleQuickEntry(withContext, 0, token); },
        [this](const QString& text) {
            TDQuickEntryWindow* panel = p_quickEntry();
            return panel && panel->controller().showWindowWithTasksFromText(text, false);
        });
    m_hotKeys->setTarget([this](const platform::PTHotKey& hotKey) {
        const quint32 time = m_hotKeys->center().lastEventTimestamp();
        if (hotKey.identifier() == TDQuickEntryHotKeyIdentifier)
            toggleQuickEntry(false, time);
        else if (hotKey.identifier() == TDQuickEntryContextHotKeyIdentifier)
            toggleQuickEntry(true, time);
    });
    // The panel's scratch list belongs to the library that goes.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, TDActiveLibraryWillChangeNotification, nullptr,
        [this](const platform::Notification&) { m_quickEntry.reset(); });

    m_sleepWatcher = std::make_unique<platform::SleepWatcher>(seams.systemBus);
    connect(m_sleepWatcher.get(), &platform::SleepWatcher::willSleep, m_delegate.get(),
            &AppDelegate::systemWillSleep);
    connect(m_sleepWatcher.get(), &platform::SleepWatcher::didWake, m_delegate.get(),
            &AppDelegate::systemDidWake);
    p_watchTheNetwork();
    m_localeWatcher = std::make_unique<TDLocaleChangeWatcher>();
    connect(m_localeWatcher.get(), &TDLocaleChangeWatcher::localeChanged, m_delegate.get(),
            &AppDelegate::localeChanged);

    // Quitting saves first; a failed save may keep the program running.
    QApplication::setQuitOnLastWindowClosed(false);
    connect(&window, &TDMainWindow::closeRequested, m_delegate.get(), &AppDelegate::terminate);
    connect(m_delegate.get(), &AppDelegate::quitCancelled, &window, &TDMainWindow::showMainWindow);
    connect(m_delegate.get(), &AppDelegate::exitRequested, this, &TDOrdelloComposition::exitRequested);
}

TDOrdelloComposition::~TDOrdelloComposition() {
    // Its panes work with this composition's library manager and windows.
    TDPreferencesController::releaseSharedController();
    TDAboutWindowController::releaseSharedController();
    TDSupportWindow::releaseSharedWindow();
    m_mainWindow->tasksViewController().setURLHandler(nullptr);
    TDTaskTimerWindow::setShared(nullptr);
    m_mainWindow->tasksViewController().tasksController().setTimerController(nullptr);
    platform::NotificationCenter::defaultCenter().removeObserver(this);
    m_hotKeys->setTarget(nullptr);
    m_quickEntry.reset();
    m_delegate->setBadgeSink(nullptr);
    TDSetAppDelegate(nullptr);
    TDHotKeyManager::setDefaultManager(nullptr);
    TDLibraryManager::setSharedManager(nullptr);
    platform::Workspace::setShared(nullptr);
}

void TDOrdelloComposition::p_showPreferences() {
    TDPreferencesController& preferences = TDPreferencesController::sharedController(
        [this](const QString& anchor) { m_delegate->showHelpForAnchor(anchor); });
    if (!preferences.window())
        preferences.setConfiguration(TDApplicationPreferencesConfiguration(
            {platform::UserDefaults::standard(),
             *m_manager,
             *m_prompter,
             [this](const QString& anchor) { m_delegate->showHelpForAnchor(anchor); },
             [this] { m_mainWindow->clearOptions(); },
             // The manager follows the stored shortcuts by itself.
             {},
             [this](bool suspended) { m_hotKeys->setSuspended(suspended); },
             m_syncControl.get(),
             m_calendarSync.get(),
             !m_hotKeys->center().backend()}));
    preferences.showWindow();
}

TDScriptingHost& TDOrdelloComposition::scriptingHost() const {
    return *m_scriptingHost;
}

// The one task timer: Begin Timing of any task, the tasks controller's Stop Timing, the Window menu and
// the resume after a start all reach it.
void TDOrdelloComposition::p_makeTheTimer() {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    m_timer = std::make_unique<TDTimerWindowController>(*m_manager, defaults);
    m_timer->setPanelMaker([&defaults](TDTimerWindowController& timer) {
        return std::make_unique<TDTimerWindow>(timer, defaults);
    });
    m_timer->setStatusItemMaker(
        [](TDTimerWindowController& timer) { return std::make_unique<TDTrayTimerStatusItem>(timer); });
    m_timer->setTaskRevealer([this](TDTask* task) {
        m_mainWindow->showMainWindow();
        m_mainWindow->controller().revealTask(task);
    });
    TDTaskTimerWindow::setShared(m_timer.get());
    m_mainWindow->tasksViewController().tasksController().setTimerController(m_timer.get());
    auto addItems = [this](QMenuBar* bar) {
        for (QAction* action : bar->actions())
            if (action->menu() && action->text().remove(QLatin1Char('&')) == tr("Window"))
                TDAddTimerMenuItems(*action->menu(), *m_timer);
    };
    connect(m_mainWindow.get(), &TDMainWindow::menusBuilt, m_timer.get(), addItems);
    addItems(m_mainWindow->menuBar());
}

void TDOrdelloComposition::p_showSupport() {
    TDSupportWindow::sharedWindow(
        {platform::UserDefaults::standard(), *m_prompter,
         [this] { return m_manager->library() ? m_manager->libraryPath() : QString(); }})
        .open();
}

void TDOrdelloComposition::p_watchTheNetwork() {
    m_reachability = TDNetworkReachability::reachabilityForInternetConnection();
    m_networkReachable = m_reachability->currentReachabilityStatus() == TDNetworkReachability::Reachable;
    connect(m_reachability.get(), &TDNetworkReachability::reachabilityChanged, m_delegate.get(), [this] {
        const bool reachable =
            m_reachability->currentReachabilityStatus() == TDNetworkReachability::Reachable;
        if (reachable && !m_networkReachable) m_delegate->networkBecameReachable();
        m_networkReachable = reachable;
    });
    m_reachability->startNotifier();
}

std::optional<int> TDOrdelloComposition::launch(const TDLaunchOptions& options) {
    m_delegate->applicationWillFinishLaunching();
    if (const std::optional<int> ended = m_delegate->applicationDidFinishLaunching(options)) return ended;
    TDDateChangeNotifier::shared().start();
    // Inside the event loop: what waited may switch the library, or end the program.
    QTimer::singleShot(0, m_requests.get(), &TDDesktopRequests::launchDidFinish);
    return std::nullopt;
}

TDQuickEntryWindow* TDOrdelloComposition::p_quickEntry() {
    if (m_quickEntry || m_delegate->isLaunching() || !m_delegate->isLibraryOpen()) return m_quickEntry.get();
    m_quickEntry = TDQuickEntryWindow::make(*m_manager);
    if (!m_quickEntry) return nullptr;
    // Asked before the panel shows, so the window in front is still the other program's.
    m_quickEntry->controller().setContextProvider([](auto didGetContext) {
        const std::optional<platform::FrontWindowFacts> front = platform::frontWindowFacts();
        auto* operation = new TDGetForegroundApplicationContextOperation(
            {front ? front->windowClass : QString(), front ? front->name : QString()},
            TDGetForegroundApplicationContextOperation::defaultScriptFolders(), qApp);
        operation->setDidGetContextBlock(std::move(didGetContext));
        operation->start();
    });
    return m_quickEntry.get();
}

void TDOrdelloComposition::toggleQuickEntry(bool withContext, quint32 timestamp,
                                            const QString& activationToken) {
    TDQuickEntryWindow* panel = p_quickEntry();
    if (!panel) {
        platform::SoundSink::shared().beep();
        return;
    }
    panel->setActivationTimestamp(timestamp);
    panel->setActivationToken(activationToken);
    panel->controller().toggle(withContext);
}

void TDOrdelloComposition::quit() {
    if (m_delegate->isLaunching()) {
        // Nothing is open to save yet: the question up (an alert, a file dialog) is answered as its
        // Quit or Cancel would be, and the launch ends.
        m_delegate->quitWhileLaunching();
        for (QWidget* window : QApplication::topLevelWidgets())
            if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible())
                dialog->reject();
        return;
    }
    m_delegate->terminate();
}

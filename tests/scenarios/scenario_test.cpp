#include "tests/scenarios/scenario_test.h"

#include "app/gui/groups_view.h"
#include "app/gui/main_window.h"
#include "app/gui/ordello_composition.h"
#include "app/gui/source_list_pane.h"
#include "app/source_list_model.h"
#include "foundation/application_delegate.h"
#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "store/library_manager.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_row_item.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"
#include "tests/support/core/recording_app_delegate.h"

#include <QAction>
#include <QApplication>
#include <QContextMenuEvent>
#include <QDBusConnection>
#include <QDir>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QTest>
#include <QTimer>
#include <QWindow>

namespace scenario {
namespace {

// Every scenario's "now": a weekday morning in the tests' time zone. The clock stands still, and stays
// installed between scenarios, so the day never seems to change under the date-change notifier.
TDTestClock& scenarioClock() {
    static TDTestClock clock(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    return clock;
}

// Short, so a scenario waits little for each save; it waits for the save itself, never for this.
constexpr double kAutosaveDelaySeconds = 0.2;
// Generous: it only ends a scenario that would otherwise hang.
constexpr int kSaveWaitMilliseconds = 60000;

}  // namespace

ScenarioTest::ScenarioTest() = default;
ScenarioTest::~ScenarioTest() = default;

void ScenarioTest::SetUp() {
    TempFoldersTest::SetUp();
    // The library of a test run lives in the temporary folder's application support: one of its own.
    m_previousTemporaryFolder = qgetenv("TMPDIR");
    const QString temporary = QDir(tempPath()).filePath(QStringLiteral("tmp"));
    QDir().mkpath(temporary);
    qputenv("TMPDIR", temporary.toLocal8Bit());
    TDRegisterValueTransformers();
    scenarioClock().setNow(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(&scenarioClock());
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), kAutosaveDelaySeconds);
}

void ScenarioTest::TearDown() {
    if (isRunning()) quit();
    m_saveWatcher.reset();
    m_ordello.reset();
    desktopHotKeys = nullptr;
    if (m_previousTemporaryFolder.isNull())
        qunsetenv("TMPDIR");
    else
        qputenv("TMPDIR", m_previousTemporaryFolder);
    TempFoldersTest::TearDown();
}

QString ScenarioTest::packagePath() const {
    return TDLibraryManager::defaultLibraryPath();
}

void ScenarioTest::seedLibrary(const std::function<void(LibrarySeed&)>& build) {
    ASSERT_FALSE(m_ordello) << "a library is seeded before launch; afterwards through runningLibrary()";
    testsupport::RecordingAppDelegate delegate;
    TDSetAppDelegate(&delegate);
    TDLibraryManager manager(packagePath());
    TDLibraryManager::setSharedManager(&manager);
    const Result<TDLibrary*> created = manager.createLibrary();
    if (created.ok()) {
        TDLibrary& library = **created;
        for (TDTask* task : library.allTasks())
            if (!task->isDeleted()) task->deleteObject();
        LibrarySeed seed(library);
        build(seed);
        manager.managedObjectContext()->processPendingChanges();
        EXPECT_TRUE(manager.close().ok());
    }
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    ASSERT_TRUE(created.ok()) << created.error().detailedDescription().toStdString();
    for (const auto& error : delegate.errors)
        ADD_FAILURE() << error.second.toStdString() << ": "
                      << error.first.detailedDescription().toStdString();
}

void ScenarioTest::launch() {
    ASSERT_FALSE(m_ordello) << "Ordello is already running";
    TDCompositionSeams seams;
    if (!useMessageBoxes) seams.prompter = &prompter;
    seams.libraryChooser = &chooser;
    seams.workspace = &workspace;
    // A connection never opened: no bus of the desktop's is reached.
    seams.sessionBus = QDBusConnection(QStringLiteral("ordello-scenario-no-bus"));
    seams.systemBus = seams.sessionBus;
    if (!useSessionHotKeys)
        seams.hotKeyBackend = [this] {
            auto backend = std::make_unique<FakeHotKeyBackend>();
            desktopHotKeys = backend.get();
            return backend;
        };
    m_ordello = std::make_unique<TDOrdelloComposition>(seams);
    QObject::connect(m_ordello.get(), &TDOrdelloComposition::exitRequested, m_ordello.get(),
                     [this](int status) { m_exitStatus = status; });
    // Saves of the library's main context, from whichever thread posts them.
    m_saveWatcher = std::make_unique<QObject>();
    TDLibraryManager* manager = &m_ordello->manager();
    platform::NotificationCenter::defaultCenter().addObserver(
        m_saveWatcher.get(), platform::ManagedObjectContextDidSaveNotification, nullptr,
        [this, manager](const platform::Notification& notification) {
            const platform::ManagedObjectContext* main = manager->managedObjectContext();
            if (main && notification.sender == main) ++m_saves;
        });

    const std::optional<int> ended = m_ordello->launch(TDLaunchOptions{});
    ASSERT_FALSE(ended) << "the launch ended with status " << *ended << " after " << prompter.shown.size()
                        << " alerts";
    TDMainWindow& main = window();
    main.resize(1000, 680);
    QApplication::setActiveWindow(&main);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    settle();
}

std::optional<int> ScenarioTest::quit() {
    if (!isRunning()) return m_exitStatus;
    m_ordello->quit();
    // The quit sequence finishes the library's operations on a helper thread before it ends.
    testsupport::spinUntil(
        [this] { return m_exitStatus.has_value() || !m_ordello->delegate().isTerminating(); },
        kSaveWaitMilliseconds);
    if (m_exitStatus) {
        m_saveWatcher.reset();
        m_ordello.reset();
        desktopHotKeys = nullptr;
    }
    return m_exitStatus;
}

TDMainWindow& ScenarioTest::window() const {
    return m_ordello->mainWindow();
}

TDTasksView& ScenarioTest::outline() const {
    return window().tasksViewController().tasksView();
}

TDLibrary& ScenarioTest::runningLibrary() const {
    return *m_ordello->manager().library();
}

// --- Steps

void ScenarioTest::settle() {
    testsupport::drainEvents();
}

void ScenarioTest::pressHotKey(int key, Qt::KeyboardModifiers modifiers) {
    ASSERT_TRUE(desktopHotKeys) << "Ordello is not running";
    quint64 held = 0;
    if (modifiers & Qt::ControlModifier) held |= platform::PTCommandModifier;
    if (modifiers & Qt::AltModifier) held |= platform::PTOptionModifier;
    if (modifiers & Qt::MetaModifier) held |= platform::PTControlModifier;
    if (modifiers & Qt::ShiftModifier) held |= platform::PTShiftModifier;
    EXPECT_TRUE(desktopHotKeys->press(platform::PTKeyCombo(key, held)))
        << "Ordello holds no hot key "
        << QKeySequence(QKeyCombination(modifiers, Qt::Key(key))).toString().toStdString();
    settle();
}

void ScenarioTest::press(int key, Qt::KeyboardModifiers modifiers) {
    QWidget* target = QApplication::focusWidget();
    if (!target) {
        ADD_FAILURE() << "nothing has the keyboard focus for "
                      << QKeySequence(QKeyCombination(modifiers, Qt::Key(key))).toString().toStdString();
        return;
    }
    QTest::keyClick(target, Qt::Key(key), modifiers);
    settle();
}

void ScenarioTest::type(const QString& text) {
    for (const QChar character : text) {
        QWidget* target = QApplication::focusWidget();
        if (!target) {
            ADD_FAILURE() << "nothing has the keyboard focus to type \"" << text.toStdString() << "\" into";
            return;
        }
        if (character.unicode() < 0x80) {
            QTest::keyClick(target, char(character.unicode()));
        } else {
            QTest::sendKeyEvent(QTest::KeyAction::Click, target, Qt::Key_unknown, QString(character),
                                Qt::NoModifier);
        }
        settle();
    }
}

QModelIndex ScenarioTest::p_rowOfTask(const QString& title, int column) const {
    const QAbstractItemModel& model = outline().treeModel();
    std::function<QModelIndex(const QModelIndex&)> find = [&](const QModelIndex& parent) -> QModelIndex {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            const auto* task = index.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
            if (task && task->title() == title) return index.siblingAtColumn(column);
            if (const QModelIndex found = find(index); found.isValid()) return found;
        }
        return {};
    };
    return find({});
}

QPoint ScenarioTest::p_cellCenter(const QString& title, int column) const {
    const QModelIndex cell = p_rowOfTask(title, column < 0 ? int(TDTaskTreeModel::TaskColumn) : column);
    if (!cell.isValid()) {
        ADD_FAILURE() << "the outline shows no task \"" << title.toStdString() << "\"";
        return {-1, -1};
    }
    outline().scrollTo(cell);
    const QRect rect = outline().visualRect(cell);
    if (!outline().viewport()->rect().contains(rect.center())) {
        ADD_FAILURE() << "the row of \"" << title.toStdString() << "\" is out of sight";
        return {-1, -1};
    }
    return rect.center();
}

void ScenarioTest::click(const QString& taskTitle, int column, Qt::KeyboardModifiers modifiers) {
    const QPoint at = p_cellCenter(taskTitle, column);
    if (at.x() < 0) return;
    QTest::mouseClick(outline().viewport(), Qt::LeftButton, modifiers, at);
    settle();
}

void ScenarioTest::doubleClick(const QString& taskTitle, int column) {
    const QPoint at = p_cellCenter(taskTitle, column);
    if (at.x() < 0) return;
    QTest::mouseDClick(outline().viewport(), Qt::LeftButton, Qt::NoModifier, at);
    settle();
}

void ScenarioTest::doubleClickEmptyArea() {
    QWidget* viewport = outline().viewport();
    const QPoint at(viewport->width() / 2, viewport->height() - 10);
    if (outline().indexAt(at).isValid()) {
        ADD_FAILURE() << "the outline has no empty area below its rows";
        return;
    }
    QTest::mouseDClick(viewport, Qt::LeftButton, Qt::NoModifier, at);
    settle();
}

void ScenarioTest::chooseGroupFromKeyboard(const QString& title) {
    press(Qt::Key_G, Qt::ControlModifier);
    type(title);
    press(Qt::Key_Return);
    if (shownGroup() != title)
        ADD_FAILURE() << "chose \"" << title.toStdString() << "\" but the outline shows \""
                      << shownGroup().toStdString() << "\"";
}

QRect ScenarioTest::p_groupRect(const QString& title) const {
    TDGroupsView* view = window().sourceListPane().groupsView();
    const TDSourceListModel& model = *window().groupsController().model();
    std::function<QModelIndex(const QModelIndex&)> find = [&](const QModelIndex& parent) -> QModelIndex {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            if (index.data().toString() == title) return index;
            if (const QModelIndex found = find(index); found.isValid()) return found;
        }
        return {};
    };
    const QModelIndex index = find({});
    if (!index.isValid()) {
        ADD_FAILURE() << "the source list has no group \"" << title.toStdString() << "\"";
        return {};
    }
    view->scrollTo(index);
    const QRect rect = view->visualRect(index);
    if (!view->viewport()->rect().contains(rect.center())) {
        ADD_FAILURE() << "the group \"" << title.toStdString() << "\" is out of sight in the source list";
        return {};
    }
    return rect;
}

void ScenarioTest::clickGroup(const QString& title, Qt::KeyboardModifiers modifiers) {
    const QRect rect = p_groupRect(title);
    if (rect.isNull()) return;
    QTest::mouseClick(window().sourceListPane().groupsView()->viewport(), Qt::LeftButton, modifiers,
                      rect.center());
    settle();
}

namespace {

QAction* actionTitled(const QWidget& menu, const QString& title) {
    for (QAction* action : menu.actions())
        if (action->text().remove(QLatin1Char('&')) == title) return action;
    return nullptr;
}

}  // namespace

// A desktop keeps the window active under its menus; the offscreen platform activates each menu, and
// leaves nothing active once a menu is deleted, which would end what its item began (an edit). The
// window takes the activation back before the item is clicked, as the desktop has it.
void ScenarioTest::keepWindowActiveUnderMenu() {
    if (QWindow* handle = window().windowHandle()) handle->requestActivate();
    QCoreApplication::processEvents();
}

void ScenarioTest::chooseMenuItem(const QString& menu, const QString& item) {
    QMenuBar* bar = window().menuBar();
    QAction* title = actionTitled(*bar, menu);
    if (!title || !title->menu()) {
        ADD_FAILURE() << "the menu bar has no menu \"" << menu.toStdString() << "\"";
        return;
    }
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier, bar->actionGeometry(title).center());
    settle();
    QMenu* popup = title->menu();
    QAction* action = actionTitled(*popup, item);
    if (!popup->isVisible() || !action) {
        ADD_FAILURE() << "the menu \"" << menu.toStdString() << "\" shows no item \"" << item.toStdString()
                      << "\"";
        popup->close();
        return;
    }
    if (!action->isEnabled()) ADD_FAILURE() << "\"" << item.toStdString() << "\" is disabled";
    keepWindowActiveUnderMenu();
    QTest::mouseClick(popup, Qt::LeftButton, Qt::NoModifier, popup->actionGeometry(action).center());
    settle();
}

void ScenarioTest::chooseFromGroupMenu(const QString& groupTitle, const QString& item) {
    TDGroupsView* view = window().sourceListPane().groupsView();
    QPoint at(view->viewport()->width() / 2, view->viewport()->height() - 5);
    if (!groupTitle.isEmpty()) {
        const QRect rect = p_groupRect(groupTitle);
        if (rect.isNull()) return;
        at = rect.center();
    }
    chooseFromContextMenu(view->viewport(), at, item);
}

void ScenarioTest::chooseFromContextMenu(QWidget* target, const QPoint& at, const QString& item) {
    // The menu runs its own event loop: the click on its item comes from within it.
    bool opened = false;
    QObject context;
    QTimer::singleShot(0, &context, [&] {
        auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
        if (!menu) return;
        opened = true;
        QAction* action = actionTitled(*menu, item);
        if (!action || !action->isEnabled()) {
            ADD_FAILURE() << "the context menu has no enabled item \"" << item.toStdString() << "\"";
            menu->close();
            return;
        }
        keepWindowActiveUnderMenu();
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier, menu->actionGeometry(action).center());
    });
    QTest::mouseClick(target, Qt::RightButton, Qt::NoModifier, at);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, target->mapToGlobal(at));
    QApplication::sendEvent(target, &event);
    settle();
    if (!opened) ADD_FAILURE() << "no context menu opened";
}

// --- Judgement

void ScenarioTest::advanceClock(qint64 seconds) {
    scenarioClock().advanceSeconds(seconds);
}

void ScenarioTest::waitForSave() {
    ASSERT_TRUE(isRunning()) << "Ordello is not running";
    TDLibraryManager& manager = m_ordello->manager();
    const bool saved = testsupport::spinUntil(
        [&] {
            return m_saves.load() > m_savesSeen && !manager.isSaveScheduled() &&
                   !manager.managedObjectContext()->hasChanges();
        },
        kSaveWaitMilliseconds);
    EXPECT_TRUE(saved) << "no save came (" << m_saves.load() - m_savesSeen << " since the last wait; "
                       << (manager.isSaveScheduled() ? "one scheduled" : "none scheduled") << ")";
    m_savesSeen = m_saves.load();
}

StoredLibrary ScenarioTest::storedLibrary() const {
    StoredLibrary stored = readStoredLibrary(packagePath());
    EXPECT_TRUE(stored.error.isEmpty()) << stored.error.toStdString();
    return stored;
}

QWidget* ScenarioTest::focusedWidget() const {
    return QApplication::focusWidget();
}

QString ScenarioTest::focusedWidgetName() const {
    const QWidget* focused = focusedWidget();
    if (!focused) return QStringLiteral("none");
    return focused->objectName().isEmpty() ? QString::fromLatin1(focused->metaObject()->className())
                                           : focused->objectName();
}

QStringList ScenarioTest::shownTasks() const {
    QStringList lines;
    const TDTasksView& view = outline();
    const QAbstractItemModel& model = view.treeModel();
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            const auto* task = index.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
            if (task) lines << QString(level * 2, QLatin1Char(' ')) + task->title();
            if (view.isExpanded(index) || !task) walk(index, task ? level + 1 : level);
        }
    };
    walk({}, 0);
    return lines;
}

QStringList ScenarioTest::shownRows() const {
    QStringList lines;
    const TDTasksView& view = outline();
    const TDTaskTreeModel& model = view.treeModel();
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            const QString text = index.siblingAtColumn(TDTaskTreeModel::TaskColumn).data().toString();
            switch (model.itemForIndex(index).kind) {
                case TDTaskRowItem::Kind::Header:
                    lines << QStringLiteral("# ") + text;
                    break;
                case TDTaskRowItem::Kind::Section:
                    lines << QStringLiteral("## ") + text;
                    break;
                case TDTaskRowItem::Kind::Footer:
                    lines << QStringLiteral("... ") + text;
                    break;
                case TDTaskRowItem::Kind::Task:
                    lines << QString(level * 2, QLatin1Char(' ')) + text;
                    if (!view.isExpanded(index)) continue;
                    walk(index, level + 1);
                    continue;
                case TDTaskRowItem::Kind::Root:
                    break;
            }
            walk(index, level);
        }
    };
    walk({}, 0);
    return lines;
}

QStringList ScenarioTest::shownSheets() const {
    QStringList texts;
    for (const QMessageBox* box : window().findChildren<QMessageBox*>())
        if (box->isVisible()) texts << box->text();
    return texts;
}

QString ScenarioTest::shownGroup() const {
    const TDGroup* group = window().tasksViewController().tasksController().group();
    return group ? group->title() : QString();
}

QStringList ScenarioTest::sourceListRows() const {
    QStringList lines;
    const TDGroupsView& view = *window().sourceListPane().groupsView();
    const QAbstractItemModel& model = *view.model();
    const QItemSelectionModel* selection = view.selectionModel();
    std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int level) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            QString line = QString(level * 2, QLatin1Char(' ')) + index.data().toString();
            if (selection && selection->isSelected(index)) line += QStringLiteral(" [x]");
            lines << line;
            if (view.isExpanded(index)) walk(index, level + 1);
        }
    };
    walk({}, 0);
    return lines;
}

void ScenarioTest::screenshot(const QString& name) {
    settle();
    TDMainWindow& main = window();
    QImage picture = main.grab().toImage();
    QPainter painter(&picture);
    for (QWidget* top : QApplication::topLevelWidgets()) {
        if (top == &main || !top->isVisible()) continue;
        painter.drawPixmap(top->mapToGlobal(QPoint(0, 0)) - main.mapToGlobal(QPoint(0, 0)), top->grab());
    }
    painter.end();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(QDir(folder).filePath(name + QStringLiteral(".png"))));
}

}  // namespace scenario

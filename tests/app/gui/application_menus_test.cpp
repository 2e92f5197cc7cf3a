#include "app/gui/application_menus.h"

#include "app/app_delegate.h"
#include "app/groups_controller.h"
#include "app/gui/groups_view.h"
#include "app/gui/main_window.h"
#include "app/gui/source_list_pane.h"
#include "foundation/paths.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/task_lsm_classifier.h"
#include "platform/defaults/user_defaults.h"
#include "platform/plist/property_list.h"
#include "store/import_progress.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "tests/app/app_delegate_fixture.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/taskviews/recording_workspace.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>

namespace apptest {
namespace {

// Counts the events of one type a watched object receives.
class EventCounter : public QObject {
public:
    EventCounter(QEvent::Type type, int& count) : m_type(type), m_count(count) {}
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == m_type) ++m_count;
        return false;
    }

private:
    QEvent::Type m_type;
    int& m_count;
};

QStringList titles(const QList<QAction*>& actions) {
    QStringList all;
    for (const QAction* action : actions)
        all << (action->isSeparator() ? QStringLiteral("-") : action->text());
    return all;
}

QStringList strings(std::initializer_list<const char*> texts) {
    QStringList all;
    for (const char* text : texts) all << QString::fromUtf8(text);
    return all;
}

// The main window over a small library with the application menus installed, the way the program
// builds them.
class ApplicationMenusTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        groups.reset();
        tasks.reset();
        errands = list(QStringLiteral("Errands"));
        addTask(errands, QStringLiteral("Buy stamps"));
        empty = list(QStringLiteral("Nothing yet"));
        processChanges();
        window = std::make_unique<TDMainWindow>(*manager);
        restorer = std::make_unique<DirectRestorer>(*manager, prompter);
        delegate = std::make_unique<AppDelegate>(
            *manager, TDAppDelegateServices{prompter, chooser, *window, *restorer, sync});
        menus = std::make_unique<TDApplicationMenus>(*window, *manager, *delegate, prompter, *restorer,
                                                     defaults());
        menus->setFileQuestions({[this](const QString&, const QString& suggested, const QString&) {
                                     suggestions << suggested;
                                     return std::optional(savePath);
                                 },
                                 [this](const QString&, const QString& folder, const QString& filter) {
                                     openQuestions << QStringList{folder, filter};
                                     return openPath;
                                 }});
        QObject::connect(window.get(), &TDMainWindow::menusBuilt, menus.get(),
                         [this](QMenuBar* bar) { menus->install(*bar); });
        window->buildMenus();
        window->showMainWindow();
        window->resize(900, 600);
        QApplication::setActiveWindow(window.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        menus.reset();
        delegate.reset();
        window.reset();
        restorer.reset();
        GroupsControllerTest::TearDown();
    }

    QMenu* menu(const QString& title) const {
        for (QAction* action : window->menuBar()->actions())
            if (action->text().remove(QLatin1Char('&')) == title) return action->menu();
        return nullptr;
    }

    void show(TDGroup* group) {
        window->groupsController().selectGroup(group);
        processChanges();
        QCoreApplication::processEvents();
        menus->validate();
    }

    testsupport::ScriptedAlertPrompter prompter;
    ScriptedLocationChooser chooser;
    RecordingSyncControl sync;
    std::unique_ptr<TDMainWindow> window;
    std::unique_ptr<DirectRestorer> restorer;
    std::unique_ptr<AppDelegate> delegate;
    std::unique_ptr<TDApplicationMenus> menus;
    TDList* errands = nullptr;
    TDList* empty = nullptr;
    // The Debug menu's item of the title.
    QAction* debugItem(const QString& title) const {
        for (QAction* item : menu(QStringLiteral("Debug"))->actions())
            if (item->text() == title) return item;
        ADD_FAILURE() << "no Debug item " << title.toStdString();
        return nullptr;
    }

    QString savePath;
    QStringList suggestions;
    std::optional<QString> openPath;
    // The folder and the filter of each file asked for.
    QList<QStringList> openQuestions;
};

TEST_F(ApplicationMenusTest, TheCommandsJoinTheWindowsMenusAndQuitStaysLast) {
    const QStringList file = titles(menu(QStringLiteral("File"))->actions());
    const QStringList expectedEnd{QStringLiteral("Print…"),
                                  QStringLiteral("-"),
                                  QStringLiteral("Back Up Now…"),
                                  QStringLiteral("Restore from Backup…"),
                                  QStringLiteral("Sync Now"),
                                  QStringLiteral("Full Sync…"),
                                  QStringLiteral("Fix Library"),
                                  QStringLiteral("Show Library in File Manager"),
                                  QStringLiteral("-"),
                                  QStringLiteral("Quit")};
    EXPECT_EQ(file.mid(file.size() - expectedEnd.size()), expectedEnd)
        << file.join(QLatin1Char('|')).toStdString();
    QAction* fullScreen = menus->action(TDApplicationCommand::FullScreen);
    ASSERT_TRUE(fullScreen);
    EXPECT_EQ(fullScreen->text(), QStringLiteral("Enter Full Screen"));
    EXPECT_EQ(fullScreen->shortcut(), QKeySequence(Qt::Key_F11));
    ASSERT_TRUE(menu(QStringLiteral("Help")));
    EXPECT_FALSE(menu(QStringLiteral("Debug"))) << "only with enableDebugMenu";

    // Built again, as the launch does, with the Debug menu asked for: it comes last.
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    EXPECT_EQ(window->menuBar()->actions().last()->text(), QStringLiteral("Debug"));
    EXPECT_EQ(titles(menu(QStringLiteral("File"))->actions()).count(QStringLiteral("Print…")), 1);
}

// Two items on one key would both stay silent: Qt takes such a key as ambiguous.
TEST_F(ApplicationMenusTest, NoTwoMenuItemsShareAKey) {
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    QMap<QKeySequence, QString> owners;
    std::function<void(const QList<QAction*>&)> collect = [&](const QList<QAction*>& actions) {
        for (QAction* action : actions) {
            if (QMenu* submenu = action->menu()) collect(submenu->actions());
            for (const QKeySequence& key : action->shortcuts()) {
                if (key.isEmpty()) continue;
                EXPECT_FALSE(owners.contains(key))
                    << key.toString().toStdString() << ": " << owners.value(key).toStdString() << " and "
                    << action->text().toStdString();
                owners.insert(key, action->text());
            }
        }
    };
    collect(window->menuBar()->actions());
    EXPECT_GT(owners.size(), 20);
}

TEST_F(ApplicationMenusTest, PrintNeedsRowsAndSyncNeedsSyncSwitchedOn) {
    show(errands);
    EXPECT_TRUE(menus->action(TDApplicationCommand::Print)->isEnabled());
    EXPECT_FALSE(menus->action(TDApplicationCommand::Sync)->isEnabled());
    EXPECT_TRUE(menus->action(TDApplicationCommand::BackupLibrary)->isEnabled());
    show(empty);
    EXPECT_FALSE(menus->action(TDApplicationCommand::Print)->isEnabled());
}

TEST_F(ApplicationMenusTest, TheTaskCountItemFollowsTheSetting) {
    QAction* count = menus->action(TDApplicationCommand::ToggleTaskCount);
    ASSERT_TRUE(count);
    EXPECT_FALSE(count->isChecked());
    count->trigger();
    menus->validate();
    EXPECT_TRUE(defaults().boolean(QStringLiteral("showIncompleteTaskCount")));
    EXPECT_TRUE(count->isChecked());
}

TEST_F(ApplicationMenusTest, TheListsMenuFollowsViewWithTheSourceListsCommandsEnabledForTheSelection) {
    const QStringList bar = titles(window->menuBar()->actions());
    const qsizetype view = bar.indexOf(QStringLiteral("&View"));
    ASSERT_GE(view, 0) << bar.join(QLatin1Char('|')).toStdString();
    EXPECT_EQ(bar.value(view + 1), QStringLiteral("&Lists"));
    QMenu* lists = menus->groupMenu();
    ASSERT_TRUE(lists);
    EXPECT_EQ(
        titles(lists->actions()),
        strings({"Back", "Forward", "-", "Select Previous Group", "Select Next Group", "Switch Source List",
                 "-", "New List", "New Folder", "New Smart Folder", "-", "New Tag", "New Tag Bundle", "-",
                 "Rename", "Edit Smart Folder", "Duplicate", "Archive List", "Delete"}));

    // Each item is enabled, as the source list validates it, when the menu opens.
    const auto enabled = [&](TDGroup* group) {
        show(group);
        Q_EMIT lists->aboutToShow();
        QStringList on;
        for (const QAction* item : lists->actions())
            if (!item->isSeparator() && item->isEnabled()) on << item->text();
        Q_EMIT lists->aboutToHide();
        return on;
    };
    const QStringList always = strings(
        {"Switch Source List", "New List", "New Folder", "New Smart Folder", "New Tag", "New Tag Bundle"});
    const QStringList onErrands = enabled(errands);
    for (const QString& title : always + strings({"Rename", "Duplicate", "Archive List", "Delete"}))
        EXPECT_TRUE(onErrands.contains(title)) << title.toStdString();
    const QStringList onInbox = enabled(library()->inboxGroup());
    for (const QString& title : always) EXPECT_TRUE(onInbox.contains(title)) << title.toStdString();
    for (const char* title : {"Rename", "Edit Smart Folder", "Duplicate", "Archive List", "Delete"})
        EXPECT_FALSE(onInbox.contains(QLatin1String(title))) << title;
    // Closed, every item takes its key again: the source list checks before it acts.
    for (const QAction* item : lists->actions()) EXPECT_TRUE(item->isEnabled()) << item->text().toStdString();

    // A command from the menu acts on the selected group.
    show(errands);
    for (QAction* item : lists->actions())
        if (item->text() == QStringLiteral("Duplicate")) item->trigger();
    // It acts once the menu has gone, on the next turn of the event loop.
    QCoreApplication::processEvents();
    processChanges();
    QStringList titlesNow;
    for (TDGroup* group : library()->foldersGroup()->subgroups()) titlesNow << group->title();
    EXPECT_TRUE(titlesNow.contains(QStringLiteral("Errands copy")))
        << titlesNow.join(QLatin1Char('|')).toStdString();
}

TEST_F(ApplicationMenusTest, ShowLibraryInFileManagerSelectsThePackage) {
    taskviewstest::RecordingWorkspace desktop;
    platform::Workspace* before = platform::Workspace::shared();
    platform::Workspace::setShared(&desktop);
    menus->validate();
    QAction* reveal = menus->action(TDApplicationCommand::RevealLibrary);
    ASSERT_TRUE(reveal);
    EXPECT_TRUE(reveal->isEnabled());
    reveal->trigger();
    platform::Workspace::setShared(before);
    EXPECT_EQ(desktop.shown, QStringList{manager->libraryPath()});
    EXPECT_TRUE(QFileInfo(manager->libraryPath()).isDir());
}

TEST_F(ApplicationMenusTest, FixLibrarySaysWhatItFound) {
    menus->fixLibrary();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("No problems found in task library"));
}

TEST_F(ApplicationMenusTest, BackUpNowWritesTheFileChosenInTheBackground) {
    savePath = QDir(tempPath()).filePath(QStringLiteral("My backup"));
    QSignalSpy finished(menus.get(), &TDApplicationMenus::backupFinished);
    menus->action(TDApplicationCommand::BackupLibrary)->trigger();
    ASSERT_EQ(suggestions.size(), 1);
    EXPECT_TRUE(suggestions.first().endsWith(QStringLiteral(".odlbackup")));
    EXPECT_TRUE(suggestions.first().contains(QStringLiteral("Ordello 2026-")));
    ASSERT_TRUE(finished.wait(60000) || finished.size() == 1);
    EXPECT_TRUE(finished.first().first().toBool());
    EXPECT_TRUE(QFileInfo(savePath + QStringLiteral(".odlbackup")).isFile());
}

TEST_F(ApplicationMenusTest, TheDebugMenusLibraryCommandsDoWhatTheySay) {
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    const QStringList debug = titles(menu(QStringLiteral("Debug"))->actions());
    for (const char* title : {"Retrain Task Classifier", "Import XML…", "Import from Plist XML…",
                              "Capture View", "Make Recurring Tasks"})
        EXPECT_TRUE(debug.contains(QString::fromUtf8(title))) << title;

    // Retrain: tags given outside a title are learnt.
    TDTag* errandTag = tag(QStringLiteral("errand"));
    addTask(errands, QStringLiteral("post the parcel"))->addTagsObject(errandTag);
    debugItem(QStringLiteral("Retrain Task Classifier"))->trigger();
    auto* classifier = dynamic_cast<TDTaskLSMClassifier*>(library()->taskClassifier());
    ASSERT_TRUE(classifier);
    EXPECT_TRUE(classifier->valueToCategory().contains(errandTag->uid()));

    // Make Recurring Tasks: a weekly task not due until next week gets its next copy now.
    TDTask* bins = addTask(errands, QStringLiteral("bins"));
    TDRecurrenceRule weekly = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2}, {}).value();
    weekly.setNextStartDate(QDateTime(QDate(2026, 12, 14), QTime(0, 0)));
    bins->setStartDate(weekly.nextStartDate());
    auto* recurrence = bins->managedObjectContext()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
    ASSERT_TRUE(recurrence->setRule(weekly).ok());
    bins->setObject(QStringLiteral("recurrence"), recurrence);
    processChanges();
    const qsizetype before = errands->orderedTasks()->count();
    debugItem(QStringLiteral("Make Recurring Tasks"))->trigger();
    processChanges();
    EXPECT_EQ(errands->orderedTasks()->count(), before + 1);

    // Import from Plist XML: a group's copy form comes back at the end of Folders.
    const QString form = QDir(tempPath()).filePath(QStringLiteral("Errands.plist"));
    ASSERT_TRUE(platform::writePropertyListFile(form, errands->propertyListRepresentationForCopying()).ok());
    openPath = form;
    debugItem(QStringLiteral("Import from Plist XML…"))->trigger();
    ASSERT_EQ(openQuestions.size(), 1);
    EXPECT_EQ(openQuestions.first().first(), applicationSupportPath());
    EXPECT_TRUE(openQuestions.first().last().contains(QStringLiteral("*.plist.gz")));
    const QList<TDGroup*> folders = library()->foldersGroup()->orderedSubgroups()->objectsAs<TDGroup>();
    EXPECT_EQ(folders.last()->title(), QStringLiteral("Errands"));
    EXPECT_TRUE(folders.last()->isList());
    EXPECT_NE(folders.last(), errands);
    EXPECT_TRUE(prompter.shown.isEmpty());

    // A file that holds no group is refused with an alert.
    const QString array = QDir(tempPath()).filePath(QStringLiteral("array.plist"));
    ASSERT_TRUE(platform::writePropertyListFile(array, QVariantList{1, 2}).ok());
    openPath = array;
    debugItem(QStringLiteral("Import from Plist XML…"))->trigger();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_TRUE(prompter.shown.first().messageText.contains(QStringLiteral("does not hold a group")))
        << prompter.shown.first().messageText.toStdString();
    EXPECT_EQ(library()->foldersGroup()->orderedSubgroups()->count(), folders.size());

    // Capture View redraws the source list.
    QWidget* sourceList = window->sourceListPane().groupsView()->viewport();
    QCoreApplication::processEvents();
    int paints = 0;
    EventCounter counter(QEvent::Paint, paints);
    sourceList->installEventFilter(&counter);
    debugItem(QStringLiteral("Capture View"))->trigger();
    EXPECT_TRUE(testsupport::spinUntil([&] { return paints > 0; }, 10000));
}

// The XML import is a restore: a file it cannot read is reported and the library stays as it was;
// while it runs, neither it nor a restore can start again.
TEST_F(ApplicationMenusTest, ImportXMLRestoresFromAPropertyListAndRefusesAMalformedOne) {
    defaults().setValue(QStringLiteral("enableDebugMenu"), true);
    window->buildMenus();
    const QString malformed = QDir(tempPath()).filePath(QStringLiteral("backup.xml"));
    QFile file(malformed);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?><plist><dict><key>entities</key>");
    file.close();
    TDLibrary* open = library();
    openPath = malformed;

    QAction* importXML = menus->action(TDApplicationCommand::ImportXML);
    ASSERT_TRUE(importXML);
    importXML->trigger();
    ASSERT_EQ(openQuestions.size(), 1);
    EXPECT_EQ(openQuestions.first().first(), applicationSupportPath());
    EXPECT_TRUE(openQuestions.first().last().contains(QStringLiteral("*.xml")));
    // Its failure waits for the main thread, so it is still running here.
    menus->validate();
    EXPECT_FALSE(importXML->isEnabled());
    EXPECT_FALSE(menus->action(TDApplicationCommand::RestoreLibrary)->isEnabled());

    ASSERT_TRUE(testsupport::spinUntil([&] {
        menus->validate();
        return importXML->isEnabled();
    }));
    ASSERT_EQ(appDelegate.errors.size(), 1);
    EXPECT_EQ(appDelegate.errors.first().second, QStringLiteral("Could not restore from backup"));
    EXPECT_EQ(library(), open);
    ASSERT_EQ(errands->orderedTasks()->count(), 1);
    EXPECT_EQ(TDTask::from(errands->orderedTasks()->objectAtIndex(0))->title(), QStringLiteral("Buy stamps"));
}

}  // namespace
}  // namespace apptest

#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "sync/gui/calendar_sync_preference_pane.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/sync/calendar_sync_fixture.h"

#include <QCheckBox>
#include <QDir>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace synctest {
namespace {

class CalendarPaneWidgetTest : public CalendarSyncTest {
protected:
    void SetUp() override {
        CalendarSyncTest::SetUp();
        ASSERT_TRUE(store->createCalendar(QStringLiteral("Errands")).ok());
        TDFolder* waiting = library->createFolder(QStringLiteral("Waiting"), library->foldersGroup());
        library->createList(QStringLiteral("Callbacks"), waiting);
        library->createList(QStringLiteral("Work"), library->foldersGroup());
        pane = std::make_unique<TDCalendarSyncPane>(*manager, syncManager.get(), sheets);
        pane->view()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane->view()));
    }
    void TearDown() override {
        pane.reset();
        syncManager->waitUntilIdle();
        CalendarSyncTest::TearDown();
    }

    testsupport::ScriptedAlertPrompter sheets;
    std::unique_ptr<TDCalendarSyncPane> pane;
};

TEST_F(CalendarPaneWidgetTest, TheCalendarsAndTheGroupsOfTheSelectedCalendarShowTheirCheckBoxes) {
    QListWidget* calendars = pane->calendarList();
    ASSERT_EQ(calendars->count(), 2);
    const int choresRow = calendars->item(0)->text() == QStringLiteral("Chores") ? 0 : 1;
    EXPECT_EQ(calendars->item(choresRow)->checkState(), Qt::Checked);
    EXPECT_FALSE(calendars->item(1 - choresRow)->flags() & Qt::ItemIsUserCheckable);
    EXPECT_FALSE(pane->groupTree()->isEnabled());

    calendars->setCurrentRow(choresRow);
    testsupport::drainEvents();
    EXPECT_TRUE(pane->groupTree()->isEnabled());
    const QList<QTreeWidgetItem*> homes =
        pane->groupTree()->findItems(QStringLiteral("Home"), Qt::MatchRecursive);
    ASSERT_EQ(homes.size(), 1);
    EXPECT_EQ(homes.first()->checkState(0), Qt::Checked);
    // A list after a folder's own lists stays the folder's sibling, and the folder shows its image.
    const QList<QTreeWidgetItem*> waitings =
        pane->groupTree()->findItems(QStringLiteral("Waiting"), Qt::MatchRecursive);
    ASSERT_EQ(waitings.size(), 1);
    EXPECT_FALSE(waitings.first()->icon(0).isNull());
    ASSERT_EQ(waitings.first()->childCount(), 1);
    EXPECT_EQ(waitings.first()->child(0)->text(0), QStringLiteral("Callbacks"));
    const QList<QTreeWidgetItem*> works =
        pane->groupTree()->findItems(QStringLiteral("Work"), Qt::MatchRecursive);
    ASSERT_EQ(works.size(), 1);
    EXPECT_EQ(works.first()->parent(), waitings.first()->parent());
    EXPECT_TRUE(pane->masterSwitch()->isChecked());

    // Both columns' headers and lists start at the same height, though only one header has a pop-up.
    EXPECT_EQ(calendars->geometry().top(), pane->groupTree()->geometry().top());
    QLabel* calendarsHeader = nullptr;
    QLabel* groupsHeader = nullptr;
    for (QLabel* label : pane->view()->findChildren<QLabel*>()) {
        if (label->text() == QStringLiteral("Calendars:")) calendarsHeader = label;
        if (label->text() == QStringLiteral("Sync with:")) groupsHeader = label;
    }
    ASSERT_TRUE(calendarsHeader && groupsHeader);
    EXPECT_EQ(calendarsHeader->geometry().center().y(), groupsHeader->geometry().center().y());

    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(
        pane->view()->grab().toImage().save(QDir(folder).filePath(QStringLiteral("calendar_sync_pane.png"))));

    // Ticking a group of the other calendar's list maps it there.
    calendars->setCurrentRow(1 - choresRow);
    testsupport::drainEvents();
    const QList<QTreeWidgetItem*> worksNow =
        pane->groupTree()->findItems(QStringLiteral("Work"), Qt::MatchRecursive);
    ASSERT_EQ(worksNow.size(), 1);
    worksNow.first()->setCheckState(0, Qt::Checked);
    testsupport::drainEvents();
    EXPECT_EQ(pane->calendarList()->item(1 - choresRow)->checkState(), Qt::Checked);
}

// The folder button follows the master switch; a folder chosen through it is shown and used.
TEST_F(CalendarPaneWidgetTest, TheCalendarFolderButtonWorksOnlyWhileSyncIsOff) {
    QPushButton* change = pane->changeFolderButton();
    EXPECT_FALSE(change->isEnabled());
    const QString moved = QDir(tempPath()).filePath(QStringLiteral("moved"));
    ASSERT_TRUE(QDir().mkpath(moved + QStringLiteral("/garden")));
    pane->setCalendarFolderChooser([moved] { return std::optional<QString>(moved); });

    pane->controller().setCalendarStoreSyncEnabled(false);
    testsupport::drainEvents();
    ASSERT_TRUE(change->isEnabled());
    QTest::mouseClick(change, Qt::LeftButton);
    testsupport::drainEvents();
    EXPECT_EQ(store->rootPath(), moved);
    ASSERT_EQ(pane->calendarList()->count(), 1);
    EXPECT_EQ(pane->calendarList()->item(0)->text(), QStringLiteral("garden"));

    pane->controller().setCalendarStoreSyncEnabled(true);
    testsupport::drainEvents();
    EXPECT_FALSE(change->isEnabled());
}

}  // namespace
}  // namespace synctest

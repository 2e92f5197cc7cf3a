#include "app/group_tabs.h"
#include "model/folder.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/drag_data.h"
#include "tests/app/group_library_fixture.h"

#include <QSignalSpy>

namespace {

QVariantMap map(const char* key, const QVariant& value) {
    return {{QString::fromLatin1(key), value}};
}

// The window as the tabs see it: the group shown and what to keep with its tab.
class FakeHost : public TDGroupTabsHost {
public:
    TDGroup* shownGroup() const override { return group; }
    QVariantMap tabViewOptions() const override { return map("displayMode", displayMode); }
    QVariantMap groupHistoryState() const override { return map("index", historyIndex); }

    TDGroup* group = nullptr;
    int displayMode = 1;
    int historyIndex = 0;
};

class GroupTabsTest : public apptest::GroupLibraryTest {
protected:
    void SetUp() override {
        GroupLibraryTest::SetUp();
        tabs = std::make_unique<TDGroupTabs>(defaults());
        tabs->setHost(&host);
        // Follows the window: what the tabs announce is what it shows.
        QObject::connect(tabs.get(), &TDGroupTabs::currentGroupChanged, tabs.get(),
                         [this](TDGroup* group, const QVariantMap& history) {
                             host.group = group;
                             announced << group;
                             histories << history;
                         });
        tabs->restoreTabs();
        tabs->setLibrary(library());
    }
    void TearDown() override {
        tabs.reset();
        GroupLibraryTest::TearDown();
    }
    QStringList titles() const {
        QStringList list;
        for (const TDTab& tab : tabs->tabs()) list << tab.title;
        return list;
    }

    FakeHost host;
    std::unique_ptr<TDGroupTabs> tabs;
    QList<TDGroup*> announced;
    QList<QVariantMap> histories;
};

TEST_F(GroupTabsTest, AFirstStartShowsOneTodayTab) {
    ASSERT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(tabs->representedObjectAtTabIndex(0), QVariant(TDGroupTabs::TodayTabObject));
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Today"));
    EXPECT_EQ(tabs->tabTypeAtIndex(0), QStringLiteral("today"));
    EXPECT_EQ(tabs->selectedGroup(), library()->todayGroup());
    EXPECT_EQ(announced, QList<TDGroup*>{library()->todayGroup()});
}

TEST_F(GroupTabsTest, AGroupSetOnTabsGivesTheirTitlesAndFollowsItsRenames) {
    TDList* errands = list(QStringLiteral("Errands"));
    TDList* garden = list(QStringLiteral("Garden"));
    settle();
    tabs->addTabWithGroup(garden);
    tabs->addTabWithGroup(errands);
    tabs->setGroup(errands, 0);
    tabs->setGroup(errands, 2);
    EXPECT_EQ(titles(),
              (QStringList{QStringLiteral("Errands"), QStringLiteral("Garden"), QStringLiteral("Errands")}));
    EXPECT_EQ(tabs->userInfoAtTabIndex(0).value(TDGroupTabs::TabTypeKey), QVariant(QStringLiteral("list")));
    EXPECT_EQ(tabs->indexOfTabWithGroup(errands), 2);
    EXPECT_EQ(tabs->indexOfTabWithGroup(library()->inboxGroup()), TDTabList::NotFound);

    QSignalSpy changed(tabs.get(), &TDTabList::tabChanged);
    errands->setTitle(QStringLiteral("Errands in town before the shops close"));
    settle();
    EXPECT_EQ(titles().at(0), QStringLiteral("Errands in town before the shops close"));
    EXPECT_EQ(titles().at(2), QStringLiteral("Errands in town before the shops close"));
    EXPECT_EQ(tabs->userInfoAtTabIndex(2).value(TDGroupTabs::TitleKey),
              QVariant(QStringLiteral("Errands in town before the shops close")));
    EXPECT_EQ(changed.size(), 2);
    // A group only added, never set, is not followed.
    garden->setTitle(QStringLiteral("Allotment"));
    settle();
    EXPECT_EQ(titles().at(1), QStringLiteral("Garden"));
}

TEST_F(GroupTabsTest, RetargetingOrClosingATabEndsFollowingItsGroup) {
    TDList* errands = list(QStringLiteral("Errands"));
    TDList* garden = list(QStringLiteral("Garden"));
    settle();
    tabs->setGroup(errands, 0);
    tabs->setGroup(garden, 0);
    errands->setTitle(QStringLiteral("Shopping"));
    settle();
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Garden"));
    // The only tab stays, but no longer follows its group.
    tabs->removeTabAtIndex(0);
    ASSERT_EQ(tabs->numberOfTabs(), 1);
    garden->setTitle(QStringLiteral("Allotment"));
    settle();
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Garden"));
}

TEST_F(GroupTabsTest, AfterTheContextResetsTitlesAreNoLongerFollowed) {
    TDList* errands = list(QStringLiteral("Errands"));
    settle();
    tabs->setGroup(errands, 0);
    platform::NotificationCenter::defaultCenter().post(TDManagedObjectContextWillResetNotification,
                                                       manager->managedObjectContext());
    errands->setTitle(QStringLiteral("Shopping"));
    settle();
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Errands"));
}

TEST_F(GroupTabsTest, ALibraryAboutToBeReplacedIsLetGo) {
    TDList* errands = list(QStringLiteral("Errands"));
    settle();
    tabs->setGroup(errands, 0);
    platform::NotificationCenter::defaultCenter().post(TDActiveLibraryWillChangeNotification, library());
    EXPECT_EQ(tabs->library(), nullptr);
    EXPECT_EQ(tabs->groupAtTabIndex(0), nullptr);
    errands->setTitle(QStringLiteral("Shopping"));
    settle();
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Errands"));
}

TEST_F(GroupTabsTest, ANilGroupLeavesTheTabAlone) {
    tabs->setGroup(nullptr, 0);
    EXPECT_EQ(tabs->representedObjectAtTabIndex(0), QVariant(TDGroupTabs::TodayTabObject));
    EXPECT_EQ(tabs->titleAtTabIndex(0), QStringLiteral("Today"));
}

TEST_F(GroupTabsTest, SwitchingTabsKeepsWhatTheLeftTabShowedAndBringsBackItsHistory) {
    TDList* errands = list(QStringLiteral("Errands"));
    settle();
    tabs->openGroupInNewTab(errands);
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_EQ(announced.constLast(), errands);
    // The Today tab keeps the view options and history it was left with.
    const QVariantMap today = tabs->userInfoAtTabIndex(0);
    EXPECT_EQ(today.value(TDGroupTabs::ViewOptionsKey), QVariant(map("displayMode", 1)));
    EXPECT_EQ(today.value(TDGroupTabs::HistoryKey), QVariant(map("index", 0)));

    host.displayMode = 0;
    host.historyIndex = 3;
    tabs->selectTabAtIndex(0);
    EXPECT_EQ(announced.constLast(), library()->todayGroup());
    EXPECT_EQ(histories.constLast(), map("index", 0));
    const QVariantMap left = tabs->userInfoAtTabIndex(1);
    EXPECT_EQ(left.value(TDGroupTabs::ViewOptionsKey), QVariant(map("displayMode", 0)));
    EXPECT_EQ(left.value(TDGroupTabs::HistoryKey), QVariant(map("index", 3)));
    EXPECT_EQ(left.value(TDGroupTabs::TitleKey), QVariant(QStringLiteral("Errands")));
    EXPECT_EQ(left.value(TDGroupTabs::TabTypeKey), QVariant(QStringLiteral("list")));

    tabs->selectTabAtIndex(1);
    EXPECT_EQ(histories.constLast(), map("index", 3));
    tabs->selectTabAtIndex(0);
    EXPECT_TRUE(tabs->selectTabWithGroup(errands));
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_FALSE(tabs->selectTabWithGroup(library()->inboxGroup()));
}

TEST_F(GroupTabsTest, TabsComeBackAfterARestartWithoutTheirHistory) {
    TDList* errands = list(QStringLiteral("Errands"));
    TDList* garden = list(QStringLiteral("Garden"));
    settle();
    tabs->openGroupInNewTab(errands);
    tabs->openGroupInNewTab(garden);
    tabs->selectTabAtIndex(1);
    host.displayMode = 0;
    tabs->saveTabs();
    tabs.reset();

    announced.clear();
    TDGroupTabs restored(defaults());
    QObject::connect(&restored, &TDGroupTabs::currentGroupChanged, &restored,
                     [this](TDGroup* group, const QVariantMap&) { announced << group; });
    restored.restoreTabs();
    ASSERT_EQ(restored.numberOfTabs(), 3);
    EXPECT_EQ(restored.selectedTabIndex(), 1);
    EXPECT_TRUE(announced.isEmpty());  // no library yet
    for (int index = 0; index < 3; ++index)
        EXPECT_FALSE(restored.userInfoAtTabIndex(index).contains(TDGroupTabs::HistoryKey)) << index;
    EXPECT_EQ(restored.userInfoAtTabIndex(1).value(TDGroupTabs::ViewOptionsKey),
              QVariant(map("displayMode", 0)));
    EXPECT_EQ(restored.titleAtTabIndex(2), QStringLiteral("Garden"));
    EXPECT_EQ(restored.tabTypeAtIndex(2), QStringLiteral("list"));

    restored.setLibrary(library());
    EXPECT_EQ(announced, QList<TDGroup*>{errands});
    // The other tabs take their groups on the next turn, and follow them from then on.
    testsupport::drainEvents();
    garden->setTitle(QStringLiteral("Allotment"));
    settle();
    EXPECT_EQ(restored.titleAtTabIndex(2), QStringLiteral("Allotment"));
}

TEST_F(GroupTabsTest, ANewTabShowsTodayAndAResetLeavesOnlyToday) {
    TDList* errands = list(QStringLiteral("Errands"));
    settle();
    tabs->openGroupInNewTab(errands);
    tabs->newTab();
    EXPECT_EQ(tabs->numberOfTabs(), 3);
    EXPECT_EQ(tabs->groupAtTabIndex(2), library()->todayGroup());
    EXPECT_EQ(tabs->titleAtTabIndex(2), QStringLiteral("Today"));

    tabs->resetToToday();
    ASSERT_EQ(tabs->numberOfTabs(), 1);
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
    EXPECT_EQ(tabs->representedObjectAtTabIndex(0), QVariant(TDGroupTabs::TodayTabObject));
    EXPECT_EQ(announced.constLast(), library()->todayGroup());
}

TEST_F(GroupTabsTest, TasksDroppedOnAnotherTabMoveIntoItsGroupUnlessAlreadyThere) {
    TDList* errands = list(QStringLiteral("Errands"));
    TDList* garden = list(QStringLiteral("Garden"));
    TDFolder* area = library()->createFolder(QStringLiteral("Area"), library()->foldersGroup());
    TDTag* urgent = library()->createTagWithTitle(QStringLiteral("urgent"), library()->tagsGroup());
    auto task = [this](TDGroup* group, const QString& title) {
        TDTask* made = library()->createOrphanTask();
        made->setTitle(title);
        EXPECT_TRUE(group->orderedTasks()->addObject(made).ok());
        return made;
    };
    TDTask* weed = task(errands, QStringLiteral("weed"));
    TDTask* mow = task(errands, QStringLiteral("mow"));
    task(garden, QStringLiteral("water"));
    settle();
    for (TDGroup* group : QList<TDGroup*>{errands, garden, area, urgent}) tabs->addTabWithGroup(group);
    tabs->selectTabAtIndex(1);
    ASSERT_EQ(tabs->selectedGroup(), errands);
    manager->undoManager()->removeAllActions();

    const auto both = apptest::taskIDDrag(QList<TDTask*>{weed, mow});
    // The selected tab, the tab of the list that holds them, a folder, and past the last tab: refused.
    EXPECT_EQ(tabs->validateDrop(1, both.get(), true), TDDragOperation::None);
    tabs->selectTabAtIndex(0);
    EXPECT_EQ(tabs->validateDrop(1, both.get(), true), TDDragOperation::None);
    EXPECT_EQ(tabs->validateDrop(3, both.get(), true), TDDragOperation::None);
    EXPECT_EQ(tabs->validateDrop(5, both.get(), true), TDDragOperation::None);
    // Another library's task, or a drag that may only copy them: refused.
    EXPECT_EQ(tabs->validateDrop(2, apptest::taskIDDrag(QStringList{apptest::idInAnotherLibrary(weed)}).get(),
                                 true),
              TDDragOperation::None);
    EXPECT_EQ(tabs->validateDrop(2, both.get(), false), TDDragOperation::None);
    EXPECT_FALSE(tabs->performDrop(1, both.get(), true));

    EXPECT_EQ(tabs->validateDrop(2, both.get(), true), TDDragOperation::Move);
    ASSERT_TRUE(tabs->performDrop(2, both.get(), true));
    settle();
    QStringList titles;
    for (const TDTask* moved : garden->orderedTasks()->objectsAs<TDTask>()) titles << moved->title();
    EXPECT_EQ(titles, (QStringList{QStringLiteral("weed"), QStringLiteral("mow"), QStringLiteral("water")}));
    EXPECT_TRUE(errands->tasks().isEmpty());
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Drag Operation"));
    testsupport::drainEvents();
    manager->undoManager()->undo();
    settle();
    EXPECT_EQ(weed->parentList(), errands);
    EXPECT_EQ(mow->parentList(), errands);

    // Text on a tag's tab: new tasks with the tag, in the Inbox.
    const auto text = apptest::textDrag(QStringLiteral("sharpen the shears"));
    EXPECT_EQ(tabs->validateDrop(4, text.get(), true), TDDragOperation::Generic);
    ASSERT_TRUE(tabs->performDrop(4, text.get(), true));
    ASSERT_EQ(urgent->tasks().size(), 1);
    EXPECT_EQ(urgent->tasks().first()->parentList(), library()->inboxGroup());
}

}  // namespace

#include "tests/app/groups_controller_fixture.h"

#include "model/ordered_collection.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

namespace apptest {
namespace {

// Every test's model is checked by Qt's tester; a change that resets it fails the test on its own.
class GroupsControllerRowsTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        tester = std::make_unique<QAbstractItemModelTester>(
            model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        resets = std::make_unique<QSignalSpy>(model(), &QAbstractItemModel::modelReset);
    }
    void TearDown() override {
        resets.reset();
        tester.reset();
        GroupsControllerTest::TearDown();
    }

    // Selects the row as a click on it would.
    void click(TDGroup* group, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        groups->setEventModifiers(modifiers);
        groups->selectionModel()->setCurrentIndex(
            model()->indexForGroup(group), QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        groups->setEventModifiers(Qt::NoModifier);
    }

    std::unique_ptr<QAbstractItemModelTester> tester;
    std::unique_ptr<QSignalSpy> resets;
};

TEST_F(GroupsControllerRowsTest, StarterLibraryShowsItsSectionsButNeitherTagsNorAnEmptyArchive) {
    EXPECT_EQ(rows(), (QStringList{QStringLiteral("INBOX"), QStringLiteral("  Inbox"),
                                   QStringLiteral("ORDELLOS"), QStringLiteral("  Today [x]"),
                                   QStringLiteral("  Upcoming"), QStringLiteral("FOLDERS"),
                                   QStringLiteral("  Projects"), QStringLiteral("  On Hold")}));
    EXPECT_EQ(tasks->group(), library()->todayGroup());

    // An archived list brings the archive's section in, as one more top row.
    TDList* done = list(QStringLiteral("Done"));
    processChanges();
    const int topRows = model()->rowCount();
    done->archive();
    processChanges();
    EXPECT_EQ(model()->rowCount(), topRows + 1);
    EXPECT_TRUE(rows().endsWith(QStringLiteral("ARCHIVE")));
    done->unarchive();
    processChanges();
    EXPECT_EQ(model()->rowCount(), topRows);
    EXPECT_EQ(resets->count(), 0);
}

TEST_F(GroupsControllerRowsTest, EditsChangeOnlyTheirRowsAndTheSelectionStays) {
    TDGroup* projects = group(QStringLiteral("Projects"));
    TDList* work = list(QStringLiteral("Work"), projects);
    processChanges();
    groups->expandGroup(projects);
    click(work);
    EXPECT_EQ(tasks->group(), work);

    struct Step {
        const char* what;
        std::function<void()> change;
        QStringList folders;  // the rows below FOLDERS
    };
    TDList* alpha = nullptr;
    const QList<Step> steps{
        {"insert above",
         [&] {
             alpha = list(QStringLiteral("Alpha"));
             (void)projects->orderedSubgroups()->insertObject(alpha, 0);
         },
         {QStringLiteral("  Projects"), QStringLiteral("    Alpha"), QStringLiteral("    Learn Ordello"),
          QStringLiteral("    Work [x]"), QStringLiteral("  On Hold")}},
        {"rename",
         [&] { work->setTitle(QStringLiteral("Job")); },
         {QStringLiteral("  Projects"), QStringLiteral("    Alpha"), QStringLiteral("    Learn Ordello"),
          QStringLiteral("    Job [x]"), QStringLiteral("  On Hold")}},
        {"move to a folder",
         [&] { (void)group(QStringLiteral("On Hold"))->orderedSubgroups()->addObject(work); },
         {QStringLiteral("  Projects"), QStringLiteral("    Alpha"), QStringLiteral("    Learn Ordello"),
          QStringLiteral("  On Hold"), QStringLiteral("    Someday"), QStringLiteral("    Job [x]")}},
        {"delete",
         [&] { alpha->deleteObject(); },
         {QStringLiteral("  Projects"), QStringLiteral("    Learn Ordello"), QStringLiteral("  On Hold"),
          QStringLiteral("    Someday"), QStringLiteral("    Job [x]")}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        step.change();
        processChanges();
        const QStringList shown = rows();
        EXPECT_EQ(shown.mid(shown.indexOf(QStringLiteral("FOLDERS")) + 1), step.folders);
        EXPECT_EQ(tasks->group(), work);
    }
    EXPECT_EQ(resets->count(), 0);
}

TEST_F(GroupsControllerRowsTest, TagsModeSortsByTitleWhateverTheCaseAndFollowsRenames) {
    tag(QStringLiteral("beta"));
    tag(QStringLiteral("Alpha"));
    tag(QStringLiteral("@home"));
    TDFolder* places = library()->createFolder(QStringLiteral("Places"), library()->tagsGroup());
    tag(QStringLiteral("zeta"), places);
    tag(QStringLiteral("Office"), places);
    processChanges();
    groups->setMode(1);
    resets->clear();
    EXPECT_EQ(rows(),
              (QStringList{QStringLiteral("@home"), QStringLiteral("Alpha"), QStringLiteral("beta"),
                           QStringLiteral("PLACES"), QStringLiteral("  Office"), QStringLiteral("  zeta")}));
    EXPECT_FALSE(groups->canSelectGroup(places));

    QSignalSpy moves(model(), &QAbstractItemModel::rowsMoved);
    group(QStringLiteral("beta"))->setTitle(QStringLiteral("Aardvark"));
    processChanges();
    EXPECT_EQ(rows().mid(0, 3),
              (QStringList{QStringLiteral("@home"), QStringLiteral("Aardvark"), QStringLiteral("Alpha")}));
    EXPECT_EQ(moves.count(), 1);
    EXPECT_EQ(resets->count(), 0);
}

TEST_F(GroupsControllerRowsTest, ClicksShowTheGroupInTheTasksViewTheTabAndTheHistory) {
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    QSignalSpy shown(groups.get(), &TDGroupsController::shownGroupChanged);
    click(work);
    EXPECT_EQ(tasks->group(), work);
    EXPECT_EQ(groups->selectedGroup(), work);
    EXPECT_EQ(window.tabs, QStringList{work->uid()});
    EXPECT_EQ(shown.count(), 1);
    EXPECT_TRUE(groups->canGoBack());

    // Headers are never selected: a click there changes nothing.
    TDGroup* folders = library()->foldersGroup();
    EXPECT_FALSE(groups->canSelectGroup(folders));
    EXPECT_FALSE(groups->selectGroup(folders));
    EXPECT_FALSE(model()->flags(model()->indexForGroup(folders)).testFlag(Qt::ItemIsSelectable));
    EXPECT_EQ(tasks->group(), work);
}

struct ClickCase {
    const char* name;
    Qt::KeyboardModifiers modifiers;
    bool opensTab;
};

class GroupsControllerClicks : public GroupsControllerRowsTest,
                               public ::testing::WithParamInterface<ClickCase> {};

TEST_P(GroupsControllerClicks, CtrlClickOpensANewTabOtherClicksSelectInPlace) {
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    click(work, GetParam().modifiers);
    EXPECT_EQ(tasks->group(), work);
    if (GetParam().opensTab) {
        EXPECT_EQ(window.tabs, (QStringList{library()->todayGroup()->uid(), work->uid()}));
        EXPECT_EQ(window.selected, 1);
    } else {
        EXPECT_EQ(window.tabs, QStringList{work->uid()});
    }
    EXPECT_FALSE(groups->ignoreCommandKey());
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupsControllerClicks,
    ::testing::Values(ClickCase{"plain", Qt::NoModifier, false}, ClickCase{"ctrl", Qt::ControlModifier, true},
                      ClickCase{"ctrlShift", Qt::ControlModifier | Qt::ShiftModifier, true},
                      ClickCase{"ctrlAlt", Qt::ControlModifier | Qt::AltModifier, false},
                      ClickCase{"shift", Qt::ShiftModifier, false}),
    [](const ::testing::TestParamInfo<ClickCase>& info) { return std::string(info.param.name); });

TEST_F(GroupsControllerRowsTest, SelectingATagSwitchesToTagsModeAndAListSwitchesBack) {
    TDTag* urgent = tag(QStringLiteral("urgent"));
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    QSignalSpy modes(groups.get(), &TDGroupsController::modeChanged);
    ASSERT_TRUE(groups->selectGroup(urgent));
    EXPECT_EQ(groups->mode(), 1);
    EXPECT_EQ(groups->selectedGroup(), urgent);
    EXPECT_EQ(manager->optionForKey(QStringLiteral("sourceListMode")).toInt(), 1);
    ASSERT_TRUE(groups->selectGroup(work));
    EXPECT_EQ(groups->mode(), 0);
    EXPECT_EQ(groups->selectedGroup(), work);
    EXPECT_EQ(modes.count(), 2);

    // Going back to the tag crosses the modes again.
    groups->goBack();
    EXPECT_EQ(groups->mode(), 1);
    EXPECT_EQ(tasks->group(), urgent);
}

TEST_F(GroupsControllerRowsTest, HistoryGoesBackAndForwardAndSkipsDeletedGroups) {
    TDList* a = list(QStringLiteral("A"));
    TDList* b = list(QStringLiteral("B"));
    TDList* c = list(QStringLiteral("C"));
    processChanges();
    for (TDList* each : {a, b, c}) click(each);
    groups->goBack();
    EXPECT_EQ(tasks->group(), b);
    EXPECT_EQ(groups->selectedGroup(), b);
    EXPECT_EQ(window.tabs, QStringList{b->uid()});
    EXPECT_TRUE(groups->canGoForward());
    groups->goForward();
    EXPECT_EQ(tasks->group(), c);
    EXPECT_FALSE(groups->canGoForward());

    b->deleteObject();
    processChanges();
    groups->goBack();
    EXPECT_EQ(tasks->group(), a);
    EXPECT_EQ(groups->groupHistoryState().value(QStringLiteral("stack")).toStringList(),
              (QStringList{library()->todayGroup()->uid(), a->uid(), c->uid()}));
    EXPECT_GT(window.focusReturns, 0);

    // A tab without a history of its own starts with its group alone.
    groups->setGroupHistoryState(QStringLiteral("not a history"));
    EXPECT_EQ(groups->groupHistoryState().value(QStringLiteral("stack")).toStringList(),
              QStringList{a->uid()});
    EXPECT_FALSE(groups->canGoBack());
    EXPECT_FALSE(groups->canGoForward());
}

TEST_F(GroupsControllerRowsTest, ADeletedGroupClosesItsTabsAndTheLastTurnsIntoToday) {
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    click(work);
    window.tabs = {work->uid(), work->uid(), work->uid()};
    window.selected = 2;
    work->deleteObject();
    processChanges();
    EXPECT_EQ(window.tabs, QStringList{library()->todayGroup()->uid()});
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    EXPECT_EQ(groups->selectedGroup(), library()->todayGroup());
}

TEST_F(GroupsControllerRowsTest, CountsShowForTodayAndInboxAlwaysAndForEveryGroupOnRequest) {
    TDGroup* projects = group(QStringLiteral("Projects"));
    TDList* work = list(QStringLiteral("Work"), projects);
    addTask(library()->inboxGroup(), QStringLiteral("call"));
    addTask(library()->inboxGroup(), QStringLiteral("write"));
    QList<TDTask*> workTasks;
    for (const char* title : {"plan", "build", "ship"})
        workTasks << addTask(work, QString::fromLatin1(title));
    processChanges();
    EXPECT_TRUE(rows().contains(QStringLiteral("  Inbox 2")));
    EXPECT_TRUE(rows().contains(QStringLiteral("  Projects")));

    // Alt held: every count, the closed folder with its lists' sum.
    groups->optionKeyDown();
    EXPECT_TRUE(rows().contains(QStringLiteral("  Projects 3")))
        << rows().join(QLatin1Char('|')).toStdString();
    groups->expandGroup(projects);
    EXPECT_TRUE(rows().contains(QStringLiteral("  Projects")));
    EXPECT_TRUE(rows().contains(QStringLiteral("    Work 3")));

    // A completed task changes the row's count.
    QSignalSpy changed(model(), &QAbstractItemModel::dataChanged);
    workTasks.first()->setCompleted(true);
    processChanges();
    EXPECT_TRUE(rows().contains(QStringLiteral("    Work 2")));
    EXPECT_GT(changed.count(), 0);

    groups->optionKeyUp();
    EXPECT_TRUE(rows().contains(QStringLiteral("    Work")));
    groups->toggleTaskCount();
    EXPECT_TRUE(defaults().boolean(QStringLiteral("showIncompleteTaskCount")));
    EXPECT_TRUE(rows().contains(QStringLiteral("    Work 2")));

    // Alt means nothing while a title is being edited.
    groups->toggleTaskCount();
    sourceList.editing = true;
    groups->optionKeyDown();
    EXPECT_FALSE(groups->isOptionKeyDown());
    EXPECT_TRUE(rows().contains(QStringLiteral("    Work")));
}

TEST_F(GroupsControllerRowsTest, RenamingTrimsRefusesATakenTagTitleAndLeavesSpecialGroupsAlone) {
    TDTag* home = tag(QStringLiteral("home"));
    tag(QStringLiteral("office"));
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    groups->setMode(1);
    const QModelIndex homeRow = model()->indexForGroup(home);
    QSignalSpy refused(model(), &TDSourceListModel::renameRefused);

    EXPECT_FALSE(model()->setData(homeRow, QStringLiteral("  office ")));
    ASSERT_EQ(refused.count(), 1);
    const auto error = refused.first().first().value<TDError>();
    EXPECT_EQ(error.description, QStringLiteral("A tag named \"office\" already exists."));
    EXPECT_EQ(error.recoverySuggestion, QStringLiteral("Please pick a different name."));
    EXPECT_EQ(home->title(), QStringLiteral("home"));
    // Its own title with blanks around it is no clash.
    EXPECT_FALSE(model()->validateTitle(homeRow, QStringLiteral(" home  ")).has_value());
    EXPECT_TRUE(model()->setData(homeRow, QStringLiteral(" house ")));
    EXPECT_EQ(home->title(), QStringLiteral("house"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Rename Tag"));

    groups->setMode(0);
    EXPECT_TRUE(model()->setData(model()->indexForGroup(work), QStringLiteral("Job\n")));
    EXPECT_EQ(work->title(), QStringLiteral("Job"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Rename Folder"));
    const QModelIndex inbox = model()->indexForGroup(library()->inboxGroup());
    EXPECT_FALSE(model()->flags(inbox).testFlag(Qt::ItemIsEditable));
    EXPECT_FALSE(model()->setData(inbox, QStringLiteral("Mail")));
    EXPECT_EQ(library()->inboxGroup()->title(), QStringLiteral("Inbox"));
}

TEST_F(GroupsControllerRowsTest, PreviousAndNextSkipHeadersAndGoToFindsTheSpecialGroups) {
    window.focusReturns = 0;
    groups->gotoGroup(TDGroupsController::GotoInbox);
    EXPECT_EQ(tasks->group(), library()->inboxGroup());
    // A group chosen from the keyboard gives the keyboard to its tasks.
    EXPECT_EQ(window.focusReturns, 1);
    groups->selectNextGroup();
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    EXPECT_EQ(window.focusReturns, 2);
    groups->selectNextGroup();
    groups->selectNextGroup();
    EXPECT_EQ(tasks->group(), group(QStringLiteral("Projects")));
    groups->selectPreviousGroup();
    EXPECT_EQ(tasks->group(), library()->upcomingGroup());
    groups->gotoGroup(TDGroupsController::GotoToday);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    groups->gotoGroup(7);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
}

TEST_F(GroupsControllerRowsTest, ModeAndOpenFoldersComeBackForTheNextController) {
    TDGroup* projects = group(QStringLiteral("Projects"));
    groups->expandGroup(projects);
    groups->setMode(1);
    groups->saveStateToUserDefaults();
    tester.reset();
    resets.reset();
    groups = std::make_unique<TDGroupsController>(*manager);
    EXPECT_EQ(groups->mode(), 1);
    groups->setMode(0);
    EXPECT_TRUE(model()->isExpanded(model()->indexForGroup(projects)));
    EXPECT_FALSE(model()->isExpanded(model()->indexForGroup(group(QStringLiteral("On Hold")))));
}

TEST_F(GroupsControllerRowsTest, UndoEndsATitleEditFirst) {
    TDList* work = list(QStringLiteral("Work"));
    processChanges();
    manager->undoManager()->removeAllActions();
    work->setTitle(QStringLiteral("Job"));
    processChanges();
    sourceList.editing = true;
    manager->undoManager()->undo();
    processChanges();
    EXPECT_EQ(sourceList.commits, 1);
    EXPECT_EQ(work->title(), QStringLiteral("Work"));
    EXPECT_TRUE(rows().contains(QStringLiteral("  Work")));
}

}  // namespace
}  // namespace apptest

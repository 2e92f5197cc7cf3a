#include "app/group_menu.h"
#include "model/comparison_rule.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include <functional>

namespace apptest {
namespace {

using Command = TDGroupsController::Command;

// A library with groups of every kind:
//   FOLDERS: Projects (starter), On Hold (starter), Work (list), Area (folder: Sub), Smart (smart folder)
//   ARCHIVE: Old
//   TAGS: home, Places (bundle: @office)
class GroupCommandsTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        work = list(QStringLiteral("Work"));
        area = folder(QStringLiteral("Area"));
        sub = list(QStringLiteral("Sub"), area);
        smart = smartFolder(QStringLiteral("Smart"));
        old = list(QStringLiteral("Old"));
        old->archive();
        home = tag(QStringLiteral("home"));
        places = folder(QStringLiteral("Places"), library()->tagsGroup());
        office = tag(QStringLiteral("@office"), places);
        processChanges();
        manager->undoManager()->removeAllActions();
        groups->setPrompter(&prompter);
        tester = std::make_unique<QAbstractItemModelTester>(
            model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    void TearDown() override {
        tester.reset();
        GroupsControllerTest::TearDown();
    }

    // The whole group tree with the tasks of each group, for comparing before and after.
    std::string tree() const {
        QStringList lines;
        const std::function<void(TDGroup*, int)> walk = [&](TDGroup* group, int depth) {
            QStringList tasks;
            if (!group->isFolder())
                for (const TDTask* task : group->tasks()) tasks << task->title();
            tasks.sort();
            lines << QStringLiteral("%1%2 %3 %4 [%5]")
                         .arg(QString(depth * 2, QLatin1Char(' ')), group->uid(), group->type(),
                              group->title(), tasks.join(QLatin1Char(',')));
            for (TDGroup* child : group->orderedSubgroups()->objectsAs<TDGroup>()) walk(child, depth + 1);
        };
        walk(library()->rootGroup(), 0);
        return lines.join(QLatin1Char('\n')).toStdString();
    }
    QStringList childTitles(TDGroup* folder) const {
        QStringList titles;
        for (const TDGroup* child : folder->orderedSubgroups()->objectsAs<TDGroup>())
            titles << child->title();
        return titles;
    }
    // The tree before a command, with the set-up's changes out of the undo history.
    std::string treeBeforeCommand() {
        endEvent();
        manager->undoManager()->removeAllActions();
        return tree();
    }
    // Ends the event, as returning to the event loop does: the undo group closes.
    void endEvent() {
        processChanges();
        testsupport::drainEvents();
    }
    // Undo gives the tree before, redo the tree after.
    void expectUndoAndRedoRestore(const std::string& before) {
        endEvent();
        const std::string after = tree();
        manager->undoManager()->undo();
        endEvent();
        EXPECT_EQ(tree(), before);
        manager->undoManager()->redo();
        endEvent();
        EXPECT_EQ(tree(), after);
    }
    void select(TDGroup* group) { ASSERT_TRUE(groups->selectGroup(group)); }

    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<QAbstractItemModelTester> tester;
    TDList* work = nullptr;
    TDFolder* area = nullptr;
    TDList* sub = nullptr;
    TDGroup* smart = nullptr;
    TDList* old = nullptr;
    TDTag* home = nullptr;
    TDFolder* places = nullptr;
    TDTag* office = nullptr;
};

// --- Validation

struct ValidationCase {
    const char* name;
    const char* selected;  // a group's title; nullptr: nothing selected
    const char* clicked;   // the row a context menu is on; nullptr: none
    Command command;
    bool enabled;
};

class GroupCommandValidation : public GroupCommandsTest,
                               public ::testing::WithParamInterface<ValidationCase> {};

TEST_P(GroupCommandValidation, EnablesTheCommandForTheClickedOrSelectedGroup) {
    const ValidationCase& item = GetParam();
    if (item.selected) {
        TDGroup* selected = group(QString::fromUtf8(item.selected));
        ASSERT_NE(selected, nullptr);
        groups->expandGroup(selected->parentGroup());
        select(selected);
    } else {
        groups->selectionModel()->clear();
    }
    if (item.clicked) {
        TDGroup* clicked = group(QString::fromUtf8(item.clicked));
        ASSERT_NE(clicked, nullptr);
        groups->setClickedGroup(clicked);
    }
    EXPECT_EQ(groups->validate(item.command), item.enabled);
}

INSTANTIATE_TEST_SUITE_P(
    Table, GroupCommandValidation,
    ::testing::Values(
        ValidationCase{"DeleteAList", "Work", nullptr, Command::RemoveGroup, true},
        ValidationCase{"DeleteNothing", nullptr, nullptr, Command::RemoveGroup, false},
        ValidationCase{"DeleteTheInbox", "Inbox", nullptr, Command::RemoveGroup, false},
        ValidationCase{"DeleteTheClickedNotTheSelected", "Today", "Work", Command::RemoveGroup, true},
        ValidationCase{"DeleteAnArchivedList", "Old", nullptr, Command::RemoveGroup, true},
        ValidationCase{"DeleteATag", "home", nullptr, Command::RemoveGroup, true},
        ValidationCase{"RenameAnArchivedList", "Old", nullptr, Command::RenameGroup, true},
        ValidationCase{"RenameToday", "Today", nullptr, Command::RenameGroup, false},
        ValidationCase{"RenameABundle", nullptr, "Places", Command::RenameGroup, true},
        ValidationCase{"DuplicateAList", "Work", nullptr, Command::DuplicateGroup, true},
        ValidationCase{"DuplicateASmartFolder", "Smart", nullptr, Command::DuplicateGroup, true},
        ValidationCase{"DuplicateATag", "home", nullptr, Command::DuplicateGroup, false},
        ValidationCase{"DuplicateABundle", nullptr, "Places", Command::DuplicateGroup, false},
        ValidationCase{"DuplicateAnArchivedList", "Old", nullptr, Command::DuplicateGroup, false},
        ValidationCase{"ArchiveAList", "Work", nullptr, Command::ArchiveList, true},
        ValidationCase{"ArchiveAListInAFolder", "Sub", nullptr, Command::ArchiveList, true},
        ValidationCase{"ArchiveAFolder", nullptr, "Area", Command::ArchiveList, false},
        ValidationCase{"ArchiveAnArchivedList", "Old", nullptr, Command::ArchiveList, false},
        ValidationCase{"ArchiveTheInbox", "Inbox", nullptr, Command::ArchiveList, false},
        ValidationCase{"SubfolderOfAFolder", nullptr, "Area", Command::AddSubfolder, true},
        ValidationCase{"SubfolderOfToday", "Today", nullptr, Command::AddSubfolder, false},
        ValidationCase{"SubbundleOfABundle", nullptr, "Places", Command::AddTagSubbundle, true},
        ValidationCase{"NewListWithoutAClick", "Today", nullptr, Command::AddList, true},
        ValidationCase{"NewListOnAList", "Today", "Work", Command::AddList, true},
        ValidationCase{"NewListOnTheInbox", "Today", "Inbox", Command::AddList, false},
        ValidationCase{"NewListOnATag", "Today", "home", Command::AddList, false},
        ValidationCase{"NewListOnTheArchive", "Today", "Old", Command::AddList, false},
        ValidationCase{"NewFolderOnTheArchive", "Today", "Old", Command::AddFolder, true},
        ValidationCase{"NewTagAnywhere", "Inbox", "Work", Command::AddTag, true},
        ValidationCase{"NewTabOnAList", "Today", "Work", Command::OpenInNewTab, true},
        ValidationCase{"NewTabOnABundle", "Today", "Places", Command::OpenInNewTab, false},
        ValidationCase{"NewTabWithoutAClick", "Today", nullptr, Command::OpenInNewTab, false},
        ValidationCase{"BackWithoutHistory", "Today", nullptr, Command::GoBack, false},
        ValidationCase{"PreviousFromTheInbox", "Inbox", nullptr, Command::SelectPreviousGroup, false},
        ValidationCase{"NextFromTheInbox", "Inbox", nullptr, Command::SelectNextGroup, true}),
    [](const ::testing::TestParamInfo<ValidationCase>& info) { return std::string(info.param.name); });

TEST(GroupMenu, TheActionsMenuIsWhatFollowsTheSecondSeparatorAndKeysAreDistinct) {
    const QList<TDGroupsController::MenuEntry> all = TDGroupMenuEntries();
    qsizetype second = -1;
    for (qsizetype i = 0, separators = 0; i < all.size() && second < 0; ++i)
        if (!all.at(i) && ++separators == 2) second = i;
    ASSERT_GT(second, 0);
    const QList<TDGroupsController::MenuEntry> actions = TDGroupActionsMenuEntries();
    EXPECT_EQ(actions, all.mid(second + 1));
    // Later separators come along; the navigation stays in the menu bar only.
    EXPECT_TRUE(actions.contains(std::nullopt));
    for (Command command : {Command::AddList, Command::AddFolder, Command::AddTag, Command::RenameGroup,
                            Command::ArchiveList, Command::RemoveGroup})
        EXPECT_TRUE(actions.contains(command)) << int(command);
    for (Command command : {Command::GoBack, Command::GoForward, Command::SelectNextGroup})
        EXPECT_FALSE(actions.contains(command)) << int(command);

    QList<QKeySequence> keys;
    for (const TDGroupsController::MenuEntry& entry : all) {
        if (!entry) continue;
        const QKeySequence key = TDGroupMenuShortcut(*entry);
        if (key.isEmpty()) continue;
        EXPECT_FALSE(keys.contains(key)) << key.toString().toStdString();
        keys << key;
    }
    EXPECT_TRUE(keys.contains(QKeySequence(Qt::CTRL | Qt::Key_BracketLeft)));
}

TEST_F(GroupCommandsTest, TheContextMenuFollowsTheModeAndTheClickedRow) {
    using Entry = TDGroupsController::MenuEntry;
    const QList<Entry> tail{Command::RenameGroup, Command::DuplicateGroup, Command::ArchiveList,
                            Command::RemoveGroup};
    EXPECT_FALSE(groups->contextMenuEntries(library()->foldersGroup()).has_value());
    EXPECT_EQ(*groups->contextMenuEntries(work),
              QList<Entry>({Command::OpenInNewTab, std::nullopt, Command::AddList, Command::AddFolder,
                            Command::AddSmartFolder, std::nullopt}) +
                  tail);
    EXPECT_EQ(*groups->contextMenuEntries(area),
              QList<Entry>({Command::OpenInNewTab, std::nullopt, Command::AddList, Command::AddSubfolder,
                            Command::AddSmartFolder, std::nullopt}) +
                  tail);
    // A smart folder offers its sheet in place of the new groups.
    EXPECT_EQ(
        *groups->contextMenuEntries(smart),
        QList<Entry>({Command::OpenInNewTab, std::nullopt, Command::EditSmartFolder, std::nullopt}) + tail);
    // Below the rows.
    EXPECT_EQ(groups->contextMenuEntries(nullptr)->value(2), Entry(Command::AddList));

    groups->setMode(1);
    EXPECT_EQ(
        *groups->contextMenuEntries(places),
        QList<Entry>({Command::OpenInNewTab, std::nullopt, Command::AddTag, Command::AddTagSubbundle,
                      std::nullopt, Command::RenameGroup, Command::DuplicateGroup, Command::RemoveGroup}));
    EXPECT_EQ(groups->contextMenuEntries(home)->value(3), Entry(Command::AddTagBundle));
}

// --- New groups

struct NewGroupCase {
    const char* name;
    const char* selected;
    const char* clicked;
    Command command;
    const char* undoName;
    const char* parent;  // the new group's parent
    int index;           // and its place there; -1: the last
    int mode;
};

class NewGroupPlacement : public GroupCommandsTest, public ::testing::WithParamInterface<NewGroupCase> {};

TEST_P(NewGroupPlacement, PlacesSelectsAndOpensTheTitleAndUndoesWhole) {
    const NewGroupCase& item = GetParam();
    if (item.selected) select(group(QString::fromUtf8(item.selected)));
    if (item.clicked) groups->setClickedGroup(group(QString::fromUtf8(item.clicked)));
    const std::string before = treeBeforeCommand();
    const QList<TDGroup*> existing = library()->allGroups();

    ASSERT_TRUE(groups->validate(item.command));
    groups->perform(item.command);
    groups->setClickedGroup(nullptr);

    TDGroup* made = nullptr;
    for (TDGroup* candidate : library()->allGroups())
        if (!existing.contains(candidate) && !candidate->isDeleted()) made = candidate;
    ASSERT_NE(made, nullptr);
    TDGroup* parent = group(QString::fromUtf8(item.parent));
    ASSERT_EQ(made->parentGroup(), parent);
    const QList<TDGroup*> siblings = parent->orderedSubgroups()->objectsAs<TDGroup>();
    EXPECT_EQ(siblings.indexOf(made), item.index < 0 ? siblings.size() - 1 : item.index);
    EXPECT_EQ(manager->undoManager()->undoActionName(), QString::fromUtf8(item.undoName));
    EXPECT_EQ(groups->mode(), item.mode);
    // Selected when it can be (a bundle is a header), and its title open for editing.
    EXPECT_EQ(groups->selectedGroup() == made, groups->canSelectGroup(made));
    EXPECT_EQ(model()->groupForIndex(sourceList.edited), made);
    expectUndoAndRedoRestore(before);
}

INSTANTIATE_TEST_SUITE_P(
    Table, NewGroupPlacement,
    ::testing::Values(
        NewGroupCase{"ListAfterTheSelectedList", "Work", nullptr, Command::AddList, "New List", "Folders", 3,
                     0},
        NewGroupCase{"ListFirstInTheClickedFolder", "Today", "Area", Command::AddList, "New List", "Area", 0,
                     0},
        NewGroupCase{"ListAtTheEndOutsideTheFolders", "Inbox", nullptr, Command::AddList, "New List",
                     "Folders", -1, 0},
        NewGroupCase{"ListFromTagsMode", "home", nullptr, Command::AddList, "New List", "Folders", -1, 0},
        NewGroupCase{"FolderAfterTheClickedList", "Today", "Sub", Command::AddFolder, "New Folder", "Area", 1,
                     0},
        NewGroupCase{"FolderAtTheEnd", "Today", nullptr, Command::AddFolder, "New Folder", "Folders", -1, 0},
        NewGroupCase{"Subfolder", "Today", "Area", Command::AddSubfolder, "New Folder", "Area", 0, 0},
        NewGroupCase{"TagAtTheEndFromFoldersMode", "Work", nullptr, Command::AddTag, "New Tag", "Tags", -1,
                     1},
        NewGroupCase{"TagFirstInTheClickedBundle", "home", "Places", Command::AddTag, "New Tag", "Places", 0,
                     1},
        NewGroupCase{"TagAfterTheSelectedTag", "home", nullptr, Command::AddTag, "New Tag", "Tags", 1, 1},
        NewGroupCase{"Bundle", "Today", nullptr, Command::AddTagBundle, "New Tag Bundle", "Tags", -1, 1},
        NewGroupCase{"Subbundle", "home", "Places", Command::AddTagSubbundle, "New Tag Bundle", "Places", 0,
                     1}),
    [](const ::testing::TestParamInfo<NewGroupCase>& info) { return std::string(info.param.name); });

// --- Renaming, duplicating, archiving, deleting

TEST_F(GroupCommandsTest, RenameOpensTheClickedOrSelectedTitleAndAsksForTheSourceListWhenHidden) {
    QSignalSpy showRequests(groups.get(), &TDGroupsController::sourceListShowRequested);
    select(work);
    groups->renameGroup();
    EXPECT_EQ(model()->groupForIndex(sourceList.edited), work);
    EXPECT_EQ(showRequests.count(), 0);

    platform::UserDefaults::standard().setValue(QStringLiteral("hideSourceList"), true);
    groups->setClickedGroup(sub);
    groups->perform(Command::RenameGroup);
    EXPECT_EQ(model()->groupForIndex(sourceList.edited), sub);
    EXPECT_EQ(showRequests.count(), 1);
    // The folder opened to show the row being edited.
    EXPECT_TRUE(model()->isExpanded(model()->indexForGroup(area)));

    // Committing the edit names the change and undoes it.
    const std::string before = treeBeforeCommand();
    ASSERT_TRUE(model()->setData(sourceList.edited, QStringLiteral(" Subtle ")));
    EXPECT_EQ(sub->title(), QStringLiteral("Subtle"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Rename Folder"));
    expectUndoAndRedoRestore(before);
}

TEST_F(GroupCommandsTest, DuplicateCopiesAListWithItsTasksAndASmartFolderWithItsRule) {
    addTask(work, QStringLiteral("plan"));
    addTask(work, QStringLiteral("call"));
    processChanges();
    select(work);
    std::string before = treeBeforeCommand();

    groups->perform(Command::DuplicateGroup);
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Duplicate"));
    EXPECT_EQ(childTitles(library()->foldersGroup()),
              (QStringList{QStringLiteral("Projects"), QStringLiteral("On Hold"), QStringLiteral("Work"),
                           QStringLiteral("Work copy"), QStringLiteral("Area"), QStringLiteral("Smart")}));
    TDGroup* copy = group(QStringLiteral("Work copy"));
    ASSERT_NE(copy, nullptr);
    QStringList copied;
    for (const TDTask* task : copy->orderedTasks()->objectsAs<TDTask>()) copied << task->title();
    EXPECT_EQ(copied, (QStringList{QStringLiteral("plan"), QStringLiteral("call")}));
    EXPECT_NE(copy->uid(), work->uid());
    expectUndoAndRedoRestore(before);

    auto rule = std::make_shared<TRComparisonRule>(TRRuleTypeString);
    rule->setKeyPath(QStringLiteral("title"));
    rule->setConditionType(TRConditionContains);
    rule->setValue(QStringLiteral("plan"));
    TDSmartFolder::from(smart)->setRule(rule);
    before = treeBeforeCommand();
    ASSERT_EQ(smart->tasks().size(), 2);
    groups->setClickedGroup(smart);
    groups->perform(Command::DuplicateGroup);
    groups->setClickedGroup(nullptr);
    const QList<TDGroup*> children = library()->foldersGroup()->orderedSubgroups()->objectsAs<TDGroup>();
    TDGroup* smartCopy = children.last();
    EXPECT_EQ(children.at(children.size() - 2), smart);
    EXPECT_EQ(smartCopy->title(), QStringLiteral("Smart"));
    ASSERT_TRUE(smartCopy->isSmartFolder());
    ASSERT_NE(TDSmartFolder::from(smartCopy)->rule(), nullptr);
    processChanges();
    const QList<TDTask*> matches = smart->tasks();
    const QList<TDTask*> copiedMatches = smartCopy->tasks();
    EXPECT_EQ(QSet<TDTask*>(copiedMatches.cbegin(), copiedMatches.cend()),
              QSet<TDTask*>(matches.cbegin(), matches.cend()));
    expectUndoAndRedoRestore(before);
}

TEST_F(GroupCommandsTest, ArchivingAsksOnlyWhenTheListHasOpenTasks) {
    TDTask* done = addTask(work, QStringLiteral("done"));
    done->setCompleted(true);
    processChanges();
    select(work);
    std::string before = treeBeforeCommand();
    groups->perform(Command::ArchiveList);
    EXPECT_TRUE(prompter.shown.isEmpty());
    EXPECT_TRUE(work->isArchived());
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Archive List"));
    // The selection went on to the next row, which stays in view.
    EXPECT_EQ(groups->selectedGroup(), area);
    expectUndoAndRedoRestore(before);
    manager->undoManager()->undo();
    endEvent();

    addTask(sub, QStringLiteral("open"));
    processChanges();
    groups->expandGroup(area);
    select(sub);
    prompter.answers = {1};
    groups->perform(Command::ArchiveList);
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Archive List?"));
    EXPECT_EQ(prompter.shown.first().informativeText,
              QStringLiteral("You have incomplete tasks in your list. Archiving will cancel those tasks."));
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Archive List"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(sub->isArchived());

    prompter.answers = {0};
    groups->perform(Command::ArchiveList);
    EXPECT_TRUE(sub->isArchived());
}

TEST_F(GroupCommandsTest, DeletingMovesTheSelectionOnAndNamesTheUndoByMode) {
    select(work);
    std::string before = treeBeforeCommand();
    groups->perform(Command::RemoveGroup);
    EXPECT_TRUE(work->isDeleted());
    EXPECT_EQ(groups->selectedGroup(), area);
    EXPECT_EQ(tasks->group(), groups->selectedGroup());
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Delete Folder"));
    expectUndoAndRedoRestore(before);
    manager->undoManager()->undo();
    endEvent();
    EXPECT_FALSE(work->isDeleted());

    // A click on another row deletes that row's group and leaves the selection alone.
    select(work);
    groups->setClickedGroup(area);
    groups->perform(Command::RemoveGroup);
    groups->setClickedGroup(nullptr);
    EXPECT_TRUE(area->isDeleted());
    EXPECT_TRUE(sub->isDeleted());
    EXPECT_EQ(groups->selectedGroup(), work);
    manager->undoManager()->undo();
    endEvent();
    EXPECT_FALSE(sub->isDeleted());
    EXPECT_EQ(sub->parentGroup(), area);
}

TEST_F(GroupCommandsTest, DeletingTheLastTagGoesBackToTodayInFoldersMode) {
    office->deleteObject();
    places->deleteObject();
    processChanges();
    select(home);
    ASSERT_EQ(groups->mode(), 1);
    const std::string before = treeBeforeCommand();
    groups->perform(Command::RemoveGroup);
    EXPECT_TRUE(home->isDeleted());
    EXPECT_EQ(groups->mode(), 0);
    EXPECT_EQ(groups->selectedGroup(), library()->todayGroup());
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Delete Folder"));
    expectUndoAndRedoRestore(before);
}

}  // namespace
}  // namespace apptest

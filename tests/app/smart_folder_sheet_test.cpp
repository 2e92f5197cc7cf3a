#include "app/smart_folder_sheet_prompter.h"
#include "auxiliary/smart_folder_edit_window_controller.h"
#include "language/date_additions.h"
#include "model/ordered_collection.h"
#include "model/rule_archiving.h"
#include "model/smart_folder.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/groups_controller_fixture.h"

#include <functional>

namespace apptest {
namespace {

using Command = TDGroupsController::Command;

// Keeps the sheet the controller opens; the test plays the person at it.
class ScriptedSheetPrompter final : public TDSmartFolderSheetPrompter {
public:
    void beginSmartFolderSheet(TDSmartFolderEditWindowController& controller) override {
        sheet = &controller;
    }
    TDSmartFolderEditWindowController* sheet = nullptr;
};

// FOLDERS: Projects, On Hold (starter), Work (list: "Buy milk", "Call Ann"), Area (folder: Sub),
// Smart ("title contains Ann"); TAGS: home.
class SmartFolderSheetTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        work = list(QStringLiteral("Work"));
        milk = addTask(work, QStringLiteral("Buy milk"));
        ann = addTask(work, QStringLiteral("Call Ann"));
        area = folder(QStringLiteral("Area"));
        sub = list(QStringLiteral("Sub"), area);
        smart = TDSmartFolder::from(smartFolder(QStringLiteral("Smart")));
        smart->setRule(titleContains(QStringLiteral("Ann")));
        home = tag(QStringLiteral("home"));
        endEvent();
        manager->undoManager()->removeAllActions();
        groups->setSmartFolderSheetPrompter(&prompter);
    }

    static TRRulePtr titleContains(const QString& text) {
        auto leaf = std::make_shared<TRComparisonRule>(TRRuleTypeString);
        leaf->setKeyPath(QStringLiteral("title"));
        leaf->setConditionType(TRConditionContains);
        leaf->setValue(text);
        return TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, {leaf});
    }
    static QByteArray archived(const TRRulePtr& rule) { return TRArchivedRuleData(*rule).value(); }
    void endEvent() {
        processChanges();
        testsupport::drainEvents();
    }
    // The sheet's first comparison row typed into and OK pressed.
    void typeTitleAndPressOK(const QString& text) {
        ASSERT_TRUE(prompter.sheet);
        TRRuleEditorModel& editor = prompter.sheet->ruleEditor();
        ASSERT_TRUE(editor.setConditionOfRow(1, TRConditionContains) ||
                    static_cast<TRComparisonRule&>(*editor.row(1).rule).conditionType() ==
                        TRConditionContains);
        editor.setValueOfRow(1, text);
        prompter.sheet->okay();
        endEvent();
    }
    QStringList childTitles() const {
        QStringList titles;
        for (const TDGroup* child : library()->foldersGroup()->orderedSubgroups()->objectsAs<TDGroup>())
            titles << child->title();
        return titles;
    }
    QStringList titlesOf(TDGroup* group) const {
        QStringList titles;
        for (const TDTask* task : group->tasks()) titles << task->title();
        titles.sort();
        return titles;
    }
    QStringList values(TDSmartFolderEditWindowController& sheet, const char* keyPath) {
        QStringList result;
        for (const QVariantMap& item :
             sheet.objectDictionaryArrayForFieldKeyPath(sheet.ruleEditor(), QLatin1String(keyPath))) {
            const QVariant object = item.value(QStringLiteral("object"));
            result << (object.isNull()
                           ? QStringLiteral("-")
                           : QString(QString(item.value(QStringLiteral("indentationLevel")).toInt(),
                                             QLatin1Char(' ')) +
                                     item.value(QStringLiteral("displayValue")).toString()));
        }
        return result;
    }

    ScriptedSheetPrompter prompter;
    TDList* work = nullptr;
    TDTask* milk = nullptr;
    TDTask* ann = nullptr;
    TDFolder* area = nullptr;
    TDList* sub = nullptr;
    TDSmartFolder* smart = nullptr;
    TDTag* home = nullptr;
};

TEST_F(SmartFolderSheetTest, NewSmartFolderIsCreatedAfterTheSelectionSelectedAndRenamedAsOneUndoStep) {
    ASSERT_TRUE(groups->selectGroup(work));
    const QStringList before = childTitles();
    ASSERT_TRUE(groups->validate(Command::AddSmartFolder));
    groups->perform(Command::AddSmartFolder);
    ASSERT_TRUE(prompter.sheet);
    EXPECT_EQ(prompter.sheet->ruleEditor().numberOfRows(), 2);
    EXPECT_EQ(groups->smartFolderSheet(), prompter.sheet);

    typeTitleAndPressOK(QStringLiteral("milk"));
    EXPECT_FALSE(groups->smartFolderSheet());
    TDGroup* created = groups->selectedGroup();
    ASSERT_TRUE(created && created->isSmartFolder());
    EXPECT_EQ(childTitles().indexOf(created->title()), childTitles().indexOf(QStringLiteral("Work")) + 1);
    EXPECT_EQ(archived(TDSmartFolder::from(created)->rule()),
              archived(titleContains(QStringLiteral("milk"))));
    EXPECT_EQ(titlesOf(created), QStringList{QStringLiteral("Buy milk")});
    EXPECT_TRUE(sourceList.editing);
    EXPECT_EQ(model()->groupForIndex(sourceList.edited), created);
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Create Smart Folder"));

    manager->undoManager()->undo();
    endEvent();
    EXPECT_EQ(childTitles(), before);
}

TEST_F(SmartFolderSheetTest, EditingGivesTheFolderTheNewRuleAndItsTasksAtOnceCancelChangesNothing) {
    groups->setClickedGroup(smart);
    ASSERT_TRUE(groups->validate(Command::EditSmartFolder));
    groups->perform(Command::EditSmartFolder);
    ASSERT_TRUE(prompter.sheet);
    EXPECT_EQ(prompter.sheet->group(), smart);
    // The sheet edits a copy: cancelling leaves the folder's rule as it was.
    prompter.sheet->ruleEditor().setValueOfRow(1, QStringLiteral("milk"));
    prompter.sheet->cancel();
    endEvent();
    EXPECT_EQ(archived(smart->rule()), archived(titleContains(QStringLiteral("Ann"))));
    EXPECT_EQ(titlesOf(smart), QStringList{QStringLiteral("Call Ann")});

    prompter.sheet = nullptr;
    groups->perform(Command::EditSmartFolder);
    ASSERT_TRUE(prompter.sheet);
    prompter.sheet->ruleEditor().setValueOfRow(1, QStringLiteral("milk"));
    prompter.sheet->okay();
    EXPECT_EQ(titlesOf(smart), QStringList{QStringLiteral("Buy milk")});
    endEvent();
    EXPECT_EQ(archived(smart->rule()), archived(titleContains(QStringLiteral("milk"))));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Edit Smart Folder"));

    manager->undoManager()->undo();
    endEvent();
    EXPECT_EQ(archived(smart->rule()), archived(titleContains(QStringLiteral("Ann"))));
    EXPECT_EQ(titlesOf(smart), QStringList{QStringLiteral("Call Ann")});
}

TEST_F(SmartFolderSheetTest, MenusOfferEditOnlyOnSmartFolders) {
    const struct {
        TDGroup* clicked;
        Command command;
        bool enabled;
    } cases[] = {
        {smart, Command::EditSmartFolder, true},
        {work, Command::EditSmartFolder, false},
        {library()->todayGroup(), Command::EditSmartFolder, false},
        {work, Command::AddSmartFolder, true},
        {home, Command::AddSmartFolder, false},
    };
    for (const auto& c : cases) {
        groups->setClickedGroup(c.clicked);
        EXPECT_EQ(groups->validate(c.command), c.enabled) << qPrintable(c.clicked->title()) << int(c.command);
    }
    const auto onSmart = groups->contextMenuEntries(smart);
    ASSERT_TRUE(onSmart);
    EXPECT_TRUE(onSmart->contains(Command::EditSmartFolder));
    EXPECT_FALSE(onSmart->contains(Command::AddSmartFolder));
    const auto onWork = groups->contextMenuEntries(work);
    ASSERT_TRUE(onWork);
    EXPECT_TRUE(onWork->contains(Command::AddSmartFolder));
}

TEST_F(SmartFolderSheetTest, ValuesLeaveOutTheEditedFolderAndDefaultsFollowTheSelectedGroup) {
    TDSmartFolderEditWindowController sheet(*library(), home);
    sheet.setGroup(smart);
    const QStringList lists = values(sheet, "group");
    EXPECT_EQ(lists.first(), QStringLiteral("Inbox"));
    EXPECT_TRUE(lists.contains(QStringLiteral("-")));
    EXPECT_TRUE(lists.contains(QStringLiteral("Area")));
    EXPECT_TRUE(lists.contains(QStringLiteral(" Sub")));
    EXPECT_FALSE(lists.contains(QStringLiteral("Smart")));
    EXPECT_EQ(values(sheet, "tag"), QStringList{QStringLiteral("home")});

    // A tag selected: a new list rule starts on the first entry, a new tag rule on the tag.
    TRRuleEditorModel& editor = sheet.ruleEditor();
    ASSERT_TRUE(editor.setFieldOfRow(1, editor.fieldForKeyPath(QStringLiteral("group"))));
    EXPECT_EQ(static_cast<TRComparisonRule&>(*editor.row(1).rule).value(),
              QVariant(library()->inboxGroup()->uid()));
    ASSERT_TRUE(editor.setFieldOfRow(1, editor.fieldForKeyPath(QStringLiteral("tag"))));
    EXPECT_EQ(static_cast<TRComparisonRule&>(*editor.row(1).rule).value(), QVariant(home->uid()));

    const struct {
        TDGroup* selected;
        const char* keyPath;
        QVariant expected;
    } defaults[] = {
        {work, "group", work->uid()}, {work, "tag", {}},      {smart, "group", {}},
        {home, "group", {}},          {nullptr, "group", {}},
    };
    for (const auto& c : defaults) {
        TDSmartFolderEditWindowController other(*library(), c.selected);
        other.setGroup(smart);
        TRComparisonRule rule(TRRuleTypeList);
        rule.setKeyPath(QLatin1String(c.keyPath));
        EXPECT_EQ(other.defaultValueForRule(other.ruleEditor(), rule), c.expected) << c.keyPath;
    }
}

// A person's folder over each built-in one: "List or Folder is Today" (or Upcoming) picked from the
// sheet's values, then narrowed by a title rule, then its compound type switched. After each OK the
// folder holds exactly what a filter written here from the tasks' dates picks.
TEST_F(SmartFolderSheetTest, ARuleOnEachBuiltInFolderEditedInTheSheetHoldsWhatAHandWrittenFilterPicks) {
    platform::UserDefaults::standard().setValue(QStringLiteral("nearFutureNumberOfDays"), 2);
    const int none = 99;
    struct Fixture {
        const char* title;
        int start;  // days from today; none: no date
        int due;
        int completed;
        bool archived;
    };
    const Fixture fixtures[] = {
        {"report starts today", 0, none, none, false},
        {"starts yesterday", -1, none, none, false},
        {"report starts tomorrow", 1, none, none, false},
        {"due yesterday report", none, -1, none, false},
        {"due in two days", none, 2, none, false},
        {"report due in three days", none, 3, none, false},
        {"starts tomorrow due today", 1, 0, none, false},
        {"undated report", none, none, none, false},
        {"report completed today", 0, none, 0, false},
        {"completed yesterday", none, none, -1, false},
        {"completed last week report", -9, none, -7, false},
        {"archived report", 0, 1, none, true},
    };
    const QDateTime today = dates::dateAtStartOfDay(clock->currentDateTime());
    const auto day = [&](int offset) { return dates::dateByAddingDays(today, offset); };
    TDList* desk = list(QStringLiteral("Desk"));
    for (const Fixture& f : fixtures) {
        TDTask* task = addTask(desk, QString::fromLatin1(f.title));
        if (f.start != none) task->setStartDate(day(f.start));
        if (f.due != none) task->setValue(QStringLiteral("dueDate"), day(f.due));
        if (f.completed != none) {
            task->setValue(QStringLiteral("status"), QStringLiteral("C"));
            task->setValue(QStringLiteral("completedDate"), day(f.completed).addSecs(3600));
        }
        if (f.archived) task->setArchived(true);
    }
    endEvent();

    // What Today and Upcoming mean, written out from the dates: open tasks starting by today or, with
    // no start, due within two days, and tasks completed yesterday or today; open tasks starting or due
    // tomorrow or later.
    const auto open = [](const Fixture& f) { return f.completed == none; };
    const auto inToday = [&](const Fixture& f) {
        if (!open(f)) return f.completed >= -1;
        return f.start != none ? f.start <= 0 : f.due != none && f.due <= 2;
    };
    const auto inUpcoming = [&](const Fixture& f) {
        return open(f) && ((f.start != none && f.start >= 1) || (f.due != none && f.due >= 1));
    };
    const auto isReport = [](const Fixture& f) {
        return QString::fromLatin1(f.title).contains(QStringLiteral("report"));
    };
    const auto picked = [&](const std::function<bool(const Fixture&)>& filter) {
        QStringList titles;
        for (const Fixture& f : fixtures)
            if (!f.archived && filter(f)) titles << QString::fromLatin1(f.title);
        titles.sort();
        return titles;
    };
    const auto editFolder = [&](TDGroup* folder) {
        prompter.sheet = nullptr;
        groups->setClickedGroup(folder);
        groups->perform(Command::EditSmartFolder);
        return prompter.sheet;
    };

    const struct {
        TDGroup* builtIn;
        std::function<bool(const Fixture&)> inFolder;
    } cases[] = {
        {library()->todayGroup(), inToday},
        {library()->upcomingGroup(), inUpcoming},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.builtIn->title().toStdString());
        ASSERT_TRUE(groups->selectGroup(work));
        prompter.sheet = nullptr;
        groups->perform(Command::AddSmartFolder);
        ASSERT_TRUE(prompter.sheet);
        TRRuleEditorModel* editor = &prompter.sheet->ruleEditor();
        ASSERT_TRUE(editor->setFieldOfRow(1, editor->fieldForKeyPath(QStringLiteral("group"))));
        QVariant builtInValue;
        for (const QVariantMap& item : editor->listItemsOfRow(1))
            if (item.value(QStringLiteral("displayValue")) == c.builtIn->title())
                builtInValue = item.value(QStringLiteral("object"));
        ASSERT_EQ(builtInValue, QVariant(c.builtIn->uid())) << "offered as a value";
        editor->setValueOfRow(1, builtInValue);
        prompter.sheet->okay();
        endEvent();
        TDGroup* folder = groups->selectedGroup();
        ASSERT_TRUE(folder && folder->isSmartFolder() && folder != c.builtIn);
        sourceList.editing = false;
        EXPECT_EQ(titlesOf(folder), picked(c.inFolder));
        EXPECT_EQ(titlesOf(folder), titlesOf(c.builtIn));

        // A second row narrows it to the reports.
        ASSERT_TRUE(editFolder(folder));
        editor = &prompter.sheet->ruleEditor();
        editor->addRuleAfterRow(1);
        ASSERT_EQ(editor->numberOfRows(), 3);
        ASSERT_EQ(editor->fieldOfRow(2), editor->fieldForKeyPath(QStringLiteral("title")));
        editor->setConditionOfRow(2, TRConditionContains);
        editor->setValueOfRow(2, QStringLiteral("report"));
        prompter.sheet->okay();
        endEvent();
        EXPECT_EQ(titlesOf(folder), picked([&](const Fixture& f) { return c.inFolder(f) && isReport(f); }));

        // Any, then None, of the same two rows.
        const struct {
            int compoundType;
            std::function<bool(const Fixture&)> filter;
        } compounds[] = {
            {TRRuleTypeAny, [&](const Fixture& f) { return c.inFolder(f) || isReport(f); }},
            {TRRuleTypeNone, [&](const Fixture& f) { return !c.inFolder(f) && !isReport(f); }},
        };
        for (const auto& compound : compounds) {
            SCOPED_TRACE(compound.compoundType);
            ASSERT_TRUE(editFolder(folder));
            ASSERT_TRUE(prompter.sheet->ruleEditor().setCompoundTypeOfRow(0, compound.compoundType));
            prompter.sheet->okay();
            endEvent();
            QStringList expected = picked(compound.filter);
            // The None folder also holds the other lists' open tasks, which name neither.
            if (compound.compoundType == TRRuleTypeNone) expected << titlesOf(work);
            expected.sort();
            EXPECT_EQ(titlesOf(folder), expected);
        }
    }
}

}  // namespace
}  // namespace apptest

#include "app/smart_folder_sheet_prompter.h"
#include "auxiliary/smart_folder_edit_window_controller.h"
#include "model/ordered_collection.h"
#include "model/rule_archiving.h"
#include "model/smart_folder.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/groups_controller_fixture.h"

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

}  // namespace
}  // namespace apptest

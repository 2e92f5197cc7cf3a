#include "tests/scenarios/scenario_test.h"

#include "platform/base/clock.h"

#include <QApplication>
#include <QDate>
#include <QDateTime>
#include <QMessageBox>
#include <QPointer>

#include <functional>

namespace scenario {
namespace {

// Each task as the store holds it, in the store's order: what undo and redo must give back exactly.
QStringList describe(const StoredLibrary& stored) {
    QStringList lines;
    for (const StoredTask& task : stored.tasks)
        lines << QStringList{task.title,
                             task.parent,
                             task.list,
                             task.tags.join(QLatin1Char(',')),
                             task.status,
                             task.start.toString(Qt::ISODate),
                             task.due.toString(Qt::ISODate),
                             task.notes}
                     .join(QLatin1Char('|'));
    return lines;
}

void seedErrands(LibrarySeed& seed) {
    TDGroup* errands = seed.list(QStringLiteral("Errands"));
    seed.task(errands, QStringLiteral("Buy stamps"));
    seed.task(errands, QStringLiteral("Post the letter"));
    seed.tag(QStringLiteral("home"));
}

using EditingScenario = ScenarioTest;

TEST_F(EditingScenario, AListChosenFromTheKeyboardTakesATaskTypedWithATagAndCompletesIt) {
    seedLibrary(seedErrands);
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    const QStringList before = describe(storedLibrary());

    press(Qt::Key_Return);
    type(QStringLiteral("Water the plants /ho"));
    // The completion list offers the tag; Tab takes it.
    press(Qt::Key_Tab);
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    std::optional<StoredTask> task = storedLibrary().task(QStringLiteral("Water the plants /home"));
    ASSERT_TRUE(task)
        << storedLibrary().titlesIn(QStringLiteral("Errands")).join(QLatin1Char('\n')).toStdString();
    EXPECT_EQ(task->list, QStringLiteral("Errands"));
    EXPECT_EQ(task->parent, QString());
    EXPECT_EQ(task->tags, QStringList{QStringLiteral("home")});

    // Undo takes the title and its tag back, then the task; redo brings both again.
    const QStringList after = describe(storedLibrary());
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(describe(storedLibrary()), before);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    waitForSave();
    EXPECT_EQ(describe(storedLibrary()), after);

    click(QStringLiteral("Water the plants /home"));
    press(Qt::Key_K, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(storedLibrary().task(QStringLiteral("Water the plants /home"))->status, QStringLiteral("C"));
}

TEST_F(EditingScenario, SubTasksAddedOutdentedAndIndentedWhileTypingReachTheStore) {
    seedLibrary([](LibrarySeed& seed) {
        TDGroup* trip = seed.list(QStringLiteral("Trip"));
        TDTask* flights = seed.task(trip, QStringLiteral("Book flights"));
        seed.task(trip, QStringLiteral("Compare prices"), flights);
        seed.task(trip, QStringLiteral("Pack"));
    });
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Trip"));

    // A sub-task while editing a title: Shift+Return.
    click(QStringLiteral("Pack"));
    press(Qt::Key_E, Qt::ControlModifier);
    press(Qt::Key_Return, Qt::ShiftModifier);
    type(QStringLiteral("Socks /clothes"));
    press(Qt::Key_Return);

    // The first child of an expanded task, outdented at the start of its title.
    click(QStringLiteral("Book flights"));
    press(Qt::Key_Right);
    press(Qt::Key_Return);
    press(Qt::Key_Backtab, Qt::ShiftModifier);
    type(QStringLiteral("Renew passport /papers"));
    press(Qt::Key_Return);

    // A new task indented under the sibling above it (a collapsed one: Return on an expanded task adds
    // its first child).
    click(QStringLiteral("Renew passport /papers"));
    press(Qt::Key_Return);
    press(Qt::Key_Tab);
    type(QStringLiteral("Charger /tech"));
    press(Qt::Key_Return);
    waitForSave();

    const StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Trip")),
              (QStringList{QStringLiteral("Book flights"), QStringLiteral("Compare prices"),
                           QStringLiteral("Renew passport /papers"), QStringLiteral("Charger /tech"),
                           QStringLiteral("Pack"), QStringLiteral("Socks /clothes")}));
    const auto parentOf = [&](const QString& title) {
        const std::optional<StoredTask> task = stored.task(title);
        return task ? task->parent : QStringLiteral("<missing>");
    };
    EXPECT_EQ(parentOf(QStringLiteral("Socks /clothes")), QStringLiteral("Pack"));
    EXPECT_EQ(parentOf(QStringLiteral("Renew passport /papers")), QString());
    EXPECT_EQ(parentOf(QStringLiteral("Charger /tech")), QStringLiteral("Renew passport /papers"));
    EXPECT_EQ(stored.task(QStringLiteral("Renew passport /papers"))->tags,
              QStringList{QStringLiteral("papers")});
    for (const StoredTask& task : stored.tasks)
        EXPECT_FALSE(task.title.isEmpty()) << "an empty task was left";
}

struct StartWay {
    const char* name;
    std::function<void(ScenarioTest&)> start;
    QString typed;
    QStringList errands;  // the list's titles after the edit
    QString notesOfStamps;
};

class StartingEditScenario : public ScenarioTest, public ::testing::WithParamInterface<StartWay> {
public:
    // The steps of the table, for its lambdas.
    using ScenarioTest::chooseMenuItem;
    using ScenarioTest::doubleClick;
    using ScenarioTest::doubleClickEmptyArea;
    using ScenarioTest::press;
};

void PrintTo(const StartWay& way, std::ostream* out) {
    *out << way.name;
}

TEST_P(StartingEditScenario, TheTypingGoesIntoTheTask) {
    const StartWay& way = GetParam();
    seedLibrary(seedErrands);
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Errands"));
    click(QStringLiteral("Buy stamps"));

    way.start(*this);
    type(way.typed);
    // A click on another row ends the edit, keeping what was typed.
    click(QStringLiteral("Post the letter"));
    waitForSave();

    const StoredLibrary stored = storedLibrary();
    EXPECT_EQ(stored.titlesIn(QStringLiteral("Errands")), way.errands);
    if (!way.notesOfStamps.isEmpty()) {
        EXPECT_EQ(stored.task(QStringLiteral("Buy stamps"))->notes, way.notesOfStamps);
    }
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
}

const QString kStamps = QStringLiteral("Buy stamps");
const QString kLetter = QStringLiteral("Post the letter");

INSTANTIATE_TEST_SUITE_P(
    Ways, StartingEditScenario,
    ::testing::Values(
        StartWay{"NewTaskKey",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).press(Qt::Key_N, Qt::ControlModifier);
                 },
                 QStringLiteral("Call the bank"),
                 {QStringLiteral("Call the bank"), kStamps, kLetter},
                 {}},
        StartWay{"NewChildTaskKey",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).press(Qt::Key_N,
                                                                 Qt::ControlModifier | Qt::ShiftModifier);
                 },
                 QStringLiteral("First class"),
                 {kStamps, QStringLiteral("First class"), kLetter},
                 {}},
        StartWay{"NewTaskBelowItem",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).chooseMenuItem(QStringLiteral("Task"),
                                                                          QStringLiteral("New Task Below"));
                 },
                 QStringLiteral("Buy envelopes"),
                 {kStamps, QStringLiteral("Buy envelopes"), kLetter},
                 {}},
        StartWay{"EditTaskKey",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).press(Qt::Key_E, Qt::ControlModifier);
                 },
                 QStringLiteral("Buy a roll of stamps"),
                 {QStringLiteral("Buy a roll of stamps"), kLetter},
                 {}},
        StartWay{"EditNoteKey",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).press(Qt::Key_Apostrophe, Qt::ControlModifier);
                 },
                 QStringLiteral("ten of them"),
                 {kStamps, kLetter},
                 QStringLiteral("ten of them")},
        StartWay{"TagItem",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).chooseMenuItem(QStringLiteral("Task"),
                                                                          QStringLiteral("Tag"));
                 },
                 QStringLiteral("post"),
                 {QStringLiteral("Buy stamps /post"), kLetter},
                 {}},
        StartWay{"ContextItem",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).chooseMenuItem(QStringLiteral("Task"),
                                                                          QStringLiteral("Context"));
                 },
                 QStringLiteral("town"),
                 {QStringLiteral("Buy stamps @town"), kLetter},
                 {}},
        StartWay{"DoubleClickOnTheTitle",
                 [](ScenarioTest& s) {
                     static_cast<StartingEditScenario&>(s).doubleClick(QStringLiteral("Buy stamps"));
                 },
                 QStringLiteral("Buy sheets of stamps"),
                 {QStringLiteral("Buy sheets of stamps"), kLetter},
                 {}},
        StartWay{"DoubleClickOnTheEmptyArea",
                 [](ScenarioTest& s) { static_cast<StartingEditScenario&>(s).doubleClickEmptyArea(); },
                 QStringLiteral("Find the address"),
                 {QStringLiteral("Find the address"), kStamps, kLetter},
                 {}}),
    [](const ::testing::TestParamInfo<StartWay>& info) { return std::string(info.param.name); });

// Adding where the group decides what a task needs: Today and Upcoming date it, a smart folder refuses.
struct DateGroup {
    const char* name;
    int startInDays;  // from the program's today
};

class AddingInDateGroupsScenario : public ScenarioTest, public ::testing::WithParamInterface<DateGroup> {};

void PrintTo(const DateGroup& group, std::ostream* out) {
    *out << group.name;
}

TEST_P(AddingInDateGroupsScenario, ReturnAddsATaskTheGroupShowsAndUndoRedoRestoreTheStore) {
    const DateGroup& group = GetParam();
    seedLibrary(seedErrands);
    launch();
    chooseGroupFromKeyboard(QString::fromLatin1(group.name));
    const QStringList before = describe(storedLibrary());

    press(Qt::Key_Return);
    type(QStringLiteral("Call the vet"));
    press(Qt::Key_Return);
    waitForSave();
    EXPECT_TRUE(shownTasks().contains(QStringLiteral("Call the vet")))
        << shownTasks().join(QLatin1Char('\n')).toStdString();
    const std::optional<StoredTask> added = storedLibrary().task(QStringLiteral("Call the vet"));
    ASSERT_TRUE(added);
    EXPECT_EQ(added->list, QStringLiteral("Inbox"));
    // The start of that day here, read back as the local day.
    const QDate startDay = TDClock::currentDateTime().date().addDays(group.startInDays);
    EXPECT_EQ(added->start, startDay);
    const QStringList after = describe(storedLibrary());

    // Undo takes the title back, then the task; redo brings both again.
    press(Qt::Key_Z, Qt::ControlModifier);
    press(Qt::Key_Z, Qt::ControlModifier);
    waitForSave();
    EXPECT_EQ(describe(storedLibrary()), before);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    press(Qt::Key_Z, Qt::ControlModifier | Qt::ShiftModifier);
    waitForSave();
    EXPECT_EQ(describe(storedLibrary()), after);
}

// Today starts the task today, Upcoming tomorrow.
INSTANTIATE_TEST_SUITE_P(Groups, AddingInDateGroupsScenario,
                         ::testing::Values(DateGroup{"Today", 0}, DateGroup{"Upcoming", 1}),
                         [](const ::testing::TestParamInfo<DateGroup>& info) {
                             return std::string(info.param.name);
                         });

TEST_F(EditingScenario, ReturnInASmartFolderIsRefusedAndAddsNothing) {
    seedLibrary([](LibrarySeed& seed) {
        seedErrands(seed);
        seed.smartFolder(QStringLiteral("Letters"), QStringLiteral("letter"));
    });
    launch();
    chooseGroupFromKeyboard(QStringLiteral("Letters"));
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Post the letter")});
    const qsizetype stored = storedLibrary().tasks.size();

    press(Qt::Key_Return);
    // The refusal is a sheet on the window; Return closes it.
    QPointer<QMessageBox> sheet;
    for (QWidget* widget : QApplication::topLevelWidgets())
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible()) sheet = box;
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->text(), QStringLiteral("You cannot add tasks here"));
    press(Qt::Key_Return);
    EXPECT_TRUE(!sheet || !sheet->isVisible()) << "closed (and gone)";
    EXPECT_EQ(shownTasks(), QStringList{QStringLiteral("Post the letter")});
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("TDTasksView"));
    EXPECT_EQ(storedLibrary().tasks.size(), stored);
}

}  // namespace
}  // namespace scenario

#include "model/recurrence.h"
#include "model/task_notes.h"
#include "platform/defaults/user_defaults.h"
#include "tests/model/task_tree_fixture.h"
#include "tests/support/recording_sound_sink.h"

namespace {

using modeltest::TaskTreeTest;

class TaskDisplayTest : public TaskTreeTest {
public:
    // For the case tables' lambdas.
    using TaskTreeTest::inbox;
    using TaskTreeTest::insert;
    using TaskTreeTest::task;
};

TEST_F(TaskDisplayTest, AttributeNamesBothWays) {
    struct Case {
        const char* display;
        const char* key;  // nullptr: no attribute
    };
    const Case toKey[] = {
        {"Today", "dueOrStartDate"},    {"By Due", "dueDate"},       {"Due", "dueDate"},
        {"Upcoming", "nextActionDate"}, {"By Added", "createdDate"}, {"List", "list"},
        {"Manual Order", nullptr},      {"Act On", nullptr},         {"Whatever", nullptr},
    };
    for (const Case& c : toKey)
        EXPECT_EQ(TDTask::attributeNameForDisplayString(QString::fromUtf8(c.display)),
                  c.key ? QString::fromUtf8(c.key) : QString())
            << c.display;
    const Case toDisplay[] = {
        {"Act On", "nextActionDate"},
        {"Added", "createdDate"},
        {"Estimated Time", "totalEstimatedTime"},
        {"Manual Order", nullptr},
    };
    for (const Case& c : toDisplay)
        EXPECT_EQ(TDTask::displayStringForAttributeName(c.key ? QString::fromUtf8(c.key) : QString()),
                  QString::fromUtf8(c.display))
            << c.display;
    EXPECT_TRUE(TDTask::displayStringForAttributeName(QStringLiteral("title")).isNull());
    EXPECT_EQ(TDTask::displayStringForPriority(0), QStringLiteral("No Priority"));
    EXPECT_EQ(TDTask::displayStringForPriority(3), QStringLiteral("Priority 3"));
    EXPECT_TRUE(TDTask::isDateAttribute(QStringLiteral("nextActionDate")));
    EXPECT_FALSE(TDTask::isDateAttribute(QStringLiteral("actualTime")));
    EXPECT_TRUE(TDTask::isTimeAttribute(QStringLiteral("estimatedTime")));
    EXPECT_FALSE(TDTask::isTimeAttribute(QStringLiteral("dueDate")));
}

TEST_F(TaskDisplayTest, CheckboxStates) {
    const QDateTime yesterday = clock->now().addDays(-1);
    struct Case {
        const char* what;
        std::function<TDTask*(TaskDisplayTest&)> make;
        qint64 state;
    };
    const Case cases[] = {
        {"open", [](TaskDisplayTest& t) { return t.task(QStringLiteral("t"), t.inbox()); }, 0},
        {"completed",
         [](TaskDisplayTest& t) {
             TDTask* made = t.task(QStringLiteral("t"), t.inbox());
             made->setCompleted(true);
             return made;
         },
         1},
        {"canceled",
         [](TaskDisplayTest& t) {
             TDTask* made = t.task(QStringLiteral("t"), t.inbox());
             made->setCanceled(true);
             return made;
         },
         2},
        {"timing beats past due",
         [yesterday](TaskDisplayTest& t) {
             TDTask* made = t.task(QStringLiteral("t"), t.inbox());
             made->setDueDate(yesterday);
             made->setTiming(true);
             return made;
         },
         3},
        {"past due and recurring shows past due",
         [yesterday](TaskDisplayTest& t) {
             TDTask* made = t.task(QStringLiteral("t"), t.inbox());
             made->setDueDate(yesterday);
             made->setObject(QStringLiteral("recurrence"), t.insert(QStringLiteral("Recurrence")));
             return made;
         },
         4},
        {"recurring",
         [](TaskDisplayTest& t) {
             TDTask* made = t.task(QStringLiteral("t"), t.inbox());
             made->setObject(QStringLiteral("recurrence"), t.insert(QStringLiteral("Recurrence")));
             return made;
         },
         5},
        {"a completed grandchild marks the parent",
         [](TaskDisplayTest& t) {
             TDTask* parent = t.task(QStringLiteral("parent"), t.inbox());
             TDTask* child = t.task(QStringLiteral("child"), parent);
             t.task(QStringLiteral("open"), child);
             t.task(QStringLiteral("grandchild"), child)->setCompleted(true);
             return parent;
         },
         -1},
        {"canceled subtasks do not count",
         [](TaskDisplayTest& t) {
             TDTask* parent = t.task(QStringLiteral("parent"), t.inbox());
             t.task(QStringLiteral("child"), parent)->setCanceled(true);
             return parent;
         },
         0},
    };
    for (const Case& c : cases) EXPECT_EQ(c.make(*this)->checkboxState(), c.state) << c.what;
}

TEST_F(TaskDisplayTest, LinkAndNotes) {
    TDTask* made = task(QStringLiteral("t"), inbox());
    EXPECT_EQ(made->URLString(), QStringLiteral("ordello:///") + made->uid());
    EXPECT_EQ(made->URL().scheme(), QStringLiteral("ordello"));

    EXPECT_FALSE(made->hasNotes());
    made->setNotesString(QStringLiteral("call back\nafter lunch"));
    TDTaskNotes* notes = made->notes();
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(made->value(QStringLiteral("notesUID")).toString(), notes->uid());
    EXPECT_EQ(made->notesString(), QStringLiteral("call back\nafter lunch"));
    EXPECT_TRUE(made->hasNotes());
    ASSERT_TRUE(made->attributedNotes());
    EXPECT_EQ(made->attributedNotes()->toPlainText(), made->notesString());

    made->setNotesString(QStringLiteral("changed"));
    EXPECT_EQ(made->notes(), notes) << "the notes object is kept";
    EXPECT_EQ(made->notesString(), QStringLiteral("changed"));

    made->setNotesString(QStringLiteral("  \n\t "));
    context->processPendingChanges();
    EXPECT_TRUE(notes->isDeleted());
    EXPECT_FALSE(made->hasNotes());
    made->setNotesString(QString());
    EXPECT_FALSE(made->hasNotes());
}

TEST_F(TaskDisplayTest, CompletionSounds) {
    struct Case {
        QStringList titles;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {{QStringLiteral("Launch the boat")}, "space1.oga", "space2.oga"},
        {{QStringLiteral("Buy birthday cake")}, "party1.oga", "party2.oga"},
        {{QStringLiteral("Moonlight walk")}, "task_completed.oga", "task_completed.oga"},
        {{QStringLiteral("Birthdays"), QStringLiteral("Rocket"), QStringLiteral("Birthday")},
         "space1.oga",
         "space2.oga"},
        {{QStringLiteral("plain"), QStringLiteral("Space Ship")}, "space1.oga", "space2.oga"},
        {{}, "task_completed.oga", "task_completed.oga"},
    };
    for (const Case& c : cases) {
        QList<TDTask*> tasks;
        for (const QString& title : c.titles) tasks << task(title, inbox());
        EXPECT_EQ(TDTask::taskCompletedSoundName(tasks, true), QString::fromUtf8(c.first)) << c.first;
        EXPECT_EQ(TDTask::taskCompletedSoundName(tasks, false), QString::fromUtf8(c.second)) << c.second;
    }
}

TEST_F(TaskDisplayTest, CompletionSoundFollowsTheSettings) {
    testsupport::RecordingSoundSink sounds;
    const QList<TDTask*> tasks{task(QStringLiteral("Moonlight walk"), inbox())};

    platform::UserDefaults::standard().setValue(QStringLiteral("playSoundEffects"), false);
    TDTask::playTaskCompletedSoundForTasks(tasks);
    platform::UserDefaults::standard().setValue(QStringLiteral("playSoundEffects"), true);
    platform::UserDefaults::standard().setValue(QStringLiteral("soundEffectVolume"), 0.5);
    TDTask::playTaskCompletedSoundForTasks(tasks);
    EXPECT_EQ(sounds.played, QStringList{QStringLiteral("task_completed.oga 0.5")});
}

TEST_F(TaskDisplayTest, ToggleCompletionSoundsOncePerCompletionByTheUser) {
    testsupport::RecordingSoundSink sounds;
    platform::UserDefaults::standard().setValue(QStringLiteral("soundEffectVolume"), 0.25);
    const QStringList once{QStringLiteral("task_completed.oga 0.25")};

    // A repeating parent: its subtasks close and its next occurrence is made, with one sound.
    TDTask* weekly = task(QStringLiteral("Water the plants"), inbox());
    task(QStringLiteral("the fern"), weekly);
    TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1).value();
    rule.setNextStartDate(QDateTime(QDate(2026, 11, 2), QTime(0, 0)));  // weeks behind: copies catch up
    auto* recurrence = static_cast<TDRecurrence*>(insert(QStringLiteral("Recurrence")));
    ASSERT_TRUE(recurrence->setRule(rule).ok());
    weekly->setObject(QStringLiteral("recurrence"), recurrence);
    const qsizetype before = library->allTasks().size();
    weekly->toggleCompletion();
    ASSERT_GT(library->allTasks().size(), before + 2);
    EXPECT_EQ(sounds.played, once);

    // Reopening is silent; completing again sounds again, from canceled too.
    sounds.played.clear();
    weekly->toggleCompletion();
    EXPECT_TRUE(sounds.played.isEmpty());
    weekly->setCanceled(true);
    weekly->toggleCompletion();
    EXPECT_TRUE(weekly->isCompleted());
    EXPECT_EQ(sounds.played, once);

    // Status changes the program makes are silent.
    sounds.played.clear();
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* last = task(QStringLiteral("last step"), parent);
    last->setCompleted(true);  // completes the parent automatically when that is on
    TDTask* synced = task(QStringLiteral("synced"), inbox());
    context->setSyncingLibrary(true);
    synced->setStatus(QStringLiteral("C"));
    context->setSyncingLibrary(false);
    library->createRecurringTasksIfNecessary();
    EXPECT_TRUE(synced->isCompleted());
    EXPECT_TRUE(sounds.played.isEmpty()) << sounds.played.join(QStringLiteral(", ")).toStdString();
}

}  // namespace

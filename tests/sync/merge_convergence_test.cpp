#include "tests/sync/merge_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/recurrence_rule.h"
#include "model/sync_set.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/defaults/user_defaults.h"

namespace synctest {
namespace {

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

TDRecurrenceRule dailyRule() {
    return TDRecurrenceRule::initDailyRecurrenceWithInterval(1).value();
}

class MergeConvergenceTest : public MergeTest {
protected:
    void SetUp() override {
        MergeTest::SetUp();
        a = &addSide(QStringLiteral("A"));
        b = &addSide(QStringLiteral("B"));
    }

    void expectConverged() {
        ASSERT_TRUE(converge());
        const QMap<QString, QString> formsA = syncForms(a->library);
        const QMap<QString, QString> formsB = syncForms(b->library);
        EXPECT_EQ(formsA.keys().join(QLatin1Char(' ')).toStdString(),
                  formsB.keys().join(QLatin1Char(' ')).toStdString());
        for (auto it = formsA.cbegin(); it != formsA.cend(); ++it)
            EXPECT_EQ(it.value().toStdString(), formsB.value(it.key()).toStdString())
                << it.key().toStdString();
        EXPECT_TRUE(journalledUIDs(*a).isEmpty());
        EXPECT_TRUE(journalledUIDs(*b).isEmpty());
        EXPECT_FALSE(a->context()->hasChanges());
        EXPECT_FALSE(b->context()->hasChanges());
    }

    static TDTask* taskIn(TDLibrary* library, const QString& uid) { return library->taskWithUID(uid); }

    SyncSide* a = nullptr;
    SyncSide* b = nullptr;
};

TEST_F(MergeConvergenceTest, TwoLibrariesConvergeAfterEditsMovesDeletionsNotesTagsRecurrencesAndConflicts) {
    // Both start from their own new library: the first syncs are full merges.
    expectConverged();

    // A builds a list with notes, a subtask and a tag; B makes a tag of the same title and a daily task.
    TDList* garden = a->library->createList(text("Garden"), a->library->foldersGroup());
    TDTask* seeds = a->library->createTask();
    seeds->setTitle(text("Buy seeds"));
    ASSERT_TRUE(garden->orderedTasks()->addObject(seeds).ok());
    seeds->setNotesString(text("Tomatoes, beans"));
    TDTask* soil = a->library->createTask();
    soil->setTitle(text("Order soil"));
    ASSERT_TRUE(seeds->orderedTasks()->addObject(soil).ok());
    TDTag* homeA = a->library->createTagWithTitle(text("home"));
    seeds->addTagsObject(homeA);
    TDTask* doomed = a->library->createTask();
    doomed->setTitle(text("Soon gone"));
    ASSERT_TRUE(garden->orderedTasks()->addObject(doomed).ok());
    TDTag* homeB = b->library->createTagWithTitle(text("home"));
    TDTask* water = b->library->createTask();
    water->setTitle(text("Water the plants"));
    water->addTagsObject(homeB);
    auto* recurrence = b->context()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
    ASSERT_TRUE(recurrence->setRule(dailyRule()).ok());
    water->setObject(QStringLiteral("recurrence"), recurrence);
    const QString gardenUID = garden->uid(), seedsUID = seeds->uid(), soilUID = soil->uid(),
                  doomedUID = doomed->uid(), waterUID = water->uid();
    const QString smallestHome = qMin(homeA->uid(), homeB->uid());
    ASSERT_TRUE(a->manager->saveLibrary() && b->manager->saveLibrary());
    expectConverged();
    for (TDLibrary* library : {a->library, b->library}) {
        EXPECT_EQ(library->allTags().size(), 1);
        ASSERT_NE(library->tagWithUID(smallestHome), nullptr);
        EXPECT_EQ(library->tagWithUID(smallestHome)->tasks().size(), 2);
        ASSERT_NE(taskIn(library, soilUID), nullptr);
        EXPECT_EQ(taskIn(library, soilUID)->parentTask(), taskIn(library, seedsUID));
        ASSERT_NE(taskIn(library, seedsUID)->notes(), nullptr);
        EXPECT_TRUE(taskIn(library, waterUID)->isRecurring());
    }

    // Edits on both sides, one of them on the same task (the last upload wins), a move, a deletion, new
    // notes, a completed recurring task and a calendar link that stays on its side.
    taskIn(a->library, seedsUID)->setTitle(text("Buy seeds early"));
    taskIn(a->library, seedsUID)->setValue(QStringLiteral("calendarStoreUID"), text("CAL-A"));
    taskIn(b->library, seedsUID)->setPriority(3);
    ASSERT_TRUE(b->library->inboxGroup()->orderedTasks()->insertObject(taskIn(b->library, soilUID), 0).ok());
    taskIn(b->library, doomedUID)->deleteObject();
    taskIn(b->library, soilUID)->setNotesString(text("Ten bags"));
    taskIn(a->library, waterUID)->toggleCompletion();
    ASSERT_TRUE(a->manager->saveLibrary() && b->manager->saveLibrary());
    expectConverged();
    for (TDLibrary* library : {a->library, b->library}) {
        EXPECT_EQ(taskIn(library, doomedUID), nullptr);
        EXPECT_EQ(taskIn(library, soilUID)->parentList(), library->inboxGroup());
        ASSERT_NE(taskIn(library, soilUID)->notes(), nullptr);
        EXPECT_EQ(taskIn(library, seedsUID)->priority(), 3);
        EXPECT_TRUE(taskIn(library, waterUID)->isCompleted());
        EXPECT_FALSE(taskIn(library, waterUID)->isRecurring());
        EXPECT_NE(library->groupWithUID(gardenUID), nullptr);
    }
    EXPECT_EQ(taskIn(a->library, seedsUID)->primitiveValue(QStringLiteral("calendarStoreUID")).toString(),
              text("CAL-A"));
    EXPECT_TRUE(taskIn(b->library, seedsUID)
                    ->primitiveValue(QStringLiteral("calendarStoreUID"))
                    .toString()
                    .isEmpty());

    // Deleting the list takes its tasks on both sides.
    a->library->groupWithUID(gardenUID)->deleteObject();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();
    EXPECT_EQ(b->library->groupWithUID(gardenUID), nullptr);
    EXPECT_EQ(taskIn(b->library, seedsUID), nullptr);
}

TEST_F(MergeConvergenceTest, EditsMadeBetweenUploadAndDownloadSurviveAndReachTheOtherSide) {
    expectConverged();
    TDList* list = b->library->createList(text("Errands"), b->library->foldersGroup());
    TDTask* edited = b->library->createTask();
    edited->setTitle(text("Post the letter"));
    ASSERT_TRUE(list->orderedTasks()->addObject(edited).ok());
    TDTask* parent = b->library->createTask();
    parent->setTitle(text("Groceries"));
    ASSERT_TRUE(list->orderedTasks()->addObject(parent).ok());
    TDTask* deleted = b->library->createTask();
    deleted->setTitle(text("Call the bank"));
    ASSERT_TRUE(list->orderedTasks()->addObject(deleted).ok());
    const QString editedUID = edited->uid(), parentUID = parent->uid(), deletedUID = deleted->uid();
    ASSERT_TRUE(b->manager->saveLibrary());
    expectConverged();

    // A changes two of them; its versions come down to B while B edits them again and adds a subtask.
    taskIn(a->library, editedUID)->setTitle(text("Post the letter (A)"));
    taskIn(a->library, deletedUID)->setTitle(text("Call the bank (A)"));
    ASSERT_TRUE(a->manager->saveLibrary());
    ASSERT_TRUE(sync(*a).ok());
    QString subtaskUID;
    const Status synced = sync(*b, [&] {
        taskIn(b->library, editedUID)->setTitle(text("Post the letter (B)"));
        TDTask* subtask = b->library->createTask();
        subtask->setTitle(text("Milk"));
        ASSERT_TRUE(taskIn(b->library, parentUID)->orderedTasks()->addObject(subtask).ok());
        subtaskUID = subtask->uid();
        taskIn(b->library, deletedUID)->deleteObject();
    });
    ASSERT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();

    // B's own versions stayed and are still to be sent; what B did not touch came from A.
    EXPECT_EQ(taskIn(b->library, editedUID)->title(), text("Post the letter (B)"));
    ASSERT_NE(taskIn(b->library, subtaskUID), nullptr);
    EXPECT_EQ(taskIn(b->library, subtaskUID)->parentTask(), taskIn(b->library, parentUID));
    EXPECT_EQ(taskIn(b->library, deletedUID), nullptr);
    for (const QString& uid : {editedUID, subtaskUID, deletedUID})
        EXPECT_TRUE(journalledUIDs(*b).contains(uid));

    expectConverged();
    EXPECT_EQ(taskIn(a->library, editedUID)->title(), text("Post the letter (B)"));
    ASSERT_NE(taskIn(a->library, subtaskUID), nullptr);
    EXPECT_EQ(taskIn(a->library, subtaskUID)->parentTask(), taskIn(a->library, parentUID));
    EXPECT_EQ(taskIn(a->library, deletedUID), nullptr);
}

TEST_F(MergeConvergenceTest, AListDeletedThereComesBackWhenATaskWasAddedToItHere) {
    expectConverged();
    TDList* list = a->library->createList(text("Trip"), a->library->foldersGroup());
    TDTask* known = a->library->createTask();
    known->setTitle(text("Pack"));
    ASSERT_TRUE(list->orderedTasks()->addObject(known).ok());
    const QString listUID = list->uid(), knownUID = known->uid();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();

    // B deletes the list and syncs first; A, not knowing, adds a task to it: A's upload of the list
    // is the later one.
    b->library->groupWithUID(listUID)->deleteObject();
    ASSERT_TRUE(b->manager->saveLibrary());
    ASSERT_TRUE(sync(*b).ok());
    TDTask* added = a->library->createTask();
    added->setTitle(text("Passport"));
    ASSERT_TRUE(a->library->groupWithUID(listUID)->orderedTasks()->addObject(added).ok());
    const QString addedUID = added->uid();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();
    for (TDLibrary* library : {a->library, b->library}) {
        ASSERT_NE(library->groupWithUID(listUID), nullptr);
        EXPECT_EQ(taskIn(library, knownUID), nullptr);
        ASSERT_NE(taskIn(library, addedUID), nullptr);
        EXPECT_EQ(taskIn(library, addedUID)->parentList(), library->groupWithUID(listUID));
    }
}

// A list deleted on one machine while the other edits one of its tasks and adds a sub-task under it:
// whichever syncs first, both end with the same tasks, the sub-task among them, and the tasks nobody
// touched gone with the list.
TEST_F(MergeConvergenceTest, AParentDeletedThereWhileAChildGetsASubtaskHereEndsTheSameEverywhere) {
    for (const bool deletingSideFirst : {true, false}) {
        SCOPED_TRACE(deletingSideFirst ? "the deleting side syncs first" : "the editing side syncs first");
        TDList* list = a->library->createList(text("Move"), a->library->foldersGroup());
        TDTask* child = a->library->createTask();
        child->setTitle(text("Book the van"));
        TDTask* untouched = a->library->createTask();
        untouched->setTitle(text("Count boxes"));
        for (TDTask* task : {child, untouched}) ASSERT_TRUE(list->orderedTasks()->addObject(task).ok());
        const QString listUID = list->uid(), childUID = child->uid(), untouchedUID = untouched->uid();
        ASSERT_TRUE(a->manager->saveLibrary());
        expectConverged();

        a->library->groupWithUID(listUID)->deleteObject();
        ASSERT_TRUE(a->manager->saveLibrary());
        TDTask* edited = taskIn(b->library, childUID);
        edited->setTitle(text("Book the big van"));
        TDTask* subtask = b->library->createTask();
        subtask->setTitle(text("Ask for a trolley"));
        ASSERT_TRUE(edited->orderedTasks()->addObject(subtask).ok());
        const QString subtaskUID = subtask->uid();
        ASSERT_TRUE(b->manager->saveLibrary());
        ASSERT_TRUE(sync(deletingSideFirst ? *a : *b).ok());
        ASSERT_TRUE(sync(deletingSideFirst ? *b : *a).ok());
        expectConverged();

        for (TDLibrary* library : {a->library, b->library}) {
            EXPECT_EQ(library->groupWithUID(listUID), nullptr);
            EXPECT_EQ(taskIn(library, untouchedUID), nullptr);
            ASSERT_NE(taskIn(library, subtaskUID), nullptr) << "nothing made on either side is lost";
            EXPECT_EQ(taskIn(library, subtaskUID)->title(), text("Ask for a trolley"));
        }
        // Edited after the deletion reached the server, the task stays with its sub-task.
        if (deletingSideFirst) {
            for (TDLibrary* library : {a->library, b->library}) {
                ASSERT_NE(taskIn(library, childUID), nullptr);
                EXPECT_EQ(taskIn(library, childUID)->title(), text("Book the big van"));
                EXPECT_EQ(taskIn(library, subtaskUID)->parentTask(), taskIn(library, childUID));
            }
        }
    }
}

// Both machines give one task notes before either syncs: the later text stays on both, whichever notes
// have the smaller UID, and no other notes are left live anywhere.
TEST_F(MergeConvergenceTest, NotesWrittenOnBothSidesKeepTheLaterTextEverywhere) {
    for (const bool laterOnB : {true, false}) {
        SCOPED_TRACE(laterOnB ? "B writes later" : "A writes later");
        TDTask* task = a->library->createTask();
        task->setTitle(text("Plan the party"));
        const QString taskUID = task->uid();
        ASSERT_TRUE(a->manager->saveLibrary());
        expectConverged();

        SyncSide& earlier = laterOnB ? *a : *b;
        SyncSide& later = laterOnB ? *b : *a;
        taskIn(earlier.library, taskUID)->setNotesString(text("Cake"));
        ASSERT_TRUE(earlier.manager->saveLibrary());
        clock->advanceSeconds(30);
        taskIn(later.library, taskUID)->setNotesString(text("Cake and candles"));
        ASSERT_TRUE(later.manager->saveLibrary());
        expectConverged();

        for (TDLibrary* library : {a->library, b->library}) {
            TDTask* settled = taskIn(library, taskUID);
            ASSERT_NE(settled->notes(), nullptr);
            EXPECT_EQ(settled->notesString(), text("Cake and candles"));
            EXPECT_EQ(settled->primitiveValue(QStringLiteral("notesUID")).toString(),
                      settled->notes()->uid());
            const auto notes = TDManagedObjectContext::of(library)->execute(
                platform::FetchRequest(QStringLiteral("TaskNotes")));
            ASSERT_TRUE(notes.ok());
            qsizetype ofTask = 0;
            for (const platform::ManagedObject* object : *notes)
                if (!object->isDeleted() && dynamic_cast<const TDTaskNotes*>(object)->task() == settled)
                    ++ofTask;
            EXPECT_EQ(ofTask, 1);
        }
        EXPECT_EQ(taskIn(a->library, taskUID)->notes()->uid(), taskIn(b->library, taskUID)->notes()->uid());
    }
}

// Notes rewritten on one machine stamp their task there only: the other takes the text and the task's
// time as they came, so both end with the same task.
TEST_F(MergeConvergenceTest, NotesRewrittenOnOneSideArriveWithTheirTaskTimeUnchanged) {
    TDTask* task = a->library->createTask();
    task->setTitle(text("Call the plumber"));
    task->setNotesString(text("Before noon"));
    const QString taskUID = task->uid();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();

    clock->advanceSeconds(30);
    taskIn(a->library, taskUID)->setNotesString(text("Before noon, about the boiler"));
    const QDateTime written = taskIn(a->library, taskUID)->modifiedDate();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();
    for (TDLibrary* library : {a->library, b->library}) {
        EXPECT_EQ(taskIn(library, taskUID)->notesString(), text("Before noon, about the boiler"));
        EXPECT_EQ(taskIn(library, taskUID)->modifiedDate(), written);
    }
}

// Notes deleted with their task on one machine while the other edits the task: the edit brings the task
// back, the notes stay deleted, and no side keeps a notes UID naming notes that are gone.
TEST_F(MergeConvergenceTest, NotesDeletedWithTheirTaskWhileTheOtherEditsItLeaveNoNotesUIDBehind) {
    TDTask* task = a->library->createTask();
    task->setTitle(text("Water the plants"));
    task->setNotesString(text("Twice a week"));
    const QString taskUID = task->uid();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();

    taskIn(b->library, taskUID)->deleteObject();
    ASSERT_TRUE(b->manager->saveLibrary());
    ASSERT_TRUE(sync(*b).ok());
    clock->advanceSeconds(30);
    taskIn(a->library, taskUID)->setTitle(text("Water the plants on Sunday"));
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();

    for (TDLibrary* library : {a->library, b->library}) {
        TDTask* kept = taskIn(library, taskUID);
        ASSERT_NE(kept, nullptr);
        EXPECT_EQ(kept->title(), text("Water the plants on Sunday"));
        EXPECT_EQ(kept->notes(), nullptr);
        EXPECT_TRUE(kept->primitiveValue(QStringLiteral("notesUID")).toString().isEmpty());
    }
}

// Completing the last open sub-task closes its parent: the other machine takes the parent as closed
// there, with the same date, and neither side stamps it again.
TEST_F(MergeConvergenceTest, AParentClosedByItsLastSubtaskThereIsClosedAlikeOnBothSides) {
    defaults().setValue(QStringLiteral("autoCompleteParentTask"), true);
    TDTask* parent = a->library->createTask();
    parent->setTitle(text("Paint the shed"));
    TDTask* done = a->library->createTask();
    done->setTitle(text("Buy paint"));
    TDTask* last = a->library->createTask();
    last->setTitle(text("Paint"));
    for (TDTask* subtask : {done, last}) ASSERT_TRUE(parent->orderedTasks()->addObject(subtask).ok());
    done->setCompleted(true);
    const QString parentUID = parent->uid(), lastUID = last->uid();
    ASSERT_TRUE(a->manager->saveLibrary());
    expectConverged();

    clock->advanceSeconds(60);
    taskIn(b->library, lastUID)->setCompleted(true);
    ASSERT_TRUE(taskIn(b->library, parentUID)->isCompleted());
    ASSERT_TRUE(b->manager->saveLibrary());
    clock->advanceSeconds(60);
    expectConverged();
    for (TDLibrary* library : {a->library, b->library})
        EXPECT_TRUE(taskIn(library, parentUID)->isCompleted());
    EXPECT_EQ(taskIn(a->library, parentUID)->completedDate(), taskIn(b->library, parentUID)->completedDate());
}

}  // namespace
}  // namespace synctest

#include "tests/store/library_manager_fixture.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/recurrence_rule.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "store/library_maintenance.h"
#include "store/library_manager_upgrade_services.h"

#include <gtest/gtest.h>

#include <functional>

namespace storetest {
namespace {

using platform::ManagedObject;

// A library with a list of its own, ready to be damaged the ways libraries get damaged.
class LibraryRepairFixture : public LibraryManagerTest {
public:
    void advanceClock(int seconds) { clock->advanceSeconds(seconds); }

    void SetUp() override {
        LibraryManagerTest::SetUp();
        library = createLibrary();
        ASSERT_TRUE(library);
        context = manager->managedObjectContext();
        // The damages count only the tasks the tests make: the starter tasks go.
        for (TDTask* starter : library->allTasks())
            if (!starter->isDeleted()) starter->deleteObject();
        ASSERT_TRUE(manager->saveLibrary());
        list = makeList(QStringLiteral("Errands"), library->foldersGroup());
    }

    TDList* makeList(const QString& title, TDGroup* parent) { return library->createList(title, parent); }
    TDTask* makeTask(const QString& title, TDGroup* in) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(title);
        if (in) {
            EXPECT_TRUE(in->orderedTasks()->addObject(task).ok());
        }
        return task;
    }
    TDTask* makeSubtask(const QString& title, TDTask* parent) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(title);
        parent->addSubtasks({task});
        return task;
    }
    TDTaskNotes* addNotes(TDTask* task, const QString& text) {
        auto* notes = context->insertObject<TDTaskNotes>(QStringLiteral("TaskNotes"));
        notes->setObject(QStringLiteral("task"), task);
        notes->setString(text);
        task->setValue(QStringLiteral("notesUID"), notes->uid());
        return notes;
    }
    TDRecurrence* addRecurrence(TDTask* task, bool withNextStartDate = true) {
        auto* recurrence = context->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
        if (task) recurrence->setObject(QStringLiteral("task"), task);
        TDRecurrenceRule rule = TDRecurrenceRule::initDailyRecurrenceWithInterval(2).value();
        if (withNextStartDate) rule.setNextStartDate(QDateTime(QDate(2026, 12, 14), QTime(0, 0)));
        EXPECT_TRUE(recurrence->setRule(rule).ok());
        return recurrence;
    }
    QList<ManagedObject*> all(const QString& entity) {
        auto fetched = library->fetch(entity);
        return fetched ? *fetched : QList<ManagedObject*>();
    }
    QList<TDTask*> tasksTitled(const QString& title) {
        QList<TDTask*> found;
        for (TDTask* task : library->allTasks())
            if (task->title() == title) found.append(task);
        return found;
    }
    QString notesOf(const TDTask* task) {
        const auto* notes = task->objectAs<TDTaskNotes>(QStringLiteral("notes"));
        return notes ? notes->string() : QString();
    }
    // Runs the check and answers what it logged.
    std::pair<bool, QString> validate() {
        testing::internal::CaptureStderr();
        const bool valid = TDValidateLibrary(library);
        return {valid, QString::fromStdString(testing::internal::GetCapturedStderr())};
    }
    std::pair<quint64, QString> repair() {
        testing::internal::CaptureStderr();
        const quint64 fixed = TDFixLibrary(library);
        return {fixed, QString::fromStdString(testing::internal::GetCapturedStderr())};
    }

    TDLibrary* library = nullptr;
    TDManagedObjectContext* context = nullptr;
    TDList* list = nullptr;
};

// One kind of damage: how it is made, the lines validation must log about it (a line listed twice
// must appear twice), and what must hold after the repair, above all that nothing the user wrote is
// gone.
struct Damage {
    const char* name;
    std::function<void(LibraryRepairFixture&)> make;
    QStringList lines;
    std::function<void(LibraryRepairFixture&)> verify;
};

class LibraryRepairTest : public LibraryRepairFixture, public testing::WithParamInterface<Damage> {};

TEST_P(LibraryRepairTest, ValidationFindsItRepairFixesItAndNothingWrittenIsLost) {
    const Damage& damage = GetParam();
    {
        auto [valid, log] = validate();
        ASSERT_TRUE(valid) << "the undamaged library is not valid:\n" << log.toStdString();
    }
    damage.make(*this);
    context->processPendingChanges();

    const auto [valid, log] = validate();
    EXPECT_FALSE(valid);
    for (const QString& line : damage.lines)
        EXPECT_EQ(log.count(line), damage.lines.count(line)) << line.toStdString() << " in:\n"
                                                             << log.toStdString();

    const auto [fixed, repairLog] = repair();
    EXPECT_GT(fixed, 0u) << repairLog.toStdString();
    const auto [validAfter, logAfter] = validate();
    EXPECT_TRUE(validAfter) << logAfter.toStdString() << "\nrepair:\n" << repairLog.toStdString();
    damage.verify(*this);
    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_TRUE(delegate.errors.isEmpty());
}

const QDateTime kFinished(QDate(2026, 12, 1), QTime(9, 30));

INSTANTIATE_TEST_SUITE_P(
    Damages, LibraryRepairTest,
    testing::Values(
        Damage{"SecondLibraryObject",
               [](LibraryRepairFixture& f) { f.context->insertObject(QStringLiteral("Library")); },
               {QStringLiteral("There are 2")},
               [](LibraryRepairFixture& f) {
                   ASSERT_EQ(f.all(QStringLiteral("Library")).size(), 1);
                   EXPECT_FALSE(f.library->isDeleted());
               }},
        Damage{"TodayDeleted",
               [](LibraryRepairFixture& f) { f.library->todayGroup()->deleteObject(); },
               {QStringLiteral("Could not find Today")},
               [](LibraryRepairFixture& f) {
                   ASSERT_TRUE(f.library->todayGroup());
                   EXPECT_EQ(f.library->todayGroup()->uid(), TDLibrary::TodayGroupUID);
                   EXPECT_TRUE(f.library->todayGroup()->isSmartFolder());
               }},
        Damage{"ArchiveDeleted",
               [](LibraryRepairFixture& f) { f.library->archiveGroup()->deleteObject(); },
               {QStringLiteral("Could not find Archived group")},
               [](LibraryRepairFixture& f) {
                   ASSERT_TRUE(f.library->archiveGroup());
                   EXPECT_EQ(f.library->archiveGroup()->parentGroup(), f.library->rootGroup());
               }},
        Damage{"GroupsShareAUID",
               [](LibraryRepairFixture& f) {
                   TDList* other = f.makeList(QStringLiteral("Calls"), f.library->foldersGroup());
                   f.makeTask(QStringLiteral("buy milk"), f.list);
                   f.makeTask(QStringLiteral("call mum"), other);
                   other->setValue(QStringLiteral("uid"), f.list->uid());
               },
               {QStringLiteral("Number of groups with duplicate UIDs: 1")},
               [](LibraryRepairFixture& f) {
                   ASSERT_EQ(f.tasksTitled(QStringLiteral("buy milk")).size(), 1);
                   ASSERT_EQ(f.tasksTitled(QStringLiteral("call mum")).size(), 1);
                   EXPECT_NE(f.tasksTitled(QStringLiteral("buy milk")).first()->list()->uid(),
                             f.tasksTitled(QStringLiteral("call mum")).first()->list()->uid());
               }},
        Damage{
            "GroupWithoutTitle",
            [](LibraryRepairFixture& f) { f.list->setPrimitiveValue(QStringLiteral("title"), QVariant()); },
            {QStringLiteral("Number of groups without a title: 1")},
            [](LibraryRepairFixture& f) { EXPECT_FALSE(f.list->title().isEmpty()); }},
        Damage{
            "ListWithoutParent",
            [](LibraryRepairFixture& f) {
                f.makeTask(QStringLiteral("buy milk"), f.list);
                // Damage comes around the model's setter, which refuses to leave a group without a parent.
                f.list->ManagedObject::setValue(QStringLiteral("parentGroup"),
                                                platform::objectVariant(nullptr));
            },
            {QStringLiteral("Number of orphaned groups: 1"),
             QStringLiteral("Number of archived tasks and unarchived tasks don't match the total number of "
                            "tasks: 1 != 0 + 0")},
            [](LibraryRepairFixture& f) {
                EXPECT_EQ(f.list->parentGroup(), f.library->foldersGroup());
                EXPECT_EQ(f.list->tasks().size(), 1);
            }},
        Damage{"TagWithoutParent",
               [](LibraryRepairFixture& f) {
                   f.library->createTagWithTitle(QStringLiteral("home"))
                       ->ManagedObject::setValue(QStringLiteral("parentGroup"),
                                                 platform::objectVariant(nullptr));
               },
               {QStringLiteral("Number of orphaned groups: 1")},
               [](LibraryRepairFixture& f) {
                   EXPECT_EQ(f.library->tagWithTitle(QStringLiteral("home"))->parentGroup(),
                             f.library->tagsGroup());
               }},
        Damage{"ListOutsideFoldersAndArchive",
               [](LibraryRepairFixture& f) {
                   f.makeTask(QStringLiteral("water plants"),
                              f.makeList(QStringLiteral("Loose"), f.library->rootGroup()));
               },
               {QStringLiteral("don't match the total number of tasks: 1 != 0 + 0")},
               [](LibraryRepairFixture& f) {
                   TDList* loose = f.tasksTitled(QStringLiteral("water plants")).first()->list();
                   EXPECT_EQ(loose->parentGroup(), f.library->foldersGroup());
               }},
        Damage{"ThreeTagsOfOneTitle",
               [](LibraryRepairFixture& f) {
                   for (int i = 0; i < 3; ++i) {
                       TDTag* tag = f.library->createTagWithTitle(QStringLiteral("x%1").arg(i));
                       tag->addTasks({f.makeTask(QStringLiteral("tagged %1").arg(i), f.list)});
                       tag->setPrimitiveValue(QStringLiteral("title"), QStringLiteral("x"));
                   }
               },
               {QStringLiteral("Multiple tags named \"x\""), QStringLiteral("Multiple tags named \"x\"")},
               [](LibraryRepairFixture& f) {
                   ASSERT_EQ(f.all(QStringLiteral("Tag")).size(), 1);
                   EXPECT_EQ(f.library->tagWithTitle(QStringLiteral("x"))->tasks().size(), 3);
               }},
        Damage{"BlankTag",
               [](LibraryRepairFixture& f) {
                   TDTag* tag = f.library->createTagWithTitle(QStringLiteral("soon"));
                   tag->addTasks({f.makeTask(QStringLiteral("keep me"), f.list)});
                   tag->setPrimitiveValue(QStringLiteral("title"), QStringLiteral(" \n "));
               },
               {QStringLiteral("There is a tag with an empty name")},
               [](LibraryRepairFixture& f) {
                   EXPECT_TRUE(f.all(QStringLiteral("Tag")).isEmpty());
                   EXPECT_EQ(f.tasksTitled(QStringLiteral("keep me")).size(), 1);
               }},
        Damage{
            "SmartFolderRuleWithoutFolder",
            [](LibraryRepairFixture& f) { f.context->insertObject(QStringLiteral("SmartFolderRule")); },
            {QStringLiteral(
                "Number of smart folder rules with invalid bidirectional relationships to smart folder: 1")},
            [](LibraryRepairFixture& f) {
                for (ManagedObject* rule : f.all(QStringLiteral("SmartFolderRule")))
                    EXPECT_TRUE(rule->object(QStringLiteral("smartFolder")));
            }},
        Damage{"TasksShareAUIDAndTheirNotes",
               [](LibraryRepairFixture& f) {
                   TDTask* first = f.makeTask(QStringLiteral("call Bob"), f.list);
                   f.addNotes(first, QStringLiteral("555-0100"));
                   f.advanceClock(60);
                   TDTask* second = f.makeTask(QStringLiteral("call Bob"), f.list);
                   f.addNotes(second, QStringLiteral("555-0100"));
                   second->setValue(QStringLiteral("uid"), first->uid());
               },
               {QStringLiteral("Number of tasks with duplicate UIDs: 1")},
               [](LibraryRepairFixture& f) {
                   const QList<TDTask*> left = f.tasksTitled(QStringLiteral("call Bob"));
                   ASSERT_EQ(left.size(), 1);
                   EXPECT_EQ(f.notesOf(left.first()), QStringLiteral("555-0100"));
               }},
        Damage{"TasksShareAUIDButNotTheirNotes",
               [](LibraryRepairFixture& f) {
                   TDTask* first = f.makeTask(QStringLiteral("call Bob"), f.list);
                   f.addNotes(first, QStringLiteral("home 555-0100"));
                   TDTask* second = f.makeTask(QStringLiteral("call Bob"), f.list);
                   f.addNotes(second, QStringLiteral("office 555-0199"));
                   second->setValue(QStringLiteral("uid"), first->uid());
               },
               {QStringLiteral("Number of tasks with duplicate UIDs: 1")},
               [](LibraryRepairFixture& f) {
                   const QList<TDTask*> left = f.tasksTitled(QStringLiteral("call Bob"));
                   ASSERT_EQ(left.size(), 2);
                   EXPECT_NE(left[0]->uid(), left[1]->uid());
                   QStringList notes{f.notesOf(left[0]), f.notesOf(left[1])};
                   notes.sort();
                   EXPECT_EQ(notes, (QStringList{QStringLiteral("home 555-0100"),
                                                 QStringLiteral("office 555-0199")}));
               }},
        Damage{
            "TasksShareAUIDButNotTheirTitles",
            [](LibraryRepairFixture& f) {
                TDTask* first = f.makeTask(QStringLiteral("first"), f.list);
                f.makeTask(QStringLiteral("second"), f.list)->setValue(QStringLiteral("uid"), first->uid());
            },
            {QStringLiteral("Number of tasks with duplicate UIDs: 1")},
            [](LibraryRepairFixture& f) {
                ASSERT_EQ(f.tasksTitled(QStringLiteral("first")).size(), 1);
                ASSERT_EQ(f.tasksTitled(QStringLiteral("second")).size(), 1);
            }},
        Damage{"TaskWithoutParent",
               [](LibraryRepairFixture& f) {
                   TDTask* lost = f.makeTask(QStringLiteral("lost"), nullptr);
                   f.makeSubtask(QStringLiteral("lost child"), lost);
               },
               {QStringLiteral("Number of orphaned tasks: 1"),
                QStringLiteral("Number of tasks without list: 2")},
               [](LibraryRepairFixture& f) {
                   TDTask* lost = f.tasksTitled(QStringLiteral("lost")).first();
                   EXPECT_EQ(lost->list(), f.library->inboxGroup());
                   ASSERT_EQ(lost->subtasks().size(), 1);
                   EXPECT_EQ(lost->subtasks().first()->list(), f.library->inboxGroup());
               }},
        Damage{"NotesWithoutUID",
               [](LibraryRepairFixture& f) {
                   TDTaskNotes* notes =
                       f.addNotes(f.makeTask(QStringLiteral("noted"), f.list), QStringLiteral("n"));
                   notes->setValue(QStringLiteral("uid"), QString());
               },
               {QStringLiteral("Number of TaskNotes without uid: 1"),
                QStringLiteral("Number of tasks with non-matching note IDs: 1")},
               [](LibraryRepairFixture& f) {
                   TDTask* task = f.tasksTitled(QStringLiteral("noted")).first();
                   EXPECT_EQ(f.notesOf(task), QStringLiteral("n"));
                   EXPECT_FALSE(task->primitiveValue(QStringLiteral("notesUID")).toString().isEmpty());
               }},
        Damage{"CompletedDateWithoutStatus",
               [](LibraryRepairFixture& f) {
                   f.makeTask(QStringLiteral("done"), f.list)
                       ->setPrimitiveValue(QStringLiteral("completedDate"), kFinished);
               },
               {QStringLiteral("Number of tasks with completedDate but not a valid status: 1")},
               [](LibraryRepairFixture& f) {
                   TDTask* task = f.tasksTitled(QStringLiteral("done")).first();
                   EXPECT_EQ(task->status(), QStringLiteral("C"));
                   EXPECT_EQ(task->completedDate(), kFinished);
               }},
        Damage{"StatusWithoutCompletedDate",
               [](LibraryRepairFixture& f) {
                   f.makeTask(QStringLiteral("dropped"), f.list)
                       ->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("X"));
               },
               {QStringLiteral("Number of tasks with completed or canceled status but nil completedDate: 1")},
               [](LibraryRepairFixture& f) {
                   TDTask* task = f.tasksTitled(QStringLiteral("dropped")).first();
                   EXPECT_TRUE(task->isCanceled());
                   EXPECT_EQ(task->completedDate(), TDClock::currentDateTime());
               }},
        Damage{
            "FinishedParentWithOpenGrandchild",
            [](LibraryRepairFixture& f) {
                TDTask* parent = f.makeTask(QStringLiteral("parent"), f.list);
                TDTask* child = f.makeSubtask(QStringLiteral("child"), parent);
                f.makeSubtask(QStringLiteral("grandchild"), child);
                for (TDTask* finished : {parent, child}) {
                    finished->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("X"));
                    finished->setPrimitiveValue(QStringLiteral("completedDate"), kFinished);
                }
            },
            {QStringLiteral("Number of completed or canceled parent tasks with incomplete child tasks: 2")},
            [](LibraryRepairFixture& f) {
                for (const char* title : {"parent", "child", "grandchild"}) {
                    TDTask* task = f.tasksTitled(QString::fromLatin1(title)).first();
                    EXPECT_TRUE(task->isCanceled()) << title;
                    EXPECT_EQ(task->completedDate(), kFinished) << title;
                }
            }},
        Damage{"ArchivedTaskInTheInbox",
               [](LibraryRepairFixture& f) {
                   f.makeTask(QStringLiteral("inbox"), f.library->inboxGroup())
                       ->setPrimitiveValue(QStringLiteral("archived"), true);
               },
               {QStringLiteral("There are subtasks in the folders group that archived")},
               [](LibraryRepairFixture& f) {
                   EXPECT_FALSE(f.tasksTitled(QStringLiteral("inbox")).first()->isArchived());
               }},
        Damage{
            "UnarchivedTaskInTheArchive",
            [](LibraryRepairFixture& f) {
                TDList* old = f.makeList(QStringLiteral("Old"), f.library->archiveGroup());
                f.makeTask(QStringLiteral("old"), old)->setPrimitiveValue(QStringLiteral("archived"), false);
            },
            {QStringLiteral("There are tasks inside the archive group that are not archived")},
            [](LibraryRepairFixture& f) {
                EXPECT_TRUE(f.tasksTitled(QStringLiteral("old")).first()->isArchived());
            }},
        Damage{"NotesWithoutTask",
               [](LibraryRepairFixture& f) {
                   auto* notes = f.context->insertObject<TDTaskNotes>(QStringLiteral("TaskNotes"));
                   notes->setString(QStringLiteral("stray"));
               },
               {QStringLiteral("Number of TaskNotes without uid: 1"),
                QStringLiteral("Number of task notes without tasks: 1"),
                QStringLiteral("Number of task notes with invalid bidirectional relationships to task: 1")},
               [](LibraryRepairFixture& f) { EXPECT_TRUE(f.all(QStringLiteral("TaskNotes")).isEmpty()); }},
        Damage{"NotesUIDWithoutNotes",
               [](LibraryRepairFixture& f) {
                   f.makeTask(QStringLiteral("t"), f.list)
                       ->setValue(QStringLiteral("notesUID"), QStringLiteral("0123456789ABCDEF"));
               },
               {QStringLiteral("Number of tasks with broken soft relationship to notes: 1")},
               [](LibraryRepairFixture& f) {
                   EXPECT_FALSE(f.tasksTitled(QStringLiteral("t"))
                                    .first()
                                    ->primitiveValue(QStringLiteral("notesUID"))
                                    .isValid());
               }},
        Damage{"NotesUIDNamesOtherNotes",
               [](LibraryRepairFixture& f) {
                   f.addNotes(f.makeTask(QStringLiteral("t"), f.list), QStringLiteral("kept"));
                   f.tasksTitled(QStringLiteral("t"))
                       .first()
                       ->setValue(QStringLiteral("notesUID"), QStringLiteral("0123456789ABCDEF"));
               },
               {QStringLiteral("Number of tasks with non-matching note IDs: 1")},
               [](LibraryRepairFixture& f) {
                   TDTask* task = f.tasksTitled(QStringLiteral("t")).first();
                   EXPECT_EQ(f.notesOf(task), QStringLiteral("kept"));
                   EXPECT_EQ(task->primitiveValue(QStringLiteral("notesUID")).toString(),
                             task->objectAs<TDTaskNotes>(QStringLiteral("notes"))->uid());
               }},
        Damage{
            "BlankNotes",
            [](LibraryRepairFixture& f) { f.addNotes(f.makeTask(QStringLiteral("t"), f.list), QString()); },
            {QStringLiteral("INFO: Number of notes without string or webArchiveData: 1")},
            [](LibraryRepairFixture& f) {
                TDTask* task = f.tasksTitled(QStringLiteral("t")).first();
                EXPECT_FALSE(task->object(QStringLiteral("notes")));
                EXPECT_TRUE(f.all(QStringLiteral("TaskNotes")).isEmpty());
            }},
        Damage{"NotesWithOnlyRichText",
               [](LibraryRepairFixture& f) {
                   TDTaskNotes* notes = f.addNotes(f.makeTask(QStringLiteral("t"), f.list), QString());
                   notes->setWebArchiveData(QByteArray("<p><b>only</b> rich</p>"));
               },
               {QStringLiteral("INFO: Number of tasks with nil string when webArchiveData is not nil: 1")},
               [](LibraryRepairFixture& f) {
                   EXPECT_EQ(f.notesOf(f.tasksTitled(QStringLiteral("t")).first()),
                             QStringLiteral("only rich"));
               }},
        Damage{"RecurrenceWithoutTask",
               [](LibraryRepairFixture& f) { f.addRecurrence(nullptr); },
               {QStringLiteral("Number of recurrences with invalid bidirectional relationships to task: 1")},
               [](LibraryRepairFixture& f) { EXPECT_TRUE(f.all(QStringLiteral("Recurrence")).isEmpty()); }},
        Damage{"RecurrencesShareAUID",
               [](LibraryRepairFixture& f) {
                   TDRecurrence* older = f.addRecurrence(f.makeTask(QStringLiteral("older"), f.list));
                   f.advanceClock(3600);
                   f.addRecurrence(f.makeTask(QStringLiteral("newer"), f.list))
                       ->setValue(QStringLiteral("uid"), older->uid());
               },
               {QStringLiteral("Number of duplicate recurrence objects: 1")},
               [](LibraryRepairFixture& f) {
                   EXPECT_FALSE(f.tasksTitled(QStringLiteral("older")).first()->isRecurring());
                   EXPECT_TRUE(f.tasksTitled(QStringLiteral("newer")).first()->isRecurring());
               }},
        Damage{"RuleWithoutNextStartDate",
               [](LibraryRepairFixture& f) {
                   f.addRecurrence(f.makeTask(QStringLiteral("every other day"), f.list), false);
               },
               {QStringLiteral("Number of tasks with invalid recurrences: 1")},
               [](LibraryRepairFixture& f) {
                   TDTask* task = f.tasksTitled(QStringLiteral("every other day")).first();
                   ASSERT_TRUE(task->isRecurring());
                   const auto rule = task->objectAs<TDRecurrence>(QStringLiteral("recurrence"))->rule();
                   ASSERT_TRUE(rule);
                   EXPECT_TRUE(rule->nextStartDate().isValid());
               }}),
    [](const testing::TestParamInfo<Damage>& info) { return std::string(info.param.name); });

using LibraryMaintenanceTest = LibraryRepairFixture;

TEST_F(LibraryMaintenanceTest, ASoundLibraryIsValidAndRepairChangesNothing) {
    library->createTagWithTitle(QStringLiteral("home"))
        ->addTasks({makeTask(QStringLiteral("sweep /home"), list)});
    addNotes(makeTask(QStringLiteral("noted"), list), QStringLiteral("text"));
    addRecurrence(makeTask(QStringLiteral("repeats"), library->inboxGroup()));
    ASSERT_TRUE(manager->saveLibrary());
    EXPECT_TRUE(validate().first);
    const auto [fixed, log] = repair();
    EXPECT_EQ(fixed, 0u);
    EXPECT_FALSE(log.contains(QStringLiteral("WARNING"))) << log.toStdString();
    EXPECT_TRUE(log.contains(QStringLiteral("Library fix operation took")));
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(LibraryMaintenanceTest, ValidationChangesNothing) {
    makeTask(QStringLiteral("lost"), nullptr)
        ->setPrimitiveValue(QStringLiteral("status"), QStringLiteral("C"));
    ASSERT_TRUE(manager->saveLibrary());
    EXPECT_FALSE(validate().first);
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(LibraryMaintenanceTest, ATagNamedInATitleIsMadeAndGiven) {
    // A title written without its tags following (as an old or damaged library has it).
    TDTask* task = makeTask(QStringLiteral("paint the fence"), list);
    task->setPrimitiveValue(QStringLiteral("title"), QStringLiteral("paint the fence /garden"));
    const quint64 fixed = repair().first;
    TDTag* tag = library->tagWithTitle(QStringLiteral("garden"));
    ASSERT_TRUE(tag);
    EXPECT_TRUE(tag->tasks().contains(task));
    EXPECT_EQ(fixed, 1u);
}

TEST_F(LibraryMaintenanceTest, ASaveThatFailsIsRepairedAndTriedOnceMore) {
    ASSERT_TRUE(manager->saveLibrary());
    startCountingSaves();
    // A status of the wrong type, as a damaged record leaves it, makes the store refuse the save.
    TDTask* task = makeTask(QStringLiteral("done long ago"), list);
    task->setPrimitiveValue(QStringLiteral("completedDate"), kFinished);
    task->setPrimitiveValue(QStringLiteral("status"), QVariant::fromValue(qlonglong(7)));
    testing::internal::CaptureStderr();
    const bool saved = manager->saveLibrary();
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_TRUE(saved);
    EXPECT_TRUE(
        log.contains(QStringLiteral("Could not save. Fixing library before trying to save again...")));
    EXPECT_TRUE(delegate.errors.isEmpty());
    EXPECT_EQ(saves, 1);
    EXPECT_EQ(task->status(), QStringLiteral("C"));
    EXPECT_EQ(task->completedDate(), kFinished);
    EXPECT_FALSE(context->hasChanges());
}

TEST_F(LibraryMaintenanceTest, ASaveThatFailsAfterTheRepairIsReportedOnce) {
    ASSERT_TRUE(manager->saveLibrary());
    makeTask(QStringLiteral("lost"), nullptr);
    library->setValue(QStringLiteral("version"), QVariant());
    testing::internal::CaptureStderr();
    EXPECT_FALSE(manager->saveLibrary());
    const QString log = QString::fromStdString(testing::internal::GetCapturedStderr());
    EXPECT_EQ(log.count(QStringLiteral("Could not save. Fixing library before trying to save again...")), 1);
    ASSERT_EQ(delegate.errors.size(), 1);
    EXPECT_EQ(delegate.errors.first().second, QStringLiteral("Could not save library"));
    // The repair still happened, and the changes wait for the next save.
    EXPECT_EQ(tasksTitled(QStringLiteral("lost")).first()->list(), library->inboxGroup());
    EXPECT_TRUE(context->hasChanges());
    EXPECT_TRUE(manager->persistentStoreCoordinator()->tryLock());
    manager->persistentStoreCoordinator()->unlock();
    library->setValue(QStringLiteral("version"), 1.0);
}

TEST_F(LibraryMaintenanceTest, TheDataUpgradeRepairsThroughTheManager) {
    makeTask(QStringLiteral("lost"), nullptr);
    manager->setOption(QStringLiteral("tabs"), QStringLiteral("groupViewOptions"));
    manager->setOption(true, QStringLiteral("kept"));
    TDLibraryManagerUpgradeServices services(*manager);
    services.removeOptions({QStringLiteral("groupViewOptions")});
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("groupViewOptions")).isValid());
    EXPECT_TRUE(manager->optionForKey(QStringLiteral("kept")).toBool());
    services.fixLibrary();
    EXPECT_EQ(tasksTitled(QStringLiteral("lost")).first()->list(), library->inboxGroup());
    EXPECT_TRUE(validate().first);
}

}  // namespace
}  // namespace storetest

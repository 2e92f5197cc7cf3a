#include "auxiliary/quick_entry_window_controller.h"
#include "auxiliary/quick_entry_panel.h"
#include "foundation/application_delegate.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"
#include "tests/support/core/recording_app_delegate.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>

namespace {

// A panel that is shown or not, and remembers what it was asked.
class FakePanel final : public TDQuickEntryPanel {
public:
    bool isPanelVisible() const override { return visible; }
    void showPanel(bool) override {
        visible = true;
        ++shown;
    }
    void orderOutPanel() override { visible = false; }
    void restoreInitialFrame() override { ++frameResets; }
    void endEditing() override {}
    void beginEditingFirstTask() override {}

    bool visible = false;
    int shown = 0;
    int frameResets = 0;
};

QStringList titles(TDOrderedCollection* tasks) {
    QStringList result;
    for (TDTask* task : tasks->objectsAs<TDTask>()) result.append(task->title());
    return result;
}

class QuickEntryTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDSetAppDelegate(&appDelegate);
        defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Quick.odllibrary")));
        TDLibraryManager::setSharedManager(manager.get());
        ASSERT_TRUE(manager->createLibrary().ok());
        library = manager->library();
        // A list of its own: the new library's Inbox holds its welcome tasks.
        target = library->createList(QStringLiteral("Target"), library->foldersGroup());
        earlier = library->createOrphanTask();
        earlier->setTitle(QStringLiteral("earlier"));
        ASSERT_TRUE(target->orderedTasks()->addObject(earlier).ok());
        manager->setOption(target->uid(), TDQuickEntryTargetGroupUIDKey);
        ASSERT_TRUE(manager->saveLibrary());
        // The event's undo group closes: what the test does is undone on its own.
        testsupport::drainEvents();
        manager->undoManager()->removeAllActions();
        tasks = std::make_unique<TDTasksController>(*manager);
        quickEntry = TDQuickEntryWindowController::make(*manager, *tasks);
        ASSERT_TRUE(quickEntry);
        quickEntry->setPanel(&panel);
    }
    void TearDown() override {
        quickEntry.reset();
        tasks.reset();
        manager->closeDiscardingChanges();
        manager.reset();
        TDLibraryManager::setSharedManager(nullptr);
        TDSetAppDelegate(nullptr);
        TempFoldersTest::TearDown();
    }

    TDOrderedCollection* scratch() const { return quickEntry->scratchList()->orderedTasks(); }
    // Types a title into the first task, and the others as new tasks below it, as the list would.
    void type(const QStringList& typed) {
        TDLibrary* scratchLibrary = quickEntry->managedObjectContext().library();
        for (qsizetype i = 0; i < typed.size(); ++i) {
            TDTask* task = i < scratch()->count() ? dynamic_cast<TDTask*>(scratch()->objectAtIndex(i))
                                                  : scratchLibrary->createOrphanTask();
            task->setTitle(typed[i]);
            if (!scratch()->containsObject(task)) ASSERT_TRUE(scratch()->insertObject(task, i).ok());
        }
        quickEntry->managedObjectContext().processPendingChanges();
    }
    QByteArray storeBytes() const {
        QFile file(manager->storePath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    testsupport::RecordingAppDelegate appDelegate;
    std::unique_ptr<TDLibraryManager> manager;
    TDLibrary* library = nullptr;
    TDList* target = nullptr;
    TDTask* earlier = nullptr;
    std::unique_ptr<TDTasksController> tasks;
    std::unique_ptr<TDQuickEntryWindowController> quickEntry;
    FakePanel panel;
};

TEST_F(QuickEntryTest, OpensWithOneEmptyTaskInTheScratchListShownInQuickEntryMode) {
    quickEntry->showWindow();
    EXPECT_TRUE(quickEntry->isOpen());
    EXPECT_EQ(titles(scratch()), QStringList{QString()});
    EXPECT_EQ(tasks->group(), quickEntry->scratchList());
    EXPECT_EQ(tasks->displayMode(), TDTasksController::QuickEntryMode);
    EXPECT_FALSE(tasks->savesOptions());
    EXPECT_EQ(tasks->undoManager(), &quickEntry->undoManager());
    EXPECT_TRUE(quickEntry->managedObjectContext().isTemporary());
    // Opening again while open adds nothing.
    quickEntry->showWindow();
    EXPECT_EQ(scratch()->count(), 1);
    EXPECT_EQ(panel.shown, 1);
}

TEST_F(QuickEntryTest, TypedTasksLandAtTheTopOfTheTargetInTypedOrderAsOneUndoStep) {
    quickEntry->showWindow();
    type({QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")});
    platform::UndoManager* undo = manager->undoManager();
    quickEntry->done();
    EXPECT_FALSE(quickEntry->isOpen());
    EXPECT_EQ(titles(target->orderedTasks()), (QStringList{QStringLiteral("A"), QStringLiteral("B"),
                                                           QStringLiteral("C"), QStringLiteral("earlier")}));
    EXPECT_EQ(undo->undoActionName(), QStringLiteral("Add Tasks"));
    EXPECT_EQ(scratch()->count(), 0);
    EXPECT_EQ(panel.frameResets, 1);

    manager->managedObjectContext()->processPendingChanges();
    undo->undo();
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_EQ(titles(target->orderedTasks()), QStringList{QStringLiteral("earlier")});
}

TEST_F(QuickEntryTest, BlankTasksAreDroppedButABlankParentOfATypedChildIsKept) {
    struct Case {
        const char* what;
        QStringList typed;
        bool childUnderFirst;  // a sub-task "child" under the first typed task
        QStringList inboxAfter;
        QString undoName;
    } cases[] = {
        {"only blanks",
         {QStringLiteral("  "), QStringLiteral("\t\n")},
         false,
         {QStringLiteral("earlier")},
         QString()},
        {"one typed among blanks",
         {QStringLiteral(" "), QStringLiteral("call Anna"), QString()},
         false,
         {QStringLiteral("call Anna"), QStringLiteral("earlier")},
         QStringLiteral("Add Task")},
        {"a blank parent of a typed child",
         {QStringLiteral(" ")},
         true,
         {QStringLiteral(" "), QStringLiteral("earlier")},
         QStringLiteral("Add Task")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        manager->undoManager()->removeAllActions();
        quickEntry->showWindow();
        type(c.typed);
        if (c.childUnderFirst) {
            TDTask* child = quickEntry->managedObjectContext().library()->createOrphanTask();
            child->setTitle(QStringLiteral("child"));
            auto* parent = dynamic_cast<TDTask*>(scratch()->objectAtIndex(0));
            ASSERT_TRUE(parent->orderedTasks()->insertObject(child, 0).ok());
        }
        quickEntry->done();
        manager->managedObjectContext()->processPendingChanges();
        EXPECT_EQ(titles(target->orderedTasks()), c.inboxAfter);
        EXPECT_EQ(manager->undoManager()->canUndo(), !c.undoName.isEmpty());
        if (!c.undoName.isEmpty()) EXPECT_EQ(manager->undoManager()->undoActionName(), c.undoName);
        if (c.childUnderFirst) {
            auto* filed = dynamic_cast<TDTask*>(target->orderedTasks()->objectAtIndex(0));
            EXPECT_EQ(titles(filed->orderedTasks()), QStringList{QStringLiteral("child")});
        }
        // Back to the start for the next case.
        while (target->orderedTasks()->count() > 1) {
            auto* task = dynamic_cast<TDTask*>(target->orderedTasks()->objectAtIndex(0));
            manager->managedObjectContext()->deleteObject(task);
            manager->managedObjectContext()->processPendingChanges();
        }
    }
}

TEST_F(QuickEntryTest, CancelThrowsTheTasksAwayAndTheStoreIsUntouched) {
    const QByteArray before = storeBytes();
    ASSERT_FALSE(before.isEmpty());
    quickEntry->showWindow();
    type({QStringLiteral("never filed"), QStringLiteral("nor this")});
    // The scratch context refuses to save, whoever asks.
    EXPECT_FALSE(quickEntry->managedObjectContext().save().ok());
    quickEntry->cancel();
    EXPECT_FALSE(quickEntry->isOpen());
    EXPECT_EQ(scratch()->count(), 0);
    EXPECT_FALSE(quickEntry->undoManager().canUndo());
    EXPECT_FALSE(manager->managedObjectContext()->hasChanges());
    EXPECT_TRUE(manager->saveLibrary());
    EXPECT_EQ(storeBytes(), before);
    EXPECT_EQ(titles(target->orderedTasks()), QStringList{QStringLiteral("earlier")});
}

TEST_F(QuickEntryTest, HiddenWithoutDoneOrCancelTheTypedTasksWaitForTheNextOpening) {
    quickEntry->showWindow();
    type({QStringLiteral("half thought")});
    panel.visible = false;
    quickEntry->showWindow();
    EXPECT_EQ(titles(scratch()), QStringList{QStringLiteral("half thought")});
    // The hot key while open files them.
    quickEntry->toggle(false);
    EXPECT_EQ(titles(target->orderedTasks()),
              (QStringList{QStringLiteral("half thought"), QStringLiteral("earlier")}));
    quickEntry->toggle(false);
    EXPECT_TRUE(quickEntry->isOpen());
}

TEST_F(QuickEntryTest, TheTargetIsTheStoredListOrElseTheInbox) {
    TDFolder* folder = library->createFolder(QStringLiteral("Work"), library->foldersGroup());
    TDList* errands = library->createList(QStringLiteral("Errands"), folder);
    TDList* shopping = library->createList(QStringLiteral("Shopping"), library->foldersGroup());
    TDList* old = library->createList(QStringLiteral("Old"), library->archiveGroup());
    TDList* gone = library->createList(QStringLiteral("Gone"), library->foldersGroup());
    manager->managedObjectContext()->processPendingChanges();
    const QString goneUID = gone->uid();
    manager->managedObjectContext()->deleteObject(gone);
    manager->managedObjectContext()->processPendingChanges();
    struct Case {
        const char* what;
        QString stored;
        TDGroup* target;
    } cases[] = {
        {"nothing stored", QString(), library->inboxGroup()},
        {"a list in a folder", errands->uid(), errands},
        {"an archived list", old->uid(), library->inboxGroup()},
        {"a deleted list", goneUID, library->inboxGroup()},
        {"a folder", folder->uid(), library->inboxGroup()},
    };
    for (const Case& c : cases) {
        manager->setOption(c.stored, TDQuickEntryTargetGroupUIDKey);
        EXPECT_EQ(quickEntry->targetGroup(), c.target) << c.what;
    }

    // Choosing: a folder cannot be chosen, a list can and is remembered.
    quickEntry->chooseTargetGroup(folder->uid());
    EXPECT_EQ(manager->optionForKey(TDQuickEntryTargetGroupUIDKey).toString(), folder->uid());
    quickEntry->chooseTargetGroup(shopping->uid());
    EXPECT_EQ(quickEntry->targetGroup(), shopping);

    const QList<TDQuickEntryTargetItem> items = quickEntry->targetMenuItems();
    QStringList shown;
    for (const TDQuickEntryTargetItem& item : items)
        shown.append(item.isSeparator() ? QStringLiteral("---")
                                        : QString(item.indentation, QLatin1Char(' ')) + item.title +
                                              (item.enabled ? QString() : QStringLiteral(" (off)")) +
                                              (item.checked ? QStringLiteral(" *") : QString()));
    ASSERT_GE(shown.size(), 2);
    EXPECT_EQ(shown.mid(0, 2), (QStringList{QStringLiteral("Inbox"), QStringLiteral("---")}))
        << shown.join(u'|').toStdString();
    EXPECT_TRUE(shown.contains(QStringLiteral("Work (off)")));
    EXPECT_TRUE(shown.contains(QStringLiteral(" Errands")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Shopping *")));
    EXPECT_EQ(shown.indexOf(QStringLiteral(" Errands")), shown.indexOf(QStringLiteral("Work (off)")) + 1);
    EXPECT_FALSE(shown.contains(QStringLiteral("Old")));

    quickEntry->showWindow();
    type({QStringLiteral("milk")});
    quickEntry->done();
    EXPECT_EQ(titles(shopping->orderedTasks()), QStringList{QStringLiteral("milk")});
}

TEST_F(QuickEntryTest, ContextTasksOpenThePanelAndNoAnswerOpensNothing) {
    std::function<void(const QList<QVariantMap>&)> answer;
    quickEntry->setContextProvider([&answer](auto didGetContext) { answer = std::move(didGetContext); });
    quickEntry->showWindowWithAnimation(false, true);
    EXPECT_FALSE(quickEntry->isOpen()) << "nothing opens before the context answers";
    ASSERT_TRUE(answer);
    answer({{{QStringLiteral("title"), QStringLiteral("Read: Weekly notes")},
             {QStringLiteral("notes"), QStringLiteral("https://example.org/notes")}},
            {{QStringLiteral("Title"), QStringLiteral("second")}}});
    EXPECT_TRUE(quickEntry->isOpen());
    EXPECT_EQ(titles(scratch()),
              (QStringList{QStringLiteral("Read: Weekly notes"), QStringLiteral("second")}));
    quickEntry->cancel();

    // An answer that makes no task still leaves one to type into.
    quickEntry->showWindowWithAnimation(false, true);
    answer({});
    EXPECT_EQ(titles(scratch()), QStringList{QString()});
}

TEST_F(QuickEntryTest, TextFromAnotherProgramOpensThePanelHoldingItsTasks) {
    EXPECT_TRUE(quickEntry->showWindowWithTasksFromText(QStringLiteral("first\nsecond"), false));
    EXPECT_TRUE(quickEntry->isOpen());
    // One after the other at the top: the last made stands first.
    EXPECT_EQ(titles(scratch()), (QStringList{QStringLiteral("second"), QStringLiteral("first")}));
    quickEntry->cancel();
    EXPECT_FALSE(quickEntry->showWindowWithTasksFromText(QStringLiteral("   "), false));
    EXPECT_TRUE(quickEntry->isOpen());
    EXPECT_EQ(scratch()->count(), 0);
}

}  // namespace

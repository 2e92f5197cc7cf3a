#include "tests/taskviews/tasks_controller_fixture.h"

#include "foundation/application_delegate.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QDir>

namespace taskviewstest {

QList<TDTaskRowItem> FakePresentation::rowItems() const {
    QList<TDTaskRowItem> rows;
    if (!controller) return rows;
    std::function<void(const TDTaskRowItem&)> walk = [&](const TDTaskRowItem& parent) {
        const qsizetype n = controller->numberOfChildren(parent);
        for (qsizetype i = 0; i < n; ++i) {
            const TDTaskRowItem item = controller->child(parent, i);
            rows << item;
            if (item.kind == TDTaskRowItem::Kind::Section ||
                (item.task() && !collapsed.contains(item.task())))
                walk(item);
        }
    };
    walk(TDTaskRowItem::root());
    return rows;
}

void FakePresentation::editItem(const TDTaskRowItem& item, int column, bool selectAll) {
    editing = true;
    calls << QStringLiteral("edit %1 column %2 %3")
                 .arg(item.task() ? item.task()->title() : QStringLiteral("?"))
                 .arg(column)
                 .arg(selectAll ? QStringLiteral("all") : QStringLiteral("caret"));
}

void FakePresentation::editNote(const TDTaskRowItem& item) {
    calls << QStringLiteral("note ") + (item.task() ? item.task()->title() : QStringLiteral("?"));
}

void TasksControllerTest::SetUp() {
    TempFoldersTest::SetUp();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    TDSetAppDelegate(&appDelegate);
    // No autosave while a test runs: nothing here waits for one.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Test.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    auto created = manager->createLibrary();
    ASSERT_TRUE(created.ok()) << created.error().detailedDescription().toStdString();
    // The starter tasks would stand in every list the tests look at.
    for (TDTask* task : library()->allTasks())
        if (!task->isDeleted()) task->deleteObject();
    processChanges();
    manager->undoManager()->removeAllActions();
    controller = std::make_unique<TDTasksController>(*manager);
    controller->setPresentation(&outline);
    outline.controller = controller.get();
    controller->setWindowContext(&window);
    controller->setFeedback(&feedback);
}

void TasksControllerTest::TearDown() {
    controller.reset();
    if (manager) manager->closeDiscardingChanges();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

TDList* TasksControllerTest::newList(const QString& title, TDGroup* parent) {
    return library()->createList(title, parent ? parent : library()->foldersGroup());
}

TDTask* TasksControllerTest::addTask(TDGroup* group, const QString& title) {
    TDTask* task = library()->createOrphanTask();
    task->setTitle(title);
    EXPECT_TRUE(group->orderedTasks()->addObject(task).ok());
    return task;
}

TDTask* TasksControllerTest::addSubtask(TDTask* parent, const QString& title) {
    TDTask* task = library()->createOrphanTask();
    task->setTitle(title);
    EXPECT_TRUE(parent->orderedTasks()->addObject(task).ok());
    return task;
}

TDTag* TasksControllerTest::tag(const QString& title) {
    for (TDTag* existing : library()->allTags())
        if (existing->title() == title) return existing;
    return library()->createTagWithTitle(title);
}

void TasksControllerTest::processChanges() {
    manager->managedObjectContext()->processPendingChanges();
}

QStringList TasksControllerTest::rows() {
    QStringList lines;
    std::function<void(const TDTaskRowItem&, int)> walk = [&](const TDTaskRowItem& parent, int depth) {
        const qsizetype n = controller->numberOfChildren(parent);
        for (qsizetype i = 0; i < n; ++i) {
            const TDTaskRowItem item = controller->child(parent, i);
            const QString indent(depth * 2, QLatin1Char(' '));
            switch (item.kind) {
                case TDTaskRowItem::Kind::Header:
                    lines << indent + QStringLiteral("header ") +
                                 TDGroup::from(item.collection()->object())->title();
                    break;
                case TDTaskRowItem::Kind::Section: {
                    const QString title = item.collection()->title();
                    lines << indent + QStringLiteral("section ") +
                                 (title.isEmpty() ? TDGroup::from(item.collection()->object())->title()
                                                  : title);
                    break;
                }
                case TDTaskRowItem::Kind::Task:
                    lines << indent + QStringLiteral("task ") + item.task()->title();
                    break;
                case TDTaskRowItem::Kind::Footer:
                    lines << indent + QStringLiteral("footer ") + item.footer()->displayString();
                    break;
                case TDTaskRowItem::Kind::Root:
                    lines << indent + QStringLiteral("nothing");
                    break;
            }
            if (item.kind == TDTaskRowItem::Kind::Section || item.kind == TDTaskRowItem::Kind::Task)
                walk(item, depth + 1);
        }
    };
    walk(TDTaskRowItem::root(), 0);
    return lines;
}

QStringList TasksControllerTest::taskTitles(const QList<TDTask*>& tasks) {
    QStringList titles;
    for (TDTask* task : tasks) titles << task->title();
    return titles;
}

void TasksControllerTest::select(const QList<TDTask*>& tasks) {
    controller->setSelection(tasks);
}

QString TasksControllerTest::undoName() const {
    return manager->undoManager()->undoActionName();
}

}  // namespace taskviewstest

#include "tests/app/groups_controller_fixture.h"

#include "foundation/application_delegate.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"

#include <QDir>

#include <functional>

namespace apptest {

void FakeGroupsWindow::selectTabAtIndex(int index) {
    selected = index;
    if (!controller || index < 0 || index >= tabs.size()) return;
    controller->setIgnoreCommandKey(true);
    controller->selectGroup(library->groupWithUID(tabs.at(index)));
    controller->setIgnoreCommandKey(false);
}

void FakeGroupsWindow::removeTabAtIndex(int index) {
    if (tabs.size() < 2) return;
    tabs.removeAt(index);
    if (selected == index)
        selectTabAtIndex(qMin(index, int(tabs.size()) - 1));
    else if (selected > index)
        --selected;
}

void GroupsControllerTest::SetUp() {
    TempFoldersTest::SetUp();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    TDSetAppDelegate(&appDelegate);
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24 * 60 * 60);
    manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("Test.odllibrary")));
    TDLibraryManager::setSharedManager(manager.get());
    auto created = manager->createLibrary();
    ASSERT_TRUE(created.ok()) << created.error().detailedDescription().toStdString();
    for (TDTask* task : library()->allTasks())
        if (!task->isDeleted()) task->deleteObject();
    processChanges();
    manager->undoManager()->removeAllActions();
    tasks = std::make_unique<TDTasksController>(*manager);
    groups = std::make_unique<TDGroupsController>(*manager);
    groups->setTasksController(tasks.get());
    groups->setPresentation(&sourceList);
    window.controller = groups.get();
    window.library = library();
    window.tabs = {library()->todayGroup()->uid()};
    groups->setWindowContext(&window);
    window.selectTabAtIndex(0);
}

void GroupsControllerTest::TearDown() {
    groups.reset();
    tasks.reset();
    if (manager) manager->closeDiscardingChanges();
    manager.reset();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

TDFolder* GroupsControllerTest::folder(const QString& title, TDGroup* parent) {
    return library()->createFolder(title, parent ? parent : library()->foldersGroup());
}

TDList* GroupsControllerTest::list(const QString& title, TDGroup* parent) {
    return library()->createList(title, parent ? parent : library()->foldersGroup());
}

TDGroup* GroupsControllerTest::smartFolder(const QString& title, TDGroup* parent) {
    TDGroup* smart = library()->createSmartFolder();
    smart->setTitle(title);
    EXPECT_TRUE((parent ? parent : library()->foldersGroup())->orderedSubgroups()->addObject(smart).ok());
    return smart;
}

TDTag* GroupsControllerTest::tag(const QString& title, TDGroup* parent) {
    return library()->createTagWithTitle(title, parent ? parent : library()->tagsGroup());
}

TDTask* GroupsControllerTest::addTask(TDGroup* group, const QString& title) {
    TDTask* task = library()->createOrphanTask();
    task->setTitle(title);
    EXPECT_TRUE(group->orderedTasks()->addObject(task).ok());
    return task;
}

void GroupsControllerTest::processChanges() {
    manager->managedObjectContext()->processPendingChanges();
}

QStringList GroupsControllerTest::rows() const {
    QStringList lines;
    const TDSourceListModel* source = groups->model();
    const std::function<void(const QModelIndex&, int)> walk = [&](const QModelIndex& parent, int depth) {
        for (int row = 0; row < source->rowCount(parent); ++row) {
            const QModelIndex index = source->index(row, 0, parent);
            QString line = QString(depth * 2, QLatin1Char(' ')) + index.data().toString();
            if (const qint64 count = index.data(TDSourceListModel::ItemCountRole).toLongLong(); count > 0)
                line += QLatin1Char(' ') + QString::number(count);
            if (groups->selectionModel()->isSelected(index)) line += QStringLiteral(" [x]");
            lines << line;
            if (source->isExpanded(index)) walk(index, depth + 1);
        }
    };
    walk(QModelIndex(), 0);
    return lines;
}

TDGroup* GroupsControllerTest::group(const QString& title) const {
    for (TDGroup* candidate : manager->library()->allGroups())
        if (candidate->title() == title && !candidate->isDeleted()) return candidate;
    return nullptr;
}

}  // namespace apptest

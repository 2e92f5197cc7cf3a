#include "tests/scenarios/stored_library.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/operations/operation_queue.h"
#include "store/library_operation.h"
#include "tests/support/test_environment.h"

#include <algorithm>
#include <functional>

namespace scenario {
namespace {

class StoreReading final : public TDLibraryOperation {
public:
    explicit StoreReading(const QString& packagePath) {
        if (const Status opened = setupPersistentStoreCoordinatorWithLibraryPath(packagePath); !opened.ok())
            result.error = opened.error().detailedDescription();
    }
    StoredLibrary result;

protected:
    void main() override {
        TDManagedObjectContext* context = managedObjectContext();
        TDLibrary* library = context ? threadedLibrary() : nullptr;
        if (!library) {
            if (result.error.isEmpty()) result.error = QStringLiteral("the store holds no library");
            return;
        }
        context->setSetupTransientProperties(false);
        p_readGroups(library->rootGroup());
    }

private:
    static QString kindOf(const TDGroup& group) {
        if (group.isList()) return QStringLiteral("list");
        if (group.isSmartFolder()) return QStringLiteral("smart");
        if (group.isTag()) return QStringLiteral("tag");
        if (group.isTagBundle()) return QStringLiteral("bundle");
        if (group.isFolder()) return QStringLiteral("folder");
        return group.type();
    }

    void p_readGroups(TDGroup* parent) {
        if (!parent) return;
        for (TDGroup* group : parent->orderedSubgroups()->objectsAs<TDGroup>()) {
            result.groups.append({group->title(), parent->title(), kindOf(*group)});
            if (group->isList()) p_readTasks(group->orderedTasks()->objectsAs<TDTask>(), *group);
            p_readGroups(group);
        }
    }

    void p_readTasks(const QList<TDTask*>& tasks, const TDGroup& list) {
        for (TDTask* task : tasks) {
            StoredTask stored;
            stored.title = task->title();
            stored.parent = task->parentTask() ? task->parentTask()->title() : QString();
            stored.list = list.title();
            for (const TDGroup* tag : task->tags()) stored.tags << tag->title();
            std::sort(stored.tags.begin(), stored.tags.end());
            stored.status = task->status();
            // The store reads dates in UTC; a person's day is the local one.
            stored.start = task->startDate().toLocalTime().date();
            stored.due = task->dueDate().toLocalTime().date();
            stored.notes = task->notesString();
            stored.recurring = task->isRecurring();
            stored.actualTime = task->actualTime();
            result.tasks.append(stored);
            p_readTasks(task->orderedTasks()->objectsAs<TDTask>(), list);
        }
    }
};

}  // namespace

std::optional<StoredTask> StoredLibrary::task(const QString& title) const {
    for (const StoredTask& stored : tasks)
        if (stored.title == title) return stored;
    return std::nullopt;
}

QStringList StoredLibrary::titlesIn(const QString& list) const {
    QStringList titles;
    for (const StoredTask& stored : tasks)
        if (stored.list == list) titles << stored.title;
    return titles;
}

QStringList StoredLibrary::groupTitles(const QString& kind) const {
    QStringList titles;
    for (const StoredGroup& group : groups)
        if (group.kind == kind) titles << group.title;
    return titles;
}

StoredLibrary readStoredLibrary(const QString& packagePath) {
    auto reading = std::make_shared<StoreReading>(packagePath);
    if (!reading->result.error.isEmpty()) return reading->result;
    platform::OperationQueue queue(QStringLiteral("Scenario store reading"));
    queue.addOperation(reading);
    if (!testsupport::spinUntil([&reading] { return reading->isFinished(); }))
        reading->result.error = QStringLiteral("reading the store did not finish");
    return reading->result;
}

}  // namespace scenario

#include "tests/model/task_tree_fixture.h"

#include "platform/objectstore/managed_object_context.h"

#include <QSet>

namespace modeltest {

void TaskTreeTest::SetUp() {
    LibraryTest::SetUp();
    context->setCreatingLibrary(true);
    undoManager->disableUndoRegistration();
    library->createObjectsForNewLibrary();
    context->setCreatingLibrary(false);
    saveAll();
    // The tests count only the tasks they make: the starter tasks go.
    for (TDTask* starter : library->allTasks())
        if (!starter->isDeleted()) starter->deleteObject();
    undoManager->enableUndoRegistration();
    saveAll();
    undoManager->removeAllActions();
}

TDTask* TaskTreeTest::task(const QString& title, TDLibraryObject* parent, double estimate) {
    TDTask* made = library->createOrphanTask();
    made->setTitle(title);
    if (estimate) made->setEstimatedTime(estimate);
    TDOrderedCollection* collection = nullptr;
    if (auto* parentTask = dynamic_cast<TDTask*>(parent)) {
        collection = parentTask->orderedTasks();
    } else if (auto* group = dynamic_cast<TDGroup*>(parent)) {
        collection = group->orderedTasks();
    }
    if (collection) {
        EXPECT_TRUE(collection->addObject(made).ok());
    }
    return made;
}

void TaskTreeTest::settle() {
    context->processPendingChanges();
    context->recalculateTransientProperties();
}

QString TaskTreeTest::describe(const TDAggregates& a) {
    return QStringLiteral("actions %1 tasks %2 total %3 comprehensive %4 start %5 due %6")
        .arg(a.actionCount)
        .arg(a.taskCount)
        .arg(a.totalEstimatedTime)
        .arg(a.totalEstimatedTimeComprehensive)
        .arg(a.earliestStartDate.isValid() ? a.earliestStartDate.toSecsSinceEpoch() : 0)
        .arg(a.earliestDueDate.isValid() ? a.earliestDueDate.toSecsSinceEpoch() : 0);
}

TDAggregates TaskTreeTest::recomputedGroup(TDGroup* group) {
    TDAggregates a;
    if (group->isFolder()) {
        for (TDGroup* child : group->subgroups()) a.include(recomputedGroup(child));
        return a;
    }
    for (TDTask* member : group->tasks()) a.include(TDTask::recalculatedTreeAggregates(member));
    if (group->isTag() || group->isSmartFolder()) {
        QSet<TDTask*> all;
        for (TDTask* member : group->tasks())
            for (TDTask* t : member->allTasksInTree()) all.insert(t);
        a.taskCount = all.size();
        a.actionCount = 0;
        for (TDTask* t : std::as_const(all))
            if (t->isIncomplete() && !t->hasSubtasks()) ++a.actionCount;
    }
    return a;
}

void TaskTreeTest::expectAggregatesMatchRecompute(const char* when) {
    const QList<platform::ManagedObject*> tasks =
        *context->execute(platform::FetchRequest(QStringLiteral("Task")));
    for (platform::ManagedObject* object : tasks) {
        auto* t = TDTask::from(object);
        EXPECT_EQ(describe(t->aggregates()), describe(TDTask::recalculatedTreeAggregates(t)))
            << when << ": task " << t->title().toStdString();
    }
    const QList<platform::ManagedObject*> groups =
        *context->execute(platform::FetchRequest(QStringLiteral("Group")));
    for (platform::ManagedObject* object : groups) {
        auto* g = TDGroup::from(object);
        EXPECT_EQ(describe(g->aggregates()), describe(recomputedGroup(g)))
            << when << ": group " << g->title().toStdString();
    }
}

void TaskTreeTest::expectCollectionsMatchRelationships(const char* when) {
    auto check = [when](TDOrderedCollection* collection, const QList<platform::ManagedObject*>& members,
                        const QString& owner) {
        if (!collection) return;
        const QList<platform::ManagedObject*> held = collection->array().unfilteredObjectArray();
        EXPECT_EQ(held.size(), members.size()) << when << ": " << owner.toStdString();
        EXPECT_EQ(QSet<platform::ManagedObject*>(held.begin(), held.end()),
                  QSet<platform::ManagedObject*>(members.begin(), members.end()))
            << when << ": " << owner.toStdString();
        EXPECT_TRUE(collection->checkDisplayOrders()) << when << ": " << owner.toStdString();
    };
    const QList<platform::ManagedObject*> tasks =
        *context->execute(platform::FetchRequest(QStringLiteral("Task")));
    for (platform::ManagedObject* object : tasks) {
        auto* t = TDTask::from(object);
        check(t->existingOrderedTasks(), t->objectList(QStringLiteral("subtasks")), t->title());
    }
    const QList<platform::ManagedObject*> groups =
        *context->execute(platform::FetchRequest(QStringLiteral("List")));
    for (platform::ManagedObject* object : groups) {
        auto* g = TDGroup::from(object);
        check(g->existingOrderedTasks(), g->objectList(QStringLiteral("tasks")), g->title());
    }
}

QMap<QString, QString> TaskTreeTest::aggregatesByUID(platform::ManagedObjectContext* context) {
    QMap<QString, QString> result;
    for (const QString& entity : {QStringLiteral("Task"), QStringLiteral("Group")}) {
        const QList<platform::ManagedObject*> objects = *context->execute(platform::FetchRequest(entity));
        for (platform::ManagedObject* object : objects) {
            auto* o = static_cast<TDLibraryObject*>(object);
            result.insert(o->uid(), describe(TDAggregates::of(o)));
        }
    }
    return result;
}

}  // namespace modeltest

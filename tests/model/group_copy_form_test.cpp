#include "tests/model/task_tree_fixture.h"

namespace {

using modeltest::TaskTreeTest;

QStringList titlesOf(const QList<TDTask*>& tasks) {
    QStringList titles;
    for (const TDTask* task : tasks) titles << task->title();
    return titles;
}

class GroupCopyFormTest : public TaskTreeTest {};

TEST_F(GroupCopyFormTest, AFolderCopiesItsWholeTreeInOrder) {
    TDFolder* folder = library->createFolder(QStringLiteral("Home"), library->foldersGroup());
    TDList* garden = library->createList(QStringLiteral("Garden"), folder);
    TDList* kitchen = library->createList(QStringLiteral("Kitchen"), folder);
    TDTask* mow = task(QStringLiteral("mow"), garden);
    task(QStringLiteral("oil the blades"), mow);
    task(QStringLiteral("rake"), garden);
    task(QStringLiteral("descale"), kitchen);

    QVariantMap form = folder->propertyListRepresentationForCopying();
    EXPECT_EQ(form.value(QStringLiteral("type")), QVariant(QStringLiteral("folder")));
    EXPECT_FALSE(form.contains(QStringLiteral("special")));
    // A subgroup without a type is skipped, the rest still comes.
    QVariantList subgroups = form.value(QStringLiteral("subgroups")).toList();
    ASSERT_EQ(subgroups.size(), 2);
    subgroups.append(QVariantMap{{QStringLiteral("title"), QStringLiteral("no type")}});
    form.insert(QStringLiteral("subgroups"), subgroups);

    Result<TDLibraryObject*> made = library->createEntityNamed(QStringLiteral("Folder"), form);
    ASSERT_TRUE(made.ok()) << made.error().detailedDescription().toStdString();
    auto* copy = static_cast<TDGroup*>(*made);
    const QList<TDGroup*> lists = copy->orderedSubgroups()->objectsAs<TDGroup>();
    ASSERT_EQ(lists.size(), 2);
    EXPECT_EQ(lists[0]->title(), QStringLiteral("Garden"));
    EXPECT_EQ(lists[1]->title(), QStringLiteral("Kitchen"));
    const QList<TDTask*> gardenTasks = lists[0]->orderedTasks()->objectsAs<TDTask>();
    EXPECT_EQ(titlesOf(gardenTasks), (QStringList{QStringLiteral("mow"), QStringLiteral("rake")}));
    ASSERT_EQ(gardenTasks.size(), 2);
    EXPECT_EQ(titlesOf(gardenTasks[0]->subtasks()), QStringList{QStringLiteral("oil the blades")});
    EXPECT_EQ(titlesOf(lists[1]->orderedTasks()->objectsAs<TDTask>()),
              QStringList{QStringLiteral("descale")});
    saveAll();
}

TEST_F(GroupCopyFormTest, AFailingTaskFormLeavesNoNewGroupOrTask) {
    TDList* list = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    task(QStringLiteral("post"), list);
    QVariantMap form = list->propertyListRepresentationForCopying();
    QVariantList tasks = form.value(QStringLiteral("tasks")).toList();
    tasks.append(QVariantMap{{QStringLiteral("title"), QStringLiteral("bad")},
                             {QStringLiteral("priority"), QStringLiteral("high")}});
    form.insert(QStringLiteral("tasks"), tasks);
    const qsizetype tasksBefore = library->allTasks().size();
    const qsizetype listsBefore = library->allLists().size();
    EXPECT_FALSE(library->createEntityNamed(QStringLiteral("List"), form).ok());
    context->processPendingChanges();
    EXPECT_EQ(library->allTasks().size(), tasksBefore);
    EXPECT_EQ(library->allLists().size(), listsBefore);
    saveAll();
}

}  // namespace

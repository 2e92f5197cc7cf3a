#include "tests/model/task_tree_fixture.h"

namespace {

using modeltest::TaskTreeTest;

TEST_F(TaskTreeTest, ATaskNeverBecomesTheChildOfItselfOrOfItsDescendant) {
    TDTask* top = task(QStringLiteral("top"), inbox());
    TDTask* middle = task(QStringLiteral("middle"), top);
    TDTask* bottom = task(QStringLiteral("bottom"), middle);
    EXPECT_FALSE(top->setParentTask(top));
    EXPECT_FALSE(top->setParentTask(bottom));
    top->setValue(QStringLiteral("parentTask"), platform::objectVariant(middle));
    bottom->addSubtasks({top, bottom});
    top->addObject(QStringLiteral("subtasks"), top);
    EXPECT_FALSE(bottom->orderedTasks()->addObject(top).ok());
    EXPECT_EQ(bottom->orderedTasks()->count(), 0);
    EXPECT_EQ(top->parentTask(), nullptr);
    EXPECT_EQ(top->parentList(), inbox());
    EXPECT_EQ(bottom->subtasks().size(), 0);
    EXPECT_TRUE(bottom->setParentTask(top));  // a move up the tree is fine
    settle();
    expectAggregatesMatchRecompute("after refused moves");
}

TEST_F(TaskTreeTest, AGroupNeverBecomesItsOwnAncestor) {
    TDFolder* outer = library->createFolder(QStringLiteral("outer"), library->foldersGroup());
    TDFolder* inner = library->createFolder(QStringLiteral("inner"), outer);
    EXPECT_FALSE(outer->setParentGroup(inner));
    EXPECT_FALSE(outer->setParentGroup(outer));
    inner->addObject(QStringLiteral("subgroups"), outer);
    outer->setValue(QStringLiteral("parentGroup"), platform::objectVariant(inner));
    EXPECT_EQ(outer->parentGroup(), library->foldersGroup());
    EXPECT_FALSE(outer->validateParentGroup(inner));
    EXPECT_TRUE(inner->validateParentGroup(outer));  // the same parent again
}

TEST_F(TaskTreeTest, ParentRulesOfGroups) {
    TDList* list = library->createList(QStringLiteral("list"), library->foldersGroup());
    TDGroup* smart = library->createSmartFolder();
    ASSERT_TRUE(library->foldersGroup()->orderedSubgroups()->addObject(smart).ok());
    TDTag* tag = library->createTagWithTitle(QStringLiteral("tag"));
    TDFolder* bundle = library->createFolder(QStringLiteral("bundle"), library->tagsGroup());
    EXPECT_FALSE(list->validateParentGroup(list));
    EXPECT_FALSE(list->validateParentGroup(nullptr));
    EXPECT_FALSE(smart->validateParentGroup(library->archiveGroup()));
    EXPECT_FALSE(tag->validateParentGroup(library->foldersGroup()->subgroups().first()));
    // Folders itself takes no tag or bundle either.
    EXPECT_FALSE(tag->validateParentGroup(library->foldersGroup()));
    EXPECT_FALSE(tag->setParentGroup(library->foldersGroup()));
    EXPECT_EQ(tag->parentGroup(), library->tagsGroup());
    EXPECT_FALSE(bundle->validateParentGroup(library->foldersGroup()));
    EXPECT_FALSE(library->inboxGroup()->validateParentGroup(library->foldersGroup()));
    EXPECT_TRUE(list->validateParentGroup(library->archiveGroup()));
    EXPECT_TRUE(tag->validateParentGroup(bundle));
    EXPECT_FALSE(list->validateParentGroup(bundle));
    EXPECT_TRUE(bundle->isTagBundle());
    bundle->setTitle(QStringLiteral("  "));
    EXPECT_EQ(bundle->title(), QStringLiteral("Tags"));
}

TEST_F(TaskTreeTest, OrderedTreeWalksAndSiblings) {
    TDTask* root = task(QStringLiteral("root"), inbox());
    TDTask* a = task(QStringLiteral("A"), root);
    TDTask* b = task(QStringLiteral("B"), root);
    b->setValue(QStringLiteral("displayOrder"), 1.0);
    a->setValue(QStringLiteral("displayOrder"), 2.0);
    TDTask* c = task(QStringLiteral("C"), b);
    EXPECT_EQ(root->allOrderedTasksInTree(), (QList<TDTask*>{root, b, c, a}));
    EXPECT_EQ(root->combinedTitlesFromTree(), QStringLiteral("root B C A"));
    TDTask* after = task(QStringLiteral("after"));
    b->insertSibling(after, true);
    TDTask* before = task(QStringLiteral("before"));
    b->insertSibling(before, false);
    EXPECT_EQ(root->orderedTasks()->objectsAs<TDTask>(), (QList<TDTask*>{before, b, after, a}));
    EXPECT_EQ(c->list(), inbox());
    EXPECT_EQ(c->level(), 2);
    EXPECT_TRUE(c->isDescendantOf(root));
    EXPECT_TRUE(root->isDescendantOf(inbox()));
    EXPECT_TRUE(inbox()->allTasksInTree().contains(c));
}

TEST_F(TaskTreeTest, MovingTasksBetweenListsAndParents) {
    TDList* work = library->createList(QStringLiteral("work"), library->foldersGroup());
    TDTask* parent = task(QStringLiteral("parent"), inbox());
    TDTask* child = task(QStringLiteral("child"), parent, 3600);
    TDTask* grandchild = task(QStringLiteral("grandchild"), child, 600);
    ASSERT_TRUE(work->orderedTasks()->addObject(child).ok());
    EXPECT_EQ(child->parentTask(), nullptr);
    EXPECT_EQ(child->parentList(), work);
    EXPECT_EQ(grandchild->list(), work);
    EXPECT_FALSE(inbox()->allTasksInTree().contains(grandchild));
    EXPECT_TRUE(work->allTasksInTree().contains(grandchild));
    ASSERT_TRUE(parent->orderedTasks()->addObject(child).ok());
    EXPECT_EQ(child->parentList(), nullptr);
    EXPECT_EQ(grandchild->list(), inbox());
    settle();
    expectAggregatesMatchRecompute("after moves between lists");
}

TEST_F(TaskTreeTest, ListsMovedIntoTheArchiveArchiveTheirTasks) {
    TDList* work = library->createList(QStringLiteral("work"), library->foldersGroup());
    TDTask* open = task(QStringLiteral("open"), work);
    work->archive();
    EXPECT_EQ(work->parentGroup(), library->archiveGroup());
    EXPECT_TRUE(open->isArchived());
    EXPECT_TRUE(open->isCanceled());
    work->archive();  // already archived: nothing
    EXPECT_EQ(library->archiveGroup()->subgroups().size(), 1);
    work->unarchive();
    EXPECT_EQ(work->parentGroup(), library->foldersGroup());
    EXPECT_EQ(library->foldersGroup()->orderedSubgroups()->objects().last(), work);
    EXPECT_FALSE(open->isArchived());
}

TEST_F(TaskTreeTest, FolderFiguresFollowTheirListsAtEveryLevel) {
    TDFolder* projects = dynamic_cast<TDFolder*>(library->folderWithUID(TDLibrary::ProjectsFolderUID));
    TDList* list = library->createList(QStringLiteral("list"), projects);
    task(QStringLiteral("hour"), list, 3600);
    settle();
    EXPECT_EQ(projects->totalEstimatedTime(), 3600);
    EXPECT_EQ(library->foldersGroup()->totalEstimatedTime(), 3600);
    list->setParentGroup(library->foldersGroup());
    settle();
    EXPECT_EQ(projects->totalEstimatedTime(), 0);
    EXPECT_EQ(library->foldersGroup()->totalEstimatedTime(), 3600);
    expectAggregatesMatchRecompute("after moving a list");
}

}  // namespace

namespace {

using modeltest::TaskTreeTest;

TEST_F(TaskTreeTest, DeletingGroupsAndUndoingItKeepTheFigures) {
    testsupport::drainEvents();
    undoManager->setGroupsByEvent(false);
    undoManager->beginUndoGrouping();
    TDFolder* folder = library->createFolder(QStringLiteral("folder"), library->foldersGroup());
    TDList* list = library->createList(QStringLiteral("list"), folder);
    TDTask* parent = task(QStringLiteral("parent"), list, 0);
    task(QStringLiteral("child"), parent, 1800);
    TDTag* tag = library->createTagWithTitle(QStringLiteral("tag"));
    parent->addObject(QStringLiteral("tags"), tag);
    undoManager->endUndoGrouping();
    settle();
    EXPECT_EQ(library->foldersGroup()->totalEstimatedTime(), 1800);
    for (TDLibraryObject* doomed : std::initializer_list<TDLibraryObject*>{tag, folder}) {
        undoManager->beginUndoGrouping();
        doomed->deleteObject();
        undoManager->endUndoGrouping();
        settle();
        expectAggregatesMatchRecompute("after deleting");
    }
    EXPECT_EQ(library->foldersGroup()->totalEstimatedTime(), 0);
    EXPECT_EQ(library->rootGroup()->taskCount(), 0);
    undoManager->undo();
    settle();
    EXPECT_EQ(library->foldersGroup()->totalEstimatedTime(), 1800);
    undoManager->undo();
    settle();
    EXPECT_EQ(tag->taskCount(), 2);
    expectAggregatesMatchRecompute("after undoing the deletions");
}

}  // namespace

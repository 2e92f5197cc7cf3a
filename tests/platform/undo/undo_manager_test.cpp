#include "platform/undo/undo_manager.h"

#include "tests/support/test_environment.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

using platform::UndoManager;

// A value whose changes register their own reversal, as the object store does.
struct Value {
    UndoManager& undo;
    int value = 0;
    void set(int v) {
        const int old = value;
        value = v;
        undo.registerUndo(this, [this, old] { set(old); });
    }
};

TEST(UndoManager, GroupsEndWithTheEventLoopPass) {
    UndoManager undo;
    Value v{undo};
    v.set(1);
    v.set(2);
    EXPECT_EQ(undo.groupingLevel(), 1);
    EXPECT_TRUE(undo.canUndo());
    testsupport::drainEvents();
    EXPECT_EQ(undo.groupingLevel(), 0);
    v.set(3);
    testsupport::drainEvents();

    undo.undo();
    EXPECT_EQ(v.value, 2);
    undo.undo();
    EXPECT_EQ(v.value, 0);  // both changes of the first pass at once
    EXPECT_FALSE(undo.canUndo());
    undo.redo();
    EXPECT_EQ(v.value, 2);
    undo.redo();
    EXPECT_EQ(v.value, 3);
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManager, UndoClosesTheOpenEventGroupFirst) {
    UndoManager undo;
    Value v{undo};
    v.set(5);
    undo.undo();  // still inside the pass
    EXPECT_EQ(v.value, 0);
    EXPECT_TRUE(undo.canRedo());
    v.set(7);  // a new change clears the redo stack
    EXPECT_FALSE(undo.canRedo());
}

TEST(UndoManager, NestedGroupsUndoAsPartOfTheirParent) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value v{undo};
    v.set(9);  // outside any group: dropped with a warning
    EXPECT_FALSE(undo.canUndo());
    undo.beginUndoGrouping();
    v.set(1);
    undo.beginUndoGrouping();
    EXPECT_EQ(undo.groupingLevel(), 2);
    v.set(2);
    undo.endUndoGrouping();
    v.set(3);
    undo.setActionName(QStringLiteral("Typing"));
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    undo.endUndoGrouping();  // an empty group leaves nothing to undo
    EXPECT_EQ(undo.undoActionName(), QStringLiteral("Typing"));
    EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo Typing"));
    undo.undo();
    EXPECT_EQ(v.value, 9);
    EXPECT_EQ(undo.redoMenuItemTitle(), QStringLiteral("Redo Typing"));
    EXPECT_EQ(undo.undoMenuItemTitle(), QStringLiteral("Undo"));
}

TEST(UndoManager, DisablingIsCountedAndLevelsAreLimited) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value v{undo};
    undo.disableUndoRegistration();
    undo.disableUndoRegistration();
    undo.enableUndoRegistration();
    EXPECT_FALSE(undo.isUndoRegistrationEnabled());
    undo.beginUndoGrouping();
    v.set(1);
    undo.endUndoGrouping();
    EXPECT_FALSE(undo.canUndo());
    undo.enableUndoRegistration();
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());

    undo.setLevelsOfUndo(2);
    for (int i = 2; i <= 5; ++i) {
        undo.beginUndoGrouping();
        v.set(i);
        undo.endUndoGrouping();
    }
    undo.undo();
    undo.undo();
    EXPECT_EQ(v.value, 3);
    EXPECT_FALSE(undo.canUndo());
}

TEST(UndoManager, SignalsAndRemovingActionsOfATarget) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    Value a{undo}, b{undo};
    QSignalSpy willUndo(&undo, &UndoManager::willUndo);
    QSignalSpy didUndo(&undo, &UndoManager::didUndo);
    QSignalSpy didRedo(&undo, &UndoManager::didRedo);
    undo.beginUndoGrouping();
    a.set(1);
    b.set(1);
    undo.endUndoGrouping();
    undo.beginUndoGrouping();
    a.set(2);
    undo.endUndoGrouping();
    undo.removeAllActions(&a);
    EXPECT_TRUE(undo.canUndo());  // b's action keeps the first group
    undo.undo();
    EXPECT_EQ(a.value, 2);
    EXPECT_EQ(b.value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_EQ(willUndo.count(), 1);
    EXPECT_EQ(didUndo.count(), 1);
    EXPECT_TRUE(undo.isUndoRegistrationEnabled());
    undo.redo();
    EXPECT_EQ(didRedo.count(), 1);
    EXPECT_EQ(b.value, 1);
}

TEST(UndoManager, GroupsOpenedWhileUndoingBelongToTheRedoGroup) {
    UndoManager undo;
    undo.setGroupsByEvent(false);
    int value = 0;
    std::function<void(int)> set = [&](int v) {
        const int old = value;
        value = v;
        undo.beginUndoGrouping();
        undo.registerUndo(&value, [&set, old] { set(old); });
        undo.endUndoGrouping();
    };
    undo.beginUndoGrouping();
    set(1);
    undo.endUndoGrouping();
    undo.undo();
    EXPECT_EQ(value, 0);
    EXPECT_FALSE(undo.canUndo());
    EXPECT_TRUE(undo.canRedo());
    undo.redo();
    EXPECT_EQ(value, 1);
    EXPECT_TRUE(undo.canUndo());
}

}  // namespace

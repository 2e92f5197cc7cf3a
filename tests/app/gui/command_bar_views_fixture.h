#pragma once

#include "taskviews/task_presentation.h"
#include "tests/app/groups_controller_fixture.h"

#include <gtest/gtest.h>

namespace apptest {

// An outline that only keeps a selection, so the tasks controller's commands have tasks to act on.
class SelectingOutline final : public TDTaskPresentation {
public:
    QList<TDTaskRowItem> selectedItems() const override { return selected; }
    void selectItems(const QList<TDTaskRowItem>& items, bool) override { selected = items; }
    void deselectAll() override { selected.clear(); }
    qsizetype numberOfRealRows() const override { return 1; }
    QVariant expandedState() const override { return {}; }
    void setExpandedState(const QVariant&) override {}
    void clearAccumulatedExpandedState() override {}
    QVariant scrollPositionState() const override { return {}; }
    void setScrollPositionState(const QVariant&) override {}
    QVariant selectionState() const override { return {}; }
    void setSelectionState(const QVariant&) override {}
    void saveState() override {}
    void restoreState() override {}
    void saveSelection() override { saved = selected; }
    void restoreSelection() override { selected = saved; }
    void restoreAndShowSelection() override { selected = saved; }
    int editedRow() const override { return -1; }
    int editedColumn() const override { return -1; }
    bool isEditingNote() const override { return false; }
    void finishEditing() override {}
    QVariant interruptEditing() override { return {}; }
    void resumeEditing(const QVariant&) override {}
    void clearTrackingRowAndColumn() override {}
    void moveSelection(SelectionMove) override {}
    void centerSelectionIfNotVisible() override {}
    void centerSelectionIfNotFullyVisible() override {}
    void centerSelectionInVisibleArea() override {}
    void setDrawsOverlay(bool) override {}
    void setDisplayMode(int) override {}
    void expandAll() override {}
    void redisplay() override {}
    QList<TDTaskRowItem> rowItems() const override { return selected; }
    bool isItemExpanded(const TDTaskRowItem&) const override { return false; }
    bool isRowItemExpanded(const TDTaskRowItem&) const override { return false; }
    void expandRowItem(const TDTaskRowItem&) override {}
    // The command bar's tests start no editing: a call shows a path they did not mean to take.
    void editItem(const TDTaskRowItem&, int, bool) override { ADD_FAILURE() << "editItem"; }
    void editNote(const TDTaskRowItem&) override { ADD_FAILURE() << "editNote"; }
    void insertTextAtEndOfEditedText(const QString&) override { ADD_FAILURE() << "insertTextAtEnd"; }
    bool isTaskColumnHidden(int) const override { return false; }
    void setTaskColumnHidden(int, bool) override {}
    void setExpandAllNotes(bool) override {}
    void noteHeightOfAllRowsChanged() override {}

    QList<TDTaskRowItem> selected;
    QList<TDTaskRowItem> saved;
};

// The groups controller's library and window, with a tasks controller that has an outline to select in.
class CommandBarViewsTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        tasks->setPresentation(&outline);
    }

    SelectingOutline outline;
};

}  // namespace apptest

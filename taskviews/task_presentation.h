#pragma once

#include "taskviews/task_row_item.h"

#include <QList>
#include <QVariant>

// What the tasks controller asks of a view that shows its rows (the outline, later the cards). The
// states are opaque values the presentation makes and takes back; the controller only keeps them.
class TDTaskPresentation {
public:
    virtual ~TDTaskPresentation() = default;

    virtual QList<TDTaskRowItem> selectedItems() const = 0;
    virtual void selectItems(const QList<TDTaskRowItem>& items, bool makeVisible) = 0;
    virtual void deselectAll() = 0;
    // Rows that show something (tasks, sections, footers), without the dummy header.
    virtual qsizetype numberOfRealRows() const = 0;

    // Whether the item's children are shown; a paste goes into an expanded task, after a collapsed one.
    virtual bool isItemExpanded(const TDTaskRowItem& item) const = 0;
    virtual QVariant expandedState() const = 0;
    virtual void setExpandedState(const QVariant& state) = 0;
    virtual void clearAccumulatedExpandedState() = 0;
    virtual QVariant scrollPositionState() const = 0;
    virtual void setScrollPositionState(const QVariant& state) = 0;
    virtual QVariant selectionState() const = 0;
    virtual void setSelectionState(const QVariant& state) = 0;
    // Around undo and redo: expansion, scroll, selection and editing as one.
    virtual void saveState() = 0;
    virtual void restoreState() = 0;
    // Around a reload: the selected objects, found again in their new rows.
    virtual void saveSelection() = 0;
    virtual void restoreSelection() = 0;
    virtual void restoreAndShowSelection() = 0;

    // -1 when no row is edited.
    virtual int editedRow() const = 0;
    virtual int editedColumn() const = 0;
    virtual bool isEditingNote() const = 0;
    virtual void finishEditing() = 0;
    // Ends editing and remembers what was edited (row item, column, selected text) to take it up again.
    virtual QVariant interruptEditing() = 0;
    virtual void resumeEditing(const QVariant& editing) = 0;
    virtual void clearTrackingRowAndColumn() = 0;

    // The keyboard's moves: a row up or down, into the selected items' children (expanding them
    // first), out to their parents (collapsing them first).
    enum class SelectionMove { Up, Forward, Down, Backward };
    virtual void moveSelection(SelectionMove move) = 0;

    virtual void centerSelectionIfNotVisible() = 0;
    virtual void centerSelectionIfNotFullyVisible() = 0;
    virtual void centerSelectionInVisibleArea() = 0;
    virtual void setDrawsOverlay(bool drawsOverlay) = 0;
    virtual void setDisplayMode(int displayMode) = 0;
    virtual void expandAll() = 0;
    // Draws again without new rows (the values changed, not the structure).
    virtual void redisplay() = 0;

    // What the commands on the selected tasks need of the rows. A view that lacks a facility says so
    // in its own implementation.
    // Every shown row from the top (the header included), as the view lays them out with its expansion.
    virtual QList<TDTaskRowItem> rowItems() const = 0;
    virtual bool isRowItemExpanded(const TDTaskRowItem& item) const = 0;
    virtual void expandRowItem(const TDTaskRowItem& item) = 0;
    // Starts in-place editing of the column in the item's row: the whole text selected, or the caret at
    // the start.
    virtual void editItem(const TDTaskRowItem& item, int column, bool selectAll) = 0;
    // Opens the note of the item's row for editing, the caret at its end.
    virtual void editNote(const TDTaskRowItem& item) = 0;
    // Types text at the end of the text being edited.
    virtual void insertTextAtEndOfEditedText(const QString& text) = 0;
    virtual bool isTaskColumnHidden(int column) const = 0;
    virtual void setTaskColumnHidden(int column, bool hidden) = 0;
    virtual void setExpandAllNotes(bool expand) = 0;
    virtual void noteHeightOfAllRowsChanged() = 0;
};

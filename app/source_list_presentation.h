#pragma once

class QModelIndex;

// What the groups controller asks of the outline that shows the source list.
class TDSourceListPresentation {
public:
    virtual ~TDSourceListPresentation() = default;

    // A group's title is being edited in place.
    virtual bool isEditingTitle() const = 0;
    // Ends the edit in progress, keeping what was typed (before undo and redo change the titles).
    virtual void commitEditing() = 0;
    // Opens the row's title for editing, all of it selected.
    virtual void editTitle(const QModelIndex& index) = 0;
    // Scrolls the selected row to the middle when it is not wholly in view.
    virtual void centerSelectionIfNotFullyVisible() = 0;
};

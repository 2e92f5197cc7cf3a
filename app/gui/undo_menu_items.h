#pragma once

class QMenu;
class TDLibraryManager;

// The Edit menu's Undo and Redo of the open library's changes, titled after the change they take back
// ("Undo Delete") and enabled by what the library's undo manager holds each time the menu opens. Their
// keys work with the menu closed too; a text being edited takes them for its own typing first.
void TDAddUndoActions(QMenu& menu, TDLibraryManager& manager);

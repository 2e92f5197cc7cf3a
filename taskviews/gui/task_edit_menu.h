#pragma once

class QMenu;
class TDTasksController;
class TDTasksView;

// The Edit menu's task items: Cut, Copy, Copy with Notes, Copy as Link, Paste and Duplicate, validated
// by the controller each time the menu opens. Their keys work with the menu closed too: the commands
// themselves do nothing when they have nothing to act on.
void TDAddTaskEditActions(QMenu* menu, TDTasksController& controller);

// Find, Find Next and Find Previous over the outline's task titles. Find asks for the text and shows
// the first title after the selection that holds it; the others go on from the last match, wrapping
// around at the ends. Use Selection for Find takes the text selected in a title being edited.
void TDAddTaskFindActions(QMenu* menu, TDTasksView& view);

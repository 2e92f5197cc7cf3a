#pragma once

class QMenu;
class TDTasksController;

// The Edit menu's task items: Cut, Copy, Copy with Notes, Copy as Link, Paste and Duplicate, validated
// by the controller each time the menu opens. Their keys work with the menu closed too: the commands
// themselves do nothing when they have nothing to act on.
void TDAddTaskEditActions(QMenu* menu, TDTasksController& controller);

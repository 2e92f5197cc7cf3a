#pragma once

#include "app/groups_controller.h"

#include <QKeySequence>
#include <QList>

// The source list's commands as the menu bar shows them, in sections divided by separators: going back
// and forward, moving through the list, then the commands that make and change groups. The sections
// after the second separator are also the menu of the actions button under the source list.
QList<TDGroupsController::MenuEntry> TDGroupMenuEntries();
// The entries after the second separator of the group menu, later separators included.
QList<TDGroupsController::MenuEntry> TDGroupActionsMenuEntries();
// The key of a command in the menu bar; empty for none.
QKeySequence TDGroupMenuShortcut(TDGroupsController::Command command);

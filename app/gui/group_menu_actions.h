#pragma once

#include "app/groups_controller.h"

#include <QList>

class QAction;
class QMenu;

// Fills the menu with the source list's commands, top to bottom, with their keys when asked. Each item
// is enabled as the controller validates its command when the menu opens; while it is closed every item
// stays enabled, so a key always reaches the controller, which checks again before it acts.
void TDFillGroupMenu(QMenu& menu, TDGroupsController& controller,
                     const QList<TDGroupsController::MenuEntry>& entries, bool withShortcuts);
// The menu's item for the command; nullptr when it has none.
QAction* TDGroupMenuAction(const QMenu& menu, TDGroupsController::Command command);

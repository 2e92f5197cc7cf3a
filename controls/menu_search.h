#pragma once

#include <QKeySequence>
#include <QList>

#include <functional>

class QAction;

// The actions of an action's submenu (none when it has no submenu): menus are widgets, so the window
// says how to reach them.
using TDSubmenuActions = std::function<QList<QAction*>(const QAction*)>;

// The first action among `actions` and their submenus, searched depth first (an action, then its
// submenu, before the next action), whose shortcut is exactly `key`; nullptr when none is.
QAction* TDFindActionWithKeyEquivalent(const QList<QAction*>& actions, const QKeySequence& key,
                                       const TDSubmenuActions& submenuActions);

// The menu shortcut a typed key stands for when neither Ctrl nor Meta is held: the key with its Shift
// and Alt. Empty with Ctrl or Meta, and for keys that type no character.
QKeySequence TDUnmodifiedKeyEquivalent(int key, Qt::KeyboardModifiers modifiers, const QString& text);

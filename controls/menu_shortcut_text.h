#pragma once

#include <QKeyCombination>
#include <QString>

// A menu item's key equivalent as the menus keep it: the character typed (a letter in lower case unless
// the shortcut wants it upper case), "\r" for Return, U+0008 for Backspace, U+F700..U+F703 for the arrow
// keys, and the modifiers.
struct TDKeyEquivalent {
    QString key;
    Qt::KeyboardModifiers modifiers;
};

// The key equivalent of a shortcut; an empty key for keys that have none (function keys and the like).
TDKeyEquivalent TDKeyEquivalentOf(QKeyCombination combination);

// The shortcut in glyphs, modifiers first in the order Meta, Alt, Shift, Ctrl: "⌥⌘↑". Shift counts when
// it is held or the key is an upper-case letter. Empty for an empty key.
QString TDKeyEquivalentShortDescription(const TDKeyEquivalent& equivalent);
// The shortcut in words, modifiers first in the order Ctrl, Shift, Alt, Meta: "Ctrl-Alt-Up Arrow".
QString TDKeyEquivalentDescription(const TDKeyEquivalent& equivalent);

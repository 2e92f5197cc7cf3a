#pragma once

#include <QKeyEvent>
#include <QString>

// The modifiers the key tests compare: Shift, Ctrl, Alt and Meta; keypad and group switch are ignored.
inline constexpr Qt::KeyboardModifiers kKeyEventModifierMask =
    Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;

// The character the key gives with Shift alone applied (Ctrl+Shift+A gives "A", Ctrl+A gives "a").
// Keys without a character (arrows, function keys) give one character of the private-use area, so
// that they never equal a typed one.
QString charactersIgnoringModifiers(const QKeyEvent& event);

// True for a key press or release of exactly the key string with exactly the given modifiers.
// An event of other than one character never matches, with a warning.
bool matchesKey(const QKeyEvent& event, const QString& key, Qt::KeyboardModifiers modifiers);
// The same test on the lower-cased character, so "w" matches Shift+W when Shift is among the modifiers.
bool matchesCharacter(const QKeyEvent& event, QChar character, Qt::KeyboardModifiers modifiers);

// True while Shift is held, as the application's latest input event reported it.
bool isShiftKeyDown();

// "Characters: 'x'  unmodified: 'x'  modifier keys: Command Shift", a debugging aid.
QString keyEventDescription(const QKeyEvent& event);

#pragma once

#include <QIcon>

enum class TDPreferenceIconKind { General, Sync, CalendarSync, Keyboard };

// The toolbar image of a pane: the desktop theme's icon, or a drawn one where the theme has none.
QIcon TDPreferenceIcon(TDPreferenceIconKind kind);

#pragma once

class QWidget;

// Makes `window` (a tooltip or a pop-up shown at `anchor`) a transient of the window `anchor` is in:
// where windows cannot place themselves, the desktop places it relative to that window. Creates the
// native window of `window` when it has none yet.
void TDSetTransientParent(QWidget& window, const QWidget& anchor);

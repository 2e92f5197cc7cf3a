#pragma once

#include <QFont>

// The font with the bold weight.
QFont boldFont(const QFont& font);
// The same font at `pointSize`; the font itself for size 0.
QFont fontWithSize(const QFont& font, qreal pointSize);

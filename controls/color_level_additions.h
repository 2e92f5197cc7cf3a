#pragma once

#include <QColor>

// The colour blended toward white (highlight) or black (shadow) by the level, 0 to 1; the alpha stays.
QColor highlightWithLevel(const QColor& color, qreal level);
QColor shadowWithLevel(const QColor& color, qreal level);

#pragma once

#include "taskviews/task_title_styling.h"

// The title as it fits in `maxLines` lines (at least one) of a title layout at the width: unchanged when
// it fits in them, none wider than the width; otherwise cut where the last line still fits the width
// with an ellipsis, which ends it.
// Formats and tokens keep their places; a token the cut goes through keeps its part.
TDStyledTitle TDElidedTitle(const TDStyledTitle& title, qreal width, int maxLines);

#pragma once

#include "taskviews/task_title_styling.h"

// The title as it fits in `maxLines` lines (at least one) of a title layout at the width: unchanged when
// it fits; otherwise cut after as much of the last line as leaves room for an ellipsis, which ends it.
// Formats and tokens keep their places; a token the cut goes through keeps its part.
TDStyledTitle TDElidedTitle(const TDStyledTitle& title, qreal width, int maxLines);

#pragma once

#include "model/task.h"

#include <QColor>
#include <QPalette>

// The colour a due date is drawn in: past due in "pastDueColor", due soon in "dueSoonColor" (both user
// settings), anything else in the palette's text colour.
QColor TDDueDateColor(TDDueState state, const QPalette& palette);

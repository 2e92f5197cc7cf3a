#pragma once

#include "taskviews/task_checkbox_look.h"

#include <QRectF>

class QPainter;

// The checkbox at the left of a task row (23 by 18): the box with its mark, or the timer or overdue
// icon in its place, as TDTaskCheckboxLookFor says. Its pictures are drawn, not loaded.
class TDTaskCheckboxCell final {
public:
    // The small square the box is drawn in: 3 in from the frame's top left, 12 wide.
    static QRectF boxRect(const QRectF& frame);
    static void draw(QPainter& painter, const QRectF& frame, const TDTaskCheckboxLook& look);
};

#pragma once

#include <QRect>

class QWidget;

// A rectangle in the widget's coordinates in global screen coordinates, for placing popups and panels
// beside it; the empty rectangle while the widget's window has never been shown.
QRect convertRectToScreen(const QWidget& view, const QRect& rect);

#pragma once

#include <QPoint>
#include <QRect>
#include <QRectF>
#include <QSize>

// Where a balloon goes and how its body and arrow are drawn. Screen coordinates with y growing
// downwards. Direction 0 puts the balloon above its location (arrow on the bottom edge), 2 below it
// (arrow on the top edge); any other puts the balloon's top-left corner at the location, arrowless.
namespace TDBalloonGeometry {

inline constexpr int kArrowHeight = 8;
inline constexpr qreal kArrowHalfWidth = 6.5;
inline constexpr int kGap = 2;
inline constexpr qreal kCornerRadius = 6;
inline constexpr int kAbove = 0;
inline constexpr int kBelow = 2;

struct Placement {
    QRect frame;
    int direction = kBelow;
    QPoint location;  // the arrow tip's target, after a flip
};

// A balloon with content of `contentSize` pointing at `location`; below one that would pass the
// visible frame's bottom flips above the target, and the frame is moved sideways into the visible frame.
Placement place(QPoint location, int direction, const QRect& targetFrame, QSize contentSize,
                const QRect& visible);
// The body inside a panel of `panelSize`: the arrow's height is taken off the side the arrow is on.
QRectF boxFrame(QSizeF panelSize, int direction);
qreal cornerRadius(const QRectF& box);
// The arrow is drawn only when its base fits between the corner arcs; `tipX` in the panel's coordinates.
bool arrowFits(qreal tipX, const QRectF& box);
// A new content size keeps the horizontal centre and the arrow's edge.
QRect resizedFrame(const QRect& frame, QSize contentSize, int direction);

}  // namespace TDBalloonGeometry

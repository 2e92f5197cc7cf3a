#pragma once

#include <QPainterPath>
#include <QRectF>

// Appends a closed rectangle with rounded corners; the radius is limited to half the shorter side, so
// a narrow rectangle gets half-circle ends.
void appendRoundedRect(QPainterPath& path, const QRectF& rect, qreal radius);
QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal radius);
// A rounded rectangle with a radius of its own at each corner ("top" is the smaller y), each limited to
// half the shorter side; a radius of 0 leaves a square corner.
QPainterPath bezierPathWithRoundedRect(const QRectF& rect, qreal topLeftRadius, qreal topRightRadius,
                                       qreal bottomRightRadius, qreal bottomLeftRadius);

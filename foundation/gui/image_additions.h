#pragma once

#include <QColor>
#include <QImage>
#include <QRectF>

class QPainter;

// The image's rectangle at the origin in device-independent units, and its size in pixels.
QRectF sizeRect(const QImage& image);
int pixelWidth(const QImage& image);
int pixelHeight(const QImage& image);
QSize pixelSize(const QImage& image);
QRect pixelSizeRect(const QImage& image);

// A copy drawn at the opacity (0 gives a fully transparent image of the same size).
QImage imageWithOpacity(const QImage& image, qreal opacity);

// A strip one pixel wide and `height` high, row y holding start + y × (end − start) / height of each
// channel (so the last row stops one step short of the end colour), rounded half to even. Null for a
// height below 1.
QImage gradientImageOfHeight(int height, const QColor& start, const QColor& end);

// Draws the source part of the image upside down into the destination, its alpha fading from
// topAlpha at the destination's top to bottomAlpha at its bottom: a reflection below the image.
void drawVerticalReflection(QPainter& painter, const QImage& image, const QRectF& destination,
                            const QRectF& source, qreal topAlpha, qreal bottomAlpha);

#pragma once

#include <QColor>
#include <QFont>
#include <QRectF>
#include <QSizeF>

class QPainter;

// The rounded count badge at the right of a source-list row: white figures on a blue-grey capsule,
// inverted on a selected row.
class TDItemCountCell {
public:
    // How the badge is drawn: on a selected row, in the main window, in the focused view.
    struct Look {
        bool highlighted = false;
        bool windowIsMain = true;
        bool viewHasFocus = true;
    };

    // Bold 11 points of the design's font.
    static QFont defaultFont();
    static QColor defaultHighlightTextColor() { return QColor(131, 160, 196); }

    // The badge for the count within bounds `boundsHeight` high: never narrower than 20.
    static QSizeF cellSize(qint64 count, const QFont& font, qreal boundsHeight);
    // Where the figures go inside the badge's frame: centred, the x rounded to whole points.
    static QRectF textRect(qint64 count, const QFont& font, const QRectF& frame);
    static QColor fillColor(const Look& look);
    static QColor textColor(const Look& look, const QColor& highlightTextColor = defaultHighlightTextColor());
    static void draw(QPainter& painter, const QRectF& frame, qint64 count, const QFont& font,
                     const Look& look);
};

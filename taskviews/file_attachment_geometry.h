#pragma once

#include <QRectF>
#include <QSizeF>

// Where a file attachment in notes draws its icon and name. The icon (32 x 32) stands above the name
// unless the user default "fileAttachmentIconPosition" is 2 (left of it); drawn as a button
// ("fileAttachmentDrawAsButton") it takes 4 more on each side.
struct TDFileAttachmentGeometry {
    bool iconLeft = false;
    bool bordered = false;

    static constexpr qreal kIconSize = 32;
    static constexpr qreal kTitleHeight = 14;

    // From the user defaults.
    static TDFileAttachmentGeometry fromDefaults();

    // The attachment's size for a name that needs `titleWidth` points.
    QSizeF cellSize(qreal titleWidth) const;
    QRectF imageFrame(const QRectF& frame) const;
    // The name's frame; `titleHeight` is the height its text needs (used when the icon is left).
    QRectF titleFrame(const QRectF& frame, qreal titleHeight) const;

private:
    QRectF p_inset(const QRectF& frame) const;
};

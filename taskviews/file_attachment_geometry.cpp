#include "taskviews/file_attachment_geometry.h"

#include "platform/defaults/user_defaults.h"

#include <algorithm>
#include <cmath>

TDFileAttachmentGeometry TDFileAttachmentGeometry::fromDefaults() {
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    TDFileAttachmentGeometry geometry;
    geometry.iconLeft = defaults.integer(QStringLiteral("fileAttachmentIconPosition")) == 2;
    geometry.bordered = defaults.boolean(QStringLiteral("fileAttachmentDrawAsButton"));
    return geometry;
}

QSizeF TDFileAttachmentGeometry::cellSize(qreal titleWidth) const {
    QSizeF size = iconLeft ? QSizeF(std::min<qreal>(110, titleWidth) + 38, 32)
                           : QSizeF(std::min<qreal>(200, titleWidth), 46);
    if (bordered) size += QSizeF(8, 8);
    return size;
}

QRectF TDFileAttachmentGeometry::p_inset(const QRectF& frame) const {
    return bordered ? frame.adjusted(4, 4, -4, -4) : frame;
}

QRectF TDFileAttachmentGeometry::imageFrame(const QRectF& frame) const {
    const QRectF r = p_inset(frame);
    if (iconLeft) return QRectF(r.topLeft(), QSizeF(kIconSize, kIconSize));
    return QRectF(std::floor(r.x() + r.width() / 2 - kIconSize / 2), r.y(), kIconSize, kIconSize);
}

QRectF TDFileAttachmentGeometry::titleFrame(const QRectF& frame, qreal titleHeight) const {
    const QRectF r = p_inset(frame);
    if (!iconLeft) return QRectF(r.x(), r.y() + r.height() - kTitleHeight, r.width(), kTitleHeight);
    QRectF title = r.adjusted(kIconSize, 2, 0, -2);
    title.moveTop(title.y() + (title.height() - titleHeight) / 2);
    title.setHeight(titleHeight);
    return title;
}

#include "foundation/gui/font_additions.h"

QFont boldFont(const QFont& font) {
    QFont bold = font;
    bold.setBold(true);
    return bold;
}

QFont fontWithSize(const QFont& font, qreal pointSize) {
    if (pointSize == 0) return font;
    QFont sized = font;
    sized.setPointSizeF(pointSize);
    return sized;
}

#include "foundation/gui/paragraph_style_additions.h"

QTextBlockFormat centeredParagraphStyle() {
    QTextBlockFormat format;
    format.setAlignment(Qt::AlignHCenter);
    return format;
}

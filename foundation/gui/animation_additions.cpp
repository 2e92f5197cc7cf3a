#include "foundation/gui/animation_additions.h"

#include "foundation/gui/key_event_additions.h"

#include <QVariantAnimation>

int standardAnimationDuration() {
    return isShiftKeyDown() ? 3000 : 150;
}

void beginGroupingAndSetDuration(QVariantAnimation& animation) {
    animation.setDuration(standardAnimationDuration());
}

#include "foundation/gui/animation_additions.h"

#include "auxiliary/hot_key_manager.h"

#include <QVariantAnimation>

int standardAnimationDuration() {
    return TDHotKeyManager::defaultManager().isShiftKeyDown() ? 3000 : 150;
}

void beginGroupingAndSetDuration(QVariantAnimation& animation) {
    animation.setDuration(standardAnimationDuration());
}

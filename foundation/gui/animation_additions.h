#pragma once

class QVariantAnimation;

// The duration of the program's animations in milliseconds: 150, or 3000 while Shift is held, so an
// animation can be watched slowly.
int standardAnimationDuration();
// Gives the animation the standard duration.
void beginGroupingAndSetDuration(QVariantAnimation& animation);

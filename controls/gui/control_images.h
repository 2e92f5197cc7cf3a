#pragma once

#include <QImage>

// The small images of the drawn controls, painted once on first use and kept (at twice the pixel
// density, so they stay sharp on dense screens). Sizes are in device-independent pixels.
namespace control_images {

inline constexpr int kCheckboxImageSize = 18;

// The coloured checkbox: a soft bottom shadow, the box's outline and gloss, and a white checkmark.
const QImage& coloredCheckboxBackground();
const QImage& coloredCheckboxNormal();
const QImage& coloredCheckboxCheckmark();
// The drawn checkbox's dark checkmark, leaving the box through its top-right corner.
const QImage& checkboxCheckmark();
// White magnifier and cancel images (pressed: brighter) of the dark search field, 14 pixels square.
inline constexpr int kSearchImageSize = 14;
const QImage& searchWhite();
const QImage& searchCancelWhite(bool pressed);

}  // namespace control_images

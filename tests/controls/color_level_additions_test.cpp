#include "controls/color_level_additions.h"

#include <gtest/gtest.h>

TEST(ColorLevelAdditions, HighlightAndShadowBlendTowardWhiteAndBlackKeepingAlpha) {
    const QColor color = QColor::fromRgbF(0.2f, 0.4f, 0.6f, 0.5f);
    const QColor light = highlightWithLevel(color, 0.6);
    EXPECT_NEAR(light.redF(), 0.2 * 0.4 + 0.6, 1e-3);
    EXPECT_NEAR(light.blueF(), 0.6 * 0.4 + 0.6, 1e-3);
    EXPECT_NEAR(light.alphaF(), 0.5, 1e-3);
    const QColor dark = shadowWithLevel(color, 0.25);
    EXPECT_NEAR(dark.greenF(), 0.4 * 0.75, 1e-3);
    EXPECT_NEAR(dark.alphaF(), 0.5, 1e-3);
    EXPECT_EQ(highlightWithLevel(color, 0.0).rgba(), color.rgba());
}

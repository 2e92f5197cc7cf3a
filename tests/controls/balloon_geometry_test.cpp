#include "controls/balloon_geometry.h"

#include <gtest/gtest.h>

namespace {

using namespace TDBalloonGeometry;

const QRect kScreen(0, 0, 1000, 800);

TEST(BalloonGeometry, OpensBelowAndFlipsAboveTheTargetNearTheBottom) {
    const QRect cell(400, 100, 80, 20);
    const Placement below = place(QPoint(440, 120), kBelow, cell, QSize(200, 150), kScreen);
    EXPECT_EQ(below.direction, kBelow);
    EXPECT_EQ(below.frame, QRect(340, 122, 200, 158));

    const QRect low(400, 700, 80, 20);
    const Placement flipped = place(QPoint(440, 720), kBelow, low, QSize(200, 150), kScreen);
    EXPECT_EQ(flipped.direction, kAbove);
    EXPECT_EQ(flipped.location, QPoint(440, 700));
    EXPECT_EQ(flipped.frame.bottom(), 700 - kGap - 1);
}

TEST(BalloonGeometry, StaysInsideTheScreenSideways) {
    struct Case {
        int x;
        int left;
    } cases[] = {{20, 0}, {990, 800}, {500, 400}};
    for (const Case& c : cases) {
        const Placement placement =
            place(QPoint(c.x, 100), kBelow, QRect(c.x, 80, 10, 20), QSize(200, 100), kScreen);
        EXPECT_EQ(placement.frame.left(), c.left) << c.x;
    }
}

TEST(BalloonGeometry, BodyCornersAndArrowFit) {
    EXPECT_EQ(boxFrame(QSizeF(200, 108), kBelow), QRectF(0, 8, 200, 100));
    EXPECT_EQ(boxFrame(QSizeF(200, 108), kAbove), QRectF(0, 0, 200, 100));
    EXPECT_EQ(cornerRadius(QRectF(0, 0, 100, 10)), 5);
    EXPECT_EQ(cornerRadius(QRectF(0, 0, 100, 50)), 6);
    const QRectF box(0, 8, 200, 100);
    EXPECT_TRUE(arrowFits(100, box));
    EXPECT_TRUE(arrowFits(12, box));
    EXPECT_FALSE(arrowFits(8, box));
    EXPECT_FALSE(arrowFits(195, box));
}

TEST(BalloonGeometry, NewContentKeepsTheCentreAndTheArrowEdge) {
    const QRect frame(100, 200, 200, 108);
    EXPECT_EQ(resizedFrame(frame, QSize(100, 50), kBelow), QRect(150, 200, 100, 58));
    EXPECT_EQ(resizedFrame(frame, QSize(100, 50), kAbove), QRect(150, 250, 100, 58));
}

}  // namespace

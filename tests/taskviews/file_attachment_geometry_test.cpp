#include "taskviews/file_attachment_geometry.h"

#include <gtest/gtest.h>

namespace {

TEST(FileAttachmentGeometryTest, SizeFollowsTheNameWithinItsLimits) {
    struct Case {
        bool iconLeft;
        bool bordered;
        qreal titleWidth;
        QSizeF size;
    } cases[] = {
        {true, false, 300, {148, 32}},  {true, true, 300, {156, 40}}, {true, false, 60, {98, 32}},
        {false, false, 300, {200, 46}}, {false, false, 80, {80, 46}}, {false, true, 80, {88, 54}},
    };
    for (const Case& c : cases) {
        const TDFileAttachmentGeometry geometry{c.iconLeft, c.bordered};
        EXPECT_EQ(geometry.cellSize(c.titleWidth), c.size) << c.iconLeft << c.bordered << c.titleWidth;
    }
}

TEST(FileAttachmentGeometryTest, IconAndNameFrames) {
    const QRectF frame(10, 20, 100, 46);
    const TDFileAttachmentGeometry above{false, false};
    EXPECT_EQ(above.imageFrame(frame), QRectF(44, 20, 32, 32));
    EXPECT_EQ(above.titleFrame(frame, 13), QRectF(10, 52, 100, 14));

    const TDFileAttachmentGeometry left{true, false};
    EXPECT_EQ(left.imageFrame(QRectF(10, 20, 148, 32)), QRectF(10, 20, 32, 32));
    // Beside the icon, centred on the frame's middle.
    EXPECT_EQ(left.titleFrame(QRectF(10, 20, 148, 32), 14), QRectF(42, 29, 116, 14));

    const TDFileAttachmentGeometry button{false, true};
    EXPECT_EQ(button.imageFrame(QRectF(0, 0, 108, 54)), QRectF(38, 4, 32, 32));
}

}  // namespace

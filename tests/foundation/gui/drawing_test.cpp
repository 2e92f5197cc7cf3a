#include "foundation/gui/image_additions.h"
#include "foundation/gui/path_additions.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QPainter>

namespace {

// Each drawing is also written under the build folder, to be looked at.
void save(const QImage& image, const char* name) {
    const QString folder = QStringLiteral(ORDELLO_TEST_OUTPUT_DIR "/drawing");
    QDir().mkpath(folder);
    EXPECT_TRUE(image.save(folder + QLatin1Char('/') + QString::fromLatin1(name) + QStringLiteral(".png")));
}

QImage canvas(int w, int h) {
    QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

QImage fill(const QPainterPath& path, int w, int h) {
    QImage image = canvas(w, h);
    QPainter painter(&image);
    painter.fillPath(path, QColor(30, 90, 200));
    return image;
}

int alphaAt(const QImage& image, int x, int y) {
    return qAlpha(image.pixel(x, y));
}

TEST(Drawing, RoundedRectanglesLeaveTheirCornersTransparent) {
    const QImage rounded = fill(bezierPathWithRoundedRect(QRectF(0, 0, 80, 60), 20), 80, 60);
    save(rounded, "rounded_rect");
    EXPECT_EQ(alphaAt(rounded, 0, 0), 0);
    EXPECT_EQ(alphaAt(rounded, 79, 59), 0);
    EXPECT_EQ(alphaAt(rounded, 40, 30), 255);
    EXPECT_EQ(alphaAt(rounded, 40, 1), 255);  // the straight top edge

    // 10 wide, 40 high, radius 8: limited to 5, the ends are half circles.
    const QPainterPath capsule = bezierPathWithRoundedRect(QRectF(0, 0, 10, 40), 8);
    save(fill(capsule, 10, 40), "capsule");
    EXPECT_TRUE(capsule.contains(QPointF(5, 0.5)));
    EXPECT_TRUE(capsule.contains(QPointF(0.5, 5)));
    EXPECT_FALSE(capsule.contains(QPointF(1, 1)));
    EXPECT_EQ(capsule.boundingRect(), QRectF(0, 0, 10, 40));

    // Radius 0: a plain rectangle.
    const QPainterPath square = bezierPathWithRoundedRect(QRectF(0, 0, 20, 10), 0);
    EXPECT_TRUE(square.contains(QPointF(0.1, 0.1)));
    EXPECT_TRUE(square.contains(QPointF(19.9, 9.9)));
    QPainterPath appended;
    appendRoundedRect(appended, QRectF(0, 0, 20, 10), 0);
    EXPECT_EQ(appended, square);
}

TEST(Drawing, EachCornerHasItsOwnRadius) {
    const QImage image = fill(bezierPathWithRoundedRect(QRectF(0, 0, 100, 60), 30, 0, 10, 100), 100, 60);
    save(image, "per_corner_radii");
    EXPECT_EQ(alphaAt(image, 2, 2), 0);      // top left, 30
    EXPECT_EQ(alphaAt(image, 99, 0), 255);   // top right, square
    EXPECT_EQ(alphaAt(image, 99, 59), 0);    // bottom right, 10
    EXPECT_EQ(alphaAt(image, 94, 54), 255);  // inside that small arc
    EXPECT_EQ(alphaAt(image, 5, 50), 0);     // bottom left, limited to 30
    EXPECT_EQ(alphaAt(image, 50, 30), 255);
}

TEST(Drawing, GradientStripStopsOneStepShortOfTheEnd) {
    const QImage two = gradientImageOfHeight(2, Qt::black, Qt::white);
    ASSERT_EQ(two.size(), QSize(1, 2));
    EXPECT_EQ(two.pixelColor(0, 0), QColor(0, 0, 0));
    EXPECT_EQ(two.pixelColor(0, 1), QColor(128, 128, 128));  // 127.5 rounds to even

    const QImage strip = gradientImageOfHeight(64, QColor(255, 0, 0), QColor(0, 0, 255, 0));
    save(strip.scaled(32, 64), "gradient");
    EXPECT_EQ(strip.pixelColor(0, 0), QColor(255, 0, 0, 255));
    for (int y = 1; y < 64; ++y) {
        EXPECT_LT(strip.pixelColor(0, y).red(), strip.pixelColor(0, y - 1).red()) << y;
        EXPECT_GT(strip.pixelColor(0, y).blue(), strip.pixelColor(0, y - 1).blue()) << y;
    }
    EXPECT_EQ(strip.pixelColor(0, 63).alpha(), 4);  // 255 × 1/64
    // Equal channels stay at the end value.
    EXPECT_EQ(gradientImageOfHeight(3, QColor(10, 20, 30), QColor(10, 20, 30)).pixelColor(0, 2),
              QColor(10, 20, 30));
    EXPECT_TRUE(gradientImageOfHeight(0, Qt::black, Qt::white).isNull());
}

TEST(Drawing, OpacityAndPixelSizes) {
    QImage image = canvas(40, 20);
    image.fill(QColor(200, 40, 40));
    image.setDevicePixelRatio(2);
    EXPECT_EQ(sizeRect(image), QRectF(0, 0, 20, 10));
    EXPECT_EQ(pixelSize(image), QSize(40, 20));
    EXPECT_EQ(pixelSizeRect(image), QRect(0, 0, 40, 20));
    EXPECT_EQ(pixelWidth(image), 40);
    EXPECT_EQ(pixelHeight(image), 20);

    const QImage half = imageWithOpacity(image, 0.5);
    save(half, "opacity_half");
    EXPECT_EQ(half.size(), image.size());
    EXPECT_NEAR(alphaAt(half, 10, 10), 128, 1);
    const QImage none = imageWithOpacity(image, 0);
    EXPECT_EQ(none.size(), image.size());
    for (int y = 0; y < none.height(); ++y)
        for (int x = 0; x < none.width(); ++x) ASSERT_EQ(alphaAt(none, x, y), 0);
}

TEST(Drawing, ReflectionIsMirroredAndFades) {
    // Red on top, blue below.
    QImage picture = canvas(40, 40);
    {
        QPainter p(&picture);
        p.fillRect(0, 0, 40, 20, Qt::red);
        p.fillRect(0, 20, 40, 20, Qt::blue);
    }
    QImage scene = canvas(40, 80);
    {
        QPainter p(&scene);
        p.drawImage(0, 0, picture);
        drawVerticalReflection(p, picture, QRectF(0, 40, 40, 40), QRectF(0, 0, 40, 40), 0.8, 0.0);
    }
    save(scene, "reflection");
    const QColor nearTop = scene.pixelColor(20, 42);
    const QColor nearBottom = scene.pixelColor(20, 78);
    EXPECT_GT(nearTop.blue(), 150);  // the picture's bottom shows first
    EXPECT_EQ(nearTop.red(), 0);
    EXPECT_GT(scene.pixelColor(20, 70).red(), 0);
    EXPECT_NEAR(nearTop.alpha(), 0.8 * 255 * 0.95, 12);
    EXPECT_LT(nearBottom.alpha(), 10);
    EXPECT_GT(nearTop.alpha(), scene.pixelColor(20, 60).alpha());
}

}  // namespace

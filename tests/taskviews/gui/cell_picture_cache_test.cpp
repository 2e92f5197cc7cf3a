#include "taskviews/gui/cell_picture_cache.h"

#include <QPainter>
#include <QPainterPath>
#include <QPicture>

#include <gtest/gtest.h>

namespace {

// A small antialiased picture that reaches a little past its frame, as a checkmark does.
void drawPicture(QPainter& painter, const QRectF& frame) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath box;
    box.addRoundedRect(frame.adjusted(3.5, 3.5, -3.5, -3.5), 2, 2);
    painter.fillPath(box, QColor::fromRgbF(1, 1, 1, 0.75f));
    painter.setPen(QPen(QColor(0, 0, 0, 140), 1.0));
    painter.drawPath(box);
    painter.setPen(QPen(QColor(20, 20, 20), 2.2, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(frame.topLeft() + QPointF(5, 9), frame.topRight() + QPointF(-3, 0));
    painter.restore();
}

QImage paper() {
    QImage image(60, 40, QImage::Format_ARGB32_Premultiplied);
    image.fill(QColor(255, 252, 214));
    return image;
}

int largestDifference(const QImage& a, const QImage& b) {
    int largest = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QColor p = a.pixelColor(x, y);
            const QColor q = b.pixelColor(x, y);
            largest = std::max({largest, std::abs(p.red() - q.red()), std::abs(p.green() - q.green()),
                                std::abs(p.blue() - q.blue())});
        }
    return largest;
}

// Where a copy lands on whole pixels it looks as the picture drawn in place, marks past the frame
// included; anywhere else the picture is drawn in place and nothing is kept.
TEST(CellPictureCache, CopiesOnlyWhereTheyGiveThePixelsOfDrawingInPlace) {
    struct Case {
        const char* where;
        QPointF at;
        qreal opacity;
        bool copied;
    };
    const Case cases[] = {
        {"whole pixels", QPointF(20, 12), 1.0, true},
        {"half a pixel across", QPointF(20.5, 12), 1.0, false},
        {"a quarter down", QPointF(20, 12.25), 1.0, false},
        {"at half opacity", QPointF(20, 12), 0.5, false},
    };
    for (const Case& test : cases) {
        TDCellPictureCache cache;
        const QRectF frame(test.at, QSizeF(23, 18));
        QImage inPlace = paper();
        {
            QPainter painter(&inPlace);
            painter.setOpacity(test.opacity);
            drawPicture(painter, frame);
        }
        for (int time = 0; time < 2; ++time) {  // drawn, then copied
            QImage cached = paper();
            {
                QPainter painter(&cached);
                painter.setOpacity(test.opacity);
                cache.draw(painter, frame, 7, drawPicture);
            }
            EXPECT_LE(largestDifference(inPlace, cached), test.copied ? 1 : 0) << test.where << " " << time;
        }
        EXPECT_EQ(cache.size(), test.copied ? 1 : 0) << test.where;
    }

    // Print records the drawing to scale it later: it gets the picture itself.
    TDCellPictureCache cache;
    QPicture recorded;
    QPainter painter(&recorded);
    cache.draw(painter, QRectF(20, 12, 23, 18), 7, drawPicture);
    painter.end();
    EXPECT_EQ(cache.size(), 0);
}

TEST(CellPictureCache, LooksAndSizesAreKeptApart) {
    TDCellPictureCache cache;
    QImage image = paper();
    QPainter painter(&image);
    cache.draw(painter, QRectF(0, 0, 23, 18), 1, drawPicture);
    cache.draw(painter, QRectF(30, 10, 23, 18), 1, drawPicture);
    EXPECT_EQ(cache.size(), 1);
    cache.draw(painter, QRectF(0, 0, 23, 18), 2, drawPicture);
    cache.draw(painter, QRectF(0, 0, 17, 18), 1, drawPicture);
    painter.scale(2, 2);
    cache.draw(painter, QRectF(0, 0, 23, 18), 1, drawPicture);
    EXPECT_EQ(cache.size(), 4);
}

}  // namespace

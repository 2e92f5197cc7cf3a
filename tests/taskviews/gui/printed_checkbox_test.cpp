// A task's checkbox on paper looks as it does on screen: a light box with a fine outline.
#include "taskviews/gui/task_checkbox_cell.h"

#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QPicture>
#include <QPrinter>
#include <QProcess>

#include <gtest/gtest.h>

namespace {

constexpr int kDotsPerInch = 300;
// Pixels of the page, at the screen's 96 per inch, as the printed list uses them.
constexpr double kScale = kDotsPerInch / 96.0;

class PrintedCheckboxTest : public testsupport::TempFoldersTest {
protected:
    // The grey levels of the page's top left corner, rasterised at 300 dots per inch.
    QByteArray printedGreys(const QString& pdf, int side) const {
        const QString base = QDir(tempPath()).filePath(QStringLiteral("checkbox"));
        QProcess raster;
        raster.start(QStringLiteral("pdftoppm"),
                     {QStringLiteral("-gray"), QStringLiteral("-r"), QString::number(kDotsPerInch),
                      QStringLiteral("-singlefile"), QStringLiteral("-x"), QStringLiteral("0"),
                      QStringLiteral("-y"), QStringLiteral("0"), QStringLiteral("-W"), QString::number(side),
                      QStringLiteral("-H"), QString::number(side), pdf, base});
        if (!raster.waitForFinished(60000) || raster.exitCode() != 0) return {};
        QFile file(base + QStringLiteral(".pgm"));
        if (!file.open(QIODevice::ReadOnly)) return {};
        QByteArray bytes = file.readAll();
        // "P5\n<width> <height>\n255\n", then one byte a pixel.
        int lines = 0;
        qsizetype at = 0;
        while (lines < 3 && at < bytes.size())
            if (bytes.at(at++) == '\n') ++lines;
        return bytes.mid(at);
    }
};

// The list is printed through a recorded picture, where a shade that fades out became a dark fill.
TEST_F(PrintedCheckboxTest, ABoxPrintedThroughAPictureStaysLightInside) {
    const QString pdf = QDir(tempPath()).filePath(QStringLiteral("checkbox.pdf"));
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(pdf);
    printer.setFullPage(true);
    printer.setResolution(96);
    const QRectF frame(10, 10, 18, 18);
    QPicture recorded;
    QPainter recording(&recorded);
    TDTaskCheckboxCell::draw(recording, frame, TDTaskCheckboxLook{});
    recording.end();
    QPainter page(&printer);
    page.drawPicture(0, 0, recorded);
    ASSERT_TRUE(page.end());

    const int side = int(40 * kScale);
    const QByteArray greys = printedGreys(pdf, side);
    ASSERT_EQ(greys.size(), qsizetype(side) * side);
    const auto grey = [&](double x, double y) {
        return int(static_cast<unsigned char>(greys.at(int(y * kScale) * side + int(x * kScale))));
    };
    const QRectF box = TDTaskCheckboxCell::boxRect(frame);
    for (const QPointF& inside :
         {box.center(), box.topLeft() + QPointF(3, 3), box.bottomRight() - QPointF(3, 3)})
        EXPECT_GE(grey(inside.x(), inside.y()), 0xf0) << inside.x() << "," << inside.y();
    // The outline is there, and no heavier than a line: a grey, not black.
    const int outline = grey(box.left() + 0.6, box.center().y());
    EXPECT_LT(outline, 0xe0);
    EXPECT_GT(outline, 0x40);
}

}  // namespace

// The preview window of attached files: what it shows of each kind, Open, and the keys that close it.
#include "taskviews/gui/attachment_preview_window.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QPainter>
#include <QPdfWriter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class AttachmentPreviewWindowTest : public testsupport::TempFoldersTest {
protected:
    QString path(const QString& name) const { return QDir(tempPath()).filePath(name); }

    QString pdfOfPages(int pages) const {
        const QString file = path(QStringLiteral("Plan.pdf"));
        QPdfWriter writer(file);
        QPainter painter(&writer);
        QFont font = painter.font();
        font.setPointSize(28);
        painter.setFont(font);
        for (int page = 1; page <= pages; ++page) {
            painter.drawText(600, 1200, QStringLiteral("Garden plan, page %1").arg(page));
            painter.fillRect(600, 1600, 6000, 3000, QColor(0x7a, 0xa8, 0x5c));
            if (page < pages) writer.newPage();
        }
        return file;
    }

    void screenshot(QWidget& window, const QString& name) {
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(window.grab().save(QDir(folder).filePath(name)));
    }
};

TEST_F(AttachmentPreviewWindowTest, ShowsImagesPdfPagesTextAndTheFactsOfOtherFiles) {
    QImage picture(320, 200, QImage::Format_RGB32);
    picture.fill(QColor(0x3d, 0x7e, 0xa6));
    QPainter painter(&picture);
    painter.fillRect(40, 40, 120, 90, QColor(0xf2, 0xc1, 0x4e));
    painter.end();
    ASSERT_TRUE(picture.save(path(QStringLiteral("Sketch.png"))));
    QFile binary(path(QStringLiteral("Archive data.bin")));
    ASSERT_TRUE(binary.open(QIODevice::WriteOnly));
    binary.write(QByteArray("\x00\x11\x22\x33", 4).repeated(4000));
    binary.close();
    QFile text(path(QStringLiteral("todo.txt")));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    text.write("milk\neggs\n");
    text.close();

    TDAttachmentPreviewWindow window;
    window.showPreview(TDAttachmentPreviewOf(path(QStringLiteral("Sketch.png")), QString()));
    const auto* image = window.findChild<QLabel*>(QStringLiteral("previewImage"));
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->pixmap().size(), QSize(320, 200));
    EXPECT_EQ(window.windowTitle(), QStringLiteral("Sketch.png"));
    screenshot(window, QStringLiteral("attachment_preview_image.png"));

    window.showPreview(TDAttachmentPreviewOf(pdfOfPages(3), QString()));
    QCoreApplication::processEvents();
    EXPECT_NE(window.findChild<QWidget*>(QStringLiteral("previewPdf")), nullptr);
    EXPECT_EQ(window.shownPageCount(), 3);
    screenshot(window, QStringLiteral("attachment_preview_pdf.png"));

    window.showPreview(TDAttachmentPreviewOf(path(QStringLiteral("todo.txt")), QString()));
    QCoreApplication::processEvents();
    const auto* shown = window.findChild<QPlainTextEdit*>(QStringLiteral("previewText"));
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->toPlainText(), QStringLiteral("milk\neggs\n"));

    int opened = 0;
    window.showPreview(TDAttachmentPreviewOf(path(QStringLiteral("Archive data.bin")), QString()),
                       [&opened] { ++opened; });
    QCoreApplication::processEvents();
    auto* open = window.findChild<QPushButton*>(QStringLiteral("previewOpen"));
    ASSERT_NE(open, nullptr);
    screenshot(window, QStringLiteral("attachment_preview_binary.png"));
    open->click();
    EXPECT_EQ(opened, 1);
}

TEST_F(AttachmentPreviewWindowTest, AMissingFileIsSaidPlainlyAndEscapeOrSpaceClose) {
    TDAttachmentPreviewWindow window;
    window.showPreview(TDAttachmentPreviewOf(QString(), QStringLiteral("Old invoice.pdf")));
    QCoreApplication::processEvents();
    const auto* missing = window.findChild<QLabel*>(QStringLiteral("previewMissing"));
    ASSERT_NE(missing, nullptr);
    EXPECT_TRUE(missing->text().contains(QStringLiteral("“Old invoice.pdf” cannot be found")));
    EXPECT_EQ(window.findChild<QPushButton*>(QStringLiteral("previewOpen")), nullptr);

    for (const Qt::Key key : {Qt::Key_Escape, Qt::Key_Space}) {
        window.show();
        window.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
        QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : &window, key);
        EXPECT_FALSE(window.isVisible()) << key;
    }
}

}  // namespace

#include "taskviews/attachment_preview.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPdfWriter>

namespace {

class AttachmentPreviewTest : public testsupport::TempFoldersTest {
protected:
    QString file(const QString& name, const QByteArray& content) {
        const QString path = QDir(tempPath()).filePath(name);
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(content);
        return path;
    }
};

TEST_F(AttachmentPreviewTest, EachKindOfFileIsShownAsWhatItIs) {
    const QString image = QDir(tempPath()).filePath(QStringLiteral("photo.png"));
    QImage picture(40, 30, QImage::Format_RGB32);
    picture.fill(Qt::darkCyan);
    ASSERT_TRUE(picture.save(image));
    const QString pdf = QDir(tempPath()).filePath(QStringLiteral("report.pdf"));
    {
        QPdfWriter writer(pdf);
        QPainter painter(&writer);
        painter.drawText(100, 100, QStringLiteral("Quarterly report"));
    }
    // A script is only read: running it would leave this file behind.
    const QString ran = QDir(tempPath()).filePath(QStringLiteral("ran"));
    const QString script = file(QStringLiteral("clean up.sh"), "#!/bin/sh\ntouch '" + ran.toUtf8() + "'\n");
    QFile::setPermissions(script, QFile::permissions(script) | QFile::ExeOwner);

    const struct {
        QString path;
        TDAttachmentPreviewKind kind;
    } cases[] = {
        {image, TDAttachmentPreviewKind::Image},
        {pdf, TDAttachmentPreviewKind::Pdf},
        {file(QStringLiteral("notes.txt"), "first line\nsecond line\n"), TDAttachmentPreviewKind::Text},
        {file(QStringLiteral("main.cpp"), "int main() { return 0; }\n"), TDAttachmentPreviewKind::Text},
        {script, TDAttachmentPreviewKind::Text},
        {file(QStringLiteral("data.bin"), QByteArray("\x00\x01\x02\xff\xfe", 5).repeated(100)),
         TDAttachmentPreviewKind::Summary},
        {file(QStringLiteral("odd \u00e9\u00e8 [1] $HOME 'q' \"d\" #.txt"), "text with an odd name"),
         TDAttachmentPreviewKind::Text},
        {file(QStringLiteral("fake.png"), "not an image at all"), TDAttachmentPreviewKind::Summary},
    };
    for (const auto& c : cases) {
        const TDAttachmentPreview preview = TDAttachmentPreviewOf(c.path, QString());
        EXPECT_EQ(preview.kind, c.kind) << c.path.toStdString();
        EXPECT_EQ(preview.name, QFileInfo(c.path).fileName());
        EXPECT_EQ(preview.size, QFileInfo(c.path).size());
        EXPECT_TRUE(preview.modified.isValid());
    }
    EXPECT_EQ(TDAttachmentPreviewOf(script, QString()).text,
              QStringLiteral("#!/bin/sh\ntouch '%1'\n").arg(ran));
    EXPECT_FALSE(QFile::exists(ran));
}

TEST_F(AttachmentPreviewTest, AMissingFileKeepsItsNameAndALongTextIsCutAtItsLimit) {
    const TDAttachmentPreview missing = TDAttachmentPreviewOf(QString(), QStringLiteral("Gone.pdf"));
    EXPECT_EQ(missing.kind, TDAttachmentPreviewKind::Missing);
    EXPECT_EQ(missing.name, QStringLiteral("Gone.pdf"));
    EXPECT_TRUE(missing.path.isEmpty());
    EXPECT_EQ(
        TDAttachmentPreviewOf(QDir(tempPath()).filePath(QStringLiteral("nothing")), QStringLiteral("nothing"))
            .kind,
        TDAttachmentPreviewKind::Missing);
    EXPECT_EQ(TDAttachmentPreviewOf(tempPath(), QStringLiteral("folder")).kind,
              TDAttachmentPreviewKind::Missing);

    // The cut falls inside a two-byte character.
    const QByteArray line = QByteArray("\xc3\xa9", 2) + QByteArray("x").repeated(99) + '\n';
    const QString path =
        file(QStringLiteral("long.txt"), line.repeated(int(TDPreviewTextLimit / line.size()) + 50));
    const TDAttachmentPreview preview = TDAttachmentPreviewOf(path, QString());
    EXPECT_EQ(preview.kind, TDAttachmentPreviewKind::Text);
    EXPECT_TRUE(preview.textIsCut);
    EXPECT_LE(preview.text.toUtf8().size(), TDPreviewTextLimit);
    EXPECT_GT(preview.text.toUtf8().size(), TDPreviewTextLimit - 4);
    EXPECT_TRUE(preview.text.startsWith(QStringLiteral("\u00e9xx")));
}

}  // namespace

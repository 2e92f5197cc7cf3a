#include "platform/files/file_reference.h"
#include "tests/support/test_environment.h"

#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace {

using platform::FileReference;

class FileReferenceTest : public ::testing::Test {
protected:
    QString make(const QString& name, const QByteArray& contents = "attachment") {
        const QString file = dir.filePath(name);
        QDir().mkpath(QFileInfo(file).absolutePath());
        QFile f(file);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
        return file;
    }
    QTemporaryDir tempDir;
    QDir dir{tempDir.path()};
};

TEST_F(FileReferenceTest, FindsTheFileByPathThenAfterItWasRenamed) {
    const QString file = make(QStringLiteral("Notes/plan.txt"));
    const auto reference = FileReference::fromPath(file);
    ASSERT_TRUE(reference);
    EXPECT_EQ(reference->fullPath(), file);
    EXPECT_EQ(reference->size(), 10);

    // Stored and read back, then the file is renamed in its folder: found by its inode.
    const Result<FileReference> stored = FileReference::fromData(reference->data());
    ASSERT_TRUE(stored);
    EXPECT_EQ(*stored, *reference);
    const QString renamed = dir.filePath(QStringLiteral("Notes/plan (final).txt"));
    ASSERT_TRUE(QFile::rename(file, renamed));
    make(QStringLiteral("Notes/other.txt"), "another file");
    EXPECT_EQ(stored->fullPath(), renamed);

    // A new file at the old path wins: the path is tried first.
    make(QStringLiteral("Notes/plan.txt"), "replacement");
    EXPECT_EQ(stored->fullPath(), file);

    // Moved out of its folder and nothing at the path: not found.
    QFile::remove(file);
    ASSERT_TRUE(QDir().mkpath(dir.filePath(QStringLiteral("Elsewhere"))));
    ASSERT_TRUE(QFile::rename(renamed, dir.filePath(QStringLiteral("Elsewhere/plan.txt"))));
    EXPECT_EQ(stored->fullPath(), QString());
}

TEST_F(FileReferenceTest, FindsACopiedFileBySizeAndModificationTime) {
    const QString file = make(QStringLiteral("a/report.pdf"), "pdf bytes");
    const auto reference = FileReference::fromPath(file);
    ASSERT_TRUE(reference);
    // Copying with the same modification time gives a new inode, as restoring a folder from a copy does.
    const QString copy = dir.filePath(QStringLiteral("a/report renamed.pdf"));
    ASSERT_TRUE(QFile::copy(file, copy));
    QFile copied(copy);
    ASSERT_TRUE(copied.open(QIODevice::ReadWrite));
    ASSERT_TRUE(copied.setFileTime(QFileInfo(file).lastModified(), QFileDevice::FileModificationTime));
    copied.close();
    QFile::remove(file);
    EXPECT_EQ(reference->fullPath(), copy);
}

TEST_F(FileReferenceTest, RelativeReferenceResolvesUnderTheFolderWhereverItIs) {
    make(QStringLiteral("Library/Attachments/image.png"));
    EXPECT_FALSE(FileReference::fromPath(QStringLiteral("Attachments/missing.png"),
                                         dir.filePath(QStringLiteral("Library"))));
    EXPECT_FALSE(FileReference::fromPath(QStringLiteral("Attachments/image.png"),
                                         dir.filePath(QStringLiteral("NoSuchBase"))));
    const auto reference = FileReference::fromPath(QStringLiteral("Attachments/image.png"),
                                                   dir.filePath(QStringLiteral("Library")));
    ASSERT_TRUE(reference);
    const auto stored = FileReference::fromData(reference->data());
    ASSERT_TRUE(stored);

    ASSERT_TRUE(QDir().rename(dir.filePath(QStringLiteral("Library")),
                              dir.filePath(QStringLiteral("Moved Library"))));
    EXPECT_EQ(stored->fullPathRelativeToPath(dir.filePath(QStringLiteral("Moved Library"))),
              dir.filePath(QStringLiteral("Moved Library/Attachments/image.png")));
    EXPECT_EQ(stored->fullPath(), QString());
    EXPECT_EQ(stored->fullPathRelativeToPath(dir.filePath(QStringLiteral("No Such Folder"))), QString());
}

TEST_F(FileReferenceTest, NothingToReferenceGivesNothing) {
    EXPECT_FALSE(FileReference::fromPath(dir.filePath(QStringLiteral("missing"))));
    EXPECT_FALSE(FileReference::fromPath(QString()));
}

QByteArray withVersion(QByteArray data, quint16 version) {
    data[4] = static_cast<char>(version >> 8);
    data[5] = static_cast<char>(version & 0xff);
    return data;
}

TEST_F(FileReferenceTest, DataNotWrittenByUsIsRefused) {
    const auto reference = FileReference::fromPath(make(QStringLiteral("f")));
    ASSERT_TRUE(reference);
    const QByteArray good = reference->data();
    QByteArray hugePath = good.left(8);
    hugePath.append("\xff\xff\xff\xf0", 4);
    QByteArray relativeFlagWithoutPath = good;
    relativeFlagWithoutPath[7] = 1;
    QByteArray unknownFlag = good;
    unknownFlag[7] = 2;
    QByteArray badText = good;
    badText[12] = '\xff';  // the first byte of the path

    const struct {
        const char* name;
        QByteArray data;
    } cases[] = {
        {"empty", QByteArray()},
        {"other magic", QByteArray("book") + good.mid(4)},
        {"truncated", good.left(good.size() - 3)},
        {"trailing bytes", good + "x"},
        {"newer version", withVersion(good, 2)},
        {"version zero", withVersion(good, 0)},
        {"path length past the end", hugePath},
        {"relative flag without a relative path", relativeFlagWithoutPath},
        {"too large", QByteArray(70000, 'x')},
        {"unknown flag", unknownFlag},
        {"path not UTF-8", badText},
    };
    for (const auto& c : cases) {
        const Result<FileReference> read = FileReference::fromData(c.data);
        EXPECT_FALSE(read) << c.name;
        if (!read) {
            EXPECT_FALSE(read.error().description.isEmpty()) << c.name;
        }
    }
}

}  // namespace

#include "foundation/gzip_input_device.h"
#include "foundation/data_additions.h"
#include "tests/support/test_environment.h"

#include <QBuffer>

namespace {

QByteArray sample() {
    QByteArray bytes;
    for (int i = 0; i < 300000; ++i) bytes.append(char('a' + (i * 7 + i / 13) % 26));
    return bytes;
}

// Everything the device gives, read in pieces of `piece` bytes, and how it ended.
QPair<QByteArray, Status> readAll(QByteArray compressed, qint64 cap, qint64 piece) {
    QBuffer source(&compressed);
    source.open(QIODevice::ReadOnly);
    TDGzipInputDevice device(&source, cap);
    QByteArray out;
    while (!device.atEnd()) {
        const QByteArray chunk = device.read(piece);
        if (chunk.isEmpty()) break;
        out += chunk;
    }
    return {out, device.status()};
}

TEST(GzipInputDevice, InflatesInPiecesWhatWholeDecompressionGives) {
    const QByteArray bytes = sample();
    const QByteArray compressed = *gzipCompressedData(bytes);
    for (const qint64 piece : {qint64(1), qint64(977), qint64(1 << 20)}) {
        const auto [out, status] = readAll(compressed, bytes.size(), piece);
        EXPECT_TRUE(status.ok()) << piece;
        EXPECT_EQ(out, bytes) << piece;
    }
}

TEST(GzipInputDevice, StopsWithAnErrorOnCutCorruptOrOversizedStreams) {
    const QByteArray bytes = sample();
    const QByteArray compressed = *gzipCompressedData(bytes);
    QByteArray flipped = compressed;
    flipped[flipped.size() / 2] = char(flipped[flipped.size() / 2] ^ 0x55);
    struct Case {
        const char* name;
        QByteArray input;
        qint64 cap;
        int code;
    };
    const Case cases[] = {
        {"cut", compressed.left(compressed.size() / 2), bytes.size(), TDDataErrorCorrupt},
        {"cut before the trailer", compressed.left(compressed.size() - 4), bytes.size(), TDDataErrorCorrupt},
        // Room to spare: a flipped bit may make the stream inflate past its true size before it fails.
        {"corrupt", flipped, 2 * bytes.size(), TDDataErrorCorrupt},
        {"not gzip", QByteArray("plain text, not compressed"), bytes.size(), TDDataErrorCorrupt},
        {"over the cap", compressed, bytes.size() - 1, TDDataErrorTooLarge},
    };
    for (const Case& c : cases) {
        const auto [out, status] = readAll(c.input, c.cap, 4096);
        ASSERT_FALSE(status.ok()) << c.name;
        EXPECT_EQ(status.error().code, c.code) << c.name;
        EXPECT_EQ(status.error().domain, TDDataErrorDomain) << c.name;
        EXPECT_LE(out.size(), c.cap) << c.name;
    }
}

}  // namespace

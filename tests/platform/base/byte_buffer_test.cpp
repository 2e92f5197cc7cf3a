#include "platform/base/byte_buffer.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

// Pieces of every kind appended across several doublings of the block read back in order, as a
// QByteArray built the slow way holds them.
TEST(ByteBufferTest, PiecesAppendedPastManyGrowthsReadBackInOrder) {
    platform::ByteBuffer buffer;
    QByteArray expected;
    for (int i = 0; i < 5000; ++i) {
        buffer.append("<key>");
        expected.append("<key>");
        buffer.append(QByteArrayView(QByteArray::number(i * 7)));
        expected.append(QByteArray::number(i * 7));
        buffer.append(qsizetype(i % 5), '\t');
        expected.append(QByteArray(i % 5, '\t'));
        buffer.appendNumber(qint64(i) - 2500);
        expected.append(QByteArray::number(qint64(i) - 2500));
        buffer.append('\n');
        expected.append('\n');
    }
    for (const qint64 extreme : {std::numeric_limits<qint64>::min(), std::numeric_limits<qint64>::max()}) {
        buffer.appendNumber(extreme);
        expected.append(QByteArray::number(extreme));
    }
    ASSERT_GT(expected.size(), 4 * 4096);
    EXPECT_EQ(buffer.size(), expected.size());
    EXPECT_EQ(buffer.view(), expected);
    EXPECT_EQ(buffer.take(), expected);
    EXPECT_TRUE(buffer.isEmpty());
}

TEST(ByteBufferTest, TruncatedAndChoppedBytesAreWrittenOver) {
    platform::ByteBuffer buffer;
    buffer.append("<dict>");
    buffer.chop(1);
    buffer.append("/>");
    EXPECT_EQ(buffer.view(), QByteArrayView("<dict/>"));
    buffer.truncate(2);
    buffer.append("x");
    buffer.truncate(100);  // never longer than what was written
    EXPECT_EQ(buffer.take(), QByteArray("<dx"));
    buffer.append("again");
    const QByteArray taken = buffer.take();
    EXPECT_EQ(taken, QByteArray("again"));
    // Many small texts are kept (a backup's recurrences): none keeps the block it grew in.
    EXPECT_LT(taken.capacity(), 64);
}

}  // namespace

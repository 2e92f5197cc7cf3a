#include "platform/plist/property_list.h"
#include "platform/plist/xml_property_list_writer.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

using platform::XmlPropertyListStreamWriter;

// A device that takes a fixed number of bytes and then fails.
class FillingDevice : public QIODevice {
public:
    explicit FillingDevice(qint64 capacity) : m_capacity(capacity) { open(QIODevice::WriteOnly); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char*, qint64 length) override {
        if (m_written + length > m_capacity) return -1;
        m_written += length;
        return length;
    }

private:
    qint64 m_capacity;
    qint64 m_written = 0;
};

QVariantMap largeTree() {
    QVariantMap objects;
    for (int i = 0; i < 5000; ++i)
        objects.insert(
            QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0')),
            QVariantMap{{QStringLiteral("title"), QStringLiteral("Task %1 with some words").arg(i)},
                        {QStringLiteral("priority"), qint64(i % 10)}});
    return {{QStringLiteral("Objects"), objects}, {QStringLiteral("Version"), 1.0}};
}

// Written piece by piece, a list is byte for byte the one written whole, also past the writer's buffer.
TEST(XmlStreamWriterTest, PiecesMakeTheSameDocumentAsTheWhole) {
    const QVariantMap tree = largeTree();
    QByteArray streamed;
    QBuffer buffer(&streamed);
    buffer.open(QIODevice::WriteOnly);
    XmlPropertyListStreamWriter writer(buffer);
    ASSERT_TRUE(writer.beginDictionary().ok());
    ASSERT_TRUE(writer.key(QStringLiteral("Objects")).ok());
    ASSERT_TRUE(writer.beginDictionary().ok());
    const QVariantMap objects = tree.value(QStringLiteral("Objects")).toMap();
    for (auto it = objects.cbegin(); it != objects.cend(); ++it) {
        ASSERT_TRUE(writer.key(it.key()).ok());
        ASSERT_TRUE(writer.value(it.value()).ok());
    }
    ASSERT_TRUE(writer.endDictionary().ok());
    ASSERT_TRUE(writer.key(QStringLiteral("Version")).ok());
    ASSERT_TRUE(writer.value(1.0).ok());
    ASSERT_TRUE(writer.endDictionary().ok());
    ASSERT_TRUE(writer.finish().ok());

    const Result<QByteArray> whole = platform::writeXmlPropertyList(tree);
    ASSERT_TRUE(whole.ok());
    EXPECT_GT(whole->size(), 256 * 1024);
    EXPECT_EQ(streamed, *whole);
    const Result<QVariant> back = platform::readPropertyList(streamed, 1 << 26);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->toMap(), tree);
}

TEST(XmlStreamWriterTest, MisuseAndRefusedValuesStopTheWriter) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    {
        XmlPropertyListStreamWriter writer(buffer);
        EXPECT_FALSE(writer.endDictionary().ok());    // nothing open
        EXPECT_FALSE(writer.beginDictionary().ok());  // the first error sticks
    }
    {
        XmlPropertyListStreamWriter writer(buffer);
        ASSERT_TRUE(writer.beginDictionary().ok());
        EXPECT_FALSE(writer.finish().ok());  // still open
    }
    {
        XmlPropertyListStreamWriter writer(buffer);
        ASSERT_TRUE(writer.beginDictionary().ok());
        EXPECT_FALSE(writer.key(QStringLiteral("bad\x01key")).ok());
        EXPECT_FALSE(writer.endDictionary().ok());
    }
}

TEST(XmlStreamWriterTest, AFailingDeviceIsAnError) {
    const QVariantMap tree = largeTree();
    for (qint64 capacity : {qint64(0), qint64(100), qint64(300 * 1024)}) {
        SCOPED_TRACE(capacity);
        FillingDevice device(capacity);
        EXPECT_FALSE(platform::writeXmlPropertyList(tree, device).ok());
    }
}

}  // namespace

#include "platform/plist/property_list.h"
#include "platform/plist/xml_property_list_writer.h"

#include <QBuffer>
#include <QTimeZone>

#include <limits>

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

// The text appender must give the stream writer's very bytes: backups are written by both.
TEST(XmlPropertyListTextTest, ValuesReadAsTheStreamWriterWritesThem) {
    const auto fromWriter = [](const QVariant& value) -> Result<QByteArray> {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        XmlPropertyListStreamWriter writer(buffer);
        if (Status s = writer.beginDictionary(); !s.ok()) return s.error();
        if (Status s = writer.key(QStringLiteral("k")); !s.ok()) return s.error();
        if (Status s = writer.value(value); !s.ok()) return s.error();
        if (Status s = writer.endDictionary(); !s.ok()) return s.error();
        if (Status s = writer.finish(); !s.ok()) return s.error();
        return bytes;
    };
    const auto fromText =
        [](const std::function<Status(platform::XmlPropertyListText&)>& write) -> Result<QByteArray> {
        platform::ByteBuffer bytes;
        platform::XmlPropertyListText text(bytes);
        text.beginDocument();
        text.beginDictionary(1);
        text.plainKey(2, "k");
        const qsizetype before = bytes.size();
        if (Status s = write(text); !s.ok()) {
            // A refused value leaves nothing of itself, not even the containers around the refused part.
            EXPECT_EQ(bytes.size(), before);
            return s.error();
        }
        text.endDictionary(1);
        text.endDocument();
        return bytes.take();
    };
    const auto utc = [](qint64 msecs) { return QDateTime::fromMSecsSinceEpoch(msecs, QTimeZone::utc()); };
    const QList<QVariant> values{
        QStringLiteral("plain"),
        QString(),
        QStringLiteral("a<b>&c \"q\" 'x' ]]> tab\tline\nreturn\r"),
        QStringLiteral("ünïcode 😀 漢字"),
        QStringLiteral("bell \a"),
        true,
        false,
        qint64(-42),
        quint64(std::numeric_limits<quint64>::max()),
        0.1,
        1.0,
        -1e300,
        QByteArray("\x00\x01binary\xff", 10),
        QByteArray(),
        QVariantMap(),
        QVariantList(),
        QVariantMap{{QStringLiteral("inner"), QVariantList{QStringLiteral("x"), QVariantMap()}},
                    {QStringLiteral("n"), 1}},
        QVariantMap{{QStringLiteral("b\x01"), 1}},
        QVariantMap{{QStringLiteral("a"),
                     QVariantList{1, QVariantMap{{QStringLiteral("bad"), QStringLiteral("\a")}}}},
                    {QStringLiteral("z"), 2}},
        QVariantList{QStringLiteral("fine"), quint64(std::numeric_limits<quint64>::max())},
        utc(0),
        utc(-500),
        utc(1781234567890),
        QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc()),
        QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(-1, 12, 31), QTime(23, 59), QTimeZone::utc()),
    };
    for (const QVariant& value : values) {
        SCOPED_TRACE(value.toString().toStdString());
        const Result<QByteArray> expected = fromWriter(value);
        const Result<QByteArray> written =
            fromText([&](platform::XmlPropertyListText& text) { return text.value(2, value); });
        ASSERT_EQ(written.ok(), expected.ok());
        if (expected.ok()) {
            EXPECT_EQ(*written, *expected);
        }
        // Typed pieces, as backups made from stored rows write them.
        const Result<QByteArray> typed = fromText([&](platform::XmlPropertyListText& text) -> Status {
            switch (value.metaType().id()) {
                case QMetaType::QString:
                    return text.string(2, QByteArrayView(value.toString().toUtf8()));
                case QMetaType::QDateTime:
                    return text.date(2, value.toDateTime().toMSecsSinceEpoch());
                default:
                    return text.value(2, value);
            }
        });
        ASSERT_EQ(typed.ok(), expected.ok());
        if (expected.ok()) {
            EXPECT_EQ(*typed, *expected);
        }
    }
    // Stored text that is not UTF-8 reads as QString makes it.
    const QByteArray broken("caf\xc3 \xff\xfe end");
    EXPECT_EQ(*fromText([&](platform::XmlPropertyListText& text) {
        return text.string(2, QByteArrayView(broken));
    }),
              *fromWriter(QString::fromUtf8(broken)));
}

}  // namespace

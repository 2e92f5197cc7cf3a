#include "platform/plist/property_list.h"
#include "platform/plist/xml_property_list_reader.h"
#include "tests/support/test_environment.h"

#include <QBuffer>
#include <QDateTime>
#include <QTimeZone>

namespace {

using platform::XmlPropertyListStreamReader;

QVariantMap entities() {
    QVariantMap tasks;
    for (int i = 0; i < 2000; ++i)
        tasks.insert(QStringLiteral("%1").arg(i, 16, 10, QLatin1Char('0')),
                     QVariantMap{{QStringLiteral("title"), QStringLiteral("Task <%1> & more").arg(i)},
                                 {QStringLiteral("due"),
                                  QDateTime(QDate(2026, 1, 1 + i % 28), QTime(9, 0), QTimeZone::utc())},
                                 {QStringLiteral("tags"), QVariantList{QStringLiteral("a"), qint64(i)}}});
    return {{QStringLiteral("Task"), tasks}, {QStringLiteral("Empty"), QVariantMap()}};
}

// Reads a dictionary of dictionaries a value at a time, as a backup's objects are read.
Result<QVariantMap> readNested(XmlPropertyListStreamReader& reader) {
    QVariantMap outer;
    if (Status s = reader.enterDictionary(); !s.ok()) return s.error();
    while (true) {
        Result<std::optional<QString>> name = reader.nextKey();
        if (!name) return name.error();
        if (!*name) return outer;
        if (Status s = reader.enterDictionary(); !s.ok()) return s.error();
        QVariantMap inner;
        while (true) {
            Result<std::optional<QString>> key = reader.nextKey();
            if (!key) return key.error();
            if (!*key) break;
            Result<QVariant> value = reader.readValue();
            if (!value) return value.error();
            inner.insert(**key, *value);
        }
        outer.insert(**name, inner);
    }
}

TEST(XmlPropertyListStreamReader, ReadsPieceByPieceWhatTheWholeReaderReads) {
    const QVariantMap root{{QStringLiteral("version"), 1.5}, {QStringLiteral("objects"), entities()}};
    QByteArray xml = *platform::writePropertyList(root);
    QBuffer device(&xml);
    ASSERT_TRUE(device.open(QIODevice::ReadOnly));
    XmlPropertyListStreamReader reader(&device);
    ASSERT_TRUE(reader.begin().ok());
    ASSERT_TRUE(reader.atDictionary());
    ASSERT_TRUE(reader.enterDictionary().ok());
    QVariantMap read;
    while (true) {
        Result<std::optional<QString>> key = reader.nextKey();
        ASSERT_TRUE(key.ok()) << key.error().description.toStdString();
        if (!*key) break;
        if (**key == QLatin1String("objects")) {
            Result<QVariantMap> objects = readNested(reader);
            ASSERT_TRUE(objects.ok()) << objects.error().description.toStdString();
            read.insert(**key, *objects);
        } else {
            read.insert(**key, *reader.readValue());
        }
    }
    EXPECT_TRUE(reader.end().ok());
    EXPECT_EQ(read, platform::readPropertyList(xml, 1 << 26)->toMap());
    EXPECT_EQ(read, root);
}

TEST(XmlPropertyListStreamReader, SkipsValuesAndRefusesWhatIsNotAWellFormedList) {
    XmlPropertyListStreamReader skipping(
        QByteArray("<plist><dict><key>a</key><array><dict/><string>x</string></array><key>b</key><true/></"
                   "dict></plist>"));
    ASSERT_TRUE(skipping.begin().ok());
    ASSERT_TRUE(skipping.enterDictionary().ok());
    EXPECT_EQ(**skipping.nextKey(), QStringLiteral("a"));
    EXPECT_TRUE(skipping.skipValue().ok());
    EXPECT_EQ(**skipping.nextKey(), QStringLiteral("b"));
    EXPECT_EQ(*skipping.readValue(), QVariant(true));
    EXPECT_FALSE(skipping.nextKey()->has_value());
    EXPECT_TRUE(skipping.end().ok());

    // Each walks into the root dictionary and over its values until something fails.
    const QByteArray broken[] = {
        "<plist><dict><key>a</key><string>cut",
        "<plist><dict><string>no key</string></dict></plist>",
        "<plist><dict><key>a</key></dict></plist>",
        "<plist><dict><key>a</key><array><string>x</array></dict></plist>",
        "<plist><dict></dict><string>second value</string></plist>",
        "<plist><array/></plist>",
    };
    for (const QByteArray& data : broken) {
        XmlPropertyListStreamReader reader(data);
        bool failed = !reader.begin().ok() || !reader.enterDictionary().ok();
        while (!failed) {
            Result<std::optional<QString>> key = reader.nextKey();
            if (!key)
                failed = true;
            else if (!*key)
                break;
            else
                failed = !reader.skipValue().ok();
        }
        if (!failed) failed = !reader.end().ok();
        EXPECT_TRUE(failed) << data.toStdString();
    }
}

}  // namespace

#include "platform/plist/property_list.h"
#include "tests/support/test_environment.h"

#include <QDateTime>
#include <QFile>
#include <QPointF>
#include <QSize>
#include <QTimeZone>

namespace {

using platform::PropertyListFormat;

QVariantMap sampleTree() {
    return {
        {QStringLiteral("title"), QStringLiteral("Grüße 🎉 <&>")},
        {QStringLiteral("count"), qint64(-42)},
        {QStringLiteral("big"), qint64(1) << 40},
        {QStringLiteral("ratio"), 0.25},
        {QStringLiteral("done"), true},
        {QStringLiteral("open"), false},
        {QStringLiteral("created"), QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15), QTimeZone::utc())},
        {QStringLiteral("old"), QDateTime(QDate(1990, 1, 2), QTime(3, 4, 5), QTimeZone::utc())},
        {QStringLiteral("bytes"), QByteArray("\x00\x01\xfe\xff", 4)},
        {QStringLiteral("empty"), QVariantMap()},
        {QStringLiteral("list"),
         QVariantList{qint64(1), QStringLiteral("two"), QVariantList{3.5}, QVariantMap{{QStringLiteral("k"), QString()}}}},
    };
}

class PropertyListTest : public testsupport::TempFoldersTest {};

TEST_F(PropertyListTest, BothFormatsRoundTripEveryKindOfValue) {
    for (PropertyListFormat format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
        const Result<QByteArray> bytes = platform::writePropertyList(sampleTree(), format);
        ASSERT_TRUE(bytes.ok()) << bytes.error().description.toStdString();
        EXPECT_EQ(bytes->startsWith("bplist00"), format == PropertyListFormat::Binary);
        const Result<QVariant> back = platform::readPropertyList(*bytes);
        ASSERT_TRUE(back.ok()) << back.error().description.toStdString();
        EXPECT_EQ(back->toMap(), sampleTree());
        EXPECT_EQ(back->toMap().value(QStringLiteral("count")).metaType().id(), QMetaType::LongLong);
    }
}

TEST_F(PropertyListTest, IntegersOfOtherTypesAreWrittenAsIntegers) {
    const QVariantList values{int(7), uint(8), qulonglong(9), QStringList{QStringLiteral("a")}};
    const Result<QVariant> back = platform::readPropertyList(*platform::writePropertyList(values));
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->toList(), (QVariantList{qint64(7), qint64(8), qint64(9), QVariantList{QStringLiteral("a")}}));
}

TEST_F(PropertyListTest, ValuesAPropertyListCannotHoldAreErrors) {
    const QVariant cases[] = {
        QVariant(QPointF(1, 2)),
        QVariant(),
        QVariant(QVariantMap{{QStringLiteral("deep"), QVariantList{QVariant::fromValue(QSize(1, 1))}}}),
        QVariant(QDateTime(QDate(2100, 1, 1), QTime(0, 0), QTimeZone::utc())),
        QVariant(std::numeric_limits<qulonglong>::max()),
    };
    for (const QVariant& value : cases) {
        const Result<QByteArray> bytes = platform::writePropertyList(value);
        ASSERT_FALSE(bytes.ok()) << value.typeName();
        EXPECT_EQ(bytes.error().domain, platform::TDPropertyListErrorDomain);
    }
}

TEST_F(PropertyListTest, MalformedInputIsAnError) {
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a plist at all"),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key><string>unterminated"),
        QByteArray("bplist00\x01\x02\x03", 11),
        QByteArray("bplist00") + QByteArray(64, '\xff'),
        QByteArray("<plist><array><array><integer>1</integer></array>"),
    };
    for (const QByteArray& data : cases) {
        const Result<QVariant> result = platform::readPropertyList(data);
        EXPECT_FALSE(result.ok()) << data.toStdString();
    }
}

TEST_F(PropertyListTest, OversizedAndOverlyDeepInputIsRefused) {
    const QByteArray xml = *platform::writePropertyList(QVariantList{QStringLiteral("x")});
    const Result<QVariant> capped = platform::readPropertyList(xml, xml.size() - 1);
    ASSERT_FALSE(capped.ok());
    EXPECT_EQ(capped.error().code, platform::TDPropertyListErrorTooLarge);
    EXPECT_TRUE(platform::readPropertyList(xml, xml.size()).ok());

    QByteArray deep = "<plist>";
    for (int i = 0; i < platform::kPropertyListMaxDepth + 10; ++i) deep += "<array>";
    for (int i = 0; i < platform::kPropertyListMaxDepth + 10; ++i) deep += "</array>";
    deep += "</plist>";
    const Result<QVariant> tooDeep = platform::readPropertyList(deep);
    ASSERT_FALSE(tooDeep.ok());
    EXPECT_EQ(tooDeep.error().code, platform::TDPropertyListErrorMalformed);
}

TEST_F(PropertyListTest, FilesAreWrittenWholeAndReadWithTheCap) {
    const QString path = tempPath() + QStringLiteral("/options.plist");
    ASSERT_TRUE(platform::writePropertyListFile(path, sampleTree()).ok());
    const Result<QVariant> back = platform::readPropertyListFile(path);
    ASSERT_TRUE(back.ok());
    EXPECT_EQ(back->toMap(), sampleTree());
    EXPECT_FALSE(platform::readPropertyListFile(path, 16).ok());
    EXPECT_FALSE(platform::readPropertyListFile(tempPath() + QStringLiteral("/missing.plist")).ok());
    // A value that cannot be written leaves the old file as it was.
    EXPECT_FALSE(platform::writePropertyListFile(path, QVariant(QPointF())).ok());
    EXPECT_EQ(platform::readPropertyListFile(path)->toMap(), sampleTree());
}

}  // namespace

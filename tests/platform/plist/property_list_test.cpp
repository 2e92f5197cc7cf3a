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
        {QStringLiteral("list"), QVariantList{qint64(1), QStringLiteral("two"), QVariantList{3.5},
                                              QVariantMap{{QStringLiteral("k"), QString()}}}},
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
    EXPECT_EQ(back->toList(),
              (QVariantList{qint64(7), qint64(8), qint64(9), QVariantList{QStringLiteral("a")}}));
}

TEST_F(PropertyListTest, ValuesAPropertyListCannotHoldAreErrors) {
    const QVariant cases[] = {
        QVariant(QPointF(1, 2)),
        QVariant(),
        QVariant(QVariantMap{{QStringLiteral("deep"), QVariantList{QVariant::fromValue(QSize(1, 1))}}}),
        QVariant(std::numeric_limits<qulonglong>::max()),
    };
    for (const QVariant& value : cases) {
        const Result<QByteArray> bytes = platform::writePropertyList(value);
        ASSERT_FALSE(bytes.ok()) << value.typeName();
        EXPECT_EQ(bytes.error().domain, platform::TDPropertyListErrorDomain);
    }
}

TEST_F(PropertyListTest, BothFormatsHoldDatesOfEveryYear) {
    const QDateTime dates[] = {
        QDateTime(QDate(1, 1, 1), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(1900, 6, 30), QTime(12, 0, 1), QTimeZone::utc()),
        QDateTime(QDate(1933, 1, 1), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(2069, 1, 20), QTime(0, 0), QTimeZone::utc()),
        QDateTime(QDate(2100, 1, 1), QTime(12, 30, 5), QTimeZone::utc()),
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59), QTimeZone::utc()),
    };
    for (const QDateTime& date : dates) {
        for (PropertyListFormat format : {PropertyListFormat::Xml, PropertyListFormat::Binary}) {
            const QVariantMap tree{{QStringLiteral("due"), date}};
            const Result<QByteArray> bytes = platform::writePropertyList(tree, format);
            ASSERT_TRUE(bytes.ok()) << date.toString(Qt::ISODate).toStdString();
            const Result<QVariant> back = platform::readPropertyList(*bytes);
            ASSERT_TRUE(back.ok());
            EXPECT_EQ(back->toMap(), tree) << date.toString(Qt::ISODate).toStdString();
        }
    }
    // Binary keeps the milliseconds, at both ends of the range.
    for (const QDateTime& date : {QDateTime(QDate(1, 1, 1), QTime(0, 0, 0, 1), QTimeZone::utc()),
                                  QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), QTimeZone::utc())}) {
        const QByteArray bytes = platform::writePropertyList(date, PropertyListFormat::Binary).value();
        EXPECT_EQ(platform::readPropertyList(bytes)->toDateTime(), date);
    }
    for (const QDateTime& beyond :
         {QDateTime(QDate(-1, 12, 31), QTime(0, 0), QTimeZone::utc()),
          QDateTime(QDate(10000, 1, 1), QTime(0, 0), QTimeZone::utc()), QDateTime()})
        for (PropertyListFormat format : {PropertyListFormat::Xml, PropertyListFormat::Binary})
            EXPECT_FALSE(platform::writePropertyList(beyond, format).ok());
}

// The hexadecimal bytes as data.
QByteArray bytesOf(const char* hex) {
    return QByteArray::fromHex(hex);
}

TEST_F(PropertyListTest, BinaryListsFollowTheStandardLayout) {
    // Dictionary keys first, then values; a string met twice is stored once; one-byte references and
    // offsets; the trailer names the sizes, the count, the top object and the offset table.
    const QVariantMap tree{{QStringLiteral("a"), qint64(1)},
                           {QStringLiteral("b"), QVariantList{true, QStringLiteral("a")}}};
    EXPECT_EQ(platform::writePropertyList(tree, PropertyListFormat::Binary).value().toHex(),
              QByteArray("62706c6973743030"     // header
                         "d201030204"           // 0: dictionary of 2, keys 1 and 3, values 2 and 4
                         "5161"                 // 1: "a"
                         "1001"                 // 2: 1
                         "5162"                 // 3: "b"
                         "a20501"               // 4: array of 2, objects 5 and 1
                         "09"                   // 5: true
                         "080d0f111316"         // the offsets of objects 0 to 5
                         "000000000000"         // trailer: unused
                         "0101"                 // offset and reference sizes
                         "0000000000000006"     // object count
                         "0000000000000000"     // top object
                         "0000000000000017"));  // offset table
}

TEST_F(PropertyListTest, LargeBinaryListsUseWiderReferencesAndCounts) {
    // Over 255 objects need two-byte references; data beyond 64 KiB four-byte offsets; text and data of
    // 15 or more units carry their counts in an integer object.
    QVariantList items;
    items << QByteArray(70000, 'x') << QStringLiteral("fifteen letters") << QString(40, QChar(0x00e9))
          << qint64(-1) << qint64(0xFFFF) << qint64(0x10000) << qint64(1) << 40 << 1.0e300 << -0.0
          << QVariant(float(0.1f));
    for (int i = 0; i < 300; ++i) items << QStringLiteral("item %1").arg(i);
    const Result<QByteArray> bytes = platform::writePropertyList(items, PropertyListFormat::Binary);
    ASSERT_TRUE(bytes.ok());
    const QByteArray trailer = bytes->right(32);
    EXPECT_EQ(int(trailer[6]), 4);  // offsets
    EXPECT_EQ(int(trailer[7]), 2);  // references
    const Result<QVariant> back = platform::readPropertyList(*bytes);
    ASSERT_TRUE(back.ok()) << back.error().description.toStdString();
    QVariantList expected = items;
    expected[10] = double(0.1f);
    EXPECT_EQ(back->toList(), expected);
}

TEST_F(PropertyListTest, ListsWrittenByTheEarlierWriterReadBackUnchanged) {
    // Written before our own writer (reals as four bytes, integers as unsigned, keys in insertion order).
    const QByteArray earlier = bytesOf(
        "62706c6973743030d901030507090b0d0f11020406080a0c0e1012557469746c65650047007200fc00df006555636f75"
        "6e7413ffffffffffffffd65362696713000001000000000055736d616c6c11012c55726174696f223e80000054646f6e"
        "650957637265617465643341c8635a13800000556279746573440001feff546c697374a31313145374776f5f10226120"
        "6c6f6e6720737472696e67206f66206d6f7265207468616e206669667465656e081b212c323b3f484e51575c61626a73"
        "797e83878b00000000000001010000000000000015000000000000000000000000000000b0");
    const QVariantMap expected{
        {QStringLiteral("title"), QString::fromUtf8("Grüße")},
        {QStringLiteral("count"), qint64(-42)},
        {QStringLiteral("big"), qint64(1) << 40},
        {QStringLiteral("small"), qint64(300)},
        {QStringLiteral("ratio"), 0.25},
        {QStringLiteral("done"), true},
        {QStringLiteral("created"), QDateTime(QDate(2026, 12, 7), QTime(9, 30, 15), QTimeZone::utc())},
        {QStringLiteral("bytes"), QByteArray("\x00\x01\xfe\xff", 4)},
        {QStringLiteral("list"), QVariantList{QStringLiteral("two"), QStringLiteral("two"),
                                              QStringLiteral("a long string of more than fifteen")}},
    };
    const Result<QVariant> read = platform::readPropertyList(earlier);
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    EXPECT_EQ(read->toMap(), expected);
    // Written again by our writer, it reads back the same.
    const QByteArray rewritten = platform::writePropertyList(*read, PropertyListFormat::Binary).value();
    EXPECT_EQ(platform::readPropertyList(rewritten)->toMap(), expected);
}

// A binary property list of the given objects (one-byte references and offsets), the first at the top.
QByteArray binaryPlist(const QList<QByteArray>& objects) {
    QByteArray data = "bplist00";
    QByteArray offsets;
    for (const QByteArray& object : objects) {
        offsets.append(char(data.size()));
        data.append(object);
    }
    const auto tableOffset = quint64(data.size());
    data.append(offsets);
    QByteArray trailer(32, '\0');
    trailer[6] = 1;
    trailer[7] = 1;
    for (int i = 0; i < 8; ++i) {
        trailer[15 - i] = char(quint64(objects.size()) >> (8 * i));
        trailer[31 - i] = char(tableOffset >> (8 * i));
    }
    return data + trailer;
}

TEST_F(PropertyListTest, HandMadeBinaryListsAreReadOrRefusedSafely) {
    // Two-byte big-endian text, an integer of 16 bytes (its low 64 bits), a set (unsupported).
    const Result<QVariant> utf16 =
        platform::readPropertyList(binaryPlist({QByteArray("\x62\xd8\x3d\xde\x00", 5)}));
    ASSERT_TRUE(utf16.ok());
    EXPECT_EQ(utf16->toString(), QString::fromUtf16(u"\U0001F600"));
    const Result<QVariant> wide =
        platform::readPropertyList(binaryPlist({QByteArray("\x14", 1) + QByteArray(15, '\0') + "\x07"}));
    ASSERT_TRUE(wide.ok());
    EXPECT_EQ(wide->toLongLong(), 7);
    EXPECT_FALSE(platform::readPropertyList(binaryPlist({QByteArray("\xc0", 1)})).ok());

    // An array that holds itself.
    const Result<QVariant> cycle = platform::readPropertyList(binaryPlist({QByteArray("\xa1\x00", 2)}));
    ASSERT_FALSE(cycle.ok());
    EXPECT_EQ(cycle.error().code, platform::TDPropertyListErrorMalformed);
    // Forty arrays each holding the next one twice: a trillion values from a few bytes.
    QList<QByteArray> doubling;
    for (int i = 0; i < 40; ++i) doubling.append(QByteArray("\xa2") + char(i + 1) + char(i + 1));
    doubling.append(QByteArray("\x10\x01", 2));
    EXPECT_FALSE(platform::readPropertyList(binaryPlist(doubling)).ok());
    // A reference or a length beyond the data.
    EXPECT_FALSE(platform::readPropertyList(binaryPlist({QByteArray("\xa1\x05", 2)})).ok());
    EXPECT_FALSE(platform::readPropertyList(binaryPlist({QByteArray("\x5f\x10\xff", 3)})).ok());
}

TEST_F(PropertyListTest, TextThatCannotBeStoredIsRefusedNotCut) {
    const QString withNul = QStringLiteral("a") + QChar(0) + QStringLiteral("b");
    const QString withBell = QStringLiteral("ring") + QChar(7);
    EXPECT_FALSE(platform::writePropertyList(withNul).ok());
    EXPECT_FALSE(platform::writePropertyList(QVariantMap{{withBell, 1}}).ok());
    EXPECT_FALSE(platform::writePropertyList(QVariantList{withBell}).ok());
    // Binary has room for every character.
    for (const QString& text : {withBell, withNul}) {
        const Result<QByteArray> binary = platform::writePropertyList(text, PropertyListFormat::Binary);
        ASSERT_TRUE(binary.ok());
        EXPECT_EQ(platform::readPropertyList(*binary)->toString(), text);
    }
    const QString markup = QStringLiteral("<a href=\"x\">&amp; ]]> 'q'</a>\ttab");
    EXPECT_EQ(platform::readPropertyList(*platform::writePropertyList(markup))->toString(), markup);
}

TEST_F(PropertyListTest, XmlReadsEntitiesHexIntegersAndWhiteSpaceInData) {
    const QByteArray xml =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
        "<key>text</key><string>a &lt;b&gt; &#x1F600;</string>"
        "<key>hex</key><integer>0x1F</integer>"
        "<key>data</key><data>\n  YWJj\n  ZA==\n</data>"
        "<key>empty</key><array/>"
        "</dict></plist>";
    const Result<QVariant> plist = platform::readPropertyList(xml);
    ASSERT_TRUE(plist.ok()) << plist.error().description.toStdString();
    const QVariantMap map = plist->toMap();
    EXPECT_EQ(map.value(QStringLiteral("text")).toString(), QString::fromUtf16(u"a <b> \U0001F600"));
    EXPECT_EQ(map.value(QStringLiteral("hex")).toLongLong(), 31);
    EXPECT_EQ(map.value(QStringLiteral("data")).toByteArray(), QByteArray("abcd"));
    EXPECT_EQ(map.value(QStringLiteral("empty")).toList(), QVariantList());
}

TEST_F(PropertyListTest, MalformedInputIsAnError) {
    const QByteArray cases[] = {
        QByteArray(),
        QByteArray("not a plist at all"),
        QByteArray("<?xml version=\"1.0\"?><plist><dict><key>a</key><string>unterminated"),
        QByteArray("bplist00\x01\x02\x03", 11),
        QByteArray("bplist00") + QByteArray(64, '\xff'),
        QByteArray("<plist><array><array><integer>1</integer></array>"),
        QByteArray("<plist><dict><key>a</key></dict></plist>"),
        QByteArray("<plist><integer>abc</integer></plist>"),
        QByteArray("<plist><real>1.5</real><string>x</string></plist>"),
        QByteArray("<plist><date>yesterday</date></plist>"),
        QByteArray("<plist><data>**</data></plist>"),
        QByteArray("<plist><blob/></plist>"),
        QByteArray("<plist><true>yes</true></plist>"),
        QByteArray("<plist><dict><string>no key</string></dict></plist>"),
        QByteArray("<other><string>x</string></other>"),
        QByteArray("<plist>text</plist>"),
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

#include "foundation/data_additions.h"
#include "tests/support/test_environment.h"

#include <QProcess>
#include <QRandomGenerator>

#include <zlib.h>

namespace {

QByteArray sampleBytes() {
    QByteArray bytes;
    QRandomGenerator random(7);
    for (int i = 0; i < 100000; ++i) bytes.append(char(i % 251 < 200 ? 'a' + i % 7 : random.bounded(256)));
    return bytes;
}

// Runs a command with the bytes on its standard input and answers its standard output.
QByteArray pipeThrough(const QString& program, const QStringList& arguments, const QByteArray& input) {
    QProcess process;
    process.start(program, arguments);
    if (!process.waitForStarted()) return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(30000);
    return process.exitCode() == 0 ? process.readAllStandardOutput() : QByteArray();
}

TEST(DataAdditions, HexadecimalIsUpperCaseByteByByte) {
    EXPECT_EQ(hexadecimalEncodedString(QByteArray("\x00\xab\x10", 3)), QStringLiteral("00AB10"));
    EXPECT_EQ(hexadecimalEncodedString(QByteArray()), QString());
}

TEST(DataAdditions, GzipRoundTripsAndStartsWithTheMagicBytes) {
    for (const QByteArray& input : {QByteArray("x"), QByteArray(200000, 'z'), sampleBytes()}) {
        const Result<QByteArray> packed = gzipCompressedData(input);
        ASSERT_TRUE(packed.ok());
        EXPECT_TRUE(packed->startsWith("\x1f\x8b"));
        const Result<QByteArray> unpacked = gzipDecompressedData(*packed);
        ASSERT_TRUE(unpacked.ok());
        EXPECT_EQ(*unpacked, input);
    }
    EXPECT_EQ(*gzipCompressedData(QByteArray()), QByteArray());
    EXPECT_EQ(*gzipDecompressedData(QByteArray()), QByteArray());
}

TEST(DataAdditions, GzipInteroperatesWithTheGzipTool) {
    const QByteArray input = sampleBytes();
    const QByteArray fromTool = pipeThrough(QStringLiteral("gzip"), {QStringLiteral("-c")}, input);
    ASSERT_FALSE(fromTool.isEmpty()) << "gzip is needed for this test";
    EXPECT_EQ(*gzipDecompressedData(fromTool), input);
    EXPECT_EQ(pipeThrough(QStringLiteral("gzip"), {QStringLiteral("-dc")}, *gzipCompressedData(input)),
              input);
}

TEST(DataAdditions, AZlibStreamInflatesToo) {
    const QByteArray input = sampleBytes();
    QByteArray zlibStream(qsizetype(compressBound(uLong(input.size()))), '\0');
    uLongf length = uLongf(zlibStream.size());
    ASSERT_EQ(compress(reinterpret_cast<Bytef*>(zlibStream.data()), &length,
                       reinterpret_cast<const Bytef*>(input.constData()), uLong(input.size())),
              Z_OK);
    zlibStream.truncate(qsizetype(length));
    EXPECT_EQ(*gzipDecompressedData(zlibStream), input);
}

TEST(DataAdditions, CorruptTruncatedOrOversizedStreamsAreErrors) {
    const QByteArray packed = *gzipCompressedData(sampleBytes());
    QByteArray flipped = packed;
    flipped[packed.size() / 2] = char(flipped[packed.size() / 2] ^ 0x55);
    QByteArray badChecksum = packed;
    badChecksum[packed.size() - 6] = char(badChecksum[packed.size() - 6] ^ 1);
    struct Case {
        const char* what;
        QByteArray data;
    };
    const Case cases[] = {
        {"not compressed", QByteArray("plain text that is not compressed")},
        {"truncated", packed.left(packed.size() / 2)},
        {"header only", packed.left(10)},
        {"flipped bits", flipped},
        {"bad checksum", badChecksum},
    };
    for (const Case& c : cases) {
        const Result<QByteArray> result = gzipDecompressedData(c.data);
        ASSERT_FALSE(result.ok()) << c.what;
        EXPECT_EQ(result.error().domain, TDDataErrorDomain);
    }
    // A small bomb: one mebibyte of zeros compresses to about a kibibyte.
    const QByteArray bomb = *gzipCompressedData(QByteArray(1 << 20, '\0'));
    const Result<QByteArray> capped = gzipDecompressedData(bomb, 4096);
    ASSERT_FALSE(capped.ok());
    EXPECT_EQ(capped.error().code, TDDataErrorTooLarge);
    EXPECT_TRUE(gzipDecompressedData(bomb, 1 << 20).ok());
}

TEST(DataAdditions, Base64EncodesWithPadding) {
    EXPECT_EQ(base64EncodedString("abc"), QStringLiteral("YWJj"));
    EXPECT_EQ(base64EncodedString("ab"), QStringLiteral("YWI="));
    EXPECT_EQ(base64EncodedString("a"), QStringLiteral("YQ=="));
    EXPECT_EQ(base64EncodedString(QByteArray()), QString());
    const QByteArray bytes = sampleBytes();
    EXPECT_EQ(dataWithBase64EncodedString(base64EncodedString(bytes)), bytes);
    EXPECT_EQ(*dataWithBase64EncodedStringStrict(base64EncodedString(bytes)), bytes);
}

TEST(DataAdditions, LenientBase64SkipsWhatIsNotInTheAlphabet) {
    struct Case {
        const char16_t* text;
        QByteArray expected;
    };
    const Case cases[] = {
        {u"YW Jj", "abc"},   {u"YW\r\nJj", "abc"}, {u"YWI=YQ==", "ab"},  // stops after the first padded group
        {u"=YWJj", "abc"},    // a pad before two characters is skipped
        {u"Y*W#J!j", "abc"},  // anything outside the alphabet is skipped
        {u"YWJjZA", "abc"},   // an incomplete last group is dropped
        {u"YWJj\u00e9", ""},  // not ASCII
    };
    for (const Case& c : cases)
        EXPECT_EQ(dataWithBase64EncodedString(QString::fromUtf16(c.text)), c.expected)
            << QString::fromUtf16(c.text).toStdString();
}

TEST(DataAdditions, StrictBase64SkipsOnlyWhiteSpace) {
    EXPECT_EQ(*dataWithBase64EncodedStringStrict(QStringLiteral(" YW\r\nJj\tYQ== \n")), QByteArray("abca"));
    EXPECT_EQ(*dataWithBase64EncodedStringStrict(QString()), QByteArray());
    for (const char16_t* text :
         {u"Y*WJj", u"YWJjZA", u"YWI=YQ==", u"=YWJj", u"YQ=x", u"YWJj\u00e9", u"Y===", u"YQ==="}) {
        const Result<QByteArray> result = dataWithBase64EncodedStringStrict(QString::fromUtf16(text));
        ASSERT_FALSE(result.ok()) << QString::fromUtf16(text).toStdString();
        EXPECT_EQ(result.error().code, TDDataErrorCorrupt);
    }
}

TEST(DataAdditions, QuotedPrintableDecodesEscapesAndUnderscores) {
    EXPECT_EQ(dataWithQuotedPrintableEncodedString(QStringLiteral("a=3Db_c")), QByteArray("a=b c"));
    EXPECT_EQ(dataWithQuotedPrintableEncodedString(QStringLiteral("x=4")), QByteArray("x=4"));
    EXPECT_EQ(dataWithQuotedPrintableEncodedString(QStringLiteral("=c3=A9=zz")), QByteArray("\xc3\xa9=zz"));
    EXPECT_EQ(dataWithQuotedPrintableEncodedString(QStringLiteral("caf\u00e9")), QByteArray());
}

}  // namespace

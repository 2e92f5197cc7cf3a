#include "foundation/email_parser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QString s(const char* utf8) {
    return QString::fromUtf8(utf8);
}

class EmailParserTest : public ::testing::Test {
protected:
    QString write(const QByteArray& contents, const QString& name = QStringLiteral("message.eml")) {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(contents);
        return path;
    }
    Result<TDEmailParser> parse(const QByteArray& contents) {
        return TDEmailParser::fromEmailFilepath(write(contents));
    }

    QTemporaryDir m_dir;
};

struct DecodeCase {
    const char* encoded;
    const char* decoded;
};

TEST(EmailParserWords, DecodesEncodedWordsAndKeepsWhatCannotBeDecodedAsWritten) {
    const DecodeCase cases[] = {
        {"plain text", "plain text"},
        {"=?utf-8?q?caf=C3=A9?=", "café"},
        {"=?UTF-8?Q?Hello_World?=", "Hello World"},
        {"=?utf-8?b?w6lsw6h2ZQ==?=", "élève"},
        {"=?ISO-8859-1?Q?a?= =?ISO-8859-1?Q?b?=", "ab"},  // the blank between two words is dropped
        {"=?utf-8?q?a?=\t \t=?utf-8?q?b?=", "ab"},
        {"Re: =?utf-8?q?caf=C3=A9?= today", "Re: café today"},
        {"=?utf-8?q?a?= - =?utf-8?q?b?=", "a - b"},
        {"=?utf-8?q?a?= b", "a b"},
        {"=?windows-1252?Q?=80_5?=", "€ 5"},
        {"=?iso-8859-1?q?=E9?= =?utf-8?q?=C3=A9?=", "éé"},
        {"=?utf-8*en?q?tagged?=", "tagged"},
        {"=?x-no-such-charset?q?abc?=", "abc"},
        // A character split over two words is joined.
        {"=?UTF-8?Q?caf=C3?= =?UTF-8?Q?=A9?=", "café"},
        {"=?utf-8?B?Y2Fmww==?= =?utf-8?B?qQ==?=", "café"},
        // An unknown encoding or a stray "=?" spoils only itself.
        {"Hello =?utf-8?x?abc?= =?utf-8?q?w=C3=B6rld?=", "Hello =?utf-8?x?abc?= wörld"},
        {"50% =? off =?utf-8?q?now?=", "50% =? off now"},
        {"a =?utf-8?q?abc", "a =?utf-8?q?abc"},
        {"=?utf-8?q?a b?= =?utf-8?q?c?=", "=?utf-8?q?a b?= c"},
        {"=?utf-8?B?@@@?= ok", "=?utf-8?B?@@@?= ok"},
        {"=?", "=?"},
        {"=??q?x?=", "=??q?x?="},
        {"", ""},
    };
    for (const DecodeCase& c : cases) {
        EXPECT_EQ(TDEmailParser::stringByDecodingMIMEWordsInString(s(c.encoded)), s(c.decoded)) << c.encoded;
    }
}

TEST(EmailParserWords, KnowsCharsetsByTheirIanaNames) {
    EXPECT_TRUE(TDEmailParser::stringEncodingForMIMEEncoding(QStringLiteral("UTF-8")).isValid());
    EXPECT_TRUE(TDEmailParser::stringEncodingForMIMEEncoding(QStringLiteral("iso-8859-15")).isValid());
    EXPECT_TRUE(TDEmailParser::stringEncodingForMIMEEncoding(QStringLiteral("Shift_JIS")).isValid());
    EXPECT_FALSE(TDEmailParser::stringEncodingForMIMEEncoding(QStringLiteral("no-such-charset")).isValid());
    EXPECT_FALSE(TDEmailParser::stringEncodingForMIMEEncoding(QString()).isValid());
}

struct MessageCase {
    const char* what;
    QByteArray contents;
    const char* subject;  // nullptr: none
    const char* sender;
    const char* url;  // "": none
    const char* linkTitle;
};

TEST_F(EmailParserTest, ReadsSubjectSenderAndIdentifierWhateverTheLineEnds) {
    const MessageCase cases[] = {
        {"CRLF",
         "From: Ann <ann@example.com>\r\nSubject: Lunch\r\nMessage-ID: <abc@example.com>\r\n\r\nSubject: "
         "body",
         "Lunch", "Ann <ann@example.com>", "message:%3Cabc@example.com%3E",
         "Lunch from Ann <ann@example.com>"},
        {"LF",
         "From: Ann <ann@example.com>\nSubject: Lunch\nMessage-ID: <abc@example.com>\n\nSubject: body\n",
         "Lunch", "Ann <ann@example.com>", "message:%3Cabc@example.com%3E",
         "Lunch from Ann <ann@example.com>"},
        {"mixed", "From: Ann\r\nSubject: Lunch\nMessage-Id: <m@x>\r\n\nbody", "Lunch", "Ann",
         "message:%3Cm@x%3E", "Lunch from Ann"},
        {"folded", "Subject: first\r\n second\r\n\t third\r\nFrom: Bo\r\n\r\n", "first second third", "Bo",
         "", "first second third from Bo"},
        {"folded right after the colon", "Subject:\n   Folded\nFrom:\r\n\tBo <bo@x>\n\n", "Folded",
         "Bo <bo@x>", "", "Folded from Bo <bo@x>"},
        {"no space after the colon", "Subject:Tight\nFROM:Cy\nmessage-id:<t@x>\n", "Tight", "Cy",
         "message:%3Ct@x%3E", "Tight from Cy"},
        {"blank before the colon", "Subject : Spaced\n", "Spaced", nullptr, "", "Spaced"},
        {"mbox From line", "From ann@example.com Sat Jan  3 01:05:34 1996\nSubject: Boxed\n\n", "Boxed",
         nullptr, "", "Boxed"},
        {"encoded words",
         "Subject: Re: =?utf-8?Q?caf=C3?=\r\n =?utf-8?Q?=A9?= time\r\nFrom: =?iso-8859-1?q?J=F6rg?= "
         "<j@x>\r\n",
         "Re: café time", "Jörg <j@x>", "", "Re: café time from Jörg <j@x>"},
        {"unknown encoding keeps the rest", "Subject: Re: =?utf-8?x?zz?= =?utf-8?q?caf=C3=A9?=\n",
         "Re: =?utf-8?x?zz?= café", nullptr, "", "Re: =?utf-8?x?zz?= café"},
        {"raw UTF-8", "Subject: caf\xC3\xA9\n", "café", nullptr, "", "café"},
        {"raw Latin-1", "Subject: caf\xE9\n", "café", nullptr, "", "café"},
        {"UTF-8 mark", "\xEF\xBB\xBFSubject: marked\n", "marked", nullptr, "", "marked"},
        {"a later field wins", "Subject: one\nSubject: two\n", "two", nullptr, "", "two"},
        {"escaped identifier", "Message-ID: <a#b c%d@x>\n", nullptr, nullptr, "message:%3Ca%23b%20c%25d@x%3E",
         ""},
        {"empty identifier", "Subject: s\nMessage-ID:   \n", "s", nullptr, "", "s"},
        {"no subject", "From: Ann\n", nullptr, "Ann", "", "Email from Ann"},
        {"blank subject", "Subject:  \nFrom: Ann\n", "", "Ann", "", "Email from Ann"},
        {"neither", "Message-ID: <z@x>\nX-Other: 1\n", nullptr, nullptr, "message:%3Cz@x%3E", ""},
        {"a stray line", "garbage line\n continued\nSubject: kept\n", "kept", nullptr, "", "kept"},
    };
    for (const MessageCase& c : cases) {
        const auto parser = parse(c.contents);
        ASSERT_TRUE(parser.ok()) << c.what << ": " << parser.error().description.toStdString();
        EXPECT_EQ(parser->subject(), c.subject ? s(c.subject) : QString()) << c.what;
        EXPECT_EQ(parser->sender(), c.sender ? s(c.sender) : QString()) << c.what;
        EXPECT_EQ(parser->messageURL().toString(QUrl::FullyEncoded), s(c.url)) << c.what;
        EXPECT_EQ(parser->linkTitle(), s(c.linkTitle)) << c.what;
        EXPECT_FALSE(parser->linkTitle().contains(QStringLiteral("(null)"))) << c.what;
    }
}

// Whatever the identifier holds, the link keeps all of it in its path: nothing of it becomes a query, a
// fragment, a host or a second path segment.
TEST_F(EmailParserTest, EscapesEveryCharacterOfTheIdentifierThatWouldCutOrChangeTheLink) {
    const struct {
        const char* identifier;
        const char* url;
    } cases[] = {
        {"<a?b@x>", "message:%3Ca%3Fb@x%3E"},
        {"<a?b=c&d=e@x>", "message:%3Ca%3Fb=c&d=e@x%3E"},
        {"<a#b@x>", "message:%3Ca%23b@x%3E"},
        {"<50%25@x>", "message:%3C50%2525@x%3E"},
        {"<a/b/../c@x>", "message:%3Ca%2Fb%2F..%2Fc@x%3E"},
        {"//host/path", "message:%2F%2Fhost%2Fpath"},
        {"<[1]@x>", "message:%3C%5B1%5D@x%3E"},
        {"<a b\"c@x>", "message:%3Ca%20b%22c@x%3E"},
        {"<caf\xC3\xA9@x>", "message:%3Ccaf%C3%A9@x%3E"},
        {"<a+b!$'()*,;:~@x>", "message:%3Ca+b!$'()*,;:~@x%3E"},
    };
    for (const auto& c : cases) {
        const auto parser = parse(QByteArray("Message-ID: ") + c.identifier + "\r\n\r\n");
        ASSERT_TRUE(parser.ok()) << c.identifier;
        const QUrl url = parser->messageURL();
        EXPECT_EQ(url.toString(QUrl::FullyEncoded), s(c.url)) << c.identifier;
        EXPECT_EQ(url.scheme(), QStringLiteral("message")) << c.identifier;
        EXPECT_FALSE(url.hasQuery()) << c.identifier;
        EXPECT_FALSE(url.hasFragment()) << c.identifier;
        EXPECT_TRUE(url.authority().isEmpty()) << c.identifier;
        EXPECT_EQ(url.path(QUrl::FullyDecoded), s(c.identifier)) << c.identifier;
    }
}

TEST_F(EmailParserTest, ReadsAHeaderInUtf16WithAByteOrderMark) {
    const QString text = QStringLiteral("Subject: wide \u00e9\r\nFrom: W\r\n\r\n");
    QByteArray data("\xFF\xFE", 2);
    data.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    const auto parser = parse(data);
    ASSERT_TRUE(parser.ok());
    EXPECT_EQ(parser->subject(), QStringLiteral("wide \u00e9"));
    EXPECT_EQ(parser->sender(), QStringLiteral("W"));
}

TEST_F(EmailParserTest, RefusesFilesThatAreNoMailMessage) {
    struct Refused {
        const char* what;
        QByteArray contents;
    };
    const Refused cases[] = {
        {"empty", ""},
        {"plain text", "hello world\nthis is no message\n"},
        {"a blank line first", "\nSubject: after the header\n"},
        {"only continuation lines", "  Subject: x\n\tFrom: y\n"},
        {"binary", QByteArray("Subject: x\n\0\x01\x02\x03", 15)},
        {"bad field names", "Sub ject: x\n\x7f: y\n: z\n"},
    };
    for (const Refused& c : cases) {
        const auto parser = parse(c.contents);
        ASSERT_FALSE(parser.ok()) << c.what;
        EXPECT_EQ(parser.error().code, TDErrorEmailNotAMessage) << c.what;
    }
    const auto missing = TDEmailParser::fromEmailFilepath(m_dir.filePath(QStringLiteral("missing.eml")));
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, TDErrorEmailUnreadable);
    EXPECT_FALSE(TDEmailParser::fromEmailFilepath(m_dir.path()).ok());
}

TEST_F(EmailParserTest, ReadsOnlyTheStartOfAHugeFile) {
    const QByteArray filler = "X-Filler: " + QByteArray(100, 'a') + "\r\n";
    QByteArray early = "Subject: early\r\n";
    while (early.size() < 2 * TDEmailParser::kMaxHeaderBytes) early += filler;
    early += "From: too late\r\n\r\nbody";
    const auto parser = parse(early);
    ASSERT_TRUE(parser.ok());
    EXPECT_EQ(parser->subject(), QStringLiteral("early"));
    EXPECT_TRUE(parser->sender().isNull());

    // One endless line is cut at the limit.
    const auto line = parse("Subject: " + QByteArray(2 * TDEmailParser::kMaxHeaderBytes, 'b'));
    ASSERT_TRUE(line.ok());
    EXPECT_LE(line->subject().size(), TDEmailParser::kMaxHeaderBytes);
}

}  // namespace

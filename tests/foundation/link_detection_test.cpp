#include "foundation/link_detection.h"

#include <gtest/gtest.h>

namespace {

TEST(LinkDetection, FindsAddressesWithoutTheirSurroundingPunctuation) {
    const struct {
        QString text;
        QStringList urls;
        QStringList shown;
    } cases[] = {
        {QStringLiteral("see https://example.com/a?b=1."),
         {QStringLiteral("https://example.com/a?b=1")},
         {QStringLiteral("https://example.com/a?b=1")}},
        {QStringLiteral("(http://example.org/Foo_(bar)) and"),
         {QStringLiteral("http://example.org/Foo_(bar)")},
         {QStringLiteral("http://example.org/Foo_(bar)")}},
        {QStringLiteral("go to www.example.org, then"),
         {QStringLiteral("http://www.example.org")},
         {QStringLiteral("www.example.org")}},
        {QStringLiteral("write to bob.smith@example.co.uk!"),
         {QStringLiteral("mailto:bob.smith@example.co.uk")},
         {QStringLiteral("bob.smith@example.co.uk")}},
        {QStringLiteral("mailto:ann@example.com ftp://files.example.com/x"),
         {QStringLiteral("mailto:ann@example.com"), QStringLiteral("ftp://files.example.com/x")},
         {QStringLiteral("mailto:ann@example.com"), QStringLiteral("ftp://files.example.com/x")}},
        {QStringLiteral("no links: a.b, 3:45, @home, www., http://, user@host"), {}, {}},
        {QString(), {}, {}},
    };
    for (const auto& c : cases) {
        QStringList urls;
        QStringList shown;
        for (const TDDetectedLink& link : detectedLinks(c.text)) {
            urls << link.url.toString();
            shown << c.text.mid(link.range.location, link.range.length);
        }
        EXPECT_EQ(urls, c.urls) << c.text.toStdString();
        EXPECT_EQ(shown, c.shown) << c.text.toStdString();
    }
}

TEST(LinkDetection, LongWordsOfBracketsOrDigitsAreReadInOnePass) {
    const QString brackets = QStringLiteral("http://x.org/") + QString(200000, u')');
    const QList<TDDetectedLink> links = detectedLinks(brackets);
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links.first().range.length, 13);
    EXPECT_TRUE(detectedLinks(QString(200000, u'7')).isEmpty());
}

}  // namespace

#include "foundation/attributed_string_additions.h"
#include "tests/support/test_environment.h"

#include <QTextCursor>
#include <QTextList>

#include <functional>

namespace {

QTextCharFormat linkFormat(const QVariant& href) {
    QTextCharFormat format;
    format.setAnchor(true);
    format.setProperty(QTextFormat::AnchorHref, href);
    return format;
}

QTextCharFormat boldFormat() {
    QTextCharFormat format;
    format.setFontWeight(QFont::Bold);
    return format;
}

TEST(URLOfLinkAtIndex, GivesTheLinkAndTheWholeRunThatCarriesIt) {
    QTextDocument text;
    QTextCursor cursor(&text);
    cursor.insertText(QStringLiteral("go "));
    QTextCharFormat link = linkFormat(QStringLiteral("https://example.com"));
    cursor.insertText(QStringLiteral("exa"), link);
    link.setFontItalic(true);  // a second run of formats inside the same link
    cursor.insertText(QStringLiteral("mple"), link);
    cursor.insertText(QStringLiteral(" now"), QTextCharFormat());
    cursor.insertBlock();
    cursor.insertText(QStringLiteral("tail"));

    TDRange range;
    EXPECT_EQ(URLOfLinkAtIndex(text, 4, &range), QUrl(QStringLiteral("https://example.com")));
    EXPECT_EQ(range, (TDRange{3, 7}));
    EXPECT_EQ(URLOfLinkAtIndex(text, 9, &range), QUrl(QStringLiteral("https://example.com")));
    EXPECT_EQ(range, (TDRange{3, 7}));
    EXPECT_TRUE(URLOfLinkAtIndex(text, 1, &range).isEmpty());
    EXPECT_EQ(range, (TDRange{0, 3}));
    EXPECT_TRUE(URLOfLinkAtIndex(text, 14, &range).isEmpty());  // the paragraph end
    EXPECT_TRUE(URLOfLinkAtIndex(text, 16).isEmpty());
    EXPECT_TRUE(URLOfLinkAtIndex(text, 500, &range).isEmpty());
    EXPECT_FALSE(range.isFound());
    EXPECT_TRUE(URLOfLinkAtIndex(text, -1).isEmpty());

    const QList<TDLinkRange> links = linkRanges(text);
    ASSERT_EQ(links.size(), 1);
    EXPECT_EQ(links.first().range, (TDRange{3, 7}));
    EXPECT_EQ(links.first().url, QUrl(QStringLiteral("https://example.com")));
}

TEST(URLOfLinkAtIndex, TakesURLsAsTheyAreAndRefusesOtherValues) {
    QTextDocument text;
    QTextCursor cursor(&text);
    cursor.insertText(QStringLiteral("a"), linkFormat(QUrl(QStringLiteral("mailto:ann@example.com"))));
    cursor.insertText(QStringLiteral("b"), linkFormat(42));
    EXPECT_EQ(URLOfLinkAtIndex(text, 0), QUrl(QStringLiteral("mailto:ann@example.com")));
    TDRange range;
    EXPECT_TRUE(URLOfLinkAtIndex(text, 1, &range).isEmpty());
    EXPECT_EQ(range, (TDRange{1, 1}));
    EXPECT_EQ(linkRanges(text).size(), 1);
}

TEST(LinkifiedString, LinksMessagesAndAddressesAndKeepsExistingLinks) {
    QTextDocument text;
    QTextCursor cursor(&text);
    cursor.insertText(QStringLiteral("Mail MESSAGE:%3cid-1@host%3e and message://%3cx%3e message:%3Cx%3E, "));
    cursor.insertText(QStringLiteral("https://kept.example"),
                      linkFormat(QStringLiteral("https://other.example")));
    cursor.insertText(QStringLiteral(" see www.example.org."), boldFormat());

    const std::unique_ptr<QTextDocument> linked = linkifiedString(text);
    const QString plain = linked->toPlainText();
    EXPECT_EQ(plain.toStdString(),
              "Mail MESSAGE:<id-1@host> and message://%3cx%3e message:%3Cx%3E, "
              "https://kept.example see www.example.org.");
    EXPECT_EQ(URLOfLinkAtIndex(*linked, 6), QUrl(QStringLiteral("message:%3cid-1@host%3e")));
    TDRange range;
    URLOfLinkAtIndex(*linked, 6, &range);
    EXPECT_EQ(plain.mid(range.location, range.length).toStdString(), "MESSAGE:<id-1@host>");
    // A URL cannot hold an escaped host: that stays text.
    EXPECT_TRUE(URLOfLinkAtIndex(*linked, plain.indexOf(QStringLiteral("message://"))).isEmpty());
    // Upper-case escapes are left as they are.
    EXPECT_EQ(URLOfLinkAtIndex(*linked, plain.indexOf(QStringLiteral("message:%"))),
              QUrl(QStringLiteral("message:%3Cx%3E,")));
    EXPECT_EQ(URLOfLinkAtIndex(*linked, plain.indexOf(QStringLiteral("kept"))),
              QUrl(QStringLiteral("https://other.example")));
    const qsizetype www = plain.indexOf(QStringLiteral("www"));
    EXPECT_EQ(URLOfLinkAtIndex(*linked, www, &range), QUrl(QStringLiteral("http://www.example.org")));
    EXPECT_EQ(range, (TDRange{www, 15}));
    // The link keeps the text's own formats.
    QTextCursor at(linked.get());
    at.setPosition(int(www + 1));
    EXPECT_EQ(at.charFormat().fontWeight(), QFont::Bold);
    // The original is untouched.
    EXPECT_TRUE(URLOfLinkAtIndex(text, 6).isEmpty());
}

TEST(IsRichText, TellsFormattedTextFromPlainNotes) {
    const QFont notesFont(QStringLiteral("DejaVu Sans"), 12);
    const QColor notesColor = QColor::fromRgbF(0.3f, 0.3f, 0.3f, 1.0f);
    const auto notesFormat = [&] {
        QTextCharFormat format;
        format.setFont(notesFont);
        format.setForeground(notesColor);
        return format;
    };
    const struct {
        const char* what;
        std::function<void(QTextCursor&)> write;
        bool rich;
    } cases[] = {
        {"empty text", [](QTextCursor&) {}, false},
        {"plain text", [](QTextCursor& c) { c.insertText(QStringLiteral("one\ntwo")); }, false},
        {"paragraphs without text",
         [](QTextCursor& c) {
             c.insertBlock();
             c.insertBlock();
         },
         false},
        {"text in the notes font and colour",
         [&](QTextCursor& c) {
             c.insertText(QStringLiteral("one"), notesFormat());
             c.insertBlock();
             c.insertText(QStringLiteral("two"), notesFormat());
         },
         false},
        {"one uniform paragraph style",
         [](QTextCursor& c) {
             QTextBlockFormat centred;
             centred.setAlignment(Qt::AlignHCenter);
             c.setBlockFormat(centred);
             c.insertText(QStringLiteral("centred"));
         },
         false},
        {"a bold word",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("a "));
             c.insertText(QStringLiteral("bold"), boldFormat());
         },
         true},
        {"all of it bold", [](QTextCursor& c) { c.insertText(QStringLiteral("bold"), boldFormat()); }, true},
        {"another font",
         [](QTextCursor& c) {
             QTextCharFormat f;
             f.setFont(QFont(QStringLiteral("DejaVu Serif"), 12));
             c.insertText(QStringLiteral("serif"), f);
         },
         true},
        {"another colour",
         [](QTextCursor& c) {
             QTextCharFormat f;
             f.setForeground(QColor(Qt::red));
             c.insertText(QStringLiteral("red"), f);
         },
         true},
        {"a link",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("x"), linkFormat(QStringLiteral("https://example.com")));
         },
         true},
        {"an underline",
         [](QTextCursor& c) {
             QTextCharFormat f;
             f.setFontUnderline(true);
             c.insertText(QStringLiteral("under"), f);
         },
         true},
        {"an image",
         [](QTextCursor& c) {
             QTextImageFormat image;
             image.setName(QStringLiteral("picture.png"));
             c.insertImage(image);
         },
         true},
        {"a list",
         [](QTextCursor& c) {
             c.insertList(QTextListFormat::ListDisc);
             c.insertText(QStringLiteral("item"));
         },
         true},
        {"paragraphs aligned differently",
         [](QTextCursor& c) {
             c.insertText(QStringLiteral("left"));
             QTextBlockFormat right;
             right.setAlignment(Qt::AlignRight);
             c.insertBlock(right);
             c.insertText(QStringLiteral("right"));
         },
         true},
        {"a table", [](QTextCursor& c) { c.insertTable(1, 2); }, true},
    };
    for (const auto& c : cases) {
        QTextDocument text;
        QTextCursor cursor(&text);
        c.write(cursor);
        EXPECT_EQ(isRichText(text, notesFont, notesColor), c.rich) << c.what << c.what;
    }
    // Without a notes font every font is another font.
    QTextDocument text;
    QTextCursor(&text).insertText(QStringLiteral("x"), notesFormat());
    EXPECT_TRUE(isRichText(text, std::nullopt, notesColor));
}

}  // namespace

#pragma once

#include "language/token.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <optional>

// Finds and reads the tokens of task titles. A token starts the title or follows white space and
// ends at white space or the end: "/" and a tag name ("/phone"), several words between two slashes
// ("/house repairs/"), or "@" and a context ("@office"). A tag name never holds a slash.
class TDTitleParser final {
public:
    struct Range {
        qsizetype location = -1;  // -1: not found
        qsizetype length = 0;
        bool isFound() const { return location >= 0; }
        friend bool operator==(const Range&, const Range&) = default;
    };

    // The parts of one token's text; a null string is a part that is not there.
    struct TokenParts {
        QString keyword;
        QString title;
        QString separator;
        QString stringValue;
    };

    static bool isTokenEditingString(const QString& text);
    static QString parsedTitleFromEditingString(const QString& text) { return text; }
    // The title as plain text: the tokens that end it go, the others become their tag names
    // ("/house repairs/ before friday @home" is "House Repairs before friday").
    static QString titleWithoutTagsFromEditingString(const QString& text);
    static QList<Range> tokenRangesFromEditingString(const QString& text);
    static QStringList tokenEditingStringsFromString(const QString& text);
    // The tag titles of the tokens, empty ones left out.
    static QStringList tokenTitlesFromEditingString(const QString& text);
    // Nothing when the text holds neither marker; else a token for each token text.
    static std::optional<QList<TDToken>> parsedTokensFromEditingString(const QString& text);

    // "keyword:value", "keyword=value" or "keyword value"; a text that starts with a marker is a title.
    static TokenParts parseTokenEditingString(const QString& text);
    // A token for one token text: "due:friday", "p=3", "e 2h", "3h", "/p1", "/home".
    static std::optional<TDToken> tokenFromEditingString(const QString& text);
    static Range rangeOfEquivalentTagEditingString(const QString& tagEditingString, const QString& text);

    static bool hasTagPrefix(const QString& text);
    static bool isContextTag(const QString& text);
    // "home" is "/home", "house repairs" is "/house repairs/", "@office" stays; null for blank text.
    static QString tagEditingStringFromTitle(const QString& title);
    // The tag name inside a token text; empty for "" and "/", null when the text is no tag.
    static QString tagTitleFromEditingString(const QString& text);
    // Whether two token texts name the same tag.
    static bool tagEditingStringIsEquivalentToString(const QString& first, const QString& second);
};

#include "foundation/string_additions.h"
#include "tests/support/test_environment.h"

#include <cmath>
#include <functional>

namespace {

struct StringCase {
    const char* what;
    std::function<QString()> made;
    QString expected;
};

QString fromBool(bool b) {
    return b ? QStringLiteral("YES") : QStringLiteral("NO");
}
QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(StringAdditions, Table) {
    const StringCase cases[] = {
        {"duration below a second", [] { return stringWithHumanDescriptionOfTimeInterval(0.5); },
         s("less than a second")},
        {"duration zero", [] { return stringWithHumanDescriptionOfTimeInterval(0); },
         s("less than a second")},
        {"duration negative", [] { return stringWithHumanDescriptionOfTimeInterval(-5); },
         s("less than a second")},
        {"duration one second", [] { return stringWithHumanDescriptionOfTimeInterval(1); }, s("1 second")},
        {"duration 30 s", [] { return stringWithHumanDescriptionOfTimeInterval(30); }, s("30 seconds")},
        {"duration 59.2 s rounds up", [] { return stringWithHumanDescriptionOfTimeInterval(59.2); },
         s("1 minute")},
        {"duration 61 s drops seconds", [] { return stringWithHumanDescriptionOfTimeInterval(61); },
         s("1 minute")},
        {"duration 3600 s", [] { return stringWithHumanDescriptionOfTimeInterval(3600); }, s("1 hour")},
        {"duration 7320 s", [] { return stringWithHumanDescriptionOfTimeInterval(7320); },
         s("2 hours 2 minutes")},
        {"duration day hour minute second",
         [] { return stringWithHumanDescriptionOfTimeInterval(86400 + 3600 + 60 + 1); },
         s("1 day 1 hour 1 minute")},
        {"duration two days and minutes",
         [] { return stringWithHumanDescriptionOfTimeInterval(2 * 86400 + 120); }, s("2 days 2 minutes")},
        {"duration not a number", [] { return stringWithHumanDescriptionOfTimeInterval(std::nan("")); },
         s("less than a second")},
        {"quantity one", [] { return stringWithQuantity(1, s("task"), s("tasks")); }, s("1 task")},
        {"quantity zero is plural", [] { return stringWithQuantity(0, s("task"), s("tasks")); },
         s("0 tasks")},
        {"quantity many", [] { return stringWithQuantity(12, s("task"), s("tasks")); }, s("12 tasks")},
        {"contains", [] { return fromBool(containsSubstring(s("Buy milk"), s("milk"))); }, s("YES")},
        {"contains is case-sensitive", [] { return fromBool(containsSubstring(s("Buy milk"), s("Milk"))); },
         s("NO")},
        {"trimming", [] { return stringByTrimming(s(" \t\n Buy milk \r\n\u2003")); }, s("Buy milk")},
        {"trimming only blanks", [] { return stringByTrimming(s(" \n ")); }, s("")},
        {"XML escapes", [] { return stringByAddingXMLEscapes(s("a < b & \"c\" > 'd'")); },
         s("a &lt; b &amp; &quot;c&quot; &gt; &apos;d&apos;")},
        {"XML escape of an escape", [] { return stringByAddingXMLEscapes(s("&lt;")); }, s("&amp;lt;")},
        {"single word", [] { return fromBool(isSingleWordString(s("errands"))); }, s("YES")},
        {"single word with punctuation", [] { return fromBool(isSingleWordString(s("@home/work"))); },
         s("YES")},
        {"two words", [] { return fromBool(isSingleWordString(s("two words"))); }, s("NO")},
        {"word with a no-break space", [] { return fromBool(isSingleWordString(s("two\u00a0words"))); },
         s("NO")},
        {"empty is no word", [] { return fromBool(isSingleWordString(s(""))); }, s("NO")},
        {"uncapitalized", [] { return uncapitalizedString(s("Hello World")); }, s("hello World")},
        {"uncapitalized empty", [] { return uncapitalizedString(QString()); }, s("")},
        {"uncapitalized outside the basic plane", [] { return uncapitalizedString(s("\U00010400x")); },
         s("\U00010428x")},
    };
    for (const auto& c : cases) EXPECT_EQ(c.made(), c.expected) << c.what;
}

TEST(StringAdditions, UncapitalizedOfEmptyIsEmptyNotNull) {
    EXPECT_FALSE(uncapitalizedString(s("")).isNull());
}

}  // namespace

#include "platform/predicates/predicate_parser.h"
#include "platform/predicates/comparison_predicate.h"
#include "tests/platform/predicates/test_objects.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace {

using platform::predicateWithFormat;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

TEST(PredicateParser, PrintsTheCanonicalForm) {
    struct Case {
        const char* format;
        QVariantList arguments;
        const char* printed;
    } cases[] = {
        {"subtasks.@count = 0 AND incomplete = YES", {}, "subtasks.@count == 0 AND incomplete == YES"},
        {"special=YES AND title=%@", {s("Inbox")}, "special == YES AND title == \"Inbox\""},
        {"NOT title BEGINSWITH[cd] %@", {s("@")}, "NOT title BEGINSWITH[cd] \"@\""},
        {"status != 'X'", {}, "status != \"X\""},
        {"calendarStoreUID = NIL", {}, "calendarStoreUID == nil"},
        {"%@ IN %K", {2, s("tags")}, "2 IN tags"},
        {"%K >= %@ AND %K < %@", {s("dueDate"), 1.5, s("dueDate"), 2.0}, "dueDate >= 1.5 AND dueDate < 2.0"},
        {"a == 1 OR b == 2 AND c == 3", {}, "a == 1 OR (b == 2 AND c == 3)"},
        {"(a == 1 OR b == 2) AND NOT (c == 3 OR d == 4)",
         {},
         "(a == 1 OR b == 2) AND NOT (c == 3 OR d == 4)"},
        {"priority=%ld", {qint64(3)}, "priority == 3"},
        {"title LIKE[c] %@", {s("*a\\*b\"?*")}, "title LIKE[c] \"*a\\\\*b\\\"?*\""},
        {"NONE ancestorTasks IN {1, 'x', nil}", {}, "NONE ancestorTasks IN {1, \"x\", nil}"},
        {"#in.#self == SELF", {}, "#in.#self == SELF"},
        {"uid == $UID", {}, "uid == $UID"},
    };
    for (const auto& c : cases) {
        const auto p = predicateWithFormat(s(c.format), c.arguments);
        ASSERT_TRUE(p.ok()) << c.format << ": " << p.error().description.toStdString();
        EXPECT_EQ((*p)->format(), s(c.printed)) << c.format;
    }
}

TEST(PredicateParser, RoundTripsThroughThePrinter) {
    predicates_test::Item tag;
    const QDateTime day(QDate(2026, 3, 29), QTime(1, 30), Qt::UTC);
    struct Case {
        const char* format;
        QVariantList arguments;
    } cases[] = {
        {"((%@ <= completedDate AND completedDate < %@) OR\n(completedDate = NIL AND ((startDate = NIL AND "
         "dueDate < %@) "
         "OR startDate < %@))) AND archived != YES",
         {day, day.addDays(1), day.addDays(3), day.addDays(1)}},
        {"completedDate = NIL AND (dueDate >= %@ OR startDate >= %@) AND archived != YES", {day, day}},
        {"%@ <= startDate AND startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == "
         "YES\t\tAND "
         "NONE ancestorTasks IN %@",
         {day, day, day, QVariantList{1, 2}}},
        {"(ALL %@ IN tags) OR (orderedTasks.@count > 0 AND ALL %@ IN allTagsInTree)",
         {QVariantList{s("a"), s("b")}, QStringList{s("c")}}},
        {"combinedTitlesFromTree contains[cd] %@", {s("Ünïcode \"quoted\" back\\slash\ttab")}},
        {"priority <= %@ AND priority > 0", {2}},
        {"ANY tags.title ENDSWITH[d] 'x' OR SOME a LIKE 'b?' OR NOT NOT c CONTAINS[c] 'd'", {}},
        {"TRUEPREDICATE AND NOT FALSEPREDICATE", {}},
        {"x == -1.25e-7 AND y == 12345678901234 AND z == 0.1", {}},
        {"a == YES AND b == NO AND c == 1 AND d == {}", {}},
        {"uid IN $UIDS", {}},
    };
    for (const auto& c : cases) {
        const auto first = predicateWithFormat(s(c.format), c.arguments);
        ASSERT_TRUE(first.ok()) << c.format << ": " << first.error().description.toStdString();
        const QString printed = (*first)->format();
        const auto second = predicateWithFormat(printed);
        ASSERT_TRUE(second.ok()) << printed.toStdString() << ": " << second.error().description.toStdString();
        EXPECT_TRUE((*first)->isEqual(**second)) << printed.toStdString();
        EXPECT_EQ((*second)->format(), printed);
    }
    // Two predicates built alike are equal; YES and 1 are not the same written constant.
    EXPECT_TRUE((*predicateWithFormat(s("a == %@"), {tag.variant()}))
                    ->isEqual(**predicateWithFormat(s("a == %@"), {tag.variant()})));
    EXPECT_FALSE((*predicateWithFormat(s("a == YES")))->isEqual(**predicateWithFormat(s("a == 1"))));
    EXPECT_FALSE((*predicateWithFormat(s("a == 1")))->isEqual(**predicateWithFormat(s("a ==[c] 1"))));
}

TEST(PredicateParser, MalformedFormatsGiveErrors) {
    struct Case {
        QString format;
        QVariantList arguments;
    };
    std::vector<Case> cases = {
        {s(""), {}},
        {s("   "), {}},
        {s("title =="), {}},
        {s("== 2"), {}},
        {s("title = 'abc"), {}},
        {s("(a == 1"), {}},
        {s("a == 1)"), {}},
        {s("a === 1"), {}},
        {s("a LIKE[x] 'q'"), {}},
        {s("a LIKE[c 'q'"), {}},
        {s("a == 1 AND"), {}},
        {s("a == 1 extra"), {}},
        {s("a == %@"), {}},
        {s("a == 1"), {2}},
        {s("%K == 1"), {3}},
        {s("%K == 1"), {s("a b")}},
        {s("%K == 1"), {s("a..b")}},
        {s("a == %z"), {1}},
        {s("a == %d"), {s("two")}},
        {s("a.@sum == 1"), {}},
        {s("@avg == 1"), {}},
        {s("a.@ == 1"), {}},
        {s("CAST('x', 'date') == a"), {}},
        {s("a == CAST('2026-01-01T00:00:00Z', 'string')"), {}},
        {s("{b, c} == a"), {}},
        {s("{1, 2 == a"), {}},
        {s("a BETWEEN {1, 2}"), {}},
        {s("a MATCHES '.*'"), {}},
        {s("AND == 1"), {}},
        {s("NOT"), {}},
        {s("$ == 1"), {}},
        {s("#0n == 1"), {}},
        {s("a == 1e"), {}},
        {s("!= 1"), {}},
        {s("a == 'x' \\"), {}},
        {QString(100000, QLatin1Char('(')), {}},
        {s("a == 1 AND ").repeated(10000) + s("a == 1"), {}},  // longer than the cap
        {QStringLiteral("a == ") + QChar(0xD800), {}},
    };
    for (const Case& c : cases) {
        const auto p = predicateWithFormat(c.format, c.arguments);
        EXPECT_FALSE(p.ok()) << c.format.left(80).toStdString();
        if (!p.ok()) {
            EXPECT_EQ(p.error().code, TDErrorPredicateFormatInvalid);
            EXPECT_FALSE(p.error().description.isEmpty());
        }
    }
    const auto located = predicateWithFormat(s("title == 'a' AND priority ~ 2"));
    ASSERT_FALSE(located.ok());
    EXPECT_TRUE(located.error().description.contains(s("at character 27")))
        << located.error().description.toStdString();
    // Placeholders in the text itself do not disturb the message.
    const auto quoted = predicateWithFormat(s("a ~ '%2 %3'"));
    ASSERT_FALSE(quoted.ok());
    EXPECT_TRUE(quoted.error().description.startsWith(s("Could not read the predicate \"a ~ '%2 %3'\": ")))
        << quoted.error().description.toStdString();
}

TEST(PredicateParser, KeywordsInAnyCaseAndNumericPlaceholders) {
    predicates_test::Item item{{{s("n"), 7}, {s("title"), s("Ab")}}};
    const auto p = predicateWithFormat(
        s("n == %d and n == %lu && n = %i aNd title beginswith[C] 'a' or n == %f"), {7, 7u, 7.9, 1.0});
    ASSERT_TRUE(p.ok()) << p.error().description.toStdString();
    EXPECT_TRUE((*p)->evaluate(&item));
    EXPECT_EQ((*p)->format(), s("(n == 7 AND n == 7 AND n == 7 AND title BEGINSWITH[c] \"a\") OR n == 1.0"));
}

}  // namespace

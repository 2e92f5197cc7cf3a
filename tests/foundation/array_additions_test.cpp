#include "foundation/array_additions.h"
#include "tests/support/test_environment.h"

#include <QSet>

namespace {

QVariantMap task(const char* title, const QVariant& priority) {
    return {{QStringLiteral("title"), QString::fromUtf8(title)}, {QStringLiteral("priority"), priority}};
}

QStringList titles(const QVariantList& list) {
    QStringList result;
    for (const QVariant& v : list) result << v.toMap().value(QStringLiteral("title")).toString();
    return result;
}

TEST(ArrayAdditions, SortsByKeyPathWithOrAwayFromCase) {
    const QVariantList tasks = {task("beta", 2), task("Alpha", 3), task("gamma", QVariant()),
                                task("alpha", 1)};
    EXPECT_EQ(titles(sortedArrayUsingKey(tasks, QStringLiteral("title"))),
              (QStringList{QStringLiteral("Alpha"), QStringLiteral("alpha"), QStringLiteral("beta"),
                           QStringLiteral("gamma")}));
    EXPECT_EQ(titles(sortedArrayUsingKey(tasks, QStringLiteral("title"), false, true)),
              (QStringList{QStringLiteral("gamma"), QStringLiteral("beta"), QStringLiteral("Alpha"),
                           QStringLiteral("alpha")}));
    // No value sorts first; equal values keep their order.
    EXPECT_EQ(titles(sortedArrayUsingKey(tasks, QStringLiteral("priority"))),
              (QStringList{QStringLiteral("gamma"), QStringLiteral("alpha"), QStringLiteral("beta"),
                           QStringLiteral("Alpha")}));
    EXPECT_TRUE(sortedArrayUsingKey({}, QStringLiteral("title")).isEmpty());
}

TEST(ArrayAdditions, JoinsWithTheConjunction) {
    EXPECT_TRUE(componentsJoinedByConjunction({}).isNull());
    EXPECT_EQ(componentsJoinedByConjunction({QStringLiteral("milk")}), QStringLiteral("milk"));
    EXPECT_EQ(componentsJoinedByConjunction({QStringLiteral("milk"), QStringLiteral("eggs")}),
              QStringLiteral("milk and eggs"));
    EXPECT_EQ(componentsJoinedByConjunction(
                  {QStringLiteral("milk"), QStringLiteral("eggs"), QStringLiteral("bread")}),
              QStringLiteral("milk, eggs, and bread"));
}

TEST(ArrayAdditions, RemovesEmptyStringsAndPicksAnyElement) {
    EXPECT_EQ(arrayByRemovingEmptyStrings(
                  {QStringLiteral("a"), QStringLiteral(" \n"), QString(), QStringLiteral(" b ")}),
              (QStringList{QStringLiteral("a"), QStringLiteral(" b ")}));

    EXPECT_FALSE(randomObject(QStringList{}));
    const QStringList three = {QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) seen.insert(*randomObject(three));
    EXPECT_EQ(seen.size(), 3);
}

}  // namespace

#include "platform/predicates/sort_descriptor.h"
#include "tests/platform/predicates/test_objects.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using namespace predicates_test;
using platform::SortDescriptor;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

QStringList titles(const QVariantList& objects) {
    QStringList result;
    for (const QVariant& o : objects)
        result.append(platform::objectFromVariant(o)->value(s("title")).toString());
    return result;
}

QStringList titles(const QList<Item*>& objects) {
    QStringList result;
    for (const Item* o : objects) result.append(o->value(s("title")).toString());
    return result;
}

TEST(SortDescriptor, NilFirstWhenAscendingLastWhenDescendingTiesKeepTheirOrder) {
    Item a{{{s("title"), s("a")}, {s("n"), 2}}};
    Item b{{{s("title"), s("b")}}};
    Item c{{{s("title"), s("c")}, {s("n"), 1.5}}};
    Item d{{{s("title"), s("d")}, {s("n"), qint64(2)}}};
    Item e{{{s("title"), s("e")}, {s("n"), true}}};  // a boolean sorts as the number 1
    const QVariantList all = objects({&a, &b, &c, &d, &e}).toList();

    EXPECT_EQ(titles(platform::sortedObjects(all, {SortDescriptor(s("n"))})),
              (QStringList{s("b"), s("e"), s("c"), s("a"), s("d")}));
    EXPECT_EQ(titles(platform::sortedObjects(all, {SortDescriptor(s("n"), false)})),
              (QStringList{s("a"), s("d"), s("c"), s("e"), s("b")}));
    // A second descriptor breaks the tie of a and d.
    EXPECT_EQ(titles(platform::sortedObjects(
                  all, {SortDescriptor(s("n"), false), SortDescriptor(s("title"), false)})),
              (QStringList{s("d"), s("a"), s("c"), s("e"), s("b")}));
}

TEST(SortDescriptor, StringComparisonsAndKeyPaths) {
    Item inbox{{{s("title"), s("Inbox")}}};
    Item apple{{{s("title"), s("apple")}, {s("list"), inbox.variant()}}};
    Item eclair{{{s("title"), s("Éclair")}}};
    Item banana{{{s("title"), s("Banana")}, {s("list"), inbox.variant()}}};
    Item apple2{{{s("title"), s("Apple")}}};
    QList<Item*> items{&apple, &eclair, &banana, &apple2};

    platform::sortObjects(items, {SortDescriptor(s("title"))});
    EXPECT_EQ(titles(items), (QStringList{s("Apple"), s("Banana"), s("apple"), s("Éclair")}));
    platform::sortObjects(items,
                          {SortDescriptor(s("title"), true, SortDescriptor::Comparison::CaseInsensitive)});
    EXPECT_EQ(titles(items), (QStringList{s("Apple"), s("apple"), s("Banana"), s("Éclair")}));
    // Localized: É sorts with E, before the end of the alphabet.
    Item zebra{{{s("title"), s("zebra")}}};
    items.append(&zebra);
    platform::sortObjects(items, {SortDescriptor(s("title"), true, SortDescriptor::Comparison::Localized)});
    EXPECT_EQ(titles(items), (QStringList{s("apple"), s("Apple"), s("Banana"), s("Éclair"), s("zebra")}));
    platform::sortObjects(
        items, {SortDescriptor(s("title"), false, SortDescriptor::Comparison::LocalizedCaseInsensitive)});
    EXPECT_EQ(titles(items), (QStringList{s("zebra"), s("Éclair"), s("Banana"), s("apple"), s("Apple")}));
    // Through a to-one relationship; objects without a list come first.
    platform::sortObjects(items, {SortDescriptor(s("list.title"), true)});
    EXPECT_EQ(titles(items).mid(3), (QStringList{s("Banana"), s("apple")}));
}

TEST(SortDescriptor, DatesMixedFamiliesAndSelf) {
    const QDateTime t(QDate(2026, 1, 1), QTime(12, 0), Qt::UTC);
    const QVariantList values{s("x"), t.addSecs(5), 3, QVariant(), t.toTimeZone(QTimeZone("Europe/Berlin")),
                              1.5};
    const QVariantList sorted = platform::sortedObjects(values, {SortDescriptor(s("self"))});
    ASSERT_EQ(sorted.size(), 6);
    EXPECT_FALSE(sorted.at(0).isValid());
    EXPECT_EQ(sorted.at(1).toDouble(), 1.5);
    EXPECT_EQ(sorted.at(2).toInt(), 3);
    EXPECT_EQ(sorted.at(3).toString(), s("x"));
    EXPECT_EQ(sorted.at(4).toDateTime(), t);
    EXPECT_EQ(sorted.at(5).toDateTime(), t.addSecs(5));
}

TEST(SortDescriptor, CustomComparatorDecidesDirectionAndMissingValuesItself) {
    // Like sorting by priority: 0 means none and goes last in both directions.
    Item p1{{{s("title"), s("p1")}, {s("priority"), 1}}};
    Item p3{{{s("title"), s("p3")}, {s("priority"), 3}}};
    Item none{{{s("title"), s("none")}, {s("priority"), 0}}};
    auto byPriority = [](bool ascending) {
        return SortDescriptor(s("priority"), ascending, [ascending](const QVariant& l, const QVariant& r) {
            const int a = platform::objectFromVariant(l)->value(s("priority")).toInt();
            const int b = platform::objectFromVariant(r)->value(s("priority")).toInt();
            if (a == 0 || b == 0) return (a == 0) <=> (b == 0);
            return ascending ? a <=> b : b <=> a;
        });
    };
    const QVariantList all = objects({&none, &p3, &p1}).toList();
    EXPECT_EQ(titles(platform::sortedObjects(all, {byPriority(true)})),
              (QStringList{s("p1"), s("p3"), s("none")}));
    EXPECT_EQ(titles(platform::sortedObjects(all, {byPriority(false)})),
              (QStringList{s("p3"), s("p1"), s("none")}));
    EXPECT_TRUE(byPriority(false).hasComparator());
    EXPECT_EQ(byPriority(false).compareObjects(p1.variant(), p1.variant()), std::weak_ordering::equivalent);
}

}  // namespace

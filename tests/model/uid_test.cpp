#include "model/uid.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <QRegularExpression>

#include <algorithm>

namespace {

TEST(UID, NewUIDsAreSixteenUpperHexDigitsAndDiffer) {
    const QRegularExpression form(QStringLiteral("^[0-9A-F]{16}$"));
    QSet<QString> seen;
    for (int i = 0; i < 200; ++i) {
        const QString uid = TDNewUID();
        EXPECT_TRUE(form.match(uid).hasMatch()) << uid.toStdString();
        seen.insert(uid);
    }
    EXPECT_EQ(seen.size(), 200);
}

TEST(UID, SteppingCarriesAndWraps) {
    const struct {
        const char* from;
        const char* to;
    } cases[] = {
        {"FFFFFFFFFFFFFFFF", "0000000000000000"}, {"00000000000000FF", "0000000000000100"},
        {"0FFFFFFFFFFFFFFF", "1000000000000000"}, {"00000000000000AB", "00000000000000AC"},
        {"00000000000000ab", "00000000000000AC"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(TDNextUID(QString::fromLatin1(c.from)), QString::fromLatin1(c.to)) << c.from;
    EXPECT_EQ(TDNextUID(QString()), QStringLiteral("0000000000000001"));
}

TEST(UID, NumbersAndStrings) {
    EXPECT_EQ(TDUIDStringFromNumber(0xABCull), QStringLiteral("0000000000000ABC"));
    EXPECT_TRUE(TDUIDStringFromNumber(std::nullopt).isNull());
    EXPECT_EQ(TDUIDNumberFromString(QStringLiteral("1F-xyz")), 0x1Full);
    EXPECT_FALSE(TDUIDNumberFromString(QString()).has_value());
    EXPECT_FALSE(TDUIDNumberFromString(QStringLiteral("xyz")).has_value());
}

}  // namespace

// Sorting by number where UIDs have the usual form gives exactly the order of their text, also mixed
// with UIDs of other forms, and keeps equal ones in their order.
TEST(UID, SortingByUIDIsTheOrderOfTheText) {
    EXPECT_EQ(TDCanonicalUIDNumber(QStringLiteral("00000000000000FF")), 255u);
    for (const char* odd :
         {"00000000000000ff", "0000000000000FF", "00000000000000FFF", "", "G000000000000000"})
        EXPECT_FALSE(TDCanonicalUIDNumber(QString::fromLatin1(odd)).has_value()) << odd;

    QRandomGenerator random(7);
    QList<QPair<QString, int>> items;
    for (int i = 0; i < 3000; ++i) {
        QString uid = TDUIDStringFromNumber(random.generate64() >> (random.bounded(4) * 16));
        if (i % 7 == 0) uid = uid.toLower();
        if (i % 11 == 0) uid = uid.left(random.bounded(17));
        if (i % 13 == 0 && !items.isEmpty()) uid = items.at(random.bounded(items.size())).first;
        items.append({uid, i});
    }
    QList<QPair<QString, int>> expected = items;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    TDStableSortByUID(items, [](const auto& item) -> const QString& { return item.first; });
    EXPECT_EQ(items, expected);
}

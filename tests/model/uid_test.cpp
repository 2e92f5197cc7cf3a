#include "model/uid.h"

#include <gtest/gtest.h>

#include <QRegularExpression>

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
        {"FFFFFFFFFFFFFFFF", "0000000000000000"},
        {"00000000000000FF", "0000000000000100"},
        {"0FFFFFFFFFFFFFFF", "1000000000000000"},
        {"00000000000000AB", "00000000000000AC"},
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

#include "app/group_history.h"

#include <gtest/gtest.h>

namespace {

struct Move {
    const char* name;
    QStringList stack;
    qsizetype index;
    int direction;
    QStringList gone;  // entries whose group no longer shows
    QString expectedUID;
    QStringList expectedStack;
    qsizetype expectedIndex;
};

class GroupHistoryMoves : public ::testing::TestWithParam<Move> {};

TEST_P(GroupHistoryMoves, MovesSkippingAndForgettingWhatCannotShow) {
    const Move& move = GetParam();
    TDGroupHistory history;
    history.setState(
        QVariantMap{{QStringLiteral("stack"), move.stack}, {QStringLiteral("index"), move.index}}, {});
    const QString uid = history.move(
        move.direction, [&](const QString& candidate) { return !move.gone.contains(candidate); });
    EXPECT_EQ(uid, move.expectedUID);
    EXPECT_EQ(history.stack(), move.expectedStack);
    EXPECT_EQ(history.index(), move.expectedIndex);
}

const QStringList abcd{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};

INSTANTIATE_TEST_SUITE_P(
    Table, GroupHistoryMoves,
    ::testing::Values(Move{"back", abcd, 3, -1, {}, QStringLiteral("C"), abcd, 2},
                      Move{"forward", abcd, 1, +1, {}, QStringLiteral("C"), abcd, 2},
                      Move{"backAtStart", abcd, 0, -1, {}, {}, abcd, 0},
                      Move{"forwardAtEnd", abcd, 3, +1, {}, {}, abcd, 3},
                      Move{"backOverDeleted",
                           abcd,
                           3,
                           -1,
                           {QStringLiteral("C")},
                           QStringLiteral("B"),
                           {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")},
                           1},
                      Move{"forwardOverDeleted",
                           abcd,
                           0,
                           +1,
                           {QStringLiteral("B")},
                           QStringLiteral("C"),
                           {QStringLiteral("A"), QStringLiteral("C"), QStringLiteral("D")},
                           1},
                      Move{"backOverEverything",
                           abcd,
                           3,
                           -1,
                           {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")},
                           {},
                           {QStringLiteral("D")},
                           0},
                      Move{"oneEntry", {QStringLiteral("A")}, 0, -1, {}, {}, {QStringLiteral("A")}, 0}),
    [](const ::testing::TestParamInfo<Move>& info) { return std::string(info.param.name); });

TEST(GroupHistoryTest, InsertingDropsWhatLayAheadAndKeepsOneEntryPerVisit) {
    TDGroupHistory history;
    history.insert(QStringLiteral("A"));
    EXPECT_FALSE(history.canGoBack());
    EXPECT_FALSE(history.canGoForward());
    history.insert(QStringLiteral("B"));
    history.insert(QStringLiteral("B"));
    history.insert(QStringLiteral("C"));
    EXPECT_EQ(history.stack(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(history.index(), 2);
    EXPECT_EQ(history.move(-1, [](const QString&) { return true; }), QStringLiteral("B"));
    EXPECT_TRUE(history.canGoForward());
    history.insert(QStringLiteral("D"));
    EXPECT_EQ(history.stack(), (QStringList{QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("D")}));
    EXPECT_FALSE(history.canGoForward());
    EXPECT_TRUE(history.canGoBack());
}

TEST(GroupHistoryTest, StatesThatAreNotAHistoryBecomeTheCurrentGroupAlone) {
    for (const QVariant& state : {QVariant(), QVariant(QStringLiteral("stack")),
                                  QVariant(QVariantMap{{QStringLiteral("stack"), QStringList()}}),
                                  QVariant(QVariantMap{{QStringLiteral("index"), 3}})}) {
        TDGroupHistory history;
        history.setState(state, QStringLiteral("TODAY"));
        EXPECT_EQ(history.stack(), QStringList{QStringLiteral("TODAY")});
        EXPECT_EQ(history.index(), 0);
        EXPECT_FALSE(history.canGoBack());
    }
    TDGroupHistory history;
    history.insert(QStringLiteral("A"));
    history.insert(QStringLiteral("B"));
    TDGroupHistory copy;
    copy.setState(history.state(), QStringLiteral("X"));
    EXPECT_EQ(copy.stack(), history.stack());
    EXPECT_EQ(copy.index(), 1);
}

}  // namespace

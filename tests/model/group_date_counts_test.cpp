#include "model/group_date_counts.h"

#include "tests/model/task_tree_fixture.h"

#include <functional>

namespace {

using modeltest::TaskTreeTest;

class GroupDateCountsTest : public TaskTreeTest {
protected:
    static QDateTime day(int n) { return QDateTime(QDate(2026, 12, 1).addDays(n), QTime(0, 0)); }
    static TDAggregates figures(const QDateTime& start, const QDateTime& due, bool comprehensive = true) {
        TDAggregates a;
        a.earliestStartDate = start;
        a.earliestDueDate = due;
        a.totalEstimatedTimeComprehensive = comprehensive;
        return a;
    }
};

// Each member counts once, however often it is reported: an earliest date goes with its last holder,
// and a member reported again after it left holds nothing.
TEST_F(GroupDateCountsTest, EachMemberHoldsItsLatestFiguresOnce) {
    TDTask* a = task(QStringLiteral("a"), inbox());
    TDTask* b = task(QStringLiteral("b"), inbox());
    TDGroupDateCounts counts{platform::ObjectSet()};
    struct Step {
        const char* what;
        std::function<void()> change;
        QDateTime start, due;
        bool comprehensive;
    };
    const QList<Step> steps{
        {"a joins", [&] { counts.set(a, figures(day(3), day(2))); }, day(3), day(2), true},
        {"a reported twice", [&] { counts.set(a, figures(day(3), day(2))); }, day(3), day(2), true},
        {"b ties a's due date, unestimated", [&] { counts.set(b, figures({}, day(2), false)); }, day(3),
         day(2), false},
        {"a leaves", [&] { counts.remove(a); }, {}, day(2), false},
        {"a left and leaves again", [&] { counts.remove(a); }, {}, day(2), false},
        {"b moves later, estimated", [&] { counts.set(b, figures(day(1), day(6))); }, day(1), day(6), true},
        {"b unestimated twice", [&] { counts.set(b, figures(day(1), day(6), false)); }, day(1), day(6),
         false},
        {"b estimated once", [&] { counts.set(b, figures(day(1), day(6))); }, day(1), day(6), true},
        {"b leaves", [&] { counts.remove(b); }, {}, {}, true},
    };
    for (const Step& step : steps) {
        step.change();
        TDAggregates counted;
        counts.copyTo(counted);
        EXPECT_EQ(counted.earliestStartDate, step.start) << step.what;
        EXPECT_EQ(counted.earliestDueDate, step.due) << step.what;
        EXPECT_EQ(counted.totalEstimatedTimeComprehensive, step.comprehensive) << step.what;
        EXPECT_TRUE(counts.describe(counted)) << step.what;
    }
}

// Counted over a group's members, the counts give what a full sum gives.
TEST_F(GroupDateCountsTest, CountedMembersAgreeWithTheirSum) {
    TDTask* first = task(QStringLiteral("first"), inbox(), 600);
    first->setDueDate(day(4));
    TDTask* second = task(QStringLiteral("second"), inbox());
    second->setStartDate(day(2));
    second->setDueDate(day(4));
    settle();
    TDAggregates sum;
    const TDGroupDateCounts counts(inbox()->objects(QStringLiteral("tasks")), &sum);
    EXPECT_EQ(sum, TDAggregates::sumOf(inbox()->objects(QStringLiteral("tasks"))));
    EXPECT_TRUE(counts.describe(sum));
    EXPECT_FALSE(counts.describe(figures(day(2), day(5), false)));
}

}  // namespace

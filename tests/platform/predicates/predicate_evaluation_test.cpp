#include "platform/predicates/comparison_predicate.h"
#include "platform/predicates/compound_predicate.h"
#include "platform/predicates/predicate_parser.h"
#include "tests/platform/predicates/test_objects.h"

#include <QDateTime>
#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using namespace predicates_test;
using platform::predicateWithFormat;

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// A small library: three tags, two lists, a task with everything set, a canceled task holding the first
// as a subtask, and an object with no values at all.
struct World {
    Item work{{{s("title"), s("Work")}}};
    Item home{{{s("title"), s("Home")}}};
    Item cafe{{{s("title"), s("Café")}}};
    Item inbox{{{s("title"), s("Inbox")}}};
    Item otherInbox{{{s("title"), s("Inbox")}}};
    QDateTime due = QDateTime(QDate(2026, 12, 10), QTime(10, 0), Qt::UTC);
    Item a;
    Item b;
    Item empty;

    World() {
        a.values = {{s("title"), s("Write Report")},
                    {s("priority"), int(2)},
                    {s("estimate"), 1.5},
                    {s("flag"), true},
                    {s("archived"), false},
                    {s("dueDate"), due},
                    {s("tags"), objects({&work, &cafe})},
                    {s("subtasks"), QVariantList()},
                    {s("list"), inbox.variant()}};
        b.values = {{s("title"), s("café crème")}, {s("status"), s("X")},
                    {s("priority"), qint64(0)},    {s("archived"), true},
                    {s("tags"), QVariantList()},   {s("subtasks"), objects({&a})}};
    }
};

struct Case {
    const char* format;
    QVariantList arguments;
    bool a;      // expected for the full task
    bool b;      // for the canceled one
    bool empty;  // for the object without values
};

class PredicateEvaluation : public ::testing::Test {
protected:
    World w;

    void check(const std::vector<Case>& cases) {
        for (const Case& c : cases) {
            const auto predicate = predicateWithFormat(s(c.format), c.arguments);
            ASSERT_TRUE(predicate.ok()) << c.format << ": " << predicate.error().description.toStdString();
            EXPECT_EQ((*predicate)->evaluate(&w.a), c.a) << c.format << " on a";
            EXPECT_EQ((*predicate)->evaluate(&w.b), c.b) << c.format << " on b";
            EXPECT_EQ((*predicate)->evaluate(&w.empty), c.empty) << c.format << " on the empty object";
        }
    }
};

TEST_F(PredicateEvaluation, OrderingAndEqualityAcrossNumberTypesAndNil) {
    check({
        {"priority == 2", {}, true, false, false},
        {"priority = 2.0", {}, true, false, false},
        {"priority < 3", {}, true, true, false},
        {"priority <= 2", {}, true, true, false},
        {"priority > 1.5", {}, true, false, false},
        {"priority >= 2", {}, true, false, false},
        {"priority != 2", {}, false, true, true},
        {"priority =< 0", {}, false, true, false},
        {"priority => 0", {}, true, true, false},
        {"priority <> 0", {}, true, false, true},
        {"estimate > 1 AND estimate == 1.5", {}, true, false, false},
        {"flag == 1", {}, true, false, false},
        {"archived == 1", {}, false, true, false},
        {"archived != YES", {}, true, false, true},
        {"archived == NO", {}, true, false, false},
        {"dueDate == nil", {}, false, true, true},
        {"dueDate != NIL", {}, true, false, false},
        {"priority < %@", {QVariant()}, false, false, false},
        {"priority >= nil", {}, false, false, false},
        {"nil == nil", {}, true, true, true},
        {"title == 2", {}, false, false, false},
        {"title < 5", {}, false, false, false},
        {"priority == '2'", {}, false, false, false},
        {"priority != '2'", {}, true, true, true},
        {"priority == %d", {2}, true, false, false},
        {"priority == %ld", {qint64(0)}, false, true, false},
        {"estimate == %lf", {1.5}, true, false, false},
    });
}

TEST_F(PredicateEvaluation, DatesCompareByInstant) {
    const QDateTime sameInstantInBerlin = w.due.toTimeZone(QTimeZone("Europe/Berlin"));
    const QDateTime later = w.due.addSecs(1);
    check({
        {"dueDate == %@", {sameInstantInBerlin}, true, false, false},
        {"dueDate < %@", {later}, true, false, false},
        {"dueDate > %@", {later}, false, false, false},
        {"%@ <= dueDate AND dueDate < %@", {sameInstantInBerlin, later}, true, false, false},
        {"NOT dueDate < %@", {later}, false, true, true},
        {"dueDate == CAST(\"2026-12-10T10:00:00.000Z\", \"date\")", {}, true, false, false},
    });
}

TEST_F(PredicateEvaluation, StringOperatorsWithCaseAndDiacriticOptions) {
    check({
        {"title BEGINSWITH 'Write'", {}, true, false, false},
        {"title BEGINSWITH 'write'", {}, false, false, false},
        {"title BEGINSWITH[c] 'write'", {}, true, false, false},
        {"title ENDSWITH[c] 'REPORT'", {}, true, false, false},
        {"title CONTAINS 'e R'", {}, true, false, false},
        {"title CONTAINS 'cafe'", {}, false, false, false},
        {"title CONTAINS[d] 'cafe'", {}, false, true, false},
        {"title CONTAINS[cd] 'CAFE'", {}, false, true, false},
        {"title contains[cd] %@", {s("CRÉME")}, false, true, false},
        {"title ==[cd] 'CAFE CREME'", {}, false, true, false},
        {"title == 'CAFÉ CRÈME'", {}, false, false, false},
        {"title ==[c] 'CAFÉ CRÈME'", {}, false, true, false},
        {"title <[c] 'x'", {}, true, true, false},
        {"title BEGINSWITH[cd] %@", {s("CAFÉ")}, false, true, false},
        {"title LIKE 'Write*'", {}, true, false, false},
        {"title LIKE 'W?ite Report'", {}, true, false, false},
        {"title LIKE[c] '*report'", {}, true, false, false},
        {"title LIKE 'Write'", {}, false, false, false},
        {"title LIKE[cd] '*CAFE*'", {}, false, true, false},
        {"title LIKE '*'", {}, true, true, false},
    });
}

TEST_F(PredicateEvaluation, LikeEscapesMatchWildcardsLiterally) {
    Item literal{{{s("title"), s("x a*b? y")}}};
    Item wild{{{s("title"), s("x aXXb! y")}}};
    Item slash{{{s("title"), s("path\\to")}}};
    struct LikeCase {
        const char* pattern;
        bool literal, wild, slash;
    } cases[] = {
        {"*a\\*b\\?*", true, false, false}, {"*A\\*B\\?*", true, false, false},  // [c] below
        {"*a*b?*", true, true, false},      {"*\\\\*", false, false, true},
        {"path\\\\to", false, false, true}, {"x ???? y", true, false, false},
    };
    for (const LikeCase& c : cases) {
        const auto predicate = predicateWithFormat(s("title LIKE[c] %@"), {s(c.pattern)});
        ASSERT_TRUE(predicate.ok());
        EXPECT_EQ((*predicate)->evaluate(&literal), c.literal) << c.pattern;
        EXPECT_EQ((*predicate)->evaluate(&wild), c.wild) << c.pattern;
        EXPECT_EQ((*predicate)->evaluate(&slash), c.slash) << c.pattern;
    }
    // A run of stars and a long text stay cheap: backtracking is to the last star only.
    Item longText{{{s("title"), QString(5000, QLatin1Char('a'))}}};
    const auto stars = predicateWithFormat(s("title LIKE '*a*a*a*a*a*a*a*a*b'"));
    EXPECT_FALSE((*stars)->evaluate(&longText));
}

TEST_F(PredicateEvaluation, MembershipCollectionsAndIdentity) {
    check({
        {"priority IN {1, 2, 3}", {}, true, false, false},
        {"title IN {'x', 'Write Report'}", {}, true, false, false},
        {"title IN[c] {'write report'}", {}, true, false, false},
        {"title IN[cd] %@", {QStringList{s("CAFE CREME")}}, false, true, false},
        {"'Rep' IN title", {}, true, false, false},
        {"%@ IN tags", {w.work.variant()}, true, false, false},
        {"NOT %@ IN tags", {w.work.variant()}, false, true, true},
        {"tags CONTAINS %@", {w.cafe.variant()}, true, false, false},
        {"list IN %@", {objects({&w.inbox, &w.home})}, true, false, false},
        {"list == %@", {w.inbox.variant()}, true, false, false},
        {"list == %@", {w.otherInbox.variant()}, false, false, false},
        {"list.title == 'Inbox'", {}, true, false, false},
        {"list.title == nil", {}, false, true, true},
        {"SELF == %@", {w.a.variant()}, true, false, false},
        {"SELF IN %@", {objects({&w.a, &w.b})}, true, true, false},
        {"tags.title == {'Work', 'Café'}", {}, true, false, false},
    });
}

TEST_F(PredicateEvaluation, AnyAllNoneOverToManyPathsAndConstants) {
    check({
        {"ANY tags.title == 'Work'", {}, true, false, false},
        {"SOME tags == %@", {w.work.variant()}, true, false, false},
        {"ANY tags.title ==[cd] 'cafe'", {}, true, false, false},
        {"ALL tags.title BEGINSWITH 'W'", {}, false, true, true},
        {"ALL tags.title != 'Home'", {}, true, true, true},
        {"NONE tags.title == 'Work'", {}, false, true, true},
        {"ALL %@ IN tags", {objects({&w.work, &w.cafe})}, true, false, false},
        {"ALL %@ IN tags", {objects({&w.work, &w.home})}, false, false, false},
        {"ANY %@ IN tags", {objects({&w.home, &w.cafe})}, true, false, false},
        {"NONE subtasks.tags.title == 'Work'", {}, true, false, true},
        {"ANY subtasks.priority == 2", {}, false, true, false},
    });
}

TEST_F(PredicateEvaluation, CountCompoundsAndConstants) {
    check({
        {"tags.@count == 2", {}, true, false, false},
        {"tags.@count = 0", {}, false, true, false},
        {"subtasks.@count > 0", {}, false, true, false},
        {"subtasks.@count = 0 AND archived = NO", {}, true, false, false},
        {"priority == 0 OR archived == YES", {}, false, true, false},
        {"NOT (priority == 2)", {}, false, true, true},
        {"!(priority == 2) && archived = YES || title == 'Write Report'", {}, true, true, false},
        {"priority == 2\tAND\t\tarchived == NO", {}, true, false, false},
        {"TRUEPREDICATE", {}, true, true, true},
        {"falsepredicate", {}, false, false, false},
        {"1 = 1", {}, true, true, true},
    });
    // "@count" on the evaluated object itself, as sections filter their own lists.
    const auto nonEmpty = predicateWithFormat(s("@count != 0"));
    ASSERT_TRUE(nonEmpty.ok());
    EXPECT_TRUE((*nonEmpty)->evaluate(objects({&w.a})));
    EXPECT_FALSE((*nonEmpty)->evaluate(QVariant(QVariantList())));
}

TEST_F(PredicateEvaluation, VariablesAreSubstitutedOrAnsweredAtEvaluation) {
    const auto templ = predicateWithFormat(s("priority == $P AND title BEGINSWITH[c] $PREFIX"));
    ASSERT_TRUE(templ.ok());
    const auto filled = (*templ)->substituting({{s("P"), 2}, {s("PREFIX"), s("write")}});
    ASSERT_TRUE(filled.ok());
    EXPECT_TRUE((*filled)->evaluate(&w.a));
    EXPECT_EQ((*filled)->format(), s("priority == 2 AND title BEGINSWITH[c] \"write\""));

    const auto missing = (*templ)->substituting({{s("P"), 2}});
    ASSERT_FALSE(missing.ok());
    EXPECT_EQ(missing.error().code, TDErrorPredicateVariableMissing);
    EXPECT_TRUE(missing.error().description.contains(s("$PREFIX")));

    EXPECT_TRUE((*templ)->evaluate(w.a.variant(), {{s("P"), 2}, {s("PREFIX"), s("W")}}));
    EXPECT_FALSE((*templ)->evaluate(&w.a));  // unsubstituted variables read as nil

    const auto nilTitle = predicateWithFormat(s("title == $TITLE"));
    EXPECT_TRUE((*(*nilTitle)->substituting({{s("TITLE"), QVariant()}}))->evaluate(&w.empty));
}

TEST(CompoundPredicate, BuiltInCodeDropsNullsAndEvaluatesEmptyCompounds) {
    using platform::CompoundPredicate;
    using platform::Predicate;
    Item item;
    EXPECT_TRUE(CompoundPredicate::andPredicate({})->evaluate(&item));
    EXPECT_FALSE(CompoundPredicate::orPredicate({})->evaluate(&item));
    EXPECT_TRUE(CompoundPredicate(CompoundPredicate::Type::Not, {}).evaluate(&item));
    const auto notOfTwo = std::make_shared<CompoundPredicate>(
        CompoundPredicate::Type::Not,
        QList<platform::PredicatePtr>{Predicate::falsePredicate(), nullptr, Predicate::truePredicate()});
    EXPECT_EQ(notOfTwo->subpredicates().size(), 2);
    EXPECT_FALSE(notOfTwo->evaluate(&item));
    EXPECT_EQ(notOfTwo->format(), s("NOT (FALSEPREDICATE OR TRUEPREDICATE)"));
}

TEST(ComparisonPredicate, BuiltInCodeExposesItsParts) {
    using platform::ComparisonPredicate;
    using platform::Expression;
    const auto p = predicateWithFormat(s("ANY tags.title BEGINSWITH[cd] %@"), {s("a")});
    ASSERT_TRUE(p.ok());
    ASSERT_EQ((*p)->kind(), platform::Predicate::Kind::Comparison);
    const auto& c = static_cast<const ComparisonPredicate&>(**p);
    EXPECT_EQ(c.leftExpression().kind(), Expression::Kind::KeyPath);
    EXPECT_EQ(c.leftExpression().text(), s("tags.title"));
    EXPECT_EQ(c.rightExpression().constantValue().toString(), s("a"));
    EXPECT_EQ(c.operatorType(), ComparisonPredicate::Operator::BeginsWith);
    EXPECT_EQ(c.modifier(), ComparisonPredicate::Modifier::Any);
    EXPECT_EQ(c.options(),
              platform::ComparisonOption::CaseInsensitive | platform::ComparisonOption::DiacriticInsensitive);
    // The same comparison moved to another key path, as rules are translated.
    const auto moved = ComparisonPredicate::make(Expression::keyPath(s("completedDate")), c.rightExpression(),
                                                 c.operatorType(), c.modifier(), c.options());
    EXPECT_EQ(moved->format(), s("ANY completedDate BEGINSWITH[cd] \"a\""));
}

}  // namespace

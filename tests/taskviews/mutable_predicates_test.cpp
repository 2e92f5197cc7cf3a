#include "platform/predicates/predicate_parser.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "taskviews/mutable_compound_predicate.h"

#include <gtest/gtest.h>

namespace {

using platform::PredicatePtr;
using Type = TDMutableCompoundPredicate::Type;

PredicatePtr parsed(const char* format) {
    auto predicate = platform::predicateWithFormat(QString::fromLatin1(format));
    EXPECT_TRUE(predicate.ok()) << format;
    return *predicate;
}

std::shared_ptr<TDMutableComparisonPredicate> wrapper(const char* format, bool enabled = true) {
    auto result = std::make_shared<TDMutableComparisonPredicate>(format ? parsed(format) : PredicatePtr());
    result->setEnabled(enabled);
    return result;
}

TEST(MutableComparisonPredicateTest, ASwitchedOffOrEmptyWrapperAcceptsEverythingAndCopiesKeepTheSwitch) {
    struct Case {
        const char* condition;  // nullptr: no real predicate
        bool enabled;
        bool acceptsThree, acceptsSeven;
    };
    const Case cases[] = {
        {"SELF > 5", true, false, true},
        {"SELF > 5", false, true, true},
        {nullptr, true, true, true},
        {nullptr, false, true, true},
    };
    for (const Case& c : cases) {
        const auto w = wrapper(c.condition, c.enabled);
        const auto copied = w->copy();
        for (const auto& p : {w, copied}) {
            EXPECT_EQ(p->evaluate(QVariant(3)), c.acceptsThree) << c.condition << " enabled " << c.enabled;
            EXPECT_EQ(p->evaluate(QVariant(7)), c.acceptsSeven) << c.condition << " enabled " << c.enabled;
        }
        EXPECT_EQ(copied->isEnabled(), c.enabled);
        EXPECT_EQ(copied->realPredicate(), w->realPredicate());
        EXPECT_EQ(w->description(),
                  c.condition ? QStringLiteral("SELF > 5") : QStringLiteral("TRUE PREDICATE"));
    }
}

TEST(MutableComparisonPredicateTest, ACollectionHoldingTheWrapperSeesItChangeInPlace) {
    const auto w = wrapper("SELF > 5");
    const PredicatePtr held = platform::CompoundPredicate::andPredicate({w, parsed("SELF < 100")});
    EXPECT_FALSE(held->evaluate(QVariant(3)));
    w->setEnabled(false);
    EXPECT_TRUE(held->evaluate(QVariant(3)));
    w->setEnabled(true);
    w->setRealPredicate(parsed("SELF < 5"));
    EXPECT_TRUE(held->evaluate(QVariant(3)));
    EXPECT_FALSE(held->evaluate(QVariant(7)));

    // A copy is a separate switch.
    const auto copied = w->copy();
    copied->setEnabled(false);
    EXPECT_FALSE(held->evaluate(QVariant(7)));
}

TEST(MutableCompoundPredicateTest, EvaluatesAndOrNotInOrderWithTheSwitch) {
    struct Case {
        Type type;
        std::vector<const char*> conditions;
        bool acceptsThree;
    };
    const Case cases[] = {
        {Type::And, {}, true},
        {Type::Or, {}, false},
        {Type::Not, {}, true},
        {Type::And, {"SELF > 1", "SELF < 5"}, true},
        {Type::And, {"SELF > 1", "SELF > 5"}, false},
        {Type::Or, {"SELF > 5", "SELF < 1"}, false},
        {Type::Or, {"SELF > 5", "SELF > 1"}, true},
        {Type::Not, {"SELF > 5", "SELF < 1"}, true},  // NOT of several: none of them holds
        {Type::Not, {"SELF > 5", "SELF > 1"}, false},
    };
    for (const Case& c : cases) {
        QList<PredicatePtr> subpredicates;
        for (const char* format : c.conditions) subpredicates.append(parsed(format));
        TDMutableCompoundPredicate compound(c.type, subpredicates);
        EXPECT_EQ(compound.evaluate(QVariant(3)), c.acceptsThree)
            << int(c.type) << " " << compound.format().toStdString();
        compound.setEnabled(false);
        EXPECT_TRUE(compound.evaluate(QVariant(3)));
        const auto copied = compound.copy();
        EXPECT_FALSE(copied->isEnabled());
        EXPECT_EQ(copied->type(), c.type);
        EXPECT_EQ(copied->subpredicates(), subpredicates);
    }
}

TEST(MutableCompoundPredicateTest, AnAndOfWrappersWithTwoSwitchedOffAnswersAsTheThird) {
    const auto a = wrapper("SELF > 5", false);
    const auto b = wrapper("SELF < 1", false);
    const auto c = wrapper("SELF == 3");
    const auto all = TDMutableCompoundPredicate::andPredicateWithSubpredicates({a, b, c});
    EXPECT_TRUE(all->evaluate(QVariant(3)));
    EXPECT_FALSE(all->evaluate(QVariant(4)));

    // The live list takes new members that the holder sees at once.
    all->mutableSubpredicates().append(parsed("SELF > 10"));
    EXPECT_FALSE(all->evaluate(QVariant(3)));
    EXPECT_EQ(TDMutableCompoundPredicate::orPredicateWithSubpredicates({})->type(), Type::Or);
    EXPECT_EQ(TDMutableCompoundPredicate::notPredicateWithSubpredicates({})->type(), Type::Not);
}

TEST(MutableCompoundPredicateTest, AnUnknownTypeRejects) {
    TDMutableCompoundPredicate unknown(static_cast<Type>(7), {});
    EXPECT_FALSE(unknown.evaluate(QVariant(3)));
}

TEST(MutableCompoundPredicateTest, NestedFormatsReadBackAsTheSameCondition) {
    const auto inner =
        TDMutableCompoundPredicate::orPredicateWithSubpredicates({parsed("SELF < 1"), parsed("SELF > 5")});
    const auto outer =
        TDMutableCompoundPredicate::andPredicateWithSubpredicates({inner, parsed("SELF != 7")});
    const PredicatePtr reread = parsed(outer->format().toLatin1().constData());
    for (int value : {0, 3, 6, 7})
        EXPECT_EQ(reread->evaluate(QVariant(value)), outer->evaluate(QVariant(value))) << value;
}

}  // namespace

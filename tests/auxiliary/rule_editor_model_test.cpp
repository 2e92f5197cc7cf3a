#include "auxiliary/rule_editor_model.h"
#include "model/rule_archiving.h"
#include "model/smart_folder_rule_fields.h"
#include "platform/base/clock.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

namespace {

// Lists and tags as the smart-folder sheet offers them, with a chosen default.
class FakeDelegate final : public TRRuleEditorDelegate {
public:
    QList<QVariantMap> objectDictionaryArrayForFieldKeyPath(const TRRuleEditorModel&,
                                                            const QString& keyPath) override {
        auto item = [](const QVariant& object, const QString& title) {
            return QVariantMap{{QStringLiteral("object"), object}, {QStringLiteral("displayValue"), title}};
        };
        if (keyPath == QLatin1String("group"))
            return {item(QStringLiteral("L-inbox"), QStringLiteral("Inbox")),
                    item(QVariant::fromValue(nullptr), QString()),
                    item(QStringLiteral("L-work"), QStringLiteral("Work"))};
        if (keyPath == QLatin1String("tag")) return {item(QStringLiteral("T-home"), QStringLiteral("home"))};
        return {};
    }
    QVariant defaultValueForRule(const TRRuleEditorModel&, const TRComparisonRule& rule) override {
        return rule.keyPath() == QLatin1String("tag") ? tagDefault : QVariant();
    }
    QStringList completionsForSubstring(const TRRuleEditorModel&, const QString&, const QString&) override {
        return {};
    }
    QVariant tagDefault;
};

class RuleEditorModelTest : public ::testing::Test {
protected:
    void SetUp() override {
        TDClock::setShared(&clock);
        editor.setFields(TDSmartFolderRuleFields(true));
        editor.setDelegate(&delegate);
        editor.setRules({});
    }
    void TearDown() override { TDClock::setShared(nullptr); }

    int rowOfKeyPath(const QString& keyPath) const {
        for (int row = 0; row < editor.numberOfRows(); ++row)
            if (editor.fieldOfRow(row) && editor.fieldOfRow(row)->keyPath() == keyPath) return row;
        return -1;
    }
    const TRComparisonRule& leaf(int row) const {
        return static_cast<const TRComparisonRule&>(*editor.row(row).rule);
    }
    TRRuleField* field(const char* keyPath) const { return editor.fieldForKeyPath(QLatin1String(keyPath)); }
    QList<int> depths() const {
        QList<int> result;
        for (int row = 0; row < editor.numberOfRows(); ++row) result << editor.row(row).depth;
        return result;
    }

    TDTestClock clock{QDateTime(QDate(2026, 12, 9), QTime(10, 0))};
    FakeDelegate delegate;
    TRRuleEditorModel editor;
};

TEST_F(RuleEditorModelTest, ANewRuleIsAllWithOneTitleRuleOnTheFirstStringCondition) {
    ASSERT_EQ(editor.numberOfRows(), 2);
    EXPECT_EQ(editor.row(0).rule->ruleType(), TRRuleTypeAll);
    EXPECT_TRUE(editor.row(0).removeHidden);
    EXPECT_EQ(editor.valueKindOfRow(0), TRRuleValueKind::None);
    EXPECT_EQ(leaf(1).keyPath(), QStringLiteral("title"));
    EXPECT_EQ(leaf(1).conditionType(),
              TRRuleCondition::conditionsForStringRuleType().first().conditionType());
    EXPECT_EQ(editor.valueKindOfRow(1), TRRuleValueKind::Text);
    EXPECT_EQ(depths(), (QList<int>{0, 1}));
    EXPECT_EQ(editor.rules().size(), 1);
}

TEST_F(RuleEditorModelTest, TheLastRowCannotGoAndDisablesOK) {
    QSignalSpy ok(&editor, &TRRuleEditorModel::okEnabledChanged);
    editor.removeRow(0);  // the root has no remove button
    ASSERT_EQ(editor.numberOfRows(), 2);
    editor.removeRow(1);
    ASSERT_EQ(editor.numberOfRows(), 1);
    EXPECT_FALSE(editor.row(0).canRemove);
    EXPECT_FALSE(editor.isOKEnabled());
    ASSERT_EQ(ok.count(), 1);

    editor.addAfterRow(0);
    EXPECT_TRUE(editor.isOKEnabled());
    EXPECT_TRUE(editor.row(1).canRemove);
}

TEST_F(RuleEditorModelTest, AddingPicksTheFirstUnusedFieldThenWrapsAfterTheClickedRowsField) {
    // Title is used, so the next add takes "List or Folder", placed right after the clicked row.
    QSignalSpy inserted(&editor, &TRRuleEditorModel::rowsInserted);
    editor.addAfterRow(1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.first().value(0).toInt(), 2);
    EXPECT_EQ(leaf(2).keyPath(), QStringLiteral("group"));

    // Every field in use among the siblings: the field after the clicked row's, wrapping to the first.
    TRRuleEditorModel small;
    small.setFields(
        {TRRuleField::fieldWithKeyPath(QStringLiteral("title"), QStringLiteral("Title"), TRRuleTypeString),
         TRRuleField::separatorField(),
         TRRuleField::fieldWithKeyPath(QStringLiteral("note"), QStringLiteral("Note"), TRRuleTypeString)});
    small.setRules({});
    small.addAfterRow(1);  // Note
    ASSERT_EQ(small.numberOfRows(), 3);
    const struct {
        int clickedRow;
        const char* expected;
    } cases[] = {{2, "title"}, {1, "note"}};
    for (const auto& c : cases) {
        const QString clickedKeyPath = small.fieldOfRow(c.clickedRow)->keyPath();
        small.addAfterRow(c.clickedRow);
        const auto& added = static_cast<const TRComparisonRule&>(*small.row(c.clickedRow + 1).rule);
        EXPECT_EQ(added.keyPath(), QLatin1String(c.expected)) << "after " << qPrintable(clickedKeyPath);
    }
}

TEST_F(RuleEditorModelTest, ADataSizeFieldStartsOnItsLastCondition) {
    TRRuleEditorModel sized;
    auto size =
        TRRuleField::fieldWithKeyPath(QStringLiteral("size"), QStringLiteral("Size"), TRRuleTypeDataSize);
    sized.setFields(
        {TRRuleField::fieldWithKeyPath(QStringLiteral("title"), QStringLiteral("Title"), TRRuleTypeString),
         size});
    sized.setRules({});
    sized.addAfterRow(1);  // the first unused field
    const int last = TRRuleCondition::conditionsForDataSizeRuleType().last().conditionType();
    EXPECT_EQ(static_cast<const TRComparisonRule&>(*sized.row(2).rule).conditionType(), last);
    EXPECT_EQ(sized.valueKindOfRow(2), TRRuleValueKind::DataSize);
    ASSERT_TRUE(sized.setFieldOfRow(1, size.get()));
    EXPECT_EQ(static_cast<const TRComparisonRule&>(*sized.row(1).rule).conditionType(), last);
}

TEST_F(RuleEditorModelTest, ConditionsWithoutAValueHideTheValueControl) {
    const struct {
        const char* keyPath;
        int condition;
        bool hidden;
        TRRuleValueKind kind;
    } cases[] = {
        {"dueDate", TRConditionToday, true, TRRuleValueKind::RelativeDate},
        {"dueDate", TRConditionYesterday, true, TRRuleValueKind::RelativeDate},
        {"startDate", TRConditionIsNil, true, TRRuleValueKind::Date},
        {"completedDate", TRConditionIsNotNil, true, TRRuleValueKind::Date},
        {"recurring", TRConditionIsTrue, true, TRRuleValueKind::List},
        {"estimatedTime", TRConditionIsZero, true, TRRuleValueKind::TimeAmount},
        {"dueDate", TRConditionInTheLast, false, TRRuleValueKind::RelativeDate},
        {"dueDate", TRConditionLessThan, false, TRRuleValueKind::Date},
        {"title", TRConditionContains, false, TRRuleValueKind::Text},
        {"subtasks.@count", TRConditionGreaterThan, false, TRRuleValueKind::Number},
        {"priority", TRConditionEqualTo, false, TRRuleValueKind::List},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.keyPath) + " " + std::to_string(c.condition));
        ASSERT_TRUE(editor.setFieldOfRow(1, field(c.keyPath)));
        editor.setConditionOfRow(1, c.condition);
        EXPECT_EQ(leaf(1).conditionType(), c.condition);
        EXPECT_EQ(editor.valueHiddenInRow(1), c.hidden);
        EXPECT_EQ(editor.valueKindOfRow(1), c.kind);
    }
}

TEST_F(RuleEditorModelTest, SwitchingBetweenRelativeAndFixedDatesSwapsTheValue) {
    ASSERT_TRUE(editor.setFieldOfRow(1, field("dueDate")));
    editor.setConditionOfRow(1, TRConditionInTheLast);
    ASSERT_TRUE(editor.setRelativeDateOfRow(1, 3, QStringLiteral("w")));
    EXPECT_EQ(leaf(1).value(), QVariant(QStringLiteral("3w")));
    // Moving within the relative conditions keeps the amount.
    editor.setConditionOfRow(1, TRConditionWithinTheNext);
    EXPECT_EQ(leaf(1).value(), QVariant(QStringLiteral("3w")));

    editor.setConditionOfRow(1, TRConditionLessThanOrEqualTo);
    EXPECT_EQ(editor.valueKindOfRow(1), TRRuleValueKind::Date);
    EXPECT_EQ(leaf(1).value().typeId(), QMetaType::QDateTime);

    editor.setConditionOfRow(1, TRConditionInTheLast);
    EXPECT_EQ(editor.valueKindOfRow(1), TRRuleValueKind::RelativeDate);
    EXPECT_EQ(leaf(1).relativeDateQuantity(), 1);
    EXPECT_EQ(leaf(1).relativeDateUnit(), QStringLiteral("d"));

    // Bad amounts are refused and change nothing.
    EXPECT_FALSE(editor.setRelativeDateOfRow(1, 0, QStringLiteral("d")));
    EXPECT_FALSE(editor.setRelativeDateOfRow(1, 2, QStringLiteral("x")));
    EXPECT_EQ(leaf(1).value(), QVariant(QStringLiteral("1d")));
}

TEST_F(RuleEditorModelTest, AltTurnsAddIntoACompoundRuleAndCompoundRowsTakeNoCondition) {
    editor.setOptionKeyDown(true);
    QSignalSpy inserted(&editor, &TRRuleEditorModel::rowsInserted);
    editor.addAfterRow(1);
    ASSERT_EQ(inserted.count(), 1);
    EXPECT_EQ(inserted.first().value(0).toInt(), 2);
    EXPECT_EQ(inserted.first().value(1).toInt(), 2);
    EXPECT_EQ(depths(), (QList<int>{0, 1, 1, 2}));
    EXPECT_EQ(editor.row(2).rule->ruleType(), TRRuleTypeAll);
    EXPECT_FALSE(editor.row(2).removeHidden);

    EXPECT_FALSE(editor.setConditionOfRow(2, TRConditionEqualTo));
    EXPECT_TRUE(editor.setCompoundTypeOfRow(2, TRRuleTypeNone));
    EXPECT_EQ(editor.row(2).rule->ruleType(), TRRuleTypeNone);
    EXPECT_FALSE(editor.setCompoundTypeOfRow(2, 7));  // no such compound

    // Adding on a compound row makes its first child.
    editor.setOptionKeyDown(false);
    editor.addAfterRow(2);
    EXPECT_EQ(editor.row(3).rule->parentRule(), editor.row(2).rule.get());
}

TEST_F(RuleEditorModelTest, RemovingACompoundRowKeepsItsChildrenOneLevelUp) {
    editor.setOptionKeyDown(true);
    editor.addAfterRow(1);  // rows: All, title, All, title
    editor.setOptionKeyDown(false);
    editor.addAfterRow(3);  // and a second child of the inner All
    ASSERT_EQ(depths(), (QList<int>{0, 1, 1, 2, 2}));
    const TRRulePtr firstChild = editor.row(3).rule;
    const TRRulePtr secondChild = editor.row(4).rule;

    QSignalSpy removed(&editor, &TRRuleEditorModel::rowRemoved);
    editor.removeRow(2);
    ASSERT_EQ(removed.count(), 1);
    EXPECT_EQ(depths(), (QList<int>{0, 1, 1, 1}));
    EXPECT_EQ(editor.row(2).rule, firstChild);
    EXPECT_EQ(editor.row(3).rule, secondChild);
    EXPECT_EQ(firstChild->parentRule(), editor.rules().last().get());
    EXPECT_EQ(static_cast<TRCompoundRule&>(*editor.rules().last()).subrules().size(), 3);
}

TEST_F(RuleEditorModelTest, ListRulesStartOnTheDelegatesDefaultElseTheFirstEntry) {
    delegate.tagDefault = QStringLiteral("T-home");
    ASSERT_TRUE(editor.setFieldOfRow(1, field("tag")));
    EXPECT_EQ(leaf(1).value(), QVariant(QStringLiteral("T-home")));
    ASSERT_TRUE(editor.setFieldOfRow(1, field("group")));
    EXPECT_EQ(leaf(1).value(), QVariant(QStringLiteral("L-inbox")));
    EXPECT_EQ(editor.listItemsOfRow(1).size(), 3);
    ASSERT_TRUE(editor.setFieldOfRow(1, field("priority")));
    EXPECT_EQ(editor.listItemsOfRow(1).size(), 9);
    EXPECT_EQ(editor.listItemsOfRow(1).first().value(QStringLiteral("displayValue")),
              QStringLiteral("1 (highest)"));
}

// The value a person would enter for each kind of control, set the way the control sets it.
void enterSample(TRRuleEditorModel& editor, int row, TRComparisonRule& reference) {
    switch (editor.valueKindOfRow(row)) {
        case TRRuleValueKind::Text:
            editor.setValueOfRow(row, QStringLiteral("milk"));
            reference.setValue(QStringLiteral("milk"));
            break;
        case TRRuleValueKind::Number:
            editor.setValueOfRow(row, qint64(3));
            reference.setValue(qint64(3));
            break;
        case TRRuleValueKind::Date: {
            const QDateTime date(QDate(2026, 12, 1), QTime(9, 0));
            editor.setValueOfRow(row, date);
            reference.setValue(date);
            break;
        }
        case TRRuleValueKind::RelativeDate:
            editor.setRelativeDateOfRow(row, 2, QStringLiteral("w"));
            reference.setValue(QStringLiteral("2w"));
            break;
        case TRRuleValueKind::TimeAmount:
            editor.setTimeAmountOfRow(row, 1.5, QStringLiteral("h"));
            reference.setTimeAmount(1.5);
            reference.setTimeAmountUnit(QStringLiteral("h"));
            break;
        case TRRuleValueKind::List: {
            const QVariant last = editor.listItemsOfRow(row).last().value(QStringLiteral("object"));
            editor.setValueOfRow(row, last);
            reference.setValue(last);
            break;
        }
        default:
            FAIL() << "no sample for this kind";
    }
}

TEST_F(RuleEditorModelTest, EveryFieldAndConditionArchivesAsTheModelsOwnRuleAndReloadsUnchanged) {
    for (const auto& candidate : editor.fields()) {
        if (candidate->isSeparator()) continue;
        for (const TRRuleCondition& condition : candidate->conditions()) {
            if (condition.isSeparator()) continue;
            SCOPED_TRACE(candidate->keyPath().toStdString() + " " + condition.name().toStdString());
            editor.setRules({});
            ASSERT_TRUE(editor.setFieldOfRow(1, candidate.get()));
            editor.setConditionOfRow(1, condition.conditionType());

            auto reference = TRComparisonRule::ruleForField(*candidate);
            reference->setConditionType(condition.conditionType());
            if (editor.valueHiddenInRow(1))
                reference->setValue(leaf(1).value());  // whatever it holds, it is not shown
            else
                enterSample(editor, 1, *reference);
            const auto expected = TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, {reference});

            const auto edited = TRArchivedRuleData(*editor.rules().last());
            ASSERT_TRUE(edited.ok());
            ASSERT_EQ(edited.value(), TRArchivedRuleData(*expected).value());

            // Stored and opened again in a new editor, the rule comes back as it was.
            const auto stored = TRRuleFromArchivedData(edited.value());
            ASSERT_TRUE(stored.ok());
            TRRuleEditorModel reopened;
            reopened.setFields(editor.fields());
            reopened.setDelegate(&delegate);
            reopened.setRules({stored.value()});
            EXPECT_EQ(reopened.numberOfRows(), 2);
            EXPECT_EQ(reopened.fieldOfRow(1), candidate.get());
            EXPECT_EQ(TRArchivedRuleData(*reopened.rules().last()).value(), edited.value());
        }
    }
}

}  // namespace

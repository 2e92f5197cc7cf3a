#include "auxiliary/rule_editor_model.h"

#include "platform/base/clock.h"
#include "platform/base/log.h"

#include <QDateTime>
#include <QSet>

namespace {

int firstConditionType(const TRRuleField& field) {
    const QList<TRRuleCondition>& conditions = field.conditions();
    // A data-size field starts on its last condition ("is greater than" and the like come last).
    if (field.ruleType() == TRRuleTypeDataSize) {
        for (auto it = conditions.crbegin(); it != conditions.crend(); ++it)
            if (!it->isSeparator()) return it->conditionType();
    }
    for (const TRRuleCondition& condition : conditions)
        if (!condition.isSeparator()) return condition.conditionType();
    return 0;
}

bool isRelativeDateCondition(int conditionType) {
    return conditionType >= TRConditionInTheLast && conditionType <= TRConditionToday;
}

}  // namespace

bool TRConditionTakesNoValue(int conditionType) {
    return (conditionType >= TRConditionIsNil && conditionType <= TRConditionIsNotZero) ||
           conditionType == TRConditionYesterday || conditionType == TRConditionToday ||
           conditionType == TRConditionIsTrue || conditionType == TRConditionIsFalse;
}

TRRuleValueKind TRRuleValueKindFor(int ruleType, int conditionType) {
    switch (ruleType) {
        case TRRuleTypeNumber:
            return TRRuleValueKind::Number;
        case TRRuleTypeDate:
            return isRelativeDateCondition(conditionType) ? TRRuleValueKind::RelativeDate
                                                          : TRRuleValueKind::Date;
        case TRRuleTypeTimeAmount:
            return TRRuleValueKind::TimeAmount;
        case TRRuleTypeDataSize:
            return TRRuleValueKind::DataSize;
        case TRRuleTypeList:
            return TRRuleValueKind::List;
        case TRRuleTypeToken:
            return TRRuleValueKind::Token;
        default:
            return ruleType < TRRuleTypeString ? TRRuleValueKind::None : TRRuleValueKind::Text;
    }
}

TRRuleEditorModel::TRRuleEditorModel(QObject* parent) : QObject(parent) {
}

TRRuleEditorModel::~TRRuleEditorModel() = default;

void TRRuleEditorModel::setRules(const QList<TRRulePtr>& rules) {
    m_rules = rules;
    if (m_rules.isEmpty()) {
        QList<TRRulePtr> subrules;
        if (TRRuleField* field = p_firstField()) {
            TRRulePtr rule = TRComparisonRule::ruleForField(*field);
            subrules << rule;
        }
        m_rules << TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, subrules);
        p_rebuildRows();
        for (int index = 0; index < numberOfRows(); ++index) p_fitValue(index);
    }
    update();
}

void TRRuleEditorModel::update() {
    p_rebuildRows();
    Q_EMIT rowsReset();
}

int TRRuleEditorModel::rowForRule(const TRRule* rule) const {
    for (int index = 0; index < numberOfRows(); ++index)
        if (m_rows.at(index).rule.get() == rule) return index;
    return -1;
}

TRRuleField* TRRuleEditorModel::fieldForKeyPath(const QString& keyPath) const {
    for (const auto& field : m_fields)
        if (!field->isSeparator() && field->keyPath() == keyPath) return field.get();
    return nullptr;
}

TRRuleField* TRRuleEditorModel::fieldOfRow(int index) const {
    const TRComparisonRule* rule = p_comparison(index);
    return rule ? fieldForKeyPath(rule->keyPath()) : nullptr;
}

QList<TRRuleCondition> TRRuleEditorModel::conditionsOfRow(int index) const {
    const TRRuleField* field = fieldOfRow(index);
    return field ? field->conditions() : QList<TRRuleCondition>();
}

TRRuleValueKind TRRuleEditorModel::valueKindOfRow(int index) const {
    const TRComparisonRule* rule = p_comparison(index);
    if (!rule) return TRRuleValueKind::None;
    const TRRuleField* field = fieldOfRow(index);
    return TRRuleValueKindFor(field ? field->ruleType() : rule->ruleType(), rule->conditionType());
}

bool TRRuleEditorModel::valueHiddenInRow(int index) const {
    const TRComparisonRule* rule = p_comparison(index);
    return !rule || TRConditionTakesNoValue(rule->conditionType());
}

QList<QVariantMap> TRRuleEditorModel::listItemsOfRow(int index) const {
    const TRRuleField* field = fieldOfRow(index);
    if (!field || valueKindOfRow(index) != TRRuleValueKind::List) return {};
    QList<QVariantMap> items;
    const QVariantList& values = field->valueObjects();
    if (!values.isEmpty()) {
        for (qsizetype i = 0; i < values.size(); ++i)
            items << QVariantMap{{QStringLiteral("object"), values.at(i)},
                                 {QStringLiteral("displayValue"), field->valueNames().value(i)}};
        return items;
    }
    if (m_delegate) return m_delegate->objectDictionaryArrayForFieldKeyPath(*this, field->keyPath());
    return {};
}

QStringList TRRuleEditorModel::completionsForRow(int index, const QString& substring) const {
    const TRComparisonRule* rule = p_comparison(index);
    if (!rule || !m_delegate) return {};
    return m_delegate->completionsForSubstring(*this, substring, rule->keyPath());
}

void TRRuleEditorModel::setOptionKeyDown(bool down) {
    if (m_optionKeyDown == down) return;
    m_optionKeyDown = down;
    Q_EMIT optionKeyChanged(down);
}

bool TRRuleEditorModel::setFieldOfRow(int index, const TRRuleField* field) {
    TRComparisonRule* rule = p_comparison(index);
    if (!rule || !field || field->isSeparator()) return false;
    if (rule->keyPath() != field->keyPath()) {
        rule->setKeyPath(field->keyPath());
        rule->setRuleType(field->ruleType());
        rule->setConditionType(firstConditionType(*field));
    }
    rule->setSavedValueKey(field->savedValueKey());
    rule->setKeyIsToManyRelationship(field->keyIsToManyRelationship());
    rule->setValue(field->defaultValueForConditionType(rule->conditionType()));
    p_fitValue(index);
    Q_EMIT rowChanged(index);
    return true;
}

bool TRRuleEditorModel::setConditionOfRow(int index, int conditionType) {
    if (index < 0 || index >= numberOfRows()) return false;
    TRComparisonRule* rule = p_comparison(index);
    if (!rule) {
        logWithLevel(TDLogWarning, "WARNING", "Tried to set condition on a compound rule");
        return false;
    }
    if (rule->conditionType() == conditionType) return false;
    const TRRuleValueKind before = valueKindOfRow(index);
    rule->setConditionType(conditionType);
    // The relative-date view and the date picker hold different values: the new control starts afresh.
    if (valueKindOfRow(index) != before) {
        const TRRuleField* field = fieldOfRow(index);
        rule->setValue(field ? field->defaultValueForConditionType(conditionType) : QVariant());
    }
    p_fitValue(index);
    Q_EMIT rowChanged(index);
    return true;
}

bool TRRuleEditorModel::setCompoundTypeOfRow(int index, int ruleType) {
    if (index < 0 || index >= numberOfRows() || ruleType < TRRuleTypeNone || ruleType > TRRuleTypeAny)
        return false;
    TRRule* rule = m_rows.at(index).rule.get();
    if (!rule->isCompoundRule() || rule->ruleType() == ruleType) return false;
    rule->setRuleType(ruleType);
    Q_EMIT rowChanged(index);
    return true;
}

bool TRRuleEditorModel::setValueOfRow(int index, const QVariant& value) {
    TRComparisonRule* rule = p_comparison(index);
    if (!rule) return false;
    rule->setValue(value);
    Q_EMIT rowChanged(index);
    return true;
}

bool TRRuleEditorModel::setRelativeDateOfRow(int index, qint64 quantity, const QString& unit) {
    TRComparisonRule* rule = p_comparison(index);
    static const QStringList units{QStringLiteral("d"), QStringLiteral("w"), QStringLiteral("m"),
                                   QStringLiteral("y")};
    if (!rule || quantity < 1 || !units.contains(unit)) return false;
    rule->setValue(QStringLiteral("%1%2").arg(quantity).arg(unit));
    Q_EMIT rowChanged(index);
    return true;
}

bool TRRuleEditorModel::setTimeAmountOfRow(int index, double amount, const QString& unit) {
    TRComparisonRule* rule = p_comparison(index);
    static const QStringList units{QStringLiteral("m"), QStringLiteral("h"), QStringLiteral("d"),
                                   QStringLiteral("w")};
    if (!rule || amount < 0 || !units.contains(unit)) return false;
    rule->setTimeAmount(amount);
    rule->setTimeAmountUnit(unit);
    Q_EMIT rowChanged(index);
    return true;
}

void TRRuleEditorModel::addAfterRow(int index) {
    m_optionKeyDown ? addCompoundRuleAfterRow(index) : addRuleAfterRow(index);
}

void TRRuleEditorModel::addRuleAfterRow(int index) {
    if (index < 0 || index >= numberOfRows()) return;
    const TRRulePtr& clicked = m_rows.at(index).rule;
    QList<TRRulePtr> siblings = m_rules;
    if (clicked->isCompoundRule())
        siblings = static_cast<TRCompoundRule*>(clicked.get())->subrules();
    else if (TRCompoundRule* parent = clicked->parentRule())
        siblings = parent->subrules();
    QSet<QString> used;
    for (const TRRulePtr& sibling : std::as_const(siblings))
        if (!sibling->isCompoundRule()) used << static_cast<TRComparisonRule*>(sibling.get())->keyPath();
    TRRuleField* field = nullptr;
    for (const auto& candidate : m_fields) {
        if (!candidate->isSeparator() && !used.contains(candidate->keyPath())) {
            field = candidate.get();
            break;
        }
    }
    if (!field) field = ruleFieldAfterField(fieldOfRow(index));
    if (!field) return;
    auto rule = TRComparisonRule::ruleForField(*field);
    rule->setConditionType(firstConditionType(*field));
    p_addRule(index, rule);
}

void TRRuleEditorModel::addCompoundRuleAfterRow(int index) {
    if (index < 0 || index >= numberOfRows()) return;
    QList<TRRulePtr> subrules;
    if (TRRuleField* field = p_firstField()) subrules << TRComparisonRule::ruleForField(*field);
    p_addRule(index, TRCompoundRule::compoundRuleWithType(TRRuleTypeAll, subrules));
}

void TRRuleEditorModel::removeRow(int index) {
    if (index < 0 || index >= numberOfRows()) return;
    if (!m_rows.at(index).canRemove || m_rows.at(index).removeHidden) return;
    const TRRulePtr rule = m_rows.at(index).rule;
    QList<TRRulePtr> children;
    if (rule->isCompoundRule()) {
        auto* compound = static_cast<TRCompoundRule*>(rule.get());
        children = compound->subrules();
        compound->setSubrules({});
    }
    if (TRCompoundRule* parent = rule->parentRule()) {
        const qsizetype at = parent->subrules().indexOf(rule);
        parent->removeSubrule(rule);
        parent->insertSubrules(children, at);
    } else {
        const qsizetype at = m_rules.indexOf(rule);
        m_rules.removeAt(at);
        for (const TRRulePtr& child : std::as_const(children)) child->setParentRule(nullptr);
        for (qsizetype i = 0; i < children.size(); ++i) m_rules.insert(at + i, children.at(i));
    }
    p_rebuildRows();
    Q_EMIT rowRemoved(index);
    if (numberOfRows() == 1) p_setOKEnabled(false);
}

TRRuleField* TRRuleEditorModel::ruleFieldAfterField(const TRRuleField* field) const {
    const qsizetype count = m_fields.size();
    qsizetype start = -1;
    for (qsizetype i = 0; i < count; ++i)
        if (m_fields.at(i).get() == field) start = i;
    for (qsizetype step = 1; step <= count; ++step) {
        TRRuleField* next = m_fields.at((start + step + count) % count).get();
        if (!next->isSeparator()) return next;
    }
    return nullptr;
}

TRComparisonRule* TRRuleEditorModel::p_comparison(int index) const {
    if (index < 0 || index >= numberOfRows()) return nullptr;
    TRRule* rule = m_rows.at(index).rule.get();
    return rule->isCompoundRule() ? nullptr : static_cast<TRComparisonRule*>(rule);
}

void TRRuleEditorModel::p_addRows(const TRRulePtr& rule, int depth) {
    m_rows.append(Row{rule, depth});
    if (rule->isCompoundRule())
        for (const TRRulePtr& subrule : static_cast<TRCompoundRule*>(rule.get())->subrules())
            p_addRows(subrule, depth + 1);
}

void TRRuleEditorModel::p_rebuildRows() {
    m_rows.clear();
    for (const TRRulePtr& rule : std::as_const(m_rules)) p_addRows(rule, 0);
    const bool several = m_rows.size() > 1;
    for (Row& row : m_rows) row.canRemove = several;
    if (!m_rows.isEmpty() && m_rows.first().rule->isCompoundRule()) m_rows.first().removeHidden = true;
}

void TRRuleEditorModel::p_addRule(int index, const TRRulePtr& rule) {
    const TRRulePtr clicked = m_rows.at(index).rule;
    if (clicked->isCompoundRule()) {
        static_cast<TRCompoundRule*>(clicked.get())->insertSubrule(rule, 0);
    } else if (TRCompoundRule* parent = clicked->parentRule()) {
        parent->insertSubrule(rule, parent->subrules().indexOf(clicked) + 1);
    } else {
        m_rules.insert(m_rules.indexOf(clicked) + 1, rule);
    }
    p_rebuildRows();
    const int first = rowForRule(rule.get());
    const int before = numberOfRows();
    int count = 1;
    while (first + count < before && m_rows.at(first + count).depth > m_rows.at(first).depth) ++count;
    for (int row = first; row < first + count; ++row) p_fitValue(row);
    Q_EMIT rowsInserted(first, count);
    p_setOKEnabled(true);
}

void TRRuleEditorModel::p_fitValue(int index) {
    TRComparisonRule* rule = p_comparison(index);
    // A hidden control keeps whatever the rule holds, so that loading a rule never changes it.
    if (!rule || valueHiddenInRow(index)) return;
    const QVariant& value = rule->value();
    const TRRuleField* field = fieldOfRow(index);
    switch (valueKindOfRow(index)) {
        case TRRuleValueKind::Date:
            if (value.typeId() != QMetaType::QDateTime && value.typeId() != QMetaType::QDate)
                rule->setValue(TDClock::currentDateTime());
            break;
        case TRRuleValueKind::RelativeDate:
            if (value.typeId() != QMetaType::QString || value.toString().isEmpty())
                rule->setValue(field ? field->defaultValueForConditionType(rule->conditionType())
                                     : QVariant(QStringLiteral("1d")));
            break;
        case TRRuleValueKind::List: {
            if (value.isValid() && !value.isNull()) break;
            QVariant start = m_delegate ? m_delegate->defaultValueForRule(*this, *rule) : QVariant();
            if (!start.isValid()) {
                for (const QVariantMap& item : listItemsOfRow(index)) {
                    const QVariant object = item.value(QStringLiteral("object"));
                    if (object.isValid() && !object.isNull()) {
                        start = object;
                        break;
                    }
                }
            }
            if (start.isValid()) rule->setValue(start);
            break;
        }
        default:
            break;
    }
}

void TRRuleEditorModel::p_setOKEnabled(bool enabled) {
    if (m_okEnabled == enabled) return;
    m_okEnabled = enabled;
    Q_EMIT okEnabledChanged(enabled);
}

TRRuleField* TRRuleEditorModel::p_firstField() const {
    for (const auto& field : m_fields)
        if (!field->isSeparator()) return field.get();
    return nullptr;
}

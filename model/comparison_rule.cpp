#include "model/comparison_rule.h"

#include "language/date_additions.h"
#include "model/rule_field.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/predicates/comparison_predicate.h"
#include "platform/predicates/compound_predicate.h"

#include <optional>

namespace {

using platform::ComparisonPredicate;
using platform::CompoundPredicate;
using platform::Expression;
using Operator = platform::ComparisonPredicate::Operator;

// Months and years are added as int; anything beyond this is no date the calendar can reach anyway.
constexpr qint64 kMaximumQuantity = 1'000'000;

// The leading integer (optional sign, digits) of a string, and where it ends; nothing when there is none.
std::optional<std::pair<qint64, qsizetype>> leadingInteger(const QString& text) {
    qsizetype end = 0;
    if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) ++end;
    const qsizetype digitsStart = end;
    while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128) ++end;
    if (end == digitsStart) return std::nullopt;
    bool ok = false;
    const qint64 value = text.left(end).toLongLong(&ok);
    if (!ok) return std::nullopt;
    return std::make_pair(qBound(-kMaximumQuantity, value, kMaximumQuantity), end);
}

// The leading decimal number (optional sign, digits, optional fraction) of a string, and where it ends.
std::optional<std::pair<double, qsizetype>> leadingNumber(const QString& text) {
    qsizetype end = 0;
    if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) ++end;
    qsizetype digits = 0;
    auto scanDigits = [&] {
        while (end < text.size() && text[end].isDigit() && text[end].unicode() < 128) {
            ++end;
            ++digits;
        }
    };
    scanDigits();
    if (end < text.size() && text[end] == QLatin1Char('.')) {
        ++end;
        scanDigits();
    }
    if (digits == 0) return std::nullopt;
    bool ok = false;
    const double value = text.left(end).toDouble(&ok);
    if (!ok) return std::nullopt;
    return std::make_pair(value, end);
}

QString unitAfter(const QVariant& value, qsizetype numberEnd, std::initializer_list<const char*> units,
                  const char* fallback) {
    const QString rest = value.toString().mid(numberEnd);
    for (const char* unit : units)
        if (rest == QLatin1String(unit)) return rest;
    return QString::fromLatin1(fallback);
}

bool isString(const QVariant& value) {
    return value.metaType().id() == QMetaType::QString;
}

QDateTime addingUnits(const QDateTime& date, qint64 quantity, const QString& unit) {
    if (unit == QLatin1String("w")) return dates::dateByAddingDays(date, quantity * 7);
    if (unit == QLatin1String("m")) return dates::dateByAddingMonths(date, int(quantity));
    if (unit == QLatin1String("y")) return dates::dateByAddingYears(date, int(quantity));
    return dates::dateByAddingDays(date, quantity);
}

platform::PredicatePtr compare(const QString& keyPath, Operator op, const QVariant& value) {
    return ComparisonPredicate::make(Expression::keyPath(keyPath), Expression::constant(value), op,
                                     ComparisonPredicate::Modifier::Direct,
                                     platform::ComparisonOption::CaseInsensitive);
}

platform::PredicatePtr membership(const QString& keyPath, const QVariant& value) {
    return ComparisonPredicate::make(Expression::constant(value), Expression::keyPath(keyPath), Operator::In);
}

}  // namespace

bool TRIsKnownConditionType(int conditionType) {
    return (conditionType >= TRConditionLessThan && conditionType <= TRConditionIsFalse) ||
           (conditionType >= TRConditionBeginsWith && conditionType <= TRConditionEndsWith) ||
           (conditionType >= TRConditionIsNil && conditionType <= TRConditionIsNotZero) ||
           (conditionType >= TRConditionInTheLast && conditionType <= TRConditionToday);
}

QString TRContainsPattern(const QString& text) {
    QString escaped = text;
    // The backslash first, so that the escapes added next stay single.
    escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    escaped.replace(QLatin1String("?"), QLatin1String("\\?"));
    escaped.replace(QLatin1String("*"), QLatin1String("\\*"));
    return QLatin1Char('*') + escaped + QLatin1Char('*');
}

std::shared_ptr<TRComparisonRule> TRComparisonRule::ruleForField(const TRRuleField& field) {
    auto rule = std::make_shared<TRComparisonRule>(field.ruleType());
    rule->setKeyPath(field.keyPath());
    const int condition = field.conditions().isEmpty() ? 0 : field.conditions().first().conditionType();
    rule->setConditionType(condition);
    rule->setSavedValueKey(field.savedValueKey());
    rule->setValue(field.defaultValueForConditionType(condition));
    rule->setKeyIsToManyRelationship(field.keyIsToManyRelationship());
    return rule;
}

void TRComparisonRule::takeValuesFromField(const TRRuleField& field) {
    setKeyPath(field.keyPath());
    if (ruleType() != field.ruleType()) {
        setRuleType(field.ruleType());
        setConditionType(field.conditions().isEmpty() ? 0 : field.conditions().first().conditionType());
        setValue(field.defaultValueForConditionType(conditionType()));
    }
    if (ruleType() == TRRuleTypeList) {
        const QVariantList& offered = field.valueObjects();
        const bool offeredValue = std::any_of(offered.cbegin(), offered.cend(), [&](const QVariant& v) {
            return platform::valuesEqual(v, m_value);
        });
        if (!offeredValue) setValue(field.defaultValueForConditionType(conditionType()));
    }
    setSavedValueKey(field.savedValueKey());
    setKeyIsToManyRelationship(field.keyIsToManyRelationship());
}

qint64 TRComparisonRule::relativeDateQuantity() const {
    if (!isString(m_value)) return 1;
    const auto number = leadingInteger(m_value.toString());
    return number ? number->first : 1;
}

void TRComparisonRule::setRelativeDateQuantity(qint64 quantity) {
    m_value = formatString("%ld%@", quantity, relativeDateUnit());
}

QString TRComparisonRule::relativeDateUnit() const {
    if (!isString(m_value)) return QStringLiteral("d");
    const auto number = leadingInteger(m_value.toString());
    if (!number) return QStringLiteral("d");
    return unitAfter(m_value, number->second, {"d", "w", "m", "y"}, "d");
}

void TRComparisonRule::setRelativeDateUnit(const QString& unit) {
    m_value = formatString("%ld%@", relativeDateQuantity(), unit);
}

double TRComparisonRule::timeAmount() const {
    if (!isString(m_value)) return 1.0;
    const auto number = leadingNumber(m_value.toString());
    return number ? number->first : 1.0;
}

void TRComparisonRule::setTimeAmount(double amount) {
    m_value = formatString("%lf%@", amount, timeAmountUnit());
}

QString TRComparisonRule::timeAmountUnit() const {
    if (!isString(m_value)) return QStringLiteral("h");
    const auto number = leadingNumber(m_value.toString());
    if (!number) return QStringLiteral("h");
    return unitAfter(m_value, number->second, {"m", "h", "d", "w"}, "h");
}

void TRComparisonRule::setTimeAmountUnit(const QString& unit) {
    m_value = formatString("%lf%@", timeAmount(), unit);
}

double TRComparisonRule::timeAmountInSeconds() const {
    if (ruleType() != TRRuleTypeTimeAmount) {
        logWithLevel(TDLogError, "ERROR", "Should not be here (xWqJlnlh)");
        return 0;
    }
    const QString unit = timeAmountUnit();
    const platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (unit == QLatin1String("m")) return timeAmount() * 60;
    if (unit == QLatin1String("d")) return timeAmount() * defaults.integer(QStringLiteral("secondsPerDay"));
    if (unit == QLatin1String("w")) return timeAmount() * defaults.integer(QStringLiteral("secondsPerWeek"));
    return timeAmount() * 3600;
}

void TRComparisonRule::getRelativeLowerBoundDate(QDateTime* lower, QDateTime* upper) const {
    const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
    const QDateTime tomorrow = dates::dateByAddingDays(today, 1);
    switch (m_conditionType) {
        case TRConditionInTheLast:
            *lower = addingUnits(today, -relativeDateQuantity(), relativeDateUnit());
            *upper = tomorrow;
            return;
        case TRConditionWithinTheNext:
            *lower = today;
            *upper = addingUnits(tomorrow, relativeDateQuantity(), relativeDateUnit());
            return;
        case TRConditionYesterday:
            *lower = dates::dateByAddingDays(today, -1);
            *upper = today;
            return;
        case TRConditionToday:
            *lower = today;
            *upper = tomorrow;
            return;
        default:
            logWithLevel(TDLogError, "ERROR", "Should not be here (YIHgm9)");
            *lower = QDateTime();
            *upper = QDateTime();
    }
}

platform::PredicatePtr TRComparisonRule::predicate() const {
    const bool seconds = ruleType() == TRRuleTypeTimeAmount;
    switch (m_conditionType) {
        case TRConditionLessThan:
            return compare(m_keyPath, Operator::LessThan, m_value);
        case TRConditionLessThanOrEqualTo:
            return compare(m_keyPath, Operator::LessThanOrEqualTo, seconds ? timeAmountInSeconds() : m_value);
        case TRConditionEqualTo:
            if (m_keyIsToManyRelationship) return membership(m_keyPath, m_value);
            return compare(m_keyPath, Operator::EqualTo, m_value);
        case TRConditionNotEqualTo:
            if (m_keyIsToManyRelationship)
                return CompoundPredicate::notPredicate(membership(m_keyPath, m_value));
            return compare(m_keyPath, Operator::NotEqualTo, m_value);
        case TRConditionGreaterThanOrEqualTo:
            return compare(m_keyPath, Operator::GreaterThanOrEqualTo,
                           seconds ? timeAmountInSeconds() : m_value);
        case TRConditionGreaterThan:
            return compare(m_keyPath, Operator::GreaterThan, m_value);
        case TRConditionIsTrue:
            return compare(m_keyPath, Operator::EqualTo, true);
        case TRConditionIsFalse:
            return compare(m_keyPath, Operator::EqualTo, false);
        case TRConditionBeginsWith:
            return compare(m_keyPath, Operator::BeginsWith, m_value);
        case TRConditionContains:
            return compare(m_keyPath, Operator::Like, TRContainsPattern(m_value.toString()));
        case TRConditionDoesNotContain:
            return CompoundPredicate::notPredicate(
                compare(m_keyPath, Operator::Like, TRContainsPattern(m_value.toString())));
        case TRConditionEndsWith:
            return compare(m_keyPath, Operator::EndsWith, m_value);
        case TRConditionIsNil:
            return compare(m_keyPath, Operator::EqualTo, QVariant());
        case TRConditionIsNotNil:
            return compare(m_keyPath, Operator::NotEqualTo, QVariant());
        case TRConditionIsZero:
            return compare(m_keyPath, Operator::EqualTo, qint64(0));
        case TRConditionIsNotZero:
            return compare(m_keyPath, Operator::NotEqualTo, qint64(0));
        case TRConditionInTheLast:
        case TRConditionWithinTheNext:
        case TRConditionYesterday:
        case TRConditionToday: {
            QDateTime lower;
            QDateTime upper;
            getRelativeLowerBoundDate(&lower, &upper);
            const Expression key = Expression::keyPath(m_keyPath);
            return CompoundPredicate::andPredicate(
                {ComparisonPredicate::make(key, Expression::constant(lower), Operator::GreaterThanOrEqualTo),
                 ComparisonPredicate::make(key, Expression::constant(upper), Operator::LessThan)});
        }
        default:
            logWithLevel(TDLogError, "ERROR", "Tried to make predicate with unknown condition type: %ld",
                         qint64(m_conditionType));
            return nullptr;
    }
}

bool TRComparisonRule::hasRuleWithKeyPath(const QString& keyPath, const QVariant& value) const {
    return m_keyPath == keyPath && platform::valuesEqual(m_value, value);
}

bool TRComparisonRule::hasRelativeDateRule() const {
    return ruleType() == TRRuleTypeDate && m_conditionType >= TRConditionInTheLast &&
           m_conditionType <= TRConditionToday;
}

QVariantList TRComparisonRule::ruleValuesForKeyPath(const QString& keyPath) const {
    if (m_keyPath != keyPath || platform::isNilValue(m_value)) return {};
    return {m_value};
}

TRRulePtr TRComparisonRule::ruleByRemovingSubruleWithKeyPath(const QString& keyPath, const QVariant& value) {
    if (hasRuleWithKeyPath(keyPath, value)) return nullptr;
    return shared_from_this();
}

TRRulePtr TRComparisonRule::copy() const {
    return std::shared_ptr<TRComparisonRule>(new TRComparisonRule(*this));
}

QString TRComparisonRule::description() const {
    return p_indentation() +
           formatString("TRComparisonRule <0x%lX>: %@ -- %@\n", quint64(quintptr(this)), m_keyPath, m_value);
}

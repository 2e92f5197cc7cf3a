#include "model/natural_language_recurrence_rule_value_transformer.h"

#include "language/recurrence_word_tables.h"
#include "language/text_scanner.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QHash>
#include <QRegularExpression>

#include <initializer_list>

namespace {

using Tables = TDRecurrenceWordTables;

QString localized(const char* text) {
    return QCoreApplication::translate("recurrence", text);
}

// A pattern from the localization table, its "%@" places filled in order. Every repetition in the
// patterns is possessive or bounded by word ends, so no text makes them backtrack without bound.
QString pattern(const char* text, std::initializer_list<QString> inserts = {}) {
    const QString format = localized(text);
    QString result;
    auto insert = inserts.begin();
    for (qsizetype i = 0; i < format.size(); ++i) {
        if (format.at(i) == QLatin1Char('%') && i + 1 < format.size() &&
            format.at(i + 1) == QLatin1Char('@') && insert != inserts.end()) {
            result += *insert++;
            ++i;
        } else {
            result += format.at(i);
        }
    }
    return result;
}

const QRegularExpression& regex(const QString& source) {
    thread_local QHash<QString, QRegularExpression> compiled;
    auto it = compiled.find(source);
    if (it == compiled.end())
        it = compiled.insert(source,
                             QRegularExpression(source, QRegularExpression::UseUnicodePropertiesOption));
    return *it;
}

// The first slot with a word that begins the name.
int slotBeginning(const QList<QStringList>& slots, const QString& name) {
    for (qsizetype index = 0; index < slots.size(); ++index)
        for (const QString& word : slots.at(index))
            if (name.startsWith(word)) return int(index) + 1;
    return 0;
}

QString withSeparatorsBlanked(const QString& text, const char* separators) {
    QString result = text;
    return result.replace(regex(pattern(separators)), QStringLiteral(" "));
}

QString units() {
    return QStringLiteral("days?|weeks?|months?|years?");
}

template <typename T>
std::optional<QList<T>> presentIfAny(const QList<T>& list) {
    if (list.isEmpty()) return std::nullopt;
    return list;
}

}  // namespace

void TDNaturalLanguageRecurrenceRuleValueTransformer::registerTransformer() {
    platform::setValueTransformer(QStringLiteral("TDNaturalLanguageRecurrenceRule"),
                                  std::make_shared<TDNaturalLanguageRecurrenceRuleValueTransformer>());
}

QVariant TDNaturalLanguageRecurrenceRuleValueTransformer::transformedValue(const QVariant& value) const {
    if (!value.isValid()) return {};
    if (value.metaType() != QMetaType::fromType<TDRecurrenceRule>()) {
        logWithLevel(TDLogError, "ERROR",
                     "Cannot transform an object that is not a recurrence rule to string");
        return {};
    }
    return value.value<TDRecurrenceRule>().recurrenceDescription();
}

QVariant TDNaturalLanguageRecurrenceRuleValueTransformer::reverseTransformedValue(
    const QVariant& value) const {
    if (value.metaType().id() != QMetaType::QString) return {};
    const std::optional<TDRecurrenceRule> rule = ruleFromString(value.toString(), TDClock::currentDateTime());
    return rule ? QVariant::fromValue(*rule) : QVariant();
}

// Names and numbers

qint64 TDNaturalLanguageRecurrenceRuleValueTransformer::parseInterval(const QString& text) {
    const QString trimmed = text.trimmed().toLower();
    if (trimmed.isEmpty()) return 1;
    const auto tables = Tables::shared();
    for (qsizetype index = 0; index < tables->numberWords.size(); ++index)
        if (tables->numberWords.at(index).contains(trimmed)) return index;
    return TDLeadingInteger(trimmed);
}

int TDNaturalLanguageRecurrenceRuleValueTransformer::weekDayFromName(const QString& name) {
    const QString word = name.toLower();
    const auto tables = Tables::shared();
    if (tables->numberWordSet.contains(word) || tables->monthWordSet.contains(word) ||
        tables->miscWords.contains(word))
        return 0;
    return slotBeginning(tables->weekdayNames, word);
}

int TDNaturalLanguageRecurrenceRuleValueTransformer::monthFromName(const QString& name) {
    const QString word = name.toLower();
    const auto tables = Tables::shared();
    if (tables->numberWordSet.contains(word) || tables->weekdayWordSet.contains(word) ||
        tables->miscWords.contains(word))
        return 0;
    return slotBeginning(tables->monthNames, word);
}

// Number words must match whole: "sixteenth" begins with "six" but is not 6.
qint64 TDNaturalLanguageRecurrenceRuleValueTransformer::monthDayFromName(const QString& name) {
    const QString word = name.toLower();
    const auto tables = Tables::shared();
    if (tables->weekdayWordSet.contains(word) || tables->monthWordSet.contains(word) ||
        tables->miscWords.contains(word))
        return 0;
    for (qsizetype index = 0; index < tables->numberWords.size(); ++index)
        if (tables->numberWords.at(index).contains(word)) return index;
    return TDLeadingInteger(word);
}

// Interval and unit

void TDNaturalLanguageRecurrenceRuleValueTransformer::getInterval(qint64* interval, int* recurrenceType,
                                                                  const QString& text) {
    if (!interval || !recurrenceType) return;
    *interval = 0;
    *recurrenceType = TDRecurrenceRule::Never;
    const QString s = text.toLower().trimmed();
    if (s == localized("everyday") || regex(pattern(R"(\b(daily)\b)")).match(s).hasMatch()) {
        *interval = 1;
        *recurrenceType = TDRecurrenceRule::Daily;
        return;
    }
    const struct {
        const char* pattern;
        int type;
    } everyUnit[] = {{R"(\b(weekly)\b)", TDRecurrenceRule::Weekly},
                     {R"(\b(monthly)\b)", TDRecurrenceRule::Monthly},
                     {R"(\b(yearly|annually)\b)", TDRecurrenceRule::Yearly}};
    for (const auto& unit : everyUnit) {
        if (regex(pattern(unit.pattern)).match(s).hasMatch()) {
            *interval = 1;
            *recurrenceType = unit.type;
            return;
        }
    }

    const auto tables = Tables::shared();
    const QString candidates[] = {
        pattern(R"(\b(?:every\s+)()(%@)\b)", {units()}),
        pattern(R"(\b(?:every\s+)?+(%@)\s+(%@)\b)", {tables->numberPattern, units()}),
        pattern(R"(\b(?:every\s+)?(\d++)\s*+(%@)\b)", {units()}),
        pattern(R"(\b(?:every\s+)?()(%@)\b)", {units()}),
        pattern(R"(\b(?:every\s+)?(%@)\s+(%@)\b)", {tables->numberPattern, tables->weekdayPattern}),
        pattern(R"(\b(?:every\s+)?(\d++)(d|w|m|y)\b)"),
    };
    QRegularExpressionMatch match;
    for (const QString& candidate : candidates) {
        match = regex(candidate).match(s);
        if (match.hasMatch()) break;
    }
    const QString count = match.hasMatch() ? match.captured(1) : QString();
    const QString unit = match.hasMatch() ? match.captured(2) : QString();
    *interval = parseInterval(count);
    if (unit.isEmpty()) return;
    const struct {
        const char* pattern;
        int type;
    } unitTypes[] = {{"days?|^d", TDRecurrenceRule::Daily},
                     {"weeks?|^w", TDRecurrenceRule::Weekly},
                     {"months?|^m", TDRecurrenceRule::Monthly},
                     {"years?|^y", TDRecurrenceRule::Yearly}};
    for (const auto& unitType : unitTypes) {
        if (regex(pattern(unitType.pattern)).match(unit).hasMatch()) {
            *recurrenceType = unitType.type;
            return;
        }
    }
}

// Lists

std::optional<QList<int>> TDNaturalLanguageRecurrenceRuleValueTransformer::parseDaysOfTheWeek(
    const QString& text) {
    const auto tables = Tables::shared();
    QString s = withSeparatorsBlanked(text.toLower(), R"([,\.;/\&]|\b(and|or)\b)");
    QList<int> days;
    const QRegularExpressionMatch range = regex(pattern(R"(\b(%@)\s+(?:through|to)\s+(%@)\b)",
                                                        {tables->weekdayPattern, tables->weekdayPattern}))
                                              .match(s);
    if (range.hasMatch()) {
        const int first = weekDayFromName(range.captured(1));
        const int last = weekDayFromName(range.captured(2));
        if (first != 0 && last != 0) {
            for (int day = first; day <= (first > last ? last + 7 : last); ++day)
                days << (day > 7 ? day - 7 : day);
            s.remove(range.capturedStart(), range.capturedLength());
        }
    }
    for (const QString& word : s.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts))
        if (const int day = weekDayFromName(word)) days << day;
    return presentIfAny(days);
}

std::optional<QList<int>> TDNaturalLanguageRecurrenceRuleValueTransformer::parseDaysOfTheMonth(
    const QString& text) {
    const auto tables = Tables::shared();
    QString s = withSeparatorsBlanked(text.toLower(), R"([,\.;/\&]|\b(and|or|the|each|every)\b)");
    QList<int> days;
    const QRegularExpressionMatch range =
        regex(pattern(R"((?:\b(?:%@)\s+)?\b(%@)\s+(?:through|to)\s+(%@))",
                      {tables->monthPattern, tables->numberPattern, tables->numberPattern}))
            .match(s);
    if (range.hasMatch()) {
        const qint64 first = monthDayFromName(range.captured(1));
        const qint64 last = monthDayFromName(range.captured(2));
        if (first != 0 && first < last) {
            for (qint64 day = first; day <= last; ++day) days << int(day);
            s.remove(range.capturedStart(), range.capturedLength());
        }
    }
    const QString lists[] = {
        pattern(R"(\bon(?:\s+(?:%@))?\s+((?:\s*+%@)++))", {tables->monthPattern, tables->numberPattern}),
        pattern(R"(\b((?:\s*+%@)++)\s+of\s+month)", {tables->numberPattern}),
        pattern(R"(\b((?:\s*+(?:%@|\d++\b))++)(?!\s+(?:%@|%@)))",
                {tables->numberPattern, units(), tables->weekdayPattern}),
    };
    for (const QString& list : lists) {
        const QRegularExpressionMatch match = regex(list).match(s);
        if (!match.hasMatch()) continue;
        for (const QString& word :
             match.captured(0).split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts)) {
            const qint64 day = monthDayFromName(word);
            if (day >= 1 && day <= 31) days << int(day);
        }
        break;
    }
    return presentIfAny(days);
}

std::optional<QList<TDNthWeekDay>>
TDNaturalLanguageRecurrenceRuleValueTransformer::parseNthWeekDaysOfTheMonth(const QString& text) {
    const auto tables = Tables::shared();
    const QString last = localized("last");
    QList<TDNthWeekDay> days;
    auto matches =
        regex(pattern(R"(\b(%@|%@)\s+(%@)\b)",
                      {tables->numberPattern, QRegularExpression::escape(last), tables->weekdayPattern}))
            .globalMatch(text.toLower());
    while (matches.hasNext()) {
        const QRegularExpressionMatch match = matches.next();
        const qint64 week = match.captured(1) == last ? -1 : parseInterval(match.captured(1));
        const int weekDay = weekDayFromName(match.captured(2));
        if (weekDay == 0 || (week != -1 && (week < 1 || week > 4))) continue;
        days << TDNthWeekDay::nthWeekDayWithWeekDay(quint64(weekDay), week).value();
    }
    return presentIfAny(days);
}

std::optional<QList<int>> TDNaturalLanguageRecurrenceRuleValueTransformer::parseMonths(const QString& text) {
    const auto tables = Tables::shared();
    QString s = withSeparatorsBlanked(text.toLower(), R"([,\.;/\&]|\b(and|or|the)\b)");
    QList<int> months;
    const QRegularExpressionMatch range =
        regex(pattern(R"(\b(%@)\s+(?:through|to)\s+(%@)\b)", {tables->monthPattern, tables->monthPattern}))
            .match(s);
    if (range.hasMatch()) {
        const int first = monthFromName(range.captured(1));
        const int last = monthFromName(range.captured(2));
        if (first != 0 && last != 0) {
            for (int month = first; month <= (first > last ? last + 12 : last); ++month)
                months << (month > 12 ? month - 12 : month);
            s.remove(range.capturedStart(), range.capturedLength());
        }
    }
    // Whole words only, so the misc words keep "decade" from meaning December.
    auto matches = regex(pattern(R"(\b%@)", {tables->monthPattern})).globalMatch(s);
    while (matches.hasNext())
        if (const int month = monthFromName(matches.next().captured(0))) months << month;
    return presentIfAny(months);
}

// Text to rule

std::optional<TDRecurrenceRule> TDNaturalLanguageRecurrenceRuleValueTransformer::ruleFromString(
    const QString& text, const QDateTime& referenceDate) {
    if (text.size() > kMaximumTextLength) return std::nullopt;
    QString s = text.trimmed().toLower();
    if (s.isEmpty() || s == localized("never")) return std::nullopt;
    const auto tables = Tables::shared();
    s.replace(regex(pattern(R"(\b(last)\s+(day)\b)")), tables->lastDayWord);

    qint64 interval = 0;
    int type = TDRecurrenceRule::Never;
    getInterval(&interval, &type, s);
    if (interval == 0) interval = 1;
    if (interval < 0 || interval > kMaximumInterval) return std::nullopt;

    const std::optional<QList<int>> weekDays = parseDaysOfTheWeek(s);
    const std::optional<QList<int>> monthDays = parseDaysOfTheMonth(s);
    const std::optional<QList<TDNthWeekDay>> nthWeekDays = parseNthWeekDaysOfTheMonth(s);
    std::optional<QList<int>> months = parseMonths(s);
    if (weekDays && type < TDRecurrenceRule::Weekly) type = TDRecurrenceRule::Weekly;
    if (monthDays && type < TDRecurrenceRule::Monthly) {
        type = TDRecurrenceRule::Monthly;
        interval = 1;
    }
    if (months && type < TDRecurrenceRule::Yearly) {
        type = TDRecurrenceRule::Yearly;
        interval = 1;
    }

    // Every rule built here has values the parsers already kept in range.
    Result<TDRecurrenceRule> rule = TDRecurrenceRule();
    switch (type) {
        case TDRecurrenceRule::Daily:
            rule = TDRecurrenceRule::initDailyRecurrenceWithInterval(quint64(interval));
            break;
        case TDRecurrenceRule::Weekly:
            rule = weekDays ? TDRecurrenceRule::initWeeklyRecurrenceWithInterval(quint64(interval), *weekDays)
                            : TDRecurrenceRule::initWeeklyRecurrenceWithInterval(quint64(interval));
            break;
        case TDRecurrenceRule::Monthly:
            if (nthWeekDays)
                rule = TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64(interval), *nthWeekDays);
            else if (monthDays)
                rule = TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64(interval), *monthDays);
            else
                rule = TDRecurrenceRule::initMonthlyRecurrenceWithInterval(quint64(interval));
            break;
        case TDRecurrenceRule::Yearly: {
            // Days without a month fall in the month of the reference date.
            const QDate reference =
                (referenceDate.isValid() ? referenceDate : TDClock::currentDateTime()).date();
            const QList<int> inMonths = months.value_or(QList<int>{reference.month()});
            if (nthWeekDays)
                rule = TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64(interval), *nthWeekDays,
                                                                          inMonths);
            else if (monthDays)
                rule = TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64(interval), *monthDays,
                                                                          inMonths);
            else
                rule = TDRecurrenceRule::initYearlyRecurrenceWithInterval(quint64(interval));
            break;
        }
        default:
            return std::nullopt;
    }
    if (!rule) {
        logWithLevel(TDLogWarning, "WARNING", "Could not make a recurrence rule from \"%@\": %@", text,
                     rule.error().description);
        return std::nullopt;
    }
    // A rule so sparse that no date is within reach ("every 7104 months on the 9th") never repeats:
    // it is no rule.
    const QDateTime from = referenceDate.isValid() ? referenceDate : TDClock::currentDateTime();
    if (!rule->predictedNextStartDateOnOrAfterDate(from).isValid()) return std::nullopt;
    return rule.value();
}

#include "model/recurrence_rule_archiving.h"

#include "platform/plist/keyed_archive.h"

namespace {

using platform::ArchiveField;
using platform::ArchiveFieldType;
using platform::ArchiveObject;

const QString kRuleClass = QStringLiteral("TDRecurrenceRule");
const QString kEndClass = QStringLiteral("TDRecurrenceEnd");
const QString kNthWeekDayClass = QStringLiteral("TDNthWeekDay");
const QString kNthWeekDaysKey = QStringLiteral("nthWeekDaysOfTheMonth");
const QString kRecurrenceEndKey = QStringLiteral("recurrenceEnd");

// The value classes keep their archived form as a dictionary with nested dictionaries; the codec holds
// nested objects as objects of their own class. These two convert between the forms.
ArchiveObject objectWithFields(const QVariantMap& map) {
    ArchiveObject object;
    object.fields = map;
    return object;
}

ArchiveObject ruleObject(const TDRecurrenceRule& rule) {
    ArchiveObject object = objectWithFields(rule.toVariantMap());
    if (const auto& end = rule.recurrenceEnd())
        object.fields.insert(kRecurrenceEndKey, QVariant::fromValue(platform::encodeArchiveObject(*end)));
    if (const auto& days = rule.nthWeekDaysOfTheMonth()) {
        QList<ArchiveObject> objects;
        for (const TDNthWeekDay& day : *days) objects.append(platform::encodeArchiveObject(day));
        object.fields.insert(kNthWeekDaysKey, QVariant::fromValue(objects));
    }
    return object;
}

// Nested objects go through their own classes' decoders before the rule reads their dictionaries.
Result<TDRecurrenceRule> ruleFromObject(const ArchiveObject& object) {
    QVariantMap map = object.fields;
    if (const auto it = object.fields.constFind(kRecurrenceEndKey); it != object.fields.cend()) {
        const Result<TDRecurrenceEnd> end =
            platform::decodeArchiveObject<TDRecurrenceEnd>(it->value<ArchiveObject>());
        if (!end) return end.error();
        map.insert(kRecurrenceEndKey, end->toVariantMap());
    }
    if (const auto it = object.fields.constFind(kNthWeekDaysKey); it != object.fields.cend()) {
        QVariantList days;
        for (const ArchiveObject& item : it->value<QList<ArchiveObject>>()) {
            const Result<TDNthWeekDay> day = platform::decodeArchiveObject<TDNthWeekDay>(item);
            if (!day) return day.error();
            days.append(day->toVariantMap());
        }
        map.insert(kNthWeekDaysKey, days);
    }
    return TDRecurrenceRule::fromVariantMap(map);
}

}  // namespace

void TDRegisterRecurrenceRuleArchiveClasses() {
    static const bool registered = [] {
        const auto integer = ArchiveFieldType::Integer;
        platform::registerArchiveClass<TDNthWeekDay>(
            kNthWeekDayClass,
            {{QStringLiteral("dayOfTheWeek"), integer}, {QStringLiteral("weekNumber"), integer}},
            [](const TDNthWeekDay& day) { return objectWithFields(day.toVariantMap()); },
            [](const ArchiveObject& object) { return TDNthWeekDay::fromVariantMap(object.fields); });
        platform::registerArchiveClass<TDRecurrenceEnd>(
            kEndClass,
            {{QStringLiteral("endDate"), ArchiveFieldType::Date, true},
             {QStringLiteral("occurrenceCount"), integer}},
            [](const TDRecurrenceEnd& end) { return objectWithFields(end.toVariantMap()); },
            [](const ArchiveObject& object) { return TDRecurrenceEnd::fromVariantMap(object.fields); });
        const auto list = ArchiveFieldType::Array;
        platform::registerArchiveClass<TDRecurrenceRule>(
            kRuleClass,
            {{QStringLiteral("monthsOfTheYear"), list, true},
             {kNthWeekDaysKey, ArchiveFieldType::ObjectList, true, {kNthWeekDayClass}},
             {QStringLiteral("daysOfTheMonth"), list, true},
             {QStringLiteral("daysOfTheWeek"), list, true},
             {kRecurrenceEndKey, ArchiveFieldType::Object, true, {kEndClass}},
             {QStringLiteral("nextStartDate"), ArchiveFieldType::Date, true},
             {QStringLiteral("firstDayOfTheWeek"), integer},
             {QStringLiteral("recurrenceInterval"), integer},
             {QStringLiteral("recurrenceType"), integer},
             {QStringLiteral("repeatAfterCompletion"), ArchiveFieldType::Bool},
             {QStringLiteral("hasDueDate"), ArchiveFieldType::Bool},
             {QStringLiteral("timeIntervalBetweenStartAndDueDates"), ArchiveFieldType::Real}},
            ruleObject, ruleFromObject);
        return true;
    }();
    Q_UNUSED(registered);
}

Result<QByteArray> TDArchivedDataWithRecurrenceRule(const TDRecurrenceRule& rule) {
    TDRegisterRecurrenceRuleArchiveClasses();
    return platform::archivedDataWithRootObject(rule);
}

Result<TDRecurrenceRule> TDRecurrenceRuleWithArchivedData(const QByteArray& data) {
    TDRegisterRecurrenceRuleArchiveClasses();
    return platform::unarchivedObject<TDRecurrenceRule>(data);
}

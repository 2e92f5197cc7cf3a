#include "model/library_model.h"
#include "model/recurrence_rule_archive_value_transformer.h"
#include "model/recurrence_rule_archiving.h"
#include "platform/plist/keyed_archive.h"
#include "platform/plist/property_list.h"
#include "platform/transformers/value_transformer.h"
#include "tests/support/test_environment.h"

#include <QTimeZone>

namespace {

using Rule = TDRecurrenceRule;

QDateTime day(int y, int m, int d) {
    return QDateTime(QDate(y, m, d), QTime(0, 0));
}

QList<Rule> sampleRules() {
    Rule daily = Rule::initDailyRecurrenceWithInterval(3).value();
    daily.setNextStartDate(day(2026, 3, 29));

    Rule weekly = Rule::initWeeklyRecurrenceWithInterval(
                      2, QList<int>{5, 2}, TDRecurrenceEnd::recurrenceEndWithOccurrenceCount(7).value())
                      .value();
    weekly.setNextStartDate(day(2026, 1, 1));
    weekly.setHasDueDate(true);
    weekly.setTimeIntervalBetweenStartAndDueDates(86400.5);

    const QList<TDNthWeekDay> nth{TDNthWeekDay::nthWeekDayWithWeekDay(6, -1).value(),
                                  TDNthWeekDay::nthWeekDayWithWeekDay(2, 1).value()};
    Rule monthly = Rule::initMonthlyRecurrenceWithInterval(
                       1, nth, TDRecurrenceEnd::recurrenceEndWithEndDate(day(2027, 12, 31)).value())
                       .value();
    monthly.setNextStartDate(day(2026, 2, 27));

    Rule yearly = Rule::initYearlyRecurrenceWithInterval(1, QList<int>{31, 1}, QList<int>{2, 12}).value();
    yearly.setNextStartDate(day(2028, 2, 29));

    Rule afterCompletion = Rule::initMonthlyRecurrenceWithInterval(14).value();
    afterCompletion.setRepeatAfterCompletion(true);

    // Saved before it was complete: no next start date, so it does not validate, and reads back as saved.
    Rule unfinished = Rule::initWeeklyRecurrenceWithInterval(1).value();
    return {daily, weekly, monthly, yearly, afterCompletion, unfinished};
}

QByteArray archive(const QVariantMap& rootFields,
                   const QString& rootClass = QStringLiteral("TDRecurrenceRule")) {
    const QVariantMap plist{{QStringLiteral("archive"), QStringLiteral("Ordello keyed archive")},
                            {QStringLiteral("version"), qint64(1)},
                            {QStringLiteral("root"), QVariantMap{{QStringLiteral("class"), rootClass},
                                                                 {QStringLiteral("fields"), rootFields}}}};
    return platform::writePropertyList(plist, platform::PropertyListFormat::Binary).value();
}

QVariantMap object(const QString& className, const QVariantMap& fields) {
    return {{QStringLiteral("class"), className}, {QStringLiteral("fields"), fields}};
}

// The stored form of a valid weekly rule, for cases that spoil one part of it.
QVariantMap validFields() {
    return {{QStringLiteral("recurrenceType"), qint64(2)},
            {QStringLiteral("recurrenceInterval"), qint64(1)},
            {QStringLiteral("firstDayOfTheWeek"), qint64(0)},
            {QStringLiteral("repeatAfterCompletion"), false},
            {QStringLiteral("hasDueDate"), false},
            {QStringLiteral("timeIntervalBetweenStartAndDueDates"), 0.0},
            {QStringLiteral("daysOfTheWeek"), QVariantList{qint64(2)}},
            {QStringLiteral("nextStartDate"), day(2026, 1, 5)}};
}

QVariantMap with(QVariantMap fields, const QString& key, const QVariant& value) {
    if (value.isValid())
        fields.insert(key, value);
    else
        fields.remove(key);
    return fields;
}

class RecurrenceArchiveTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDRegisterLibraryModelClasses();
    }
};

TEST_F(RecurrenceArchiveTest, RulesReadBackEqualThroughTheCodecAndTheNamedTransformer) {
    const auto transformer = platform::valueTransformerForName(TDRecurrenceRuleArchiveValueTransformerName);
    ASSERT_TRUE(transformer);
    for (const Rule& rule : sampleRules()) {
        const Result<QByteArray> data = TDArchivedDataWithRecurrenceRule(rule);
        ASSERT_TRUE(data.ok()) << data.error().detailedDescription().toStdString();
        const Result<Rule> read = TDRecurrenceRuleWithArchivedData(*data);
        ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
        EXPECT_TRUE(*read == rule) << rule.description().toStdString();
        // Lists keep their stored order and absent lists stay absent.
        EXPECT_EQ(read->daysOfTheWeek(), rule.daysOfTheWeek());
        EXPECT_EQ(read->nthWeekDaysOfTheMonth(), rule.nthWeekDaysOfTheMonth());

        const QVariant bytes = transformer->transformedValue(QVariant::fromValue(rule));
        ASSERT_EQ(bytes.metaType().id(), QMetaType::QByteArray);
        const QVariant value = transformer->reverseTransformedValue(bytes);
        ASSERT_EQ(value.metaType(), QMetaType::fromType<Rule>());
        EXPECT_TRUE(value.value<Rule>() == rule);
    }
    EXPECT_FALSE(transformer->transformedValue(QStringLiteral("every day")).isValid());
    EXPECT_FALSE(transformer->reverseTransformedValue(QByteArray()).isValid());
}

TEST_F(RecurrenceArchiveTest, MalformedArchivesFromOutsideAreRefused) {
    const QVariantMap end =
        object(QStringLiteral("TDRecurrenceEnd"), {{QStringLiteral("occurrenceCount"), qint64(3)}});
    const QVariantMap nth =
        object(QStringLiteral("TDNthWeekDay"),
               {{QStringLiteral("dayOfTheWeek"), qint64(2)}, {QStringLiteral("weekNumber"), qint64(1)}});
    QVariantList tooMany;
    for (int i = 0; i < 101; ++i) tooMany.append(qint64(1 + i % 7));
    const struct {
        const char* what;
        QByteArray data;
    } cases[] = {
        {"not a property list", QByteArray("every monday")},
        {"an XML property list",
         platform::writePropertyList(validFields(), platform::PropertyListFormat::Xml).value()},
        {"a plain binary property list",
         platform::writePropertyList(validFields(), platform::PropertyListFormat::Binary).value()},
        {"a truncated archive", archive(validFields()).left(40)},
        {"another class at the root",
         archive(end.value(QStringLiteral("fields")).toMap(), QStringLiteral("TDRecurrenceEnd"))},
        {"an unknown class", archive(validFields(), QStringLiteral("TDColor"))},
        {"a type given as text",
         archive(with(validFields(), QStringLiteral("recurrenceType"), QStringLiteral("2")))},
        {"a missing interval", archive(with(validFields(), QStringLiteral("recurrenceInterval"), {}))},
        {"a negative interval",
         archive(with(validFields(), QStringLiteral("recurrenceInterval"), qint64(-1)))},
        {"a type beyond 32 bits",
         archive(with(validFields(), QStringLiteral("recurrenceType"), qint64(1) << 40))},
        {"a field nobody declared", archive(with(validFields(), QStringLiteral("byHour"), qint64(9)))},
        {"a weekday given as text", archive(with(validFields(), QStringLiteral("daysOfTheWeek"),
                                                 QVariantList{QStringLiteral("monday")}))},
        {"a list of 101 weekdays", archive(with(validFields(), QStringLiteral("daysOfTheWeek"), tooMany))},
        {"a date given as a number", archive(with(validFields(), QStringLiteral("nextStartDate"), 12.5))},
        {"an end that is a dictionary",
         archive(with(validFields(), QStringLiteral("recurrenceEnd"), end.value(QStringLiteral("fields"))))},
        {"an end of the wrong class", archive(with(validFields(), QStringLiteral("recurrenceEnd"), nth))},
        {"an end with a negative count",
         archive(with(
             validFields(), QStringLiteral("recurrenceEnd"),
             object(QStringLiteral("TDRecurrenceEnd"), {{QStringLiteral("occurrenceCount"), qint64(-3)}})))},
        {"an end in the nth weekdays",
         archive(with(validFields(), QStringLiteral("nthWeekDaysOfTheMonth"), QVariantList{nth, end}))},
        {"nth weekdays that are not a list",
         archive(with(validFields(), QStringLiteral("nthWeekDaysOfTheMonth"), nth))},
    };
    const auto transformer = platform::valueTransformerForName(TDRecurrenceRuleArchiveValueTransformerName);
    for (const auto& c : cases) {
        const Result<Rule> read = TDRecurrenceRuleWithArchivedData(c.data);
        EXPECT_FALSE(read.ok()) << c.what;
        EXPECT_FALSE(transformer->reverseTransformedValue(c.data).isValid()) << c.what;
    }
    // The spoiled cases differ from this one only in what they spoil.
    const Result<Rule> valid =
        TDRecurrenceRuleWithArchivedData(archive(with(validFields(), QStringLiteral("recurrenceEnd"), end)));
    ASSERT_TRUE(valid.ok()) << valid.error().detailedDescription().toStdString();
    EXPECT_TRUE(valid->validate().ok());
    EXPECT_EQ(valid->recurrenceEnd()->occurrenceCount(), 3u);
}

TEST_F(RecurrenceArchiveTest, RulesStoredByTheEarlierWriterReadBackUnchanged) {
    // A yearly rule on the last Friday of March, due a day and a half second later, ending in 2040, as
    // the earlier binary writer stored it.
    const QByteArray stored = QByteArray::fromHex(
        "62706c6973743030d301032a02042357617263686976655f10154f7264656c6c6f206b65796564206172636869766554"
        "726f6f74d20507060855636c6173735f10105444526563757272656e636552756c65566669656c6473da090b0d10121b"
        "222426280a0c0e11131c232527295f101166697273744461794f665468655765656b10005a6861734475654461746509"
        "5f100f6d6f6e7468734f6654686559656172a10f10035d6e6578745374617274446174653341c8aaf1000000005f1015"
        "6e74685765656b446179734f665468654d6f6e7468a114d2050715165c54444e74685765656b446179d21719181a5c64"
        "61794f665468655765656b10065a7765656b4e756d62657213ffffffffffffffff5d726563757272656e6365456e64d2"
        "05071d1e5f100f5444526563757272656e6365456e64d21f21200a57656e64446174653341d2cefa600000005f100f6f"
        "6363757272656e6365436f756e745f1012726563757272656e6365496e74657276616c10015e726563757272656e6365"
        "5479706510045f10157265706561744166746572436f6d706c6574696f6e085f102374696d65496e74657276616c4265"
        "747765656e5374617274416e6444756544617465732247a8c0405776657273696f6e0008000f0017002f00340039003f"
        "00520059006e00820084008f009000a200a400a600b400bd00d500d700dc00e900ee00fb00fd01080111011f01240136"
        "013b0143014c015e0173017501840186019e019f01c501ca0000000000000201000000000000002b0000000000000000"
        "00000000000001d2");
    Rule expected = Rule::initYearlyRecurrenceWithInterval(
                        1, 6, -1, QList<int>{3},
                        TDRecurrenceEnd::recurrenceEndWithEndDate(
                            QDateTime(QDate(2040, 12, 31), QTime(0, 0), QTimeZone::utc()))
                            .value())
                        .value();
    expected.setNextStartDate(QDateTime(QDate(2027, 3, 26), QTime(0, 0), QTimeZone::utc()));
    expected.setHasDueDate(true);
    expected.setTimeIntervalBetweenStartAndDueDates(86400.5);
    const Result<Rule> read = TDRecurrenceRuleWithArchivedData(stored);
    ASSERT_TRUE(read.ok()) << read.error().description.toStdString();
    EXPECT_TRUE(*read == expected);
    EXPECT_TRUE(TDRecurrenceRuleWithArchivedData(TDArchivedDataWithRecurrenceRule(*read).value()).value() ==
                expected);
}

TEST_F(RecurrenceArchiveTest, RulesKeepDatesOfAnyYear) {
    for (int year : {1, 1900, 2070, 2100, 9999}) {
        Rule rule = Rule::initYearlyRecurrenceWithInterval(
                        1, TDRecurrenceEnd::recurrenceEndWithEndDate(day(9999, 12, 31)).value())
                        .value();
        rule.setNextStartDate(day(year, 2, 28));
        const Result<QByteArray> archived = TDArchivedDataWithRecurrenceRule(rule);
        ASSERT_TRUE(archived.ok()) << year;
        const Result<Rule> back = TDRecurrenceRuleWithArchivedData(*archived);
        ASSERT_TRUE(back.ok()) << year;
        EXPECT_TRUE(*back == rule) << year;
    }
}

}  // namespace

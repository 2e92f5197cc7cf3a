#include "platform/calendarstore/calendar_task.h"
#include "platform/calendarstore/calendar_store_error.h"

#include <QTimeZone>

#include <gtest/gtest.h>

namespace {

using platform::CalendarTask;

QByteArray calendarWith(const QByteArray& body) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example Corp//Tasks 3.1//EN\r\n" + body +
           "END:VCALENDAR\r\n";
}

QByteArray todoWith(const QByteArray& properties) {
    return calendarWith("BEGIN:VTODO\r\nUID:task-1@example.org\r\nDTSTAMP:20261201T100000Z\r\n" + properties +
                        "END:VTODO\r\n");
}

// A zone defined only by the file, under a name no time-zone database knows.
const QByteArray kCustomBerlinZone =
    "BEGIN:VTIMEZONE\r\nTZID:/example.org/Europe/Berlin\r\n"
    "BEGIN:STANDARD\r\nDTSTART:19701025T030000\r\nRRULE:FREQ=YEARLY;BYMONTH=10;BYDAY=-1SU\r\n"
    "TZOFFSETFROM:+0200\r\nTZOFFSETTO:+0100\r\nTZNAME:CET\r\nEND:STANDARD\r\n"
    "BEGIN:DAYLIGHT\r\nDTSTART:19700329T020000\r\nRRULE:FREQ=YEARLY;BYMONTH=3;BYDAY=-1SU\r\n"
    "TZOFFSETFROM:+0100\r\nTZOFFSETTO:+0200\r\nTZNAME:CEST\r\nEND:DAYLIGHT\r\nEND:VTIMEZONE\r\n";

// As another program writes it: properties, parameters and components Ordello knows nothing of.
const QByteArray kForeignTask =
    calendarWith(kCustomBerlinZone +
                 "BEGIN:VTODO\r\n"
                 "UID:foreign-task-1@example.org\r\n"
                 "DTSTAMP:20261201T100000Z\r\n"
                 "LAST-MODIFIED:20261201T100000Z\r\n"
                 "SUMMARY;LANGUAGE=en:Water the plants\r\n"
                 "DESCRIPTION:First line\\nSecond line\\, with comma\r\n"
                 "PRIORITY:3\r\n"
                 "DUE;TZID=/example.org/Europe/Berlin:20261210T090000\r\n"
                 "CATEGORIES:Home,Garden\r\n"
                 "X-EXAMPLE-SORT-ORDER:42\r\n"
                 "RELATED-TO;RELTYPE=PARENT:parent-uid\r\n"
                 "BEGIN:VALARM\r\nACTION:DISPLAY\r\nDESCRIPTION:Reminder\r\nTRIGGER:-PT15M\r\nEND:VALARM\r\n"
                 "END:VTODO\r\n");

QDateTime utc(int year, int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

QDateTime local(int year, int month, int day, int hour = 0, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::LocalTime);
}

CalendarTask read(const QByteArray& data) {
    const Result<CalendarTask> task = CalendarTask::fromICalendarData(data);
    EXPECT_TRUE(task.ok()) << (task.ok() ? "" : task.error().description.toStdString());
    return task.ok() ? task.value() : CalendarTask();
}

QByteArray write(const CalendarTask& task, const QByteArray& base) {
    const Result<QByteArray> data = task.toICalendarData(base, utc(2026, 12, 9, 12));
    EXPECT_TRUE(data.ok()) << (data.ok() ? "" : data.error().description.toStdString());
    return data.ok() ? data.value() : QByteArray();
}

TEST(CalendarTaskTest, ReadsTheFieldsOrdelloExchanges) {
    const CalendarTask task = read(kForeignTask);
    EXPECT_EQ(task.uid(), QStringLiteral("foreign-task-1@example.org"));
    EXPECT_EQ(task.title(), QStringLiteral("Water the plants"));
    EXPECT_EQ(task.notes(), QStringLiteral("First line\nSecond line, with comma"));
    EXPECT_EQ(task.priority(), 3);
    EXPECT_FALSE(task.completedDate().isValid());
    EXPECT_EQ(task.dueDate(), utc(2026, 12, 10, 8));
    EXPECT_EQ(task.dateStamp(), utc(2026, 12, 1, 10));
}

struct DateCase {
    const char* name;
    QByteArray properties;
    QByteArray zones;
    QDateTime expectedDue;
};

class CalendarTaskDueDateTest : public ::testing::TestWithParam<DateCase> {};

TEST_P(CalendarTaskDueDateTest, MapsToTheSameInstant) {
    const DateCase& c = GetParam();
    const CalendarTask task =
        read(calendarWith(c.zones + "BEGIN:VTODO\r\nUID:t\r\n" + c.properties + "END:VTODO\r\n"));
    EXPECT_EQ(task.dueDate(), c.expectedDue) << task.dueDate().toString(Qt::ISODate).toStdString();
    EXPECT_EQ(task.dueDate().isValid(), c.expectedDue.isValid());
}

// The tests run in Europe/Berlin: CET in December, CEST in July.
INSTANTIATE_TEST_SUITE_P(
    Dates, CalendarTaskDueDateTest,
    ::testing::Values(
        DateCase{"Utc", "DUE:20261210T090000Z\r\n", {}, utc(2026, 12, 10, 9)},
        DateCase{"KnownZone", "DUE;TZID=America/New_York:20261210T090000\r\n", {}, utc(2026, 12, 10, 14)},
        DateCase{
            "KnownZoneInSummer", "DUE;TZID=America/New_York:20260710T090000\r\n", {}, utc(2026, 7, 10, 13)},
        DateCase{"ZoneOfTheFile", "DUE;TZID=/example.org/Europe/Berlin:20260710T090000\r\n",
                 kCustomBerlinZone, utc(2026, 7, 10, 7)},
        DateCase{"Floating", "DUE:20261210T090000\r\n", {}, utc(2026, 12, 10, 8)},
        DateCase{"UnknownZoneReadsAsFloating",
                 "DUE;TZID=Nowhere/Special:20261210T090000\r\n",
                 {},
                 utc(2026, 12, 10, 8)},
        DateCase{"AllDay", "DUE;VALUE=DATE:20261210\r\n", {}, local(2026, 12, 10)},
        DateCase{"AllDayInSummer", "DUE;VALUE=DATE:20260710\r\n", {}, utc(2026, 7, 9, 22)},
        DateCase{
            "StartAndDuration", "DTSTART:20261210T090000Z\r\nDURATION:PT2H\r\n", {}, utc(2026, 12, 10, 11)},
        DateCase{"None", "SUMMARY:No date\r\n", {}, QDateTime()}),
    [](const ::testing::TestParamInfo<DateCase>& info) { return std::string(info.param.name); });

TEST(CalendarTaskTest, WritesDueDaysAsAllDayDatesAndOtherTimesInUtc) {
    CalendarTask task = read(todoWith({}));
    task.setDueDate(local(2026, 12, 10));
    QByteArray data = write(task, todoWith({}));
    EXPECT_TRUE(data.contains("DUE;VALUE=DATE:20261210\r\n")) << data.constData();
    EXPECT_EQ(read(data).dueDate(), local(2026, 12, 10));

    task.setDueDate(local(2026, 12, 10, 14, 30));
    data = write(task, data);
    EXPECT_TRUE(data.contains("DUE:20261210T133000Z\r\n")) << data.constData();
    EXPECT_FALSE(data.contains("VALUE=DATE"));
    EXPECT_EQ(read(data).dueDate(), local(2026, 12, 10, 14, 30));

    // A timed start keeps the due date timed: iCalendar wants both of one kind.
    const QByteArray timedStart = todoWith("DTSTART:20261201T080000Z\r\n");
    task.setDueDate(local(2026, 12, 10));
    data = write(task, timedStart);
    EXPECT_TRUE(data.contains("DUE:20261209T230000Z\r\n")) << data.constData();

    task.setDueDate(QDateTime());
    data = write(task, data);
    EXPECT_FALSE(data.contains("DUE"));
}

TEST(CalendarTaskTest, CompletionWritesUtcAndStatusAndReopeningUndoesThem) {
    const QByteArray base = todoWith("STATUS:IN-PROCESS\r\nPERCENT-COMPLETE:40\r\n");
    CalendarTask task = read(base);
    task.setCompletedDate(local(2026, 12, 8, 17, 45));
    QByteArray data = write(task, base);
    EXPECT_TRUE(data.contains("COMPLETED:20261208T164500Z\r\n")) << data.constData();
    EXPECT_TRUE(data.contains("STATUS:COMPLETED\r\n"));
    EXPECT_TRUE(data.contains("PERCENT-COMPLETE:100\r\n"));
    EXPECT_EQ(read(data).completedDate(), local(2026, 12, 8, 17, 45));

    task.setCompletedDate(QDateTime());
    data = write(task, data);
    EXPECT_FALSE(data.contains("COMPLETED:"));
    EXPECT_TRUE(data.contains("STATUS:NEEDS-ACTION\r\n")) << data.constData();
    EXPECT_FALSE(data.contains("PERCENT-COMPLETE"));
    EXPECT_FALSE(read(data).completedDate().isValid());
}

TEST(CalendarTaskTest, ACompletedStatusWithoutDateCountsAsCompletedAtTheLastChange) {
    const CalendarTask task = read(todoWith("STATUS:COMPLETED\r\nLAST-MODIFIED:20261205T070000Z\r\n"));
    EXPECT_EQ(task.completedDate(), utc(2026, 12, 5, 7));
}

TEST(CalendarTaskTest, PriorityIsTheSameIntegerBothWays) {
    for (int priority = 0; priority <= 9; ++priority) {
        CalendarTask task = read(todoWith({}));
        task.setPriority(priority);
        const QByteArray data = write(task, todoWith({}));
        EXPECT_EQ(read(data).priority(), priority);
        EXPECT_EQ(data.contains("PRIORITY"), priority != 0);
    }
    EXPECT_EQ(read(todoWith("PRIORITY:12\r\n")).priority(), 0);
}

TEST(CalendarTaskTest, RewritingKeepsWhatOtherProgramsWrote) {
    CalendarTask task = read(kForeignTask);
    task.setTitle(QStringLiteral("Water the orchids"));
    task.setNotes(QStringLiteral("Only on Sundays"));
    task.setPriority(1);
    const QByteArray data = write(task, kForeignTask);

    for (const char* kept :
         {"PRODID:-//Example Corp//Tasks 3.1//EN", "TZID:/example.org/Europe/Berlin",
          "SUMMARY;LANGUAGE=en:Water the orchids",
          // The parser splits the list into one property per value: the same categories.
          "CATEGORIES:Home\r\n", "CATEGORIES:Garden\r\n", "X-EXAMPLE-SORT-ORDER:42",
          "RELATED-TO;RELTYPE=PARENT:parent-uid", "BEGIN:VALARM", "DESCRIPTION:Reminder", "TRIGGER:-PT15M",
          // Unchanged, so written as it stood, zone and all.
          "DUE;TZID=/example.org/Europe/Berlin:20261210T090000"}) {
        EXPECT_TRUE(data.contains(kept)) << kept << "\n" << data.constData();
    }
    EXPECT_TRUE(data.contains("DESCRIPTION:Only on Sundays"));
    EXPECT_TRUE(data.contains("PRIORITY:1\r\n"));
    EXPECT_TRUE(data.contains("LAST-MODIFIED:20261209T120000Z")) << data.constData();
    EXPECT_TRUE(data.contains("DTSTAMP:20261209T120000Z"));

    const CalendarTask reread = read(data);
    EXPECT_EQ(reread.title(), QStringLiteral("Water the orchids"));
    EXPECT_EQ(reread.dueDate(), task.dueDate());
    EXPECT_EQ(reread.dateStamp(), utc(2026, 12, 9, 12));
}

TEST(CalendarTaskTest, RecurrenceOverridesStayBesideTheTask) {
    const QByteArray base = calendarWith(
        "BEGIN:VTODO\r\nUID:r\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:Weekly review\r\n"
        "DTSTART:20261204T090000Z\r\nRRULE:FREQ=WEEKLY\r\nEND:VTODO\r\n"
        "BEGIN:VTODO\r\nUID:r\r\nDTSTAMP:20261201T100000Z\r\nRECURRENCE-ID:20261211T090000Z\r\n"
        "SUMMARY:Weekly review (moved)\r\nEND:VTODO\r\n");
    CalendarTask task = read(base);
    EXPECT_EQ(task.title(), QStringLiteral("Weekly review"));
    task.setTitle(QStringLiteral("Review the week"));
    const QByteArray data = write(task, base);
    EXPECT_TRUE(data.contains("SUMMARY:Review the week"));
    EXPECT_TRUE(data.contains("RRULE:FREQ=WEEKLY"));
    EXPECT_TRUE(data.contains("SUMMARY:Weekly review (moved)"));
}

TEST(CalendarTaskTest, ANewTaskGetsAFreshCalendar) {
    CalendarTask task;
    EXPECT_FALSE(task.toICalendarData({}, utc(2026, 12, 9, 12)).ok());  // no uid yet

    const QByteArray data = write(read(todoWith({})), {});
    const CalendarTask reread = read(data);
    EXPECT_EQ(reread.uid(), QStringLiteral("task-1@example.org"));
    EXPECT_TRUE(data.startsWith("BEGIN:VCALENDAR\r\n"));
    EXPECT_TRUE(data.contains("VERSION:2.0"));
    EXPECT_TRUE(data.contains("CREATED:20261209T120000Z"));
}

TEST(CalendarTaskTest, RefusesABaseHoldingAnotherTask) {
    CalendarTask task = read(todoWith({}));
    const Result<QByteArray> data = task.toICalendarData(kForeignTask, utc(2026, 12, 9, 12));
    ASSERT_FALSE(data.ok());
    EXPECT_EQ(data.error().code, platform::CalendarStoreErrorForeignFile);
}

struct BadFile {
    const char* name;
    QByteArray data;
    int code;
};

class CalendarTaskBadFileTest : public ::testing::TestWithParam<BadFile> {};

TEST_P(CalendarTaskBadFileTest, IsRefusedWithAnError) {
    const Result<CalendarTask> task = CalendarTask::fromICalendarData(GetParam().data);
    ASSERT_FALSE(task.ok());
    EXPECT_EQ(task.error().domain, platform::CalendarStoreErrorDomain);
    EXPECT_EQ(task.error().code, GetParam().code);
    EXPECT_FALSE(task.error().description.isEmpty());
}

INSTANTIATE_TEST_SUITE_P(
    Files, CalendarTaskBadFileTest,
    ::testing::Values(
        BadFile{"Empty", {}, platform::CalendarStoreErrorUnreadableFile},
        BadFile{"NotICalendar", "Just some notes\nabout nothing\n",
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"BareTask", "BEGIN:VTODO\r\nUID:x\r\nEND:VTODO\r\n",
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"NulByte", todoWith(QByteArray("SUMMARY:a\0b\r\n", 14)),
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"NotUtf8", todoWith("SUMMARY:caf\xe9\r\n"), platform::CalendarStoreErrorUnreadableFile},
        BadFile{"BadDate", todoWith("DUE:tomorrow-ish\r\n"), platform::CalendarStoreErrorUnreadableFile},
        BadFile{"BadLine", todoWith("this line has no colon\r\n"),
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"Unterminated", "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:x\r\nSUMMARY:cut off",
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"NoUid", calendarWith("BEGIN:VTODO\r\nSUMMARY:Who am I\r\nEND:VTODO\r\n"),
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{"Oversized",
                todoWith("DESCRIPTION:" + QByteArray(CalendarTask::maximumFileSize, 'a') + "\r\n"),
                platform::CalendarStoreErrorUnreadableFile},
        BadFile{
            "EventOnly",
            calendarWith("BEGIN:VEVENT\r\nUID:e\r\nDTSTAMP:20261201T100000Z\r\nDTSTART:20261210T090000Z\r\n"
                         "END:VEVENT\r\n"),
            platform::CalendarStoreErrorForeignFile},
        BadFile{"TwoTasks",
                calendarWith("BEGIN:VTODO\r\nUID:a\r\nEND:VTODO\r\nBEGIN:VTODO\r\nUID:b\r\nEND:VTODO\r\n"),
                platform::CalendarStoreErrorForeignFile},
        BadFile{"TaskAndEvent",
                calendarWith("BEGIN:VTODO\r\nUID:a\r\nEND:VTODO\r\nBEGIN:VEVENT\r\nUID:a\r\nEND:VEVENT\r\n"),
                platform::CalendarStoreErrorForeignFile},
        BadFile{"OnlyAnOverride",
                calendarWith("BEGIN:VTODO\r\nUID:a\r\nRECURRENCE-ID:20261211T090000Z\r\nEND:VTODO\r\n"),
                platform::CalendarStoreErrorForeignFile}),
    [](const ::testing::TestParamInfo<BadFile>& info) { return std::string(info.param.name); });

}  // namespace

// The Today sections read task values straight from their slots; these tests hold that reading to the
// general predicates it stands for, on the tasks where the two could part: no dates, dates on the
// boundaries, dates stored in UTC, subtasks of completed or grouped parents, and the zone's offset
// changing near a bound.
#include "taskviews/today_section_predicate.h"
#include "platform/predicates/predicate_parser.h"
#include "tests/taskviews/sections_fixture.h"

#include <gtest/gtest.h>

namespace {

using sectionstest::SectionsTest;

platform::PredicatePtr general(const char* format, const QVariantList& arguments) {
    auto predicate = platform::predicateWithFormat(QString::fromLatin1(format), arguments);
    EXPECT_TRUE(predicate.ok()) << format;
    return predicate.ok() ? *predicate : platform::Predicate::falsePredicate();
}

const char* const kDue = "%@ <= dueDate AND dueDate < %@ AND isIncomplete == YES";
const char* const kCompleted =
    "%@ <= completedDate AND completedDate < %@ AND\t(parentTask.completedDate = NIL OR (%@ > "
    "parentTask.completedDate OR parentTask.completedDate >= %@))";

TEST_F(SectionsTest, TodayPredicatesAnswerAsTheGeneralPredicatesOnTrickyTasks) {
    TDGroup* inbox = library->inboxGroup();
    const QDateTime day = today();
    const QDateTime tomorrow = today(1);
    const QDateTime yesterday = today(-1);
    const QDateTime near = today(8);
    const QList<QDateTime> dates{
        QDateTime(),       // none
        day,               // on a bound
        day.addMSecs(-1),  // just before one
        tomorrow,
        tomorrow.addMSecs(-1),
        yesterday,
        near,
        near.addMSecs(-1),
        day.toUTC(),  // stored as the store reads it
        tomorrow.toUTC().addMSecs(-1),
        today(-40),
        today(40),
    };
    QList<TDTask*> tasks;
    int n = 0;
    // Every due date with every start date, open and completed, some under a parent.
    for (const QDateTime& due : dates)
        for (const QDateTime& start : {QDateTime(), day, yesterday.addSecs(3600), near, tomorrow.toUTC()}) {
            TDTask* t = task(QStringLiteral("t%1").arg(n++), inbox);
            if (due.isValid()) t->setDueDate(due);
            if (start.isValid()) t->setStartDate(start);
            tasks << t;
        }
    for (const QDateTime& completed : dates) {
        for (const QDateTime& parentCompleted : {QDateTime(), day, yesterday, tomorrow, day.addMSecs(-1)}) {
            TDTask* parent = task(QStringLiteral("p%1").arg(n++), inbox);
            TDTask* child = task(QStringLiteral("c%1").arg(n++), parent);
            child->setStartDate(yesterday);
            for (auto [t, date] : {std::pair{child, completed}, std::pair{parent, parentCompleted}}) {
                if (!date.isValid()) continue;
                t->setCompleted(true);
                t->setPrimitiveValue(QStringLiteral("completedDate"), date);
            }
            tasks << parent << child;
        }
    }
    settle();

    // The group: every other parent, so that NONE ancestorTasks IN both holds and fails.
    QVariantList group;
    for (qsizetype i = 0; i < tasks.size(); i += 2) group << platform::objectVariant(tasks.at(i));
    const auto groupTasks = std::make_shared<const TDTodaySectionRouting::GroupTasks>(group);
    const platform::EntityDescription* entity = tasks.first()->entity();
    const auto sections =
        TDTodaySectionPredicate::sections(entity, {yesterday, day, tomorrow, near}, groupTasks);
    auto section = [&sections](TDTodaySection s) { return sections.at(size_t(s)); };
    const QList<std::pair<platform::PredicatePtr, platform::PredicatePtr>> pairs{
        {section(TDTodaySection::PastDue), general("dueDate < %@ AND isIncomplete == YES", {day})},
        {section(TDTodaySection::DueToday), general(kDue, {day, tomorrow})},
        {section(TDTodaySection::DueSoon), general(kDue, {tomorrow, near})},
        {section(TDTodaySection::StartToday),
         general("%@ <= startDate AND startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete "
                 "== YES AND NONE ancestorTasks IN %@",
                 {day, tomorrow, near, group})},
        {section(TDTodaySection::StillWorkingOn),
         general("startDate < %@ AND (dueDate == NIL OR dueDate >= %@) AND isIncomplete == YES AND NONE "
                 "ancestorTasks IN %@",
                 {day, near, group})},
        {section(TDTodaySection::CompletedToday), general(kCompleted, {day, tomorrow, day, tomorrow})},
        {section(TDTodaySection::CompletedYesterday), general(kCompleted, {yesterday, day, yesterday, day})},
    };
    for (qsizetype p = 0; p < pairs.size(); ++p) {
        const auto& [fast, slow] = pairs.at(p);
        EXPECT_TRUE(fast->isEqual(*slow)) << p;
        EXPECT_EQ(fast->format(), slow->format()) << p;
        int holds = 0;
        for (TDTask* t : std::as_const(tasks)) {
            EXPECT_EQ(fast->evaluate(t), slow->evaluate(t))
                << "predicate " << p << ", task " << t->title().toStdString();
            holds += slow->evaluate(t);
        }
        EXPECT_GT(holds, 0) << "predicate " << p << " holds for none: the table tests nothing";
        // Filtering the whole list at once, within a pass (answers kept for the list) and outside one,
        // keeps the same objects in the same order; a group among the tasks is the general predicate's.
        QList<platform::ManagedObject*> objects(tasks.begin(), tasks.end());
        objects.insert(objects.size() / 2, library->inboxGroup());
        QList<platform::ManagedObject*> expected;
        for (platform::ManagedObject* object : std::as_const(objects))
            if (slow->evaluate(object)) expected << object;
        const auto* whole = dynamic_cast<const TDWholeListFilter*>(fast.get());
        ASSERT_NE(whole, nullptr);
        EXPECT_EQ(whole->filteredObjects(objects), expected) << p;
        const TDTodayRoutingPass pass;
        EXPECT_EQ(whole->filteredObjects(objects), expected) << p;
        EXPECT_EQ(whole->filteredObjects(objects), expected) << p << " (answers kept)";
        // Anything but a task is the general predicate's to answer.
        EXPECT_EQ(fast->evaluate(library->inboxGroup()), slow->evaluate(library->inboxGroup())) << p;
    }
}

// Europe/Berlin (the tests' zone) turns its clocks back on 2026-10-25 at 03:00 and forward on
// 2026-03-29 at 02:00: the clock reading alone would misplace dates near such a bound.
TEST(TodayDateBound, OrdersDatesAsInstantsAcrossChangesOfTheZonesOffset) {
    const QList<QDateTime> bounds{
        QDateTime(QDate(2026, 10, 25), QTime(0, 0)),
        QDateTime(QDate(2026, 10, 26), QTime(0, 0)),
        QDateTime(QDate(2026, 10, 25), QTime(3, 0)),
        QDateTime(QDate(2026, 3, 29), QTime(0, 0)),
        QDateTime(QDate(2026, 3, 30), QTime(0, 0)),
        QDateTime(QDate(2026, 12, 9), QTime(0, 0)),
        // 02:30 before and after the clocks went back: the same reading, an hour apart.
        QDateTime(QDate(2026, 10, 25), QTime(0, 30), Qt::UTC).toLocalTime(),
        QDateTime(QDate(2026, 10, 25), QTime(1, 30), Qt::UTC).toLocalTime(),
    };
    for (const QDateTime& boundDate : bounds) {
        const TDDateBound bound(boundDate);
        const qint64 instant = boundDate.toMSecsSinceEpoch();
        // Every quarter hour from three days before to three after, local and UTC.
        for (qint64 minutes = -3 * 24 * 60; minutes <= 3 * 24 * 60; minutes += 15) {
            const QDateTime utc = QDateTime::fromMSecsSinceEpoch(instant + minutes * 60000, Qt::UTC);
            for (const QDateTime& date : {utc, utc.toLocalTime()}) {
                const qint64 difference = date.toMSecsSinceEpoch() - instant;
                const int expected = difference < 0 ? -1 : difference > 0 ? 1 : 0;
                ASSERT_EQ(bound.compare(date), expected)
                    << boundDate.toString(Qt::ISODate).toStdString() << " vs "
                    << date.toString(Qt::ISODateWithMs).toStdString();
            }
        }
    }
    EXPECT_FALSE(TDDateBound(QDateTime::currentDateTime()).compare(QDateTime()).has_value());
}

}  // namespace

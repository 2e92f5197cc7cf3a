#include "model/task_sort_descriptor.h"
#include "platform/defaults/user_defaults.h"
#include "platform/predicates/predicate_parser.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "tests/taskviews/sections_fixture.h"

#include <algorithm>

namespace sectionstest {
namespace {

QString s(const char* text) {
    return QString::fromUtf8(text);
}

// The fifteen date ranges from the far future to the far past.
QStringList futureToPast(const QString& name) {
    const char* phrases[] = {"sometime in the future",
                             "within the next one year",
                             "in the next 90 days",
                             "in the next 30 days",
                             "in the next 14 days",
                             "in the next 7 days",
                             "tomorrow",
                             "today",
                             "yesterday",
                             "in the last 7 days",
                             "in the last 14 days",
                             "in the last 30 days",
                             "in the last 90 days",
                             "within the last one year",
                             "sometime in the past"};
    QStringList list;
    for (const char* phrase : phrases) list.append(name + QLatin1Char(' ') + s(phrase));
    return list;
}

QStringList shortestToLongest(const QString& name) {
    const char* phrases[] = {"is 10 minutes or less", "is 30 minutes or less", "is 1 hour or less",
                             "is 4 hours or less",    "is a day or less",      "is a week or less",
                             "more than a week"};
    QStringList list;
    for (const char* phrase : phrases) list.append(name + QLatin1Char(' ') + s(phrase));
    return list;
}

QStringList reversed(QStringList list) {
    std::reverse(list.begin(), list.end());
    return list;
}

QStringList priorities(bool reverse) {
    QStringList list;
    for (int p = 1; p <= 9; ++p) list.append(QStringLiteral("Priority %1").arg(reverse ? 10 - p : p));
    list.append(s("No Priority"));
    return list;
}

TEST_F(SectionsTest, GroupingTitlesComeInTheirOrderForEveryAttributeAndDirection) {
    struct Case {
        const char* attribute;
        bool reverse;
        QStringList titles;
    };
    const Case cases[] = {
        {"dueDate", false, reversed(futureToPast(s("Due"))) << s("No due date")},
        {"dueDate", true, futureToPast(s("Due")) << s("No due date")},
        {"startDate", false, reversed(futureToPast(s("Start"))) << s("No start date")},
        {"nextActionDate", true, futureToPast(s("Act on")) << s("No act on date")},
        {"completedDate", false, QStringList{s("No completed date")} + futureToPast(s("Completed"))},
        {"completedDate", true, QStringList{s("No completed date")} + reversed(futureToPast(s("Completed")))},
        {"createdDate", false, futureToPast(s("Added")) << s("No added date")},
        {"totalEstimatedTime", false, shortestToLongest(s("Estimated time")) << s("No estimated time")},
        {"totalEstimatedTime", true,
         reversed(shortestToLongest(s("Estimated time"))) << s("No estimated time")},
        {"actualTime", false, reversed(shortestToLongest(s("Actual time"))) << s("No actual time")},
        {"actualTime", true, shortestToLongest(s("Actual time")) << s("No actual time")},
        {"priority", false, priorities(false)},
        {"priority", true, priorities(true)},
        {"title", false, {}},
    };
    TDSectionSettings settings;
    settings.today = today();
    for (const Case& c : cases) {
        const TDSectionList sections =
            TDMakeSections(library->inboxGroup(), s(c.attribute), c.reverse, {}, 0, settings);
        EXPECT_EQ(titles(sections), c.titles) << c.attribute << " reverse " << c.reverse;
        for (const auto& section : sections) {
            EXPECT_TRUE(TDSectionIsSortingSection(section.get()));
            EXPECT_TRUE(section->modifiesDisplayOrder()) << "a list keeps its manual order";
        }
    }
}

// Each task falls in exactly one section; "today" is the settings' day, not the clock's.
TEST_F(SectionsTest, DatesFallInTheSectionOfTheirDayAtEveryBoundary) {
    TDSectionSettings settings;
    settings.today = QDateTime(QDate(2027, 3, 1), QTime(0, 0));
    const auto day = [&](qint64 days, qint64 seconds = 0) {
        return settings.today.addDays(days).addSecs(seconds);
    };
    struct Case {
        QDateTime due;
        const char* section;
    };
    const Case cases[] = {
        {day(366), "Due sometime in the future"},
        {day(366, -1), "Due within the next one year"},
        {day(91), "Due within the next one year"},
        {day(91, -1), "Due in the next 90 days"},
        {day(31), "Due in the next 90 days"},
        {day(15), "Due in the next 30 days"},
        {day(8), "Due in the next 14 days"},
        {day(8, -1), "Due in the next 7 days"},
        {day(2), "Due in the next 7 days"},
        {day(2, -1), "Due tomorrow"},
        {day(1), "Due tomorrow"},
        {day(1, -1), "Due today"},
        {day(0), "Due today"},
        {day(0, -1), "Due yesterday"},
        {day(-1), "Due yesterday"},
        {day(-1, -1), "Due in the last 7 days"},
        {day(-7), "Due in the last 7 days"},
        {day(-14), "Due in the last 14 days"},
        {day(-30), "Due in the last 30 days"},
        {day(-90), "Due in the last 90 days"},
        {day(-90, -1), "Due within the last one year"},
        {day(-365), "Due within the last one year"},
        {day(-365, -1), "Due sometime in the past"},
        {QDateTime(), "No due date"},
    };
    TDGroup* inbox = library->inboxGroup();
    for (const Case& c : cases) task(c.due.toString(Qt::ISODate), inbox)->setDueDate(c.due);
    settle();

    const TDSectionList sections = TDMakeSections(inbox, s("dueDate"), false, {}, 0, settings);
    QMap<QString, QString> found;  // task -> section
    for (const auto& section : sections)
        for (const QString& title : members(section.get())) {
            EXPECT_FALSE(found.contains(title)) << title.toStdString() << " in two sections";
            found.insert(title, section->title());
        }
    for (const Case& c : cases)
        EXPECT_EQ(found.value(c.due.toString(Qt::ISODate)), s(c.section)) << c.due.toString().toStdString();
}

TEST_F(SectionsTest, TimeSectionsTakeTheDayAndWeekFromTheSettings) {
    defaults().removeValue(s("secondsPerDay"));
    defaults().removeValue(s("secondsPerWeek"));
    TDSectionSettings settings = TDSectionSettings::current();
    EXPECT_EQ(settings.secondsPerDay, 28800);
    EXPECT_EQ(settings.secondsPerWeek, 144000);
    EXPECT_EQ(settings.today, today());

    TDGroup* inbox = library->inboxGroup();
    struct Case {
        double estimate;
        const char* section;
    };
    const Case cases[] = {
        {600, "Estimated time is 10 minutes or less"},
        {601, "Estimated time is 30 minutes or less"},
        {3600, "Estimated time is 1 hour or less"},
        {14400, "Estimated time is 4 hours or less"},
        {28800, "Estimated time is a day or less"},
        {28801, "Estimated time is a week or less"},
        {144000, "Estimated time is a week or less"},
        {144001, "Estimated time more than a week"},
        {0, "No estimated time"},
    };
    for (const Case& c : cases) task(QString::number(c.estimate), inbox)->setEstimatedTime(c.estimate);
    settle();
    QMap<QString, QStringList> expected;
    for (const Case& c : cases) expected[s(c.section)].append(QString::number(c.estimate));
    EXPECT_EQ(contents(TDMakeSections(inbox, s("totalEstimatedTime"), false, {}, 0, settings)), expected);

    // A longer working day moves the day's boundary.
    defaults().setValue(s("secondsPerDay"), 36000);
    settings = TDSectionSettings::current();
    EXPECT_EQ(settings.secondsPerDay, 36000);
    const QMap<QString, QStringList> longer =
        contents(TDMakeSections(inbox, s("totalEstimatedTime"), false, {}, 0, settings));
    EXPECT_EQ(longer.value(s("Estimated time is a day or less")), (QStringList{s("28800"), s("28801")}));
}

TEST_F(SectionsTest, TodaySectionsShowEachTaskOnceAndSubtasksUnderTheirParent) {
    TDGroup* inbox = library->inboxGroup();
    TDTask* dueAndStarting = task(s("due and starting today"), inbox);
    dueAndStarting->setDueDate(today(0, 3600));
    dueAndStarting->setStartDate(today(0, 3600));
    task(s("past due"), inbox)->setDueDate(today(-2));
    task(s("due soon"), inbox)->setDueDate(today(2));
    task(s("starting today"), inbox)->setStartDate(today(0, 60));
    task(s("started"), inbox)->setStartDate(today(-3));
    TDTask* parent = task(s("parent"), inbox);
    parent->setDueDate(today(0, 7200));
    task(s("child due with parent"), parent)->setDueDate(today(0, 7200));
    TDTask* undated = task(s("undated parent"), inbox);
    task(s("child due alone"), undated)->setDueDate(today(0, 10800));
    // Completed a minute apart, so the newest-first order is known.
    task(s("done"), inbox)->setCompleted(true);
    TDTask* openParent = task(s("open parent"), inbox);
    openParent->setStartDate(today(-1));
    task(s("child open"), openParent);  // keeps its parent open
    clock->advanceSeconds(60);
    task(s("child done"), openParent)->setCompleted(true);
    TDTask* doneParent = task(s("done parent"), inbox);
    clock->advanceSeconds(60);
    task(s("child done with parent"), doneParent)->setCompleted(true);
    clock->advanceSeconds(60);
    doneParent->setCompleted(true);
    settle();

    TDGroup* todayGroup = library->todayGroup();
    const TDSectionSettings settings = TDSectionSettings::current();
    const TDSectionList sections = TDMakeSections(todayGroup, s("dueOrStartDate"), false, {}, 0, settings);
    const QString dueSoon = QStringLiteral("Due in the next %1 days").arg(settings.nearFutureNumberOfDays);
    EXPECT_EQ(titles(sections),
              (QStringList{s("Past due"), s("Due today"), dueSoon, s("Start today"), s("Still working on"),
                           s("Completed today"), s("Completed yesterday")}));

    const QMap<QString, QStringList> shown = contents(sections);
    EXPECT_EQ(shown.value(s("Past due")), QStringList{s("past due")});
    EXPECT_EQ(shown.value(s("Due today")),
              (QStringList{s("due and starting today"), s("parent"), s("child due alone")}));
    EXPECT_EQ(shown.value(dueSoon), QStringList{s("due soon")});
    EXPECT_EQ(shown.value(s("Start today")), QStringList{s("starting today")});
    EXPECT_EQ(shown.value(s("Still working on")), (QStringList{s("started"), s("open parent")}));
    EXPECT_EQ(shown.value(s("Completed today")), (QStringList{s("done parent"), s("child done"), s("done")}));

    for (const auto& section : sections) {
        EXPECT_TRUE(TDSectionIsSortingSection(section.get())) << section->title().toStdString();
        EXPECT_FALSE(section->modifiesDisplayOrder()) << section->title().toStdString();
        EXPECT_FALSE(section->sortingChangeEnabled()) << section->title().toStdString();
        EXPECT_NE(TDSectionPredicateForChildren(section.get()), nullptr) << section->title().toStdString();
    }
    for (int i = 0; i < 7; ++i) {
        TDOrderedCollection* source = TDSectionSource(sections.at(i).get());
        EXPECT_EQ(source != nullptr, i < 3) << i;
        if (source) {
            EXPECT_EQ(source->parent(), sections.at(i).get());
        }
    }
    // Children of a shown task are shown while open; completed ones only in the completed sections.
    TDTask* child = parent->orderedTasks()->objectsAs<TDTask>().first();
    EXPECT_TRUE(TDSectionPredicateForChildren(sections.at(1).get())->evaluate(child));
    child->setCompleted(true);
    EXPECT_FALSE(TDSectionPredicateForChildren(sections.at(1).get())->evaluate(child));
    EXPECT_TRUE(TDSectionPredicateForChildren(sections.at(5).get())->evaluate(child));
}

TEST_F(SectionsTest, SectionsHoldTheFilterSoSwitchingItIsSeen) {
    TDGroup* inbox = library->inboxGroup();
    task(s("keep"), inbox)->setDueDate(today(0, 60));
    task(s("hide"), inbox)->setDueDate(today(0, 120));
    settle();
    const auto filter =
        std::make_shared<TDMutableComparisonPredicate>(*platform::predicateWithFormat(s("title != 'hide'")));

    for (const char* attribute : {"dueOrStartDate", "dueDate"}) {
        TDGroup* group = s(attribute) == s("dueDate") ? inbox : library->todayGroup();
        const TDSectionList sections =
            TDMakeSections(group, s(attribute), false, filter, 0, TDSectionSettings::current());
        // Both groupings call the section of tasks due today "Due today".
        const auto section = std::find_if(sections.begin(), sections.end(),
                                          [](const auto& sec) { return sec->title() == s("Due today"); });
        ASSERT_NE(section, sections.end());
        filter->setEnabled(true);
        (*section)->setNeedsFiltering(true);
        EXPECT_EQ(members(section->get()), QStringList{s("keep")}) << attribute;
        filter->setEnabled(false);
        (*section)->setNeedsFiltering(true);
        EXPECT_EQ(members(section->get()), (QStringList{s("keep"), s("hide")})) << attribute;
    }
}

TEST_F(SectionsTest, CompletedSubtasksOfATagShowUnderTheirParentOnly) {
    TDTag* tag = library->createTagWithTitle(s("errand"));
    TDGroup* inbox = library->inboxGroup();
    TDTask* parent = task(s("parent"), inbox);
    TDTask* child = task(s("child"), parent);
    TDTask* other = task(s("other parent"), inbox);
    TDTask* lone = task(s("lone child"), other);
    // Open subtasks keep the parents open.
    task(s("open child"), parent);
    task(s("open child"), other);
    for (TDTask* t : {parent, child, lone}) t->addTagsObject(tag);
    child->setCompleted(true);
    lone->setCompleted(true);
    settle();

    TDSectionSettings settings = TDSectionSettings::current();
    const QMap<QString, QStringList> byCompletion =
        contents(TDMakeSections(tag, s("completedDate"), false, {}, 0, settings));
    EXPECT_EQ(byCompletion, (QMap<QString, QStringList>{{s("No completed date"), {s("parent")}},
                                                        {s("Completed today"), {s("lone child")}}}));
    // A list keeps its completed subtasks where the date puts them.
    const QMap<QString, QStringList> inList =
        contents(TDMakeSections(inbox, s("completedDate"), false, {}, 0, settings));
    EXPECT_EQ(inList.value(s("No completed date")), (QStringList{s("parent"), s("other parent")}));
}

TEST_F(SectionsTest, ListGroupingGivesASectionPerListWithTheGroupsTopTasks) {
    TDList* work = library->createList(s("Work"), library->foldersGroup());
    TDTag* tag = library->createTagWithTitle(s("urgent"));
    TDTask* report = task(s("report"), work);
    TDTask* draft = task(s("draft"), report);
    TDTask* call = task(s("call"), library->inboxGroup());
    for (TDTask* t : {report, draft, call}) t->addTagsObject(tag);
    settle();

    const TDSectionList sections = TDMakeSections(tag, s("list"), false, {}, 0, TDSectionSettings::current());
    QStringList expectedTitles;
    for (TDGroup* list : library->allLists()) expectedTitles.append(list->localizedTitle());
    EXPECT_EQ(titles(sections), expectedTitles);
    for (const auto& section : sections) {
        TDList* list = TDSectionListOf(section.get());
        ASSERT_NE(list, nullptr);
        EXPECT_EQ(list->localizedTitle(), section->title());
        const QStringList expected = list == work                    ? QStringList{s("report")}
                                     : list == library->inboxGroup() ? QStringList{s("call")}
                                                                     : QStringList{};
        EXPECT_EQ(members(section.get()), expected) << section->title().toStdString();
    }
}

TEST_F(SectionsTest, SubgroupGroupingGivesTheFoldersListsCutToTheLimit) {
    TDFolder* folder = library->createFolder(s("Projects"), library->foldersGroup());
    TDList* first = library->createList(s("First"), folder);
    library->createFolder(s("Inner"), folder);
    TDList* second = library->createList(s("Second"), folder);
    for (int i = 0; i < 3; ++i) task(QString::number(i), first);
    settle();

    const TDSectionList sections =
        TDMakeSections(folder, s("subgroup"), false, {}, 2, TDSectionSettings::current());
    ASSERT_EQ(sections.size(), 2u);
    EXPECT_EQ(sections.at(0)->object(), first);
    EXPECT_EQ(sections.at(1)->object(), second);
    EXPECT_EQ(members(sections.at(0).get()), (QStringList{s("0"), s("1")}));
    EXPECT_EQ(sections.at(0)->unlimitedCount(), 3);
    for (const auto& section : sections) {
        EXPECT_FALSE(TDSectionIsSortingSection(section.get()));
        EXPECT_EQ(section->limit(), 2u);
    }
}

TEST(SectionSortDescriptorsTest, AttributesSortByThemselvesAndTheList) {
    struct Case {
        const char* attribute;
        bool reverse;
        QStringList keys;
        bool firstAscending;
    };
    const Case cases[] = {
        {nullptr, false, {}, true},
        {"dueOrStartDate", false, {}, true},
        {"list", true, {}, true},
        {"priority", false, {s("list"), s("priority")}, true},
        {"dueDate", false, {s("dueDate"), s("list")}, true},
        {"dueDate", true, {s("dueDate"), s("list")}, false},
    };
    for (const Case& c : cases) {
        const auto descriptors =
            TDSortDescriptorsForAttribute(c.attribute ? s(c.attribute) : QString(), c.reverse);
        QStringList keys;
        for (const auto& d : descriptors) keys.append(d.keyPath());
        EXPECT_EQ(keys, c.keys) << (c.attribute ? c.attribute : "nil");
        if (!descriptors.isEmpty()) {
            EXPECT_EQ(descriptors.first().ascending(), c.firstAscending);
        }
    }
}

}  // namespace
}  // namespace sectionstest

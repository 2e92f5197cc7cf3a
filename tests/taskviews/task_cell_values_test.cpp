#include "taskviews/task_cell_values.h"

#include "model/folder.h"
#include "model/ordered_collection.h"
#include "model/task_classifier.h"
#include "tests/taskviews/task_library_fixture.h"

namespace {

using treemodeltest::TaskLibraryTest;

QDateTime day(int offset) {
    return QDateTime(QDate(2026, 12, 9).addDays(offset), QTime(0, 0));
}

class CountingClassifier : public TDTaskClassifier {
public:
    using TDTaskClassifier::TDTaskClassifier;
    void learnFromTask(TDTask* task) override { learned.append(task); }
    QList<TDTask*> learned;
};

using TaskCellValuesTest = TaskLibraryTest;

TEST_F(TaskCellValuesTest, TaskColumnsShowTheListOnceThenPriorityTitleDatesAndEstimate) {
    TDList* errands = library->createList(QStringLiteral("Errands"), library->foldersGroup());
    TDTask* first = task(QStringLiteral("Buy milk"), inbox());
    TDTask* second = task(QStringLiteral("Call Ann"), inbox());
    TDTask* other = task(QStringLiteral("Post office"), errands);
    second->setPriority(3);
    second->setStartDate(day(1));
    second->setDueDate(day(-1));
    second->setEstimatedTime(5400);

    EXPECT_EQ(TDTaskCellValue(first, TDTaskColumn::List), QVariant(QStringLiteral("Inbox")));
    EXPECT_FALSE(TDTaskCellValue(second, TDTaskColumn::List, first).isValid())
        << "same list as the row above";
    EXPECT_EQ(TDTaskCellValue(other, TDTaskColumn::List, second), QVariant(QStringLiteral("Errands")));
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Priority).toLongLong(), 3);
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Task), QVariant(QStringLiteral("Call Ann")));
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Start).toString(), QStringLiteral("Tomorrow"));
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Due).toString(), QStringLiteral("Yesterday"));
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Estimate).toString(), QStringLiteral("1.5h"));
    EXPECT_FALSE(TDTaskCellValue(first, TDTaskColumn::Start).isValid());

    // Dates shown as distances from today.
    second->setStartDate(day(10));
    EXPECT_EQ(TDTaskCellValue(second, TDTaskColumn::Start, nullptr, true).toString(),
              QStringLiteral("1w 3d"));
}

TEST_F(TaskCellValuesTest, SectionsSumTheirTasksOrShowTheirListsAggregates) {
    TDFolder* folder = library->createFolder(QStringLiteral("Work"), library->foldersGroup());
    TDList* list = library->createList(QStringLiteral("Plans"), folder);
    TDTask* estimated = task(QStringLiteral("Draft"), list);
    estimated->setEstimatedTime(3600);
    estimated->setStartDate(day(3));
    TDTask* unestimated = task(QStringLiteral("Review"), list);
    unestimated->setDueDate(day(2));
    task(QStringLiteral("Send"), list)->setDueDate(day(5));
    settle();
    TDOrderedCollection section(list, QStringLiteral("tasks"));

    // A section of a smart folder or tag: its tasks' sums, "+" when some task has no estimate.
    TDSectionCellContext tagContext{library->todayGroup(), false, false};
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Task, tagContext).toString(),
              QStringLiteral("Plans"));
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Estimate, tagContext).toString(),
              QStringLiteral("1h+"));
    EXPECT_FALSE(TDSectionCellValue(&section, TDTaskColumn::Due, tagContext).isValid()) << "none in Today";
    section.setTitle(QStringLiteral("High"));
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Task, tagContext).toString(),
              QStringLiteral("High"));

    // A folder's list sections show the list's earliest dates.
    TDSectionCellContext folderContext{folder, false, false};
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Start, folderContext).toString(),
              TDDateCellText(day(3), false).toString());
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Due, folderContext).toString(),
              TDDateCellText(day(2), false).toString());

    // Inside a list: the list's summary, nothing for sorting sections; dates the earliest of the tasks.
    TDSectionCellContext listContext{list, false, true};
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Estimate, listContext).toString(),
              list->totalEstimatedTimeSummary());
    EXPECT_EQ(TDSectionCellValue(&section, TDTaskColumn::Due, listContext).toString(),
              TDDateCellText(day(2), false).toString());
    TDSectionCellContext sortingContext{list, true, false};
    EXPECT_FALSE(TDSectionCellValue(&section, TDTaskColumn::Estimate, sortingContext).isValid());
    EXPECT_FALSE(TDSectionCellValue(&section, TDTaskColumn::Start, sortingContext).isValid());
    EXPECT_FALSE(TDSectionCellValue(&section, TDTaskColumn::Priority, listContext).isValid());
}

// One edit of one cell and what it leaves behind.
struct EditCase {
    const char* name;
    TDTaskColumn column;
    QVariant before;  // the column's value before the edit (seconds, date or title)
    QVariant typed;
    QVariant after;        // invalid: cleared
    const char* undoName;  // null: nothing changed, no undo action
};

QVariant columnValue(TDTask* task, TDTaskColumn column) {
    switch (column) {
        case TDTaskColumn::Task:
            return task->title();
        case TDTaskColumn::Start:
            return task->startDate().isValid() ? QVariant(task->startDate()) : QVariant();
        case TDTaskColumn::Due:
            return task->dueDate().isValid() ? QVariant(task->dueDate()) : QVariant();
        case TDTaskColumn::Estimate:
            return task->estimatedTime();
        default:
            return {};
    }
}

class TaskCellEditTest : public TaskLibraryTest, public ::testing::WithParamInterface<EditCase> {};

TEST_P(TaskCellEditTest, WritesTheValueWithItsUndoNameOrChangesNothing) {
    const EditCase& c = GetParam();
    undoManager->disableUndoRegistration();
    TDTask* edited = task(QStringLiteral("Title"), inbox());
    switch (c.column) {
        case TDTaskColumn::Task:
            edited->setTitle(c.before.toString());
            break;
        case TDTaskColumn::Start:
            edited->setStartDate(c.before.toDateTime());
            break;
        case TDTaskColumn::Due:
            edited->setDueDate(c.before.toDateTime());
            break;
        default:
            edited->setEstimatedTime(c.before.toDouble());
    }
    settle();
    undoManager->enableUndoRegistration();
    undoManager->removeAllActions();

    const bool changed = TDSetTaskCellValue(edited, c.column, c.typed);

    EXPECT_EQ(changed, c.undoName != nullptr);
    EXPECT_EQ(columnValue(edited, c.column), c.after);
    EXPECT_EQ(undoManager->canUndo(), c.undoName != nullptr);
    if (c.undoName) {
        EXPECT_EQ(undoManager->undoActionName(), QString::fromLatin1(c.undoName));
    }
}

const QString kEmpty;
INSTANTIATE_TEST_SUITE_P(
    Columns, TaskCellEditTest,
    ::testing::Values(
        EditCase{"TitleChanges", TDTaskColumn::Task, QStringLiteral("Old"), QStringLiteral("New"),
                 QStringLiteral("New"), "Edit Task"},
        EditCase{"TitleUnchanged", TDTaskColumn::Task, QStringLiteral("Same"), QStringLiteral("Same"),
                 QStringLiteral("Same"), nullptr},
        EditCase{"TitleEmptyToNothing", TDTaskColumn::Task, kEmpty, QVariant(), kEmpty, nullptr},
        EditCase{"TitleLosesZeroWidthSpaces", TDTaskColumn::Task, QStringLiteral("Old"),
                 QString(QStringLiteral("Ne") + QChar(0x200B) + QStringLiteral("w") + QChar(0x200B)),
                 QStringLiteral("New"), "Edit Task"},
        EditCase{"TitleOnlyZeroWidthSpacesIsUnchangedEmpty", TDTaskColumn::Task, kEmpty,
                 QString(QChar(0x200B)), kEmpty, nullptr},
        EditCase{"EstimateRead", TDTaskColumn::Estimate, 1800.0, QStringLiteral("1h"), 3600.0,
                 "Change Estimated Time"},
        EditCase{"EstimateSame", TDTaskColumn::Estimate, 3600.0, QStringLiteral("1h"), 3600.0, nullptr},
        EditCase{"EstimateUnreadableKeepsOld", TDTaskColumn::Estimate, 1800.0, QStringLiteral("soonish"),
                 1800.0, nullptr},
        EditCase{"EstimateEmptyClears", TDTaskColumn::Estimate, 1800.0, QStringLiteral(" "), 0.0,
                 "Change Estimated Time"},
        EditCase{"StartRead", TDTaskColumn::Start, QVariant(), QStringLiteral("tomorrow"), day(1),
                 "Change Start Date"},
        EditCase{"StartUnreadableKeepsOld", TDTaskColumn::Start, day(2), QStringLiteral("whenever"), day(2),
                 nullptr},
        EditCase{"StartEmptyClears", TDTaskColumn::Start, day(2), kEmpty, QVariant(), "Change Start Date"},
        EditCase{"StartEmptyOnNothing", TDTaskColumn::Start, QVariant(), kEmpty, QVariant(), nullptr},
        EditCase{"StartChosenDate", TDTaskColumn::Start, day(2), day(4), day(4), "Change Start Date"},
        EditCase{"DueRead", TDTaskColumn::Due, day(5), QStringLiteral("tomorrow"), day(1), "Change Due Date"},
        EditCase{"DueSameDay", TDTaskColumn::Due, day(1), QStringLiteral("tomorrow"), day(1), nullptr},
        EditCase{"DueUnreadableKeepsOld", TDTaskColumn::Due, day(2), QStringLiteral("someday maybe"), day(2),
                 nullptr},
        EditCase{"DueEmptyClears", TDTaskColumn::Due, day(2), kEmpty, QVariant(), "Change Due Date"},
        EditCase{"PriorityIsNotWritten", TDTaskColumn::Priority, 0.0, 5, QVariant(), nullptr}),
    [](const ::testing::TestParamInfo<EditCase>& info) { return std::string(info.param.name); });

TEST_F(TaskCellValuesTest, ATitleEditTeachesTheClassifierAndCalculatedEstimatesStayTheirSubtasks) {
    CountingClassifier classifier(library);
    library->setTaskClassifier(&classifier);
    TDTask* parent = task(QStringLiteral("Trip"), inbox());
    TDTask* child = task(QStringLiteral("Tickets"), parent);
    child->setEstimatedTime(600);
    settle();
    undoManager->removeAllActions();

    EXPECT_FALSE(TDIsTaskCellEditable(parent, TDTaskColumn::Estimate));
    EXPECT_TRUE(TDIsTaskCellEditable(child, TDTaskColumn::Estimate));
    EXPECT_FALSE(TDSetTaskCellValue(parent, TDTaskColumn::Estimate, QStringLiteral("3h")));
    EXPECT_EQ(parent->estimatedTime(), 0);
    EXPECT_FALSE(undoManager->canUndo());
    for (TDTaskColumn column : {TDTaskColumn::List, TDTaskColumn::Priority})
        EXPECT_FALSE(TDIsTaskCellEditable(child, column));
    for (TDTaskColumn column : {TDTaskColumn::Task, TDTaskColumn::Start, TDTaskColumn::Due})
        EXPECT_TRUE(TDIsTaskCellEditable(parent, column));

    EXPECT_TRUE(TDSetTaskCellValue(child, TDTaskColumn::Task, QStringLiteral("Train tickets")));
    EXPECT_FALSE(TDSetTaskCellValue(child, TDTaskColumn::Task, QStringLiteral("Train tickets")));
    EXPECT_EQ(classifier.learned, QList<TDTask*>{child}) << "only the edit that changed the title teaches";
    library->setTaskClassifier(nullptr);
}

// The dressing of each column of one task.
struct DressingCase {
    const char* name;
    int startOffset;  // days from today; 0: no date
    int dueOffset;
    bool completed;
    bool withSubtask;
    TDCellDressings task, start, due, estimate;
};

class TaskCellDressingTest : public TaskLibraryTest, public ::testing::WithParamInterface<DressingCase> {};

TEST_P(TaskCellDressingTest, DressesEachColumnWithTheTasksState) {
    const DressingCase& c = GetParam();
    TDTask* dressed = task(QStringLiteral("Dressed"), inbox());
    if (c.startOffset) dressed->setStartDate(day(c.startOffset));
    if (c.dueOffset) dressed->setDueDate(day(c.dueOffset));
    if (c.withSubtask) task(QStringLiteral("Sub"), dressed);
    if (c.completed) dressed->setCompleted(true);
    settle();

    EXPECT_EQ(TDTaskCellDressing(dressed, TDTaskColumn::Task), c.task);
    EXPECT_EQ(TDTaskCellDressing(dressed, TDTaskColumn::Start), c.start);
    EXPECT_EQ(TDTaskCellDressing(dressed, TDTaskColumn::Due), c.due);
    EXPECT_EQ(TDTaskCellDressing(dressed, TDTaskColumn::Estimate), c.estimate);
    EXPECT_EQ(TDTaskCellDressing(dressed, TDTaskColumn::Priority), TDCellDressings());
}

using D = TDCellDressing;
const TDCellDressings kNone;
INSTANTIATE_TEST_SUITE_P(
    States, TaskCellDressingTest,
    ::testing::Values(
        DressingCase{"NoDates", 0, 0, false, false, kNone, D::Calculated, D::Calculated, kNone},
        DressingCase{"PastDue", 0, -2, false, false, D::PastDue, D::Calculated, D::PastDue, kNone},
        DressingCase{"DueSoon", 0, 2, false, false, D::DueSoon, D::Calculated, D::DueSoon, kNone},
        DressingCase{"DueLaterIsNotSoon", 0, 30, false, false, kNone, D::Calculated, kNone, kNone},
        DressingCase{"PastStart", -1, 0, false, false, D::PastStart, D::PastStart, D::Calculated, kNone},
        DressingCase{"PastStartAndDue", -3, -2, false, false, D::PastDue, D::PastStart, D::PastDue, kNone},
        DressingCase{"WithSubtasks", 0, 0, false, true, kNone, D::Calculated, D::Calculated, D::Calculated},
        DressingCase{"CompletedIsOnlyDone", -3, -2, true, false, D::Done, D::Done, D::Done, D::Done}),
    [](const ::testing::TestParamInfo<DressingCase>& info) { return std::string(info.param.name); });

TEST(SectionCellDressingTest, SectionTitlesAndTheirCalculatedColumns) {
    const TDSectionCellContext header{nullptr, false, true};
    const TDSectionCellContext grouping{nullptr, false, false};
    EXPECT_EQ(TDSectionCellDressing(TDTaskColumn::Task, header), D::SectionTitle | D::ListHeader);
    EXPECT_EQ(TDSectionCellDressing(TDTaskColumn::Task, grouping), TDCellDressings(D::SectionTitle));
    for (TDTaskColumn column : {TDTaskColumn::Start, TDTaskColumn::Due, TDTaskColumn::Estimate})
        EXPECT_EQ(TDSectionCellDressing(column, grouping), TDCellDressings(D::Calculated));
    EXPECT_EQ(TDSectionCellDressing(TDTaskColumn::List, header), kNone);
}

}  // namespace

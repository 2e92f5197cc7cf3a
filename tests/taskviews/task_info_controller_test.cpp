#include "taskviews/task_info_controller.h"
#include "language/natural_language_date_value_transformer.h"
#include "tests/taskviews/recurrence_fixture.h"

#include <gtest/gtest.h>

namespace {

using Field = TDTaskInfoViewController::Field;
using Value = TDTaskInfoViewController::FieldValue;

}  // namespace

// Readable failures: the text, the placeholder and whether the field is editable.
void PrintTo(const TDTaskInfoViewController::FieldValue& value, std::ostream* out) {
    *out << '"' << value.text.toStdString() << "\" [" << value.placeholder.toStdString() << "] "
         << (value.editable ? "editable" : "read-only");
}

namespace {

class TaskInfoControllerTest : public taskviewstest::RecurrenceTest {
protected:
    void SetUp() override {
        RecurrenceTest::SetUp();
        phone = tag(QStringLiteral("@phone"));
        errands = tag(QStringLiteral("@errands"));
        list = newList(QStringLiteral("Chores"));
        plain = addTask(list, QStringLiteral("Plain"));
        call = addTask(list, QStringLiteral("Call mum"));
        call->setStartDate(day(0));
        call->setDueDate(day(2));
        call->setEstimatedTime(2 * 3600);
        call->setActualTime(3600);
        call->setContextTag(phone);
        shop = addTask(list, QStringLiteral("Shop"));
        shop->setStartDate(day(1));
        shop->setDueDate(day(2));
        shop->setEstimatedTime(2 * 3600);
        shop->setContextTag(errands);
        project = addTask(list, QStringLiteral("Project"));
        addSubtask(project, QStringLiteral("Part one"))->setEstimatedTime(3600);
        addSubtask(project, QStringLiteral("Part two"))->setEstimatedTime(1800);
        settle();
        controller->setGroup(list);
        inspector = std::make_unique<TDTaskInfoViewController>(*controller);
    }

    void TearDown() override {
        inspector.reset();
        RecurrenceTest::TearDown();
    }

    static QDateTime day(int offset) { return QDateTime(QDate(2026, 12, 9).addDays(offset), QTime(0, 0)); }
    static QString date(int offset) {
        return TDNaturalLanguageDateValueTransformer::shared()->transformedValue(day(offset)).toString();
    }
    static Value shown(const QString& text) { return {text, {}, true}; }
    static Value placeholder(const char* text, bool editable = true) {
        return {{}, QString::fromLatin1(text), editable};
    }

    TDTag* phone = nullptr;
    TDTag* errands = nullptr;
    TDList* list = nullptr;
    TDTask* plain = nullptr;
    TDTask* call = nullptr;
    TDTask* shop = nullptr;
    TDTask* project = nullptr;
    std::unique_ptr<TDTaskInfoViewController> inspector;
};

TEST_F(TaskInfoControllerTest, WhatTheInspectorShowsForEachSelection) {
    struct Case {
        const char* name;
        QList<TDTask*> selection;
        Value start, due, estimate, actual;
        QString context;
        bool contextIsTag;
    } cases[] = {
        {"nothing",
         {},
         placeholder("No Selection", false),
         placeholder("No Selection", false),
         placeholder("No Selection", false),
         placeholder("No Selection", false),
         QStringLiteral("No Selection"),
         false},
        {"one task with values",
         {call},
         shown(date(0)),
         shown(date(2)),
         shown(QStringLiteral("2h")),
         shown(QStringLiteral("1h (50%)")),
         QStringLiteral("@phone"),
         true},
        {"one task without values",
         {plain},
         placeholder("None"),
         placeholder("None"),
         placeholder("None"),
         placeholder("None"),
         QStringLiteral("None"),
         false},
        {"two tasks, some values shared",
         {call, shop},
         placeholder("Multiple Values"),
         shown(date(2)),
         shown(QStringLiteral("2h")),
         placeholder("Multiple Values", false),
         QStringLiteral("Multiple Values"),
         false},
        {"a task whose estimate is its subtasks'",
         {project},
         placeholder("None"),
         placeholder("None"),
         {QStringLiteral("1.5h"), {}, false},
         placeholder("None"),
         QStringLiteral("None"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        select(c.selection);
        EXPECT_EQ(inspector->selection(), c.selection);
        EXPECT_EQ(inspector->value(Field::StartDate), c.start)
            << inspector->value(Field::StartDate).text.toStdString();
        EXPECT_EQ(inspector->value(Field::DueDate), c.due);
        EXPECT_EQ(inspector->value(Field::Estimate), c.estimate)
            << inspector->value(Field::Estimate).text.toStdString();
        EXPECT_EQ(inspector->value(Field::ActualTime), c.actual)
            << inspector->value(Field::ActualTime).text.toStdString();
        EXPECT_EQ(inspector->contextTitle(), c.context);
        EXPECT_EQ(inspector->contextIsTag(), c.contextIsTag);
        EXPECT_EQ(inspector->contextEnabled(), !c.selection.isEmpty());
    }
}

TEST_F(TaskInfoControllerTest, ChangesGoToEverySelectedTaskAsOneNamedStep) {
    select({call, shop});
    struct Case {
        const char* name;
        std::function<bool()> change;
        std::function<bool()> changed;
        QString undoName;
    } cases[] = {
        {"start", [&] { return inspector->setText(Field::StartDate, QStringLiteral("tomorrow")); },
         [&] { return call->startDate() == day(1) && shop->startDate() == day(1); },
         QStringLiteral("Change Start Date")},
        {"due cleared", [&] { return inspector->setText(Field::DueDate, QString()); },
         [&] { return !call->dueDate().isValid() && !shop->dueDate().isValid(); },
         QStringLiteral("Change Due Date")},
        {"estimate", [&] { return inspector->setText(Field::Estimate, QStringLiteral("30 minutes")); },
         [&] { return call->estimatedTime() == 1800 && shop->estimatedTime() == 1800; },
         QStringLiteral("Change Estimated Time")},
        {"context none",
         [&] {
             inspector->setContext(nullptr);
             return true;
         },
         [&] { return !call->contextTag() && !shop->contextTag(); }, QStringLiteral("Change Context")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        settle();
        EXPECT_TRUE(c.change());
        EXPECT_TRUE(c.changed());
        EXPECT_EQ(undoSteps(), QStringList{c.undoName});
    }
}

TEST_F(TaskInfoControllerTest, TextThatIsNoValueChangesNothing) {
    select({call});
    EXPECT_FALSE(inspector->setText(Field::DueDate, QStringLiteral("the twelfth of never")));
    EXPECT_FALSE(inspector->setText(Field::Estimate, QStringLiteral("a while")));
    EXPECT_EQ(call->dueDate(), day(2));
    EXPECT_EQ(call->estimatedTime(), 2 * 3600);
    EXPECT_EQ(undoSteps(), QStringList{});
    // Editing the actual time starts from the plain duration, without the share of the estimate.
    EXPECT_EQ(inspector->editingText(Field::ActualTime), QStringLiteral("1h"));
    EXPECT_TRUE(inspector->setText(Field::ActualTime, QStringLiteral("90 minutes")));
    EXPECT_EQ(call->actualTime(), 5400);
}

TEST_F(TaskInfoControllerTest, ContextMenuOffersTheContextsByTitleThenNone) {
    QStringList titles;
    for (const auto& item : inspector->contextMenuItems()) titles << item.title;
    EXPECT_EQ(titles,
              (QStringList{QStringLiteral("@errands"), QStringLiteral("@phone"), QStringLiteral("None")}));
    select({plain});
    inspector->setContext(inspector->contextMenuItems().value(1).tag);
    EXPECT_EQ(plain->contextTag(), phone);
    EXPECT_EQ(inspector->contextTitle(), QStringLiteral("@phone"));
}

TEST_F(TaskInfoControllerTest, DeletingTheOnlySelectedTaskShowsNoSelection) {
    select({plain});
    plain->deleteObject();
    processChanges();
    inspector->reload();
    EXPECT_EQ(inspector->contextTitle(), QStringLiteral("No Selection"));
    EXPECT_FALSE(inspector->contextEnabled());
}

}  // namespace

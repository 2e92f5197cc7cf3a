#include "taskviews/print_options.h"

#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"
#include "tests/taskviews/tasks_controller_fixture.h"

#include <gtest/gtest.h>

namespace {

using taskviewstest::FakePresentation;

class PrintOptionsTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        presentation.expanded = QStringLiteral("as the list was");
    }

    FakePresentation presentation;
};

TEST_F(PrintOptionsTest, TurningExpandAllOffRestoresTheListsOwnExpansion) {
    TDPrintOptions options(defaults(), &presentation);
    // Registered: expand all tasks, no notes.
    EXPECT_EQ(presentation.calls, QStringList{QStringLiteral("expandAll")});
    presentation.expanded = QStringLiteral("everything");
    options.setExpandAllTasks(false);
    EXPECT_EQ(presentation.expanded, QVariant(QStringLiteral("as the list was")));
    options.setExpandAllTasks(true);
    EXPECT_EQ(presentation.calls.count(QStringLiteral("expandAll")), 2);
}

TEST_F(PrintOptionsTest, ChoicesPersistToTheNextPrint) {
    {
        TDPrintOptions first(defaults(), &presentation);
        EXPECT_TRUE(first.printLines());
        EXPECT_FALSE(first.printHeaderAndFooter());
        first.setPrintLines(false);
        first.setPrintHeaderAndFooter(true);
        first.setExpandAllNotes(true);
        first.setExpandAllTasks(false);
    }
    FakePresentation next;
    next.expanded = QStringLiteral("next list");
    TDPrintOptions second(defaults(), &next);
    EXPECT_TRUE(next.calls.isEmpty()) << "expand all stays off";
    EXPECT_EQ(next.expanded, QVariant(QStringLiteral("next list")));
    EXPECT_TRUE(next.expandsAllNotes);
    const QList<TDPrintOptions::SummaryItem> expected{
        {QStringLiteral("Expand all tasks"), QStringLiteral("Off")},
        {QStringLiteral("Expand notes"), QStringLiteral("On")},
        {QStringLiteral("Print headers and footers"), QStringLiteral("On")},
        {QStringLiteral("Print lines"), QStringLiteral("Off")}};
    EXPECT_EQ(second.summaryItems(), expected);
}

}  // namespace

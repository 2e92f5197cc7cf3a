// Pictures of the task outline in every display mode, for a person to look at; the checks only make
// sure each picture shows its rows.
#include "language/natural_language_value_transformers.h"
#include "model/folder.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QDir>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class TasksViewScreenshotsTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        openOutline();
        view->resize(760, 560);
        view->show();
        fill();
    }

    QDateTime day(int offset) const { return QDateTime(QDate(2026, 12, 9).addDays(offset), QTime(0, 0)); }

    // A household: two lists in a folder, tags and a context, dates, priorities, notes, subtasks and
    // done tasks.
    void fill() {
        home = tag(QStringLiteral("home"));
        phone = tag(QStringLiteral("@phone"));
        work = library()->createFolder(QStringLiteral("Work"), library()->foldersGroup());
        errands = newList(QStringLiteral("Errands"), work);
        reports = newList(QStringLiteral("Reports"), work);

        TDTask* party = addTask(errands, QStringLiteral("Plan the birthday party /home"));
        party->addTags({home});
        party->setDueDate(day(2));
        party->setPriority(2);
        addSubtask(party, QStringLiteral("Invite friends @phone"))->addTags({phone});
        addSubtask(party, QStringLiteral("Order the cake"))->setDueDate(day(0));
        TDTask* boiler = addTask(errands, QStringLiteral("Call the plumber about the boiler @phone"));
        boiler->addTags({phone});
        boiler->setNotesString(QStringLiteral("Ask about the leaking tap and the yearly service"));
        boiler->setDueDate(day(-1));
        boiler->setPriority(1);
        TDTask* stamps = addTask(errands, QStringLiteral("Buy stamps"));
        stamps->setStartDate(day(-2));
        stamps->setEstimatedTime(30 * 60);
        TDTask* shelves = addTask(errands, QStringLiteral("Put up the shelves in the study /home"));
        shelves->addTags({home});
        shelves->setPriority(5);
        shelves->setEstimatedTime(2 * 60 * 60);
        addTask(errands, QStringLiteral("Return library books"))->setCompleted(true);
        for (int i = 1; i <= 4; ++i) {
            TDTask* report = addTask(reports, QStringLiteral("Quarterly report, part %1").arg(i));
            report->setDueDate(day(i * 3));
            if (i == 2) report->setPriority(3);
        }
        TDTask* inbox = addTask(library()->inboxGroup(), QStringLiteral("Water the plants /home"));
        inbox->addTags({home});
        inbox->setDueDate(day(0));
        processChanges();
    }

    void shoot(TDGroup* group, const QString& name, int expectedMode) {
        controller->setGroup(group);
        processChanges();
        QCoreApplication::processEvents();
        view->expandAll();
        controller->setSelection({});
        view->doItemsLayout();
        EXPECT_EQ(view->displayMode(), expectedMode) << name.toStdString();
        EXPECT_GT(view->numberOfRealRows(), 0) << name.toStdString();
        QImage picture(view->size(), QImage::Format_ARGB32_Premultiplied);
        picture.fill(Qt::transparent);
        view->render(&picture);
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("tasks_view_%1.png").arg(name))));
    }

    TDTag* home = nullptr;
    TDTag* phone = nullptr;
    TDFolder* work = nullptr;
    TDList* errands = nullptr;
    TDList* reports = nullptr;
};

TEST_F(TasksViewScreenshotsTest, EveryDisplayMode) {
    shoot(errands, QStringLiteral("list"), TDTasksController::ListMode);
    shoot(home, QStringLiteral("tag"), TDTasksController::TagMode);
    shoot(work, QStringLiteral("folder"), TDTasksController::FolderMode);
    shoot(library()->upcomingGroup(), QStringLiteral("smart_folder"), TDTasksController::SmartFolderMode);
    shoot(library()->todayGroup(), QStringLiteral("today"), TDTasksController::SmartFolderMode);
    // The go-to overlay over a list.
    controller->setDrawOverlayForGoto(true);
    shoot(errands, QStringLiteral("list_overlay"), TDTasksController::ListMode);
}

}  // namespace

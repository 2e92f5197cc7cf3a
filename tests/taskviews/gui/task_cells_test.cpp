#include "language/natural_language_value_transformers.h"
#include "model/recurrence.h"
#include "taskviews/gui/attribute_cells.h"
#include "taskviews/gui/priority_box_cell.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/sections_fixture.h"

#include <QDir>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>
#include <QTreeView>

#include <gtest/gtest.h>

namespace {

enum Column { ListColumn, PriorityColumn, TaskColumn, DueColumn, ColumnCount };

class TaskCellsTest : public sectionstest::SectionsTest {
protected:
    void SetUp() override {
        SectionsTest::SetUp();
        registerNaturalLanguageValueTransformers();
        model.setHorizontalHeaderLabels(
            {QStringLiteral("List"), QString(), QStringLiteral("Task"), QStringLiteral("Due")});
    }

    TDTask* repeating(const QString& title) {
        TDTask* made = task(title, library->inboxGroup());
        TDRecurrenceRule rule;
        rule.setNextStartDate(today());
        auto* recurrence = context->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
        EXPECT_TRUE(recurrence->setRule(rule).ok());
        made->setObject(QStringLiteral("recurrence"), recurrence);
        return made;
    }

    // One row per task: list, priority, task and due columns, with the roles the tree model answers.
    void addRow(TDTask* shown, TDTask* above = nullptr) {
        QList<QStandardItem*> row;
        for (int column = 0; column < ColumnCount; ++column) {
            auto* item = new QStandardItem();
            item->setEditable(column == TaskColumn || column == DueColumn);
            row << item;
        }
        row[ListColumn]->setText(TDTaskCellValue(shown, TDTaskColumn::List, above).toString());
        row[PriorityColumn]->setData(shown->priority(), Qt::DisplayRole);
        row[TaskColumn]->setData(QVariant::fromValue(shown), TDTaskTreeModel::TaskRole);
        row[TaskColumn]->setText(shown->title());
        row[DueColumn]->setText(TDTaskCellValue(shown, TDTaskColumn::Due).toString());
        row[DueColumn]->setData(int(TDTaskCellDressing(shown, TDTaskColumn::Due)),
                                TDTaskTreeModel::DressingRole);
        model.appendRow(row);
    }

    QStyleOptionViewItem optionFor(const QRect& rect,
                                   QStyle::State state = QStyle::State_Enabled | QStyle::State_Active) const {
        QStyleOptionViewItem option;
        option.rect = rect;
        option.state = state;
        return option;
    }

    QStandardItemModel model;
    TDTaskCell taskCell;
    TDPriorityBoxCell priorityCell;
};

TEST_F(TaskCellsTest, RowHeightsAreTwentySixAndFortyWithTheNotesLine) {
    TDTask* plain = task(QStringLiteral("Buy milk /errands"), library->inboxGroup());
    TDTask* noted = task(QStringLiteral("Call the plumber"), library->inboxGroup());
    noted->setNotesString(QStringLiteral("Ask about the boiler and the leaking tap"));
    settle();
    addRow(plain);
    addRow(noted);
    const QStyleOptionViewItem option = optionFor(QRect(0, 0, 400, 26));
    EXPECT_EQ(taskCell.sizeHint(option, model.index(0, TaskColumn)).height(), 26);
    EXPECT_EQ(taskCell.sizeHint(option, model.index(1, TaskColumn)).height(), 40);
}

TEST_F(TaskCellsTest, ReleasingTheButtonInTheCheckboxTogglesCompletionOrCancellation) {
    TDTask* open = task(QStringLiteral("Open"), library->inboxGroup());
    TDTask* canceled = task(QStringLiteral("Canceled"), library->inboxGroup());
    canceled->setCanceled(true);
    settle();
    addRow(open);
    addRow(canceled);
    QSignalSpy completions(&taskCell, &TDTaskCell::toggleCompletionRequested);
    QSignalSpy cancellations(&taskCell, &TDTaskCell::toggleCancellationRequested);
    const QStyleOptionViewItem option = optionFor(QRect(0, 0, 300, 26));
    auto click = [&](int row, const QPointF& down, const QPointF& up) {
        QMouseEvent press(QEvent::MouseButtonPress, down, down, Qt::LeftButton, Qt::LeftButton,
                          Qt::NoModifier);
        QMouseEvent release(QEvent::MouseButtonRelease, up, up, Qt::LeftButton, Qt::NoButton, Qt::NoModifier);
        taskCell.editorEvent(&press, &model, option, model.index(row, TaskColumn));
        taskCell.editorEvent(&release, &model, option, model.index(row, TaskColumn));
    };
    click(0, QPointF(14, 12), QPointF(15, 13));
    ASSERT_EQ(completions.size(), 1);
    EXPECT_EQ(completions.at(0).at(0).value<TDTask*>(), open);
    click(1, QPointF(14, 12), QPointF(14, 12));
    ASSERT_EQ(cancellations.size(), 1);
    EXPECT_EQ(cancellations.at(0).at(0).value<TDTask*>(), canceled);
    click(0, QPointF(14, 12), QPointF(120, 12));   // released away from the box
    click(0, QPointF(120, 12), QPointF(120, 12));  // a click on the title
    EXPECT_EQ(completions.size(), 1);
    EXPECT_EQ(cancellations.size(), 1);
}

TEST_F(TaskCellsTest, HoverSwapsTheTimerAndOverdueIconsForTheBox) {
    TDTask* timing = task(QStringLiteral("Timing"), library->inboxGroup());
    timing->setTiming(true);
    TDTask* late = task(QStringLiteral("Late"), library->inboxGroup());
    late->setDueDate(today(-2));
    settle();
    addRow(timing);
    addRow(late);
    QTreeView view;
    view.setModel(&model);
    for (int row : {0, 1}) {
        auto render = [&](bool over) {
            QImage image(60, 26, QImage::Format_ARGB32_Premultiplied);
            image.fill(Qt::white);
            QPainter painter(&image);
            QStyleOptionViewItem option = optionFor(QRect(0, 0, 60, 26));
            option.widget = &view;
            if (over) option.state |= QStyle::State_MouseOver;
            taskCell.paint(&painter, option, model.index(row, TaskColumn));
            return image.copy(5, 4, 23, 18);
        };
        const QImage icon = render(false);
        const QImage box = render(true);
        EXPECT_NE(icon, box) << row;
        // The icons are coloured; the open box is grey.
        auto colourfulness = [](const QImage& image) {
            int most = 0;
            for (int y = 0; y < image.height(); ++y)
                for (int x = 0; x < image.width(); ++x) {
                    const QColor pixel = image.pixelColor(x, y);
                    most = qMax(most, qAbs(pixel.red() - pixel.green()));
                }
            return most;
        };
        EXPECT_GT(colourfulness(icon), 60) << row;
        EXPECT_LT(colourfulness(box), 8) << row;
    }
}

TEST_F(TaskCellsTest, ThePriorityMenuAssignsAPriorityOrNone) {
    QWidget parent;
    QSignalSpy chosen(&priorityCell, &TDPriorityBoxCell::priorityChosen);
    QMenu* menu = priorityCell.createMenu(&parent);
    QList<QAction*> items;
    for (QAction* action : menu->actions())
        if (!action->isSeparator()) items << action;
    ASSERT_EQ(items.size(), 10);
    items[2]->trigger();
    items[9]->trigger();
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen.at(0).at(0).toLongLong(), 3);
    EXPECT_EQ(items[9]->text(), QStringLiteral("None"));
    EXPECT_EQ(chosen.at(1).at(0).toLongLong(), 0);

    TDPriorityButton button;
    QSignalSpy buttonChosen(&button, &TDPriorityButton::priorityChosen);
    button.priorityMenu()->actions().at(6)->trigger();
    ASSERT_EQ(buttonChosen.size(), 1);
    EXPECT_EQ(button.priority(), 7);
    EXPECT_EQ(button.focusPolicy(), Qt::NoFocus);
}

// Rows in every state, in the yellow notebook look (lists and folders) and the white look (tags and
// smart folders), written to the screenshot folder.
TEST_F(TaskCellsTest, ScreenshotsOfRowsInEveryStateAndBothLooks) {
    TDTask* open = task(QStringLiteral("Plan the garden for spring"), library->inboxGroup());
    open->setPriority(3);
    TDTask* done = task(QStringLiteral("Renew the car insurance /admin"), library->inboxGroup());
    done->setCompleted(true);
    TDTask* canceled = task(QStringLiteral("Book the ferry /travel"), library->inboxGroup());
    canceled->setCanceled(true);
    TDTask* late = task(QStringLiteral("Send the tax return /admin"), library->inboxGroup());
    late->setDueDate(today(-3));
    late->setPriority(1);
    TDTask* soon = task(QStringLiteral("Buy a birthday present for Anna @town"), library->inboxGroup());
    soon->setDueDate(today(2));
    soon->setPriority(5);
    TDTask* timing = task(QStringLiteral("Write the quarterly report /work"), library->inboxGroup());
    timing->setTiming(true);
    TDTask* recurring = repeating(QStringLiteral("Water the plants"));
    recurring->setPriority(8);
    TDTask* tagged =
        task(QStringLiteral("Call /mum about the /house repairs/ before the weekend, and ask about "
                            "the /@kitchen tiles/ too"),
             library->inboxGroup());
    tagged->setPriority(6);
    TDTask* noted = task(QStringLiteral("Fix the bike /home"), library->inboxGroup());
    noted->setNotesString(QStringLiteral("Rear brake pads and a new inner tube; the pump is in the shed"));
    noted->setPriority(9);
    TDTask* parent = task(QStringLiteral("Move house"), library->inboxGroup());
    task(QStringLiteral("Pack the books"), parent)->setCompleted(true);
    task(QStringLiteral("Hire a van"), parent);
    settle();
    TDTask* above = nullptr;
    for (TDTask* shown : {open, done, canceled, late, soon, timing, recurring, tagged, noted, parent}) {
        addRow(shown, above);
        above = shown;
    }

    TDPriorityBoxCell priorities;
    TDTasksViewListCell lists;
    TDTasksViewTextFieldCell dates;
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    for (int displayMode : {1, 2}) {
        QTreeView view;
        view.setModel(&model);
        view.setRootIsDecorated(false);
        view.setUniformRowHeights(false);
        view.setMouseTracking(true);
        view.setItemDelegateForColumn(ListColumn, &lists);
        view.setItemDelegateForColumn(PriorityColumn, &priorities);
        view.setItemDelegateForColumn(TaskColumn, &taskCell);
        view.setItemDelegateForColumn(DueColumn, &dates);
        taskCell.setDisplayMode(displayMode);
        QPalette palette = view.palette();
        palette.setColor(QPalette::Base, displayMode == 1 ? QColor(0xff, 0xf5, 0xb3) : QColor(Qt::white));
        view.setPalette(palette);
        view.header()->setStretchLastSection(false);
        view.header()->resizeSection(ListColumn, 50);
        view.header()->resizeSection(PriorityColumn, 30);
        view.header()->resizeSection(TaskColumn, 420);
        view.header()->resizeSection(DueColumn, 90);
        view.resize(600, 420);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
        view.doItemsLayout();
        EXPECT_EQ(view.visualRect(model.index(0, TaskColumn)).height(), 26);
        EXPECT_EQ(view.visualRect(model.index(8, TaskColumn)).height(), 40);
        EXPECT_GT(view.visualRect(model.index(7, TaskColumn)).height(), 26);  // the long title wraps
        const QString name =
            displayMode == 1 ? QStringLiteral("task_rows_yellow.png") : QStringLiteral("task_rows_white.png");
        EXPECT_TRUE(view.grab().save(folder + QLatin1Char('/') + name));
        view.hide();
    }

    // The hover look of the timing and past-due rows, and of an empty priority cell.
    QTreeView host;
    host.setModel(&model);
    QImage hovered(520, 3 * 26, QImage::Format_ARGB32_Premultiplied);
    hovered.fill(QColor(0xff, 0xf5, 0xb3));
    QPainter painter(&hovered);
    const int rows[] = {5, 3, 0};
    for (int line = 0; line < 3; ++line) {
        QStyleOptionViewItem option =
            optionFor(QRect(30, line * 26, 490, 26),
                      QStyle::State_Enabled | QStyle::State_Active | QStyle::State_MouseOver);
        option.widget = &host;
        taskCell.paint(&painter, option, model.index(rows[line], TaskColumn));
        option.rect = QRect(0, line * 26, 30, 26);
        priorities.paint(&painter, option, model.index(line == 2 ? 5 : rows[line], PriorityColumn));
    }
    painter.end();
    EXPECT_TRUE(hovered.save(folder + QStringLiteral("/task_rows_hover.png")));
}

}  // namespace

#include "taskviews/gui/tasks_view.h"
#include "language/natural_language_value_transformers.h"
#include "model/folder.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_header_view.h"
#include "taskviews/gui/tasks_window.h"
#include "taskviews/task_tree_model.h"
#include "tests/taskviews/gui/outline_fixture.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QDir>
#include <QHeaderView>
#include <QImage>
#include <QMenu>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

namespace {

using taskviewstest::TasksControllerTest;

class TasksViewTest : public taskviewstest::OutlineTest<> {
protected:
    void SetUp() override {
        OutlineTest::SetUp();
        registerNaturalLanguageValueTransformers();
        openOutline(&window);
        view->resize(720, 420);
        view->show();
    }

    void show(TDGroup* group) {
        controller->setGroup(group);
        settle();
    }

    void settle() { settleOutline(); }

    QModelIndex indexOf(TDTask* task, int column = TDTaskTreeModel::TaskColumn) const {
        return model->indexForItem(TDTaskRowItem::task(task)).siblingAtColumn(column);
    }

    QPoint checkboxCenter(TDTask* task) const {
        const QModelIndex index = indexOf(task);
        QStyleOptionViewItem option;
        option.rect = view->visualRect(index);
        option.widget = view.get();
        option.state = QStyle::State_Enabled | QStyle::State_Active;
        auto* cell = qobject_cast<TDTaskCell*>(view->itemDelegateForColumn(TDTaskTreeModel::TaskColumn));
        return cell->rowLayout(option, index).checkboxFrame.center().toPoint();
    }

    // The scroll position as text, so that a failure says where the view stood.
    QString scrollText() const {
        const QVariantMap scroll = view->scrollPositionState().toMap();
        QStringList parts;
        for (auto it = scroll.cbegin(); it != scroll.cend(); ++it)
            parts << it.key() + QLatin1Char('=') + it.value().toString();
        return parts.join(QLatin1Char(' '));
    }

    // A folder whose one list holds more tasks than the grouping limit shows, so its section ends in
    // a footer with a link to the list.
    struct ListPastTheLimit {
        TDList* list = nullptr;
        TDTask* first = nullptr;
        QModelIndex footer;
    };
    ListPastTheLimit showListPastTheLimit() {
        defaults().setValue(QStringLiteral("defaultGroupingLimit"), 2);
        TDFolder* folder = library()->createFolder(QStringLiteral("Work"), library()->foldersGroup());
        ListPastTheLimit shown;
        shown.list = newList(QStringLiteral("Reports"), folder);
        for (int i = 0; i < 5; ++i) {
            TDTask* task = addTask(shown.list, QStringLiteral("Report %1").arg(i));
            if (!shown.first) shown.first = task;
        }
        processChanges();
        show(folder);
        for (QModelIndex item = model->index(0, 0); item.isValid(); item = view->indexBelow(item))
            if (item.data(TDTaskTreeModel::ItemKindRole).toInt() == int(TDTaskRowItem::Kind::Footer))
                shown.footer = item;
        return shown;
    }

    QStringList selectedTitles() const {
        QStringList titles;
        for (const TDTaskRowItem& item : view->selectedItems()) titles << item.task()->title();
        return titles;
    }
};

TEST_F(TasksViewTest, ARightClickSelectsTheClickedRowAloneAndOpensTheTaskMenu) {
    TDList* list = newList(QStringLiteral("Errands"));
    TDTask* milk = addTask(list, QStringLiteral("Milk"));
    TDTask* bread = addTask(list, QStringLiteral("Bread"));
    TDTask* eggs = addTask(list, QStringLiteral("Eggs"));
    processChanges();
    show(list);
    select({milk, bread});

    // On a selected row the selection stays.
    QMenu* menu = view->menuForPosition(view->visualRect(indexOf(bread)).center());
    ASSERT_TRUE(menu);
    EXPECT_EQ(selectedTitles(), (QStringList{QStringLiteral("Milk"), QStringLiteral("Bread")}));
    EXPECT_EQ(menu->title(), QStringLiteral("Task"));
    EXPECT_FALSE(menu->actions().isEmpty());

    // On another row it is selected alone, also by a real right click.
    const QPoint point = view->visualRect(indexOf(eggs)).center();
    QContextMenuEvent click(QContextMenuEvent::Mouse, point, view->viewport()->mapToGlobal(point));
    QApplication::sendEvent(view->viewport(), &click);
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Eggs")});
    menu->close();

    // On the header row, which cannot be selected: the columns menu.
    const QModelIndex header = model->index(0, 0);
    ASSERT_EQ(model->itemForIndex(header).kind, TDTaskRowItem::Kind::Header);
    std::unique_ptr<QMenu> columns(view->menuForPosition(view->visualRect(header).center()));
    ASSERT_TRUE(columns);
    EXPECT_NE(columns.get(), menu);
    EXPECT_TRUE(columns->actions().first()->isCheckable());
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Eggs")});
}

TEST_F(TasksViewTest, TheStripOnTheTaskColumnsEdgeResizesTheListColumn) {
    show(library()->todayGroup());
    ASSERT_FALSE(view->isColumnHidden(TDTaskTreeModel::ListColumn));
    const QRect strip = view->listColumnResizeRect();
    ASSERT_EQ(strip.width(), 4);
    EXPECT_EQ(strip.center().x() + 1, view->columnViewportPosition(TDTaskTreeModel::TaskColumn));
    const int listWidth = view->columnWidth(TDTaskTreeModel::ListColumn);
    const int taskWidth = view->columnWidth(TDTaskTreeModel::TaskColumn);

    const QPoint start(strip.center().x(), 40);
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, start);
    QTest::mouseMove(view->viewport(), start + QPoint(40, 5));
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, start + QPoint(40, 5));
    EXPECT_EQ(view->columnWidth(TDTaskTreeModel::ListColumn), listWidth + 40);
    EXPECT_EQ(view->columnWidth(TDTaskTreeModel::TaskColumn), taskWidth - 40);

    // A double click fits the list column to its lists, whatever its width was.
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       QPoint(view->listColumnResizeRect().center().x(), 40));
    const int fitted = view->columnWidth(TDTaskTreeModel::ListColumn);
    view->setColumnWidth(TDTaskTreeModel::ListColumn, 260);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {},
                       QPoint(view->listColumnResizeRect().center().x(), 40));
    EXPECT_EQ(view->columnWidth(TDTaskTreeModel::ListColumn), fitted);

    // A list shows no list column: no strip.
    TDList* list = newList(QStringLiteral("Errands"));
    processChanges();
    show(list);
    EXPECT_TRUE(view->listColumnResizeRect().isEmpty());
}

TEST_F(TasksViewTest, DragImageScreenshots) {
    QDir().mkpath(QStringLiteral(ORDELLO_SCREENSHOT_DIR));
    for (const qint64 count : {3, 100, 100000}) {
        const QImage image = TDTasksView::dragImageForCount(count).toImage();
        EXPECT_EQ(image.height(), 80);
        // Only the badge, right of the middle below the middle line, is drawn.
        EXPECT_EQ(qAlpha(image.pixel(20, 20)), 0);
        EXPECT_GT(qAlpha(image.pixel(95, 49)), 0);
        ASSERT_TRUE(image.save(QDir(QStringLiteral(ORDELLO_SCREENSHOT_DIR))
                                   .filePath(QStringLiteral("drag_badge_%1.png").arg(count))));
    }
}

TEST_F(TasksViewTest, StateSurvivesReloadsAndGroupSwitches) {
    TDList* errands = newList(QStringLiteral("Errands"));
    TDList* other = newList(QStringLiteral("Other"));
    addTask(other, QStringLiteral("elsewhere"));
    TDTask* party = addTask(errands, QStringLiteral("Plan the party"));
    addSubtask(party, QStringLiteral("Invite friends"));
    for (int i = 0; i < 60; ++i) addTask(errands, QStringLiteral("Errand %1").arg(i));
    TDTask* picked = addTask(errands, QStringLiteral("Buy stamps"));
    processChanges();
    show(errands);
    view->expand(indexOf(party, 0));
    controller->setSelection({picked});
    view->verticalScrollBar()->setValue(400);
    const QString scroll = scrollText();
    ASSERT_FALSE(scroll.isEmpty());

    // A reload of the same rows keeps everything where it was.
    controller->p_groupByAttribute(QString(), false, true);
    settle();
    EXPECT_TRUE(view->isExpanded(indexOf(party, 0)));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Buy stamps")});
    EXPECT_EQ(scrollText(), scroll);

    // Another group and back: its view options bring expansion, selection and the scroll position
    // it was left at (the selection centred) back; restoring the selection does not scroll.
    show(other);
    EXPECT_FALSE(view->isRememberedAsExpanded(party));
    const QVariantMap left = manager->optionForKey(QStringLiteral("groupViewOptions"))
                                 .toMap()
                                 .value(errands->uid())
                                 .toMap()
                                 .value(QStringLiteral("scrollPositionState"))
                                 .toMap();
    ASSERT_GT(left.value(QStringLiteral("scrollToRow")).toInt(), 20);
    show(errands);
    EXPECT_TRUE(view->isExpanded(indexOf(party, 0)));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Buy stamps")});
    EXPECT_EQ(view->scrollPositionState().toMap(), left) << scrollText().toStdString();
}

TEST_F(TasksViewTest, ExpansionUnderACollapsedParentIsRemembered) {
    TDList* list = newList(QStringLiteral("Projects"));
    TDTask* house = addTask(list, QStringLiteral("House"));
    TDTask* kitchen = addSubtask(house, QStringLiteral("Kitchen"));
    addSubtask(kitchen, QStringLiteral("Tiles"));
    processChanges();
    show(list);

    view->expand(indexOf(house, 0));
    view->expand(indexOf(kitchen, 0));
    view->collapse(indexOf(house, 0));
    // Hidden, yet still expanded: the saved state names it and it opens with its parent.
    EXPECT_EQ(view->expandedState().toStringList(), QStringList{kitchen->uid()});
    view->expand(indexOf(house, 0));
    EXPECT_TRUE(view->isExpanded(indexOf(kitchen, 0)));

    // A saved state naming a task under a collapsed parent leaves it closed but remembers it.
    view->setExpandedState(QStringList{kitchen->uid()});
    EXPECT_FALSE(view->isExpanded(indexOf(house, 0)));
    EXPECT_FALSE(view->isExpanded(indexOf(kitchen, 0)));
    EXPECT_TRUE(view->isRememberedAsExpanded(kitchen));
    view->expand(indexOf(house, 0));
    EXPECT_TRUE(view->isExpanded(indexOf(kitchen, 0)));

    // Collapsing with the children forgets them all.
    view->collapseItem(indexOf(house, 0), true);
    EXPECT_FALSE(view->isRememberedAsExpanded(kitchen));
    view->expand(indexOf(house, 0));
    EXPECT_FALSE(view->isExpanded(indexOf(kitchen, 0)));
}

// Counts how often the tree recomputes its geometry, which sums the heights of every shown row.
class GeometryCountingTasksView : public TDTasksView {
public:
    using TDTasksView::TDTasksView;
    int geometryUpdates = 0;

protected:
    void updateGeometries() override {
        ++geometryUpdates;
        TDTasksView::updateGeometries();
    }
};

TEST_F(TasksViewTest, ARestoredExpansionLaysTheRowsOutOnce) {
    controller->setPresentation(nullptr);
    view = std::make_unique<GeometryCountingTasksView>(*controller, *model);
    controller->setPresentation(view.get());
    view->resize(720, 420);
    view->show();
    TDList* list = newList(QStringLiteral("Projects"));
    QList<TDTask*> projects;
    for (int i = 0; i < 8; ++i) {
        projects << addTask(list, QStringLiteral("Project %1").arg(i));
        addSubtask(addSubtask(projects.last(), QStringLiteral("Step %1").arg(i)), QStringLiteral("Detail"));
    }
    processChanges();
    show(list);
    view->expand(indexOf(projects[0], 0));

    QStringList wanted;
    for (int i : {1, 3, 4, 6}) wanted << projects[i]->uid();
    wanted << projects[2]->subtasks().first()->uid();  // under a collapsed parent: only remembered
    auto& counting = static_cast<GeometryCountingTasksView&>(*view);
    counting.geometryUpdates = 0;
    view->setExpandedState(wanted);
    (void)view->scrollPositionState();
    EXPECT_LE(counting.geometryUpdates, 1);
    for (int i = 0; i < projects.size(); ++i)
        EXPECT_EQ(view->isExpanded(indexOf(projects[i], 0)), i == 1 || i == 3 || i == 4 || i == 6) << i;
    EXPECT_FALSE(view->isExpanded(indexOf(projects[2]->subtasks().first(), 0)));
    EXPECT_TRUE(view->isRememberedAsExpanded(projects[2]->subtasks().first()));
    EXPECT_EQ(view->numberOfRealRows(), 8 + 4);
}

TEST_F(TasksViewTest, CheckboxClicksToggleCompletionWithUndo) {
    TDList* list = newList(QStringLiteral("Home"));
    TDTask* laundry = addTask(list, QStringLiteral("Laundry"));
    processChanges();
    show(list);
    platform::UndoManager* undo = manager->undoManager();

    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkboxCenter(laundry));
    settle();
    EXPECT_TRUE(laundry->isCompleted());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkboxCenter(laundry));
    settle();
    EXPECT_FALSE(laundry->isCompleted());

    undo->undo();
    settle();
    EXPECT_TRUE(laundry->isCompleted());
    // A click beside the checkbox changes nothing.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, checkboxCenter(laundry) + QPoint(120, 0));
    settle();
    EXPECT_TRUE(laundry->isCompleted());
}

TEST_F(TasksViewTest, PriorityMenuAssignsToTheClickedRow) {
    TDTag* home = tag(QStringLiteral("home"));
    TDTask* paint = addTask(library()->inboxGroup(), QStringLiteral("Paint the fence"));
    paint->addTags({home});
    paint->setPriority(5);
    processChanges();
    show(home);
    const QRect cell = view->visualRect(indexOf(paint, TDTaskTreeModel::PriorityColumn));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, cell.topLeft() + QPoint(cell.width() / 2, 14));
    QMenu* menu = nullptr;
    for (QMenu* candidate : view->findChildren<QMenu*>())
        if (candidate->isVisible()) menu = candidate;
    ASSERT_NE(menu, nullptr);
    QAction* two = nullptr;
    for (QAction* action : menu->actions())
        if (action->text() == QStringLiteral("2")) two = action;
    ASSERT_NE(two, nullptr);
    two->trigger();
    settle();
    EXPECT_EQ(paint->priority(), 2);
    EXPECT_EQ(undoName(), QStringLiteral("Change Priority"));
}

TEST_F(TasksViewTest, FooterLinkAsksTheWindowToSelectItsList) {
    const auto [reports, first, footer] = showListPastTheLimit();
    ASSERT_TRUE(footer.isValid());
    const QRect link = view->footerLinkRect(footer);
    ASSERT_FALSE(link.isEmpty());

    // Pressed on the link and released away from it: nothing.
    QTest::mousePress(view->viewport(), Qt::LeftButton, {}, link.center());
    QTest::mouseRelease(view->viewport(), Qt::LeftButton, {}, link.center() + QPoint(link.width(), 0));
    EXPECT_TRUE(window.selectedGroups.isEmpty());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, link.center());
    ASSERT_EQ(window.selectedGroups.size(), 1);
    EXPECT_EQ(window.selectedGroups.first(), reports);
}

TEST_F(TasksViewTest, ThePointerIsAHandOverFooterLinksAndNowhereElse) {
    const auto [reports, first, footer] = showListPastTheLimit();
    ASSERT_TRUE(footer.isValid());
    const QRect link = view->footerLinkRect(footer);
    const QRect footerRow = view->visualRect(footer.siblingAtColumn(TDTaskTreeModel::TaskColumn));
    ASSERT_LT(link.right() + 40, footerRow.right());

    const auto pointerAt = [&](QPoint point) {
        QTest::mouseMove(view->viewport(), point);
        const QWidget* area = view->viewport();
        return area->testAttribute(Qt::WA_SetCursor) ? area->cursor().shape() : Qt::ArrowCursor;
    };
    EXPECT_EQ(pointerAt(link.center()), Qt::PointingHandCursor);
    EXPECT_EQ(pointerAt(QPoint(link.right() + 30, link.center().y())), Qt::ArrowCursor);
    EXPECT_EQ(pointerAt(link.center()), Qt::PointingHandCursor);
    EXPECT_EQ(pointerAt(view->visualRect(indexOf(first)).center()), Qt::ArrowCursor);

    // Scrolled under a pointer that stays put, the link moves away and the hand goes with it.
    view->resize(view->width(), view->header()->height() + footerRow.bottom() / 2);
    settle();
    view->scrollToBottom();
    const QRect shownLink = view->footerLinkRect(footer);
    ASSERT_TRUE(view->viewport()->rect().contains(shownLink.center()));
    EXPECT_EQ(pointerAt(shownLink.center()), Qt::PointingHandCursor);
    view->scrollToTop();
    ASSERT_FALSE(view->footerLinkRect(footer).contains(shownLink.center()));
    const QWidget* area = view->viewport();
    EXPECT_FALSE(area->testAttribute(Qt::WA_SetCursor) && area->cursor().shape() == Qt::PointingHandCursor);
}

TEST_F(TasksViewTest, ADoubleClickOnASectionHeaderByListOpensThatList) {
    TDList* home = newList(QStringLiteral("Home"));
    TDList* work = newList(QStringLiteral("Work"));
    TDTag* phone = tag(QStringLiteral("phone"));
    addTask(work, QStringLiteral("call boss"))->addTags({phone});
    addTask(home, QStringLiteral("call mum"))->addTags({phone});
    TDFolder* folder = library()->createFolder(QStringLiteral("Chores"), library()->foldersGroup());
    TDList* garden = newList(QStringLiteral("Garden"), folder);
    addTask(garden, QStringLiteral("mow"));
    processChanges();
    const auto sectionHeader = [&](const QString& title) {
        for (QModelIndex item = model->index(0, 0); item.isValid(); item = view->indexBelow(item)) {
            TDOrderedCollection* section = model->itemForIndex(item).collection();
            if (model->itemForIndex(item).kind != TDTaskRowItem::Kind::Section) continue;
            // A folder's sections show their list's title.
            const QString shown =
                section->title().isEmpty() ? TDGroup::from(section->object())->title() : section->title();
            if (shown == title)
                return view->visualRect(item.siblingAtColumn(TDTaskTreeModel::TaskColumn)).center();
        }
        ADD_FAILURE() << "no section " << qPrintable(title);
        return QPoint();
    };

    // A tag shows its tasks by list: a single click on a header opens nothing, a double click does.
    show(phone);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, sectionHeader(QStringLiteral("Work")));
    EXPECT_TRUE(window.selectedGroups.isEmpty());
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, sectionHeader(QStringLiteral("Work")));
    EXPECT_EQ(window.selectedGroups, QList<TDGroup*>{work});

    // A folder's sections are its lists.
    window.selectedGroups.clear();
    show(folder);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, sectionHeader(QStringLiteral("Garden")));
    EXPECT_EQ(window.selectedGroups, QList<TDGroup*>{garden});

    // Sections by priority name no list: nothing opens.
    window.selectedGroups.clear();
    show(phone);
    controller->sortBy(QStringLiteral("Priority"), false);
    settle();
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, sectionHeader(QStringLiteral("No Priority")));
    EXPECT_TRUE(window.selectedGroups.isEmpty());
    EXPECT_EQ(view->editedRow(), -1);
}

TEST_F(TasksViewTest, EmptyListsShowTheirInstructions) {
    TDList* list = newList(QStringLiteral("Empty"));
    processChanges();
    show(list);
    EXPECT_EQ(view->instructionMessage(),
              QStringLiteral("You don't have any tasks here. Hit “return” to create one."));
    EXPECT_EQ(view->numberOfRealRows(), 0);
    controller->setTitleFilterString(QStringLiteral("nothing like it"));
    settle();
    EXPECT_EQ(view->instructionMessage(), QStringLiteral("No matching tasks found."));
}

TEST_F(TasksViewTest, DisplayModesSetTheLookAndTheColumns) {
    TDList* list = newList(QStringLiteral("Groceries"));
    addTask(list, QStringLiteral("Milk"));
    processChanges();
    show(list);
    EXPECT_TRUE(view->isYellowLook());
    EXPECT_TRUE(view->isColumnHidden(TDTaskTreeModel::ListColumn));
    EXPECT_EQ(view->columnWidth(TDTaskTreeModel::PriorityColumn), 35);
    // Start is the first small column: tinted; due is not, estimate is.
    EXPECT_TRUE(view->isAlternateColumn(TDTaskTreeModel::StartColumn));
    EXPECT_FALSE(view->isAlternateColumn(TDTaskTreeModel::DueColumn));
    EXPECT_TRUE(view->isAlternateColumn(TDTaskTreeModel::EstimateColumn));
    show(library()->todayGroup());
    EXPECT_FALSE(view->isYellowLook());
    EXPECT_FALSE(view->isColumnHidden(TDTaskTreeModel::ListColumn));
    EXPECT_EQ(view->columnWidth(TDTaskTreeModel::PriorityColumn), 25);

    // The Columns menu hides and shows columns.
    auto* header = qobject_cast<TDTasksHeaderView*>(view->header());
    ASSERT_NE(header, nullptr);
    std::unique_ptr<QMenu> menu(header->columnsMenu(nullptr));
    for (QAction* action : menu->actions())
        if (action->data().toInt() == TDTaskTreeModel::DueColumn) action->trigger();
    EXPECT_TRUE(view->isColumnHidden(TDTaskTreeModel::DueColumn));
}

TEST_F(TasksViewTest, RowHeightsAreCachedUntilTheTaskChanges) {
    TDList* list = newList(QStringLiteral("Notes"));
    TDTask* plain = addTask(list, QStringLiteral("Plain"));
    TDTask* noted = addTask(list, QStringLiteral("With notes"));
    processChanges();
    show(list);
    EXPECT_EQ(view->visualRect(indexOf(plain)).height(), 26);
    EXPECT_EQ(view->visualRect(indexOf(noted)).height(), 26);
    noted->setNotesString(QStringLiteral("Ask about the boiler"));
    settle();
    EXPECT_EQ(view->visualRect(indexOf(noted)).height(), 40);
    EXPECT_EQ(view->visualRect(indexOf(plain)).height(), 26);
}

TEST_F(TasksViewTest, RowsAreMeasuredWhenTheyComeIntoSight) {
    TDList* list = newList(QStringLiteral("Long"));
    TDTask* wordy = addTask(list, QStringLiteral("A title long enough to wrap: ") +
                                      QStringLiteral("lorem ipsum dolor sit amet ").repeated(12));
    QList<TDTask*> tasks;
    for (int i = 0; i < 300; ++i) tasks << addTask(list, QStringLiteral("Task %1").arg(i));
    TDTask* last = addTask(list, QStringLiteral("The last one, with notes"));
    last->setNotesString(QStringLiteral("Seen at the bottom"));
    processChanges();
    show(list);
    QImage picture(view->size(), QImage::Format_ARGB32_Premultiplied);
    const auto measured = [&](TDTask* task) {
        const QModelIndex index = indexOf(task);
        QStyleOptionViewItem option;
        option.widget = view.get();
        return view->itemDelegateForColumn(TDTaskTreeModel::TaskColumn)->sizeHint(option, index).height();
    };

    // Painted, the rows in sight have their laid-out heights; the rest wait for their turn.
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(wordy)).height(), measured(wordy));
    EXPECT_GT(measured(wordy), 26 + 15);
    EXPECT_LT(view->measuredHeightCount(), 100);
    EXPECT_EQ(view->visualRect(indexOf(tasks.first())).height(), 26);

    view->scrollToBottom();
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(last)).height(), 40);
    // The bottom row ends at the bottom of the view: the scroll range follows the measured rows.
    EXPECT_EQ(view->visualRect(indexOf(last)).bottom(), view->viewport()->height() - 1);

    // A narrower task column measures the rows in sight again.
    view->resize(360, view->height());
    view->scrollToTop();
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(wordy)).height(), measured(wordy));
}

// Notes left open close with the next click in the outline or the next context menu: a note of one
// line with the click itself, a taller one a moment later.
TEST_F(TasksViewTest, OpenNotesCloseAfterTheNextClick) {
    TDList* list = newList(QStringLiteral("Garden"));
    TDTask* shortNote = addTask(list, QStringLiteral("Mow the lawn"));
    shortNote->setNotesString(QStringLiteral("Before the rain"));
    TDTask* longNote = addTask(list, QStringLiteral("Plant the beds"));
    longNote->setNotesString(QStringLiteral("Tulips by the fence\nRoses by the gate\nHerbs by the door"));
    TDTask* plain = addTask(list, QStringLiteral("Sweep the path"));
    processChanges();
    show(list);
    QImage picture(view->size(), QImage::Format_ARGB32_Premultiplied);

    const auto click = [&] {
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(indexOf(plain)).center());
    };
    const auto openContextMenu = [&] {
        const QPoint point = view->visualRect(indexOf(plain)).center();
        QContextMenuEvent event(QContextMenuEvent::Mouse, point, view->viewport()->mapToGlobal(point));
        QApplication::sendEvent(view->viewport(), &event);
    };
    for (const auto& [name, trigger] :
         {std::pair<const char*, std::function<void()>>{"click", click},
          std::pair<const char*, std::function<void()>>{"menu", openContextMenu}}) {
        SCOPED_TRACE(name);
        view->setTaskNoteExpanded(shortNote);
        view->setTaskNoteExpanded(longNote);
        view->render(&picture);
        ASSERT_TRUE(view->isTaskNoteExpanded(shortNote));
        ASSERT_GT(view->visualRect(indexOf(longNote)).height(), 40);

        trigger();
        EXPECT_FALSE(view->isTaskNoteExpanded(shortNote));
        EXPECT_TRUE(view->isTaskNoteExpanded(longNote));
        QTRY_VERIFY(!view->isTaskNoteExpanded(longNote));
        view->render(&picture);
        EXPECT_EQ(view->visualRect(indexOf(longNote)).height(), 40);
        EXPECT_EQ(view->visualRect(indexOf(shortNote)).height(), 40);
    }
}

TEST_F(TasksViewTest, ExpandAllNotesOpensEveryNoteFromTheDefault) {
    TDList* list = newList(QStringLiteral("Garden"));
    TDTask* longNote = addTask(list, QStringLiteral("Plant the beds"));
    longNote->setNotesString(QStringLiteral("Tulips by the fence\nRoses by the gate\nHerbs by the door"));
    processChanges();
    // A new outline starts from the default.
    platform::UserDefaults::standard().setValue(QStringLiteral("expandNotes"), true);
    controller->setPresentation(nullptr);
    view.reset();
    view = std::make_unique<TDTasksView>(*controller, *model);
    EXPECT_TRUE(view->expandAllNotes());
    platform::UserDefaults::standard().removeValue(QStringLiteral("expandNotes"));
    view.reset();
    view = std::make_unique<TDTasksView>(*controller, *model);
    EXPECT_FALSE(view->expandAllNotes());
    view->setWindowContext(&window);
    controller->setPresentation(view.get());
    view->resize(720, 420);
    view->show();

    show(list);
    QImage picture(view->size(), QImage::Format_ARGB32_Premultiplied);
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(longNote)).height(), 40);
    view->setExpandAllNotes(true);
    view->render(&picture);
    EXPECT_TRUE(view->isTaskNoteExpanded(longNote));
    EXPECT_GT(view->visualRect(indexOf(longNote)).height(), 40);
    // Opened for every task, notes do not close on a click.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(indexOf(longNote)).center());
    QTest::qWait(TDTasksView::kNoteClosingDelay * 2);
    EXPECT_TRUE(view->isTaskNoteExpanded(longNote));
    view->setExpandAllNotes(false);
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(longNote)).height(), 40);
}

class RecordingWindowDelegate : public TDTasksWindowDelegate {
public:
    void windowDidSetFirstResponder(QWidget* responder, bool changed) override {
        responders << qMakePair(responder, changed);
    }
    void keyDown(QKeyEvent* event) override { keys << QKeySequence(event->keyCombination()); }

    QList<QPair<QWidget*, bool>> responders;
    QList<QKeySequence> keys;
};

TEST_F(TasksViewTest, TaskWindowHandsTabSwitchingToItsDelegate) {
    TDTasksWindow taskWindow;
    RecordingWindowDelegate delegate;
    taskWindow.setDelegate(&delegate);
    view->setParent(&taskWindow);
    taskWindow.setCentralWidget(view.get());
    taskWindow.show();
    QApplication::setActiveWindow(&taskWindow);
    ASSERT_TRUE(taskWindow.makeFirstResponder(view.get()));
    ASSERT_FALSE(delegate.responders.isEmpty());
    EXPECT_EQ(delegate.responders.last().first, view.get());

    QTest::keyClick(view.get(), Qt::Key_Tab, Qt::ControlModifier);
    QTest::keyClick(view.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(delegate.keys,
              (QList<QKeySequence>{QKeySequence(Qt::ControlModifier | Qt::Key_Tab),
                                   QKeySequence(Qt::ControlModifier | Qt::ShiftModifier | Qt::Key_Backtab)}));
    EXPECT_EQ(QApplication::focusWidget(), view.get());
    // The window is gone before the view: take the view back.
    taskWindow.takeCentralWidget();
    view->setParent(nullptr);
}

// Each outline keeps its own heights: a second one over the same rows, shown and dropped while groups
// of the white look come and go, leaves the first one whole.
TEST_F(TasksViewTest, SecondOutlineOverTheSameRowsKeepsItsOwnHeights) {
    TDList* list = newList(QStringLiteral("Errands"));
    QList<TDTag*> tags;
    QList<TDTask*> tasks;
    for (int t = 0; t < 12; ++t) tags << tag(QStringLiteral("tag%1").arg(t));
    for (int i = 0; i < 40; ++i) {
        TDTask* task = addTask(list, QStringLiteral("Errand %1").arg(i));
        task->addTags({tags.at(i % tags.size())});
        tasks << task;
        if (i % 5 == 0) task->setNotesString(QStringLiteral("Note %1").arg(i));
    }
    processChanges();
    QImage picture(view->size(), QImage::Format_ARGB32_Premultiplied);
    auto second = std::make_unique<TDTasksView>(*controller, *model);
    second->resize(500, 300);
    second->show();
    for (qsizetype t = 0; t < tags.size(); ++t) {
        show(tags.at(t));
        second->doItemsLayout();
        view->render(&picture);
        second->render(&picture);
        const QModelIndex first = indexOf(tasks.at(t));
        ASSERT_TRUE(first.isValid()) << t;
        EXPECT_EQ(view->heightOfRow(first), second->heightOfRow(first)) << t;
    }
    second.reset();
    for (TDTag* shown : tags) {
        show(shown);
        view->render(&picture);
    }
    show(list);
    view->render(&picture);
    EXPECT_EQ(view->visualRect(indexOf(tasks.at(1))).height(), 26);
}

}  // namespace

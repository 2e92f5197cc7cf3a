#include "controls/gui/extended_outline_view.h"
#include "controls/outline_item_roles.h"
#include "model/library_options.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QStringList names(std::initializer_list<const char*> texts) {
    QStringList list;
    for (const char* text : texts) list.append(QString::fromLatin1(text));
    return list;
}

QStandardItem* item(const QString& title, bool selectable = true) {
    auto* row = new QStandardItem(title);
    row->setData(title.toLower().replace(QLatin1Char(' '), QLatin1Char('-')), TDOutlinePersistentObjectRole);
    if (!selectable) row->setFlags(row->flags() & ~Qt::ItemIsSelectable);
    return row;
}

// Inbox; Projects (a header) with Alpha (Alpha one, Alpha two) and Beta; Someday (a header) with Task 1
// to Task 40; Done (a header, last).
void fill(QStandardItemModel& model) {
    model.clear();
    model.appendRow(item(QStringLiteral("Inbox")));
    QStandardItem* projects = item(QStringLiteral("Projects"), false);
    QStandardItem* alpha = item(QStringLiteral("Alpha"));
    alpha->appendRow(item(QStringLiteral("Alpha one")));
    alpha->appendRow(item(QStringLiteral("Alpha two")));
    projects->appendRow(alpha);
    projects->appendRow(item(QStringLiteral("Beta")));
    model.appendRow(projects);
    QStandardItem* someday = item(QStringLiteral("Someday"), false);
    for (int task = 1; task <= 40; ++task) someday->appendRow(item(QStringLiteral("Task %1").arg(task)));
    model.appendRow(someday);
    model.appendRow(item(QStringLiteral("Done"), false));
}

class MemoryOptions : public TDLibraryOptions {
public:
    QVariant optionForKey(const QString& key) override { return values.value(key); }
    void setOption(const QVariant& value, const QString& key) override {
        if (value.isValid()) {
            values.insert(key, value);
        } else {
            values.remove(key);
        }
    }
    void saveOptionsDictionary() override {}
    QVariantMap values;
};

class ExtendedOutlineViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        fill(model);
        view.setModel(&model);
        view.resize(300, 200);
        view.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    }

    QModelIndex find(const QString& persistentObject) const {
        const QList<QPersistentModelIndex> found = view.itemsForPersistentObjects({persistentObject});
        return found.isEmpty() ? QModelIndex() : QModelIndex(found.first());
    }
    void expand(const QStringList& objects) {
        for (const QString& object : objects) view.expand(find(object));
    }
    QStringList selectedTitles() const {
        QStringList titles;
        for (const QPersistentModelIndex& selected : view.selectedItems())
            titles.append(selected.data().toString());
        return titles;
    }
    void select(const QStringList& objects) {
        QList<QPersistentModelIndex> items;
        for (const QString& object : objects) items.append(find(object));
        view.selectItems(items);
    }

    QStandardItemModel model;
    TDExtendedOutlineView view;
};

TEST_F(ExtendedOutlineViewTest, ArrowKeysSkipRowsTheModelRefusesToSelect) {
    // Rows: Inbox, Projects (header), Alpha, Beta, Someday (header), Done (header).
    expand({QStringLiteral("projects")});
    ASSERT_EQ(view.numberOfRows(), 6);

    const struct {
        Qt::Key key;
        const char* selected;
    } steps[] = {
        {Qt::Key_Down, "Inbox"}, {Qt::Key_Down, "Alpha"}, {Qt::Key_Down, "Beta"},
        {Qt::Key_Down, "Beta"},  // only refused rows below: nothing changes
        {Qt::Key_Up, "Alpha"},   {Qt::Key_Up, "Inbox"},   {Qt::Key_Up, "Inbox"},
    };
    for (const auto& step : steps) {
        QTest::keyClick(&view, step.key);
        EXPECT_EQ(selectedTitles(), QStringList{QString::fromLatin1(step.selected)}) << step.selected;
    }

    view.selectionModel()->clearSelection();
    QTest::keyClick(&view, Qt::Key_Up);  // nothing selected: the last selectable row
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Beta")});

    EXPECT_FALSE(view.selectRow(4, TDExtendedOutlineView::Movement::Down));
    EXPECT_TRUE(view.selectRow(1, TDExtendedOutlineView::Movement::Up));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Inbox")});
}

TEST_F(ExtendedOutlineViewTest, StateDictionarySurvivesAModelReset) {
    expand({QStringLiteral("projects"), QStringLiteral("alpha"), QStringLiteral("someday")});
    select({QStringLiteral("alpha-two"), QStringLiteral("task-30")});
    view.scrollTo(find(QStringLiteral("task-30")), QAbstractItemView::PositionAtCenter);
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->value() + 5);  // a row cut at the top

    const QVariantMap state = view.stateDictionary();
    EXPECT_EQ(QStringList(state.keys()), names({"editingState", "expanded", "scroll", "selection"}));
    EXPECT_FALSE(state.value(QStringLiteral("editingState")).isValid());
    EXPECT_EQ(state.value(QStringLiteral("expanded")).toStringList(),
              names({"projects", "alpha", "someday"}));
    EXPECT_EQ(state.value(QStringLiteral("selection")).toStringList(), names({"alpha-two", "task-30"}));
    const QVariantMap scroll = state.value(QStringLiteral("scroll")).toMap();
    EXPECT_GT(scroll.value(QStringLiteral("scrollToRow")).toInt(), 0);
    EXPECT_LT(scroll.value(QStringLiteral("scrollToRowOffset")).toDouble(), 0.0);

    fill(model);  // a reset: every row and index is new
    EXPECT_TRUE(view.selectedItems().isEmpty());
    EXPECT_EQ(view.expandedState().toStringList(), QStringList());

    view.setStateDictionary(state);
    EXPECT_EQ(view.expandedState(), state.value(QStringLiteral("expanded")));
    EXPECT_EQ(selectedTitles(), names({"Alpha two", "Task 30"}));
    EXPECT_EQ(view.scrollPositionState(), state.value(QStringLiteral("scroll")));

    // saveState keeps one state until restoreState applies it once.
    view.saveState();
    view.collapseAll();
    view.selectionModel()->clearSelection();
    view.restoreState();
    EXPECT_EQ(view.stateDictionary(), state);
    view.collapseAll();
    view.restoreState();
    EXPECT_EQ(view.expandedState().toStringList(), QStringList());
}

TEST_F(ExtendedOutlineViewTest, EditingStateNamesTheEditedItemAndComesBack) {
    model.itemFromIndex(find(QStringLiteral("inbox")))->setEditable(true);
    view.edit(find(QStringLiteral("inbox")));
    const QVariantMap editing = view.editingState().toMap();
    EXPECT_EQ(editing.value(QStringLiteral("editedRow")).toInt(), 0);
    EXPECT_EQ(editing.value(QStringLiteral("editedColumn")).toInt(), 0);
    EXPECT_EQ(editing.value(QStringLiteral("persistentObject")).toString(), QStringLiteral("inbox"));
    const QVariantMap range = editing.value(QStringLiteral("selectedRange")).toMap();
    EXPECT_EQ(range.value(QStringLiteral("length")).toInt(), 5);  // the editor starts with all selected

    view.closePersistentEditor(find(QStringLiteral("inbox")));
    view.setFocus();
    QTest::keyClick(view.focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(view.editingState().isValid());

    QVariantMap partial = editing;
    partial.insert(QStringLiteral("selectedRange"),
                   QVariantMap{{QStringLiteral("location"), 1}, {QStringLiteral("length"), 2}});
    view.setEditingState(partial);
    const QVariantMap again = view.editingState().toMap();
    EXPECT_EQ(again.value(QStringLiteral("persistentObject")).toString(), QStringLiteral("inbox"));
    EXPECT_EQ(again.value(QStringLiteral("selectedRange")), partial.value(QStringLiteral("selectedRange")));
}

TEST_F(ExtendedOutlineViewTest, NestedSavesKeepTheOutermostSelectionForOneRestore) {
    expand({QStringLiteral("projects")});
    select({QStringLiteral("inbox")});
    view.saveSelection();
    select({QStringLiteral("beta")});
    view.saveSelection();
    select({QStringLiteral("alpha")});
    view.restoreSelection();
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Inbox")});

    select({QStringLiteral("beta")});
    view.restoreSelection();  // answered already
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Beta")});

    // restoreAndShowSelection reveals and scrolls to an item deep in a collapsed header.
    view.collapseAll();
    select({});
    view.saveSelection();
    view.restoreAndShowSelection();
    EXPECT_TRUE(selectedTitles().isEmpty());
}

TEST_F(ExtendedOutlineViewTest, SelectionIsKeptInTheLibraryOptionsUnderTheAutosaveName) {
    MemoryOptions options;
    view.setOptions(&options);
    view.setAutosaveName(QStringLiteral("Sources"));
    expand({QStringLiteral("projects"), QStringLiteral("alpha"), QStringLiteral("someday")});
    select({QStringLiteral("alpha-one"), QStringLiteral("task-40")});
    view.saveSelectionToUserDefaults();
    EXPECT_EQ(options.values.value(QStringLiteral("TDExtendedOutlineView Sources selection")).toStringList(),
              names({"alpha-one", "task-40"}));

    // Restoring reveals items inside collapsed parents.
    view.collapseAll();
    select({QStringLiteral("inbox")});
    view.restoreSelectionFromUserDefaults();
    EXPECT_EQ(selectedTitles(), names({"Alpha one", "Task 40"}));
    EXPECT_TRUE(view.isExpanded(find(QStringLiteral("alpha"))));

    // No stored option leaves the selection alone.
    view.setAutosaveName(QStringLiteral("Other"));
    select({QStringLiteral("inbox")});
    view.restoreSelectionFromUserDefaults();
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Inbox")});
}

TEST_F(ExtendedOutlineViewTest, ExpandedStateListCollapsesTheRestInvalidExpandsAllOtherValuesAreIgnored) {
    view.expandAll();
    select({QStringLiteral("beta")});
    view.setExpandedState(QVariantList{QStringLiteral("someday")});
    EXPECT_EQ(view.expandedState().toStringList(), names({"projects", "someday"}))
        << "keeping the selection reveals Beta's parent";
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Beta")});

    view.setExpandedState(QVariantList{}, false);
    EXPECT_EQ(view.numberOfRows(), 4);
    view.setExpandedState(QStringLiteral("someday"));
    EXPECT_EQ(view.numberOfRows(), 4);
    view.setExpandedState(QVariant());
    EXPECT_EQ(view.numberOfRows(), 4 + 4 + 40);
}

TEST_F(ExtendedOutlineViewTest, CentringPutsAShortSelectionMidwayAndShowsTheBottomOfATallOne) {
    expand({QStringLiteral("someday")});
    select({QStringLiteral("task-20")});
    view.centerSelectionInVisibleArea();
    const QRect bounds = view.selectionBounds();
    const int visible = view.viewport()->height();
    EXPECT_NEAR(bounds.center().y(), visible / 2, bounds.height());

    QStringList tasks;
    for (int task = 5; task <= 35; ++task) tasks.append(QStringLiteral("task-%1").arg(task));
    select(tasks);
    view.centerSelectionInVisibleArea();
    EXPECT_EQ(view.selectionBounds().bottom(),
              view.rectOfRow(view.rowForItem(find(QStringLiteral("task-35")))).bottom());
    EXPECT_EQ(view.rectOfRow(view.rowForItem(find(QStringLiteral("task-35")))).bottom() + 1, visible);

    view.scrollToTop();
    select({QStringLiteral("task-30")});
    view.centerSelectionIfNotVisible();
    EXPECT_TRUE(view.selectionBounds().intersects(view.viewport()->rect()));
    EXPECT_GT(view.verticalScrollBar()->value(), 0);
}

TEST_F(ExtendedOutlineViewTest, ClickedRowOutsideTheSelectionStandsAlone) {
    expand({QStringLiteral("projects")});
    select({QStringLiteral("inbox"), QStringLiteral("beta")});
    view.setContextMenuPolicy(Qt::CustomContextMenu);
    QList<QPersistentModelIndex> clicked;
    QObject::connect(&view, &QWidget::customContextMenuRequested, &view,
                     [&] { clicked = view.selectedOrClickedItems(); });
    const QRect alphaRow = view.visualRect(find(QStringLiteral("alpha")));
    QContextMenuEvent onAlpha(QContextMenuEvent::Mouse, alphaRow.center(),
                              view.viewport()->mapToGlobal(alphaRow.center()));
    QCoreApplication::sendEvent(view.viewport(), &onAlpha);
    ASSERT_EQ(clicked.size(), 1);
    EXPECT_EQ(clicked.first().data().toString(), QStringLiteral("Alpha"));

    const QRect betaRow = view.visualRect(find(QStringLiteral("beta")));
    QContextMenuEvent onBeta(QContextMenuEvent::Mouse, betaRow.center(),
                             view.viewport()->mapToGlobal(betaRow.center()));
    QCoreApplication::sendEvent(view.viewport(), &onBeta);
    EXPECT_EQ(clicked.size(), 2);
    EXPECT_EQ(view.clickedRow(), -1);
}

// A delegate whose rows grow when told to.
class GrowingDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        const QSize size = QStyledItemDelegate::sizeHint(option, index);
        return QSize(size.width() + extraWidth,
                     index.row() == 0 && !index.parent().isValid() ? height : size.height());
    }
    int height = 20;
    int extraWidth = 0;
};

TEST_F(ExtendedOutlineViewTest, RowHeightsAndColumnWidthsFollowTheDelegate) {
    GrowingDelegate delegate;
    view.setItemDelegate(&delegate);
    view.header()->setStretchLastSection(false);
    view.noteHeightOfAllRowsChanged();
    EXPECT_EQ(view.rectOfRow(0).height(), 20);
    delegate.height = 44;
    view.noteHeightOfRowChanged(0);
    EXPECT_EQ(view.rectOfRow(0).height(), 44);
    EXPECT_EQ(view.rectOfRow(1).y(), 44);

    view.autosizeColumn(0);
    const int fitted = view.columnWidth(0);
    EXPECT_GE(fitted, view.preferredWidthOfColumn(0, find(QStringLiteral("someday"))));
    delegate.extraWidth = 50;
    view.autosizeColumn(0, find(QStringLiteral("inbox")));
    EXPECT_EQ(view.columnWidth(0), view.preferredWidthOfColumn(0, find(QStringLiteral("inbox"))));
    delegate.extraWidth = 0;
    view.autosizeColumn(0, find(QStringLiteral("inbox")));  // narrower again: the column shrinks to fit
    EXPECT_EQ(view.columnWidth(0), fitted);
    view.setItemDelegate(nullptr);
}

TEST_F(ExtendedOutlineViewTest, CollapseClosesTheItemOrElseItsParent) {
    expand({QStringLiteral("projects"), QStringLiteral("alpha")});
    select({QStringLiteral("alpha")});
    EXPECT_TRUE(view.validateAction(TDExtendedOutlineView::Action::Collapse));
    view.collapseSelectedItems();
    EXPECT_FALSE(view.isExpanded(find(QStringLiteral("alpha"))));
    view.expandSelectedItems();
    EXPECT_TRUE(view.isExpanded(find(QStringLiteral("alpha"))));

    select({QStringLiteral("alpha-one")});
    view.collapseSelectedItems();
    EXPECT_FALSE(view.isExpanded(find(QStringLiteral("alpha"))));
    EXPECT_EQ(selectedTitles(), QStringList{QStringLiteral("Alpha")});

    select({});
    EXPECT_FALSE(view.validateAction(TDExtendedOutlineView::Action::Expand));
    EXPECT_TRUE(view.validateAction(TDExtendedOutlineView::Action::ExpandAll));
}

}  // namespace

#include "taskviews/gui/tasks_view.h"

#include "controls/outline_item_roles.h"
#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "taskviews/gui/attribute_cells.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/priority_box_cell.h"
#include "taskviews/gui/task_cell.h"
#include "taskviews/gui/tasks_corner_view.h"
#include "taskviews/gui/tasks_header_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_row_facts.h"
#include "taskviews/task_row_layout.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller.h"

#include <QDrag>
#include <QHeaderView>
#include <QMimeData>
#include <QMouseEvent>
#include <QScrollBar>
#include <QTextDocument>

#include <algorithm>
#include <cmath>
#include <limits>
#include <utility>

namespace {

using Kind = TDTaskRowItem::Kind;

const QString kExpandedKey = QStringLiteral("expanded");
const QString kScrollKey = QStringLiteral("scroll");
const QString kSelectionKey = QStringLiteral("selection");

// The height every row but a task's is reckoned from, rules included.
constexpr int kRowHeight = 26;
// The first row when it carries a list's title.
constexpr int kHeaderRowHeight = 50;
// A list's section on paper, where the lists are told apart by their titles alone.
constexpr int kPrintedListSectionHeight = 40;
constexpr int kIndentation = 18;

// The cells of the outline take their heights from the outline, which caches them: the row's height is
// the task column's, the other columns never make a row taller.
template <class Cell>
class TDOutlineCell : public Cell {
protected:
    // The list column leaves a list's name out when the row above is in the same list.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override {
        Cell::initStyleOption(option, index);
        const TDCellDressings dressing(index.data(TDTaskTreeModel::DressingRole).toInt());
        if (dressing.testFlag(TDCellDressing::SameListAsRowAbove)) option->text.clear();
    }

public:
    explicit TDOutlineCell(const TDTasksView& view) : Cell(const_cast<TDTasksView*>(&view)), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        if (index.column() != TDTaskTreeModel::TaskColumn) return QSize(option.rect.width(), 0);
        return QSize(option.rect.width(), m_view.heightOfRow(index));
    }

private:
    const TDTasksView& m_view;
};

// The title's length, read where the task keeps it: a copy of the title would fetch its text as well.
qsizetype titleLength(const TDTask* task) {
    const QVariant& title = task->primitiveValue(TDTaskProperties::of(task->entity()).title);
    if (title.typeId() == QMetaType::QString) return static_cast<const QString*>(title.constData())->size();
    return title.toString().size();
}

}  // namespace

TDTasksView::TDTasksView(TDTasksController& controller, TDTaskTreeModel& model, QWidget* parent)
    : TDExtendedOutlineView(parent), m_controller(controller), m_model(model) {
    setHeader(new TDTasksHeaderView(this));
    // Before the tree's own handler, which forgets the rows the state is read from.
    connect(&m_model, &QAbstractItemModel::modelAboutToBeReset, this, &TDTasksView::p_modelAboutToBeReset);
    setModel(&m_model);
    setTreePosition(TDTaskTreeModel::TaskColumn);
    setIndentation(kIndentation);
    setAllColumnsShowFocus(true);
    setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setExpandsOnDoubleClick(false);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(true);
    viewport()->setAutoFillBackground(false);
    p_installCells();
    p_setUpNotes();
    m_editing = new TDTasksViewEditing(*this);
    connect(&m_controller, &TDTasksController::recurrenceEditorRequested, this,
            &TDTasksView::p_showRecurrenceEditor);
    // The inspector follows the rows the user selects.
    connect(selectionModel(), &QItemSelectionModel::selectionChanged, &m_controller,
            &TDTasksController::selectionChanged);

    connect(&m_model, &QAbstractItemModel::modelReset, this, &TDTasksView::p_modelReset);
    connect(&m_model, &QAbstractItemModel::rowsInserted, this, [this](const QModelIndex& parent) {
        if (!parent.isValid() || p_kind(parent) == int(Kind::Section)) p_updateRowSpans();
        if (!parent.isValid()) p_expandGroupItems();
        p_updateInstructionMessage();
        p_updateHeaderBand();
    });
    connect(&m_model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex& parent, int first, int last) {
                p_forgetHeights(m_model.index(first, 0, parent), m_model.index(last, 0, parent));
            });
    connect(&m_model, &QAbstractItemModel::rowsRemoved, this, [this] {
        p_updateInstructionMessage();
        p_updateHeaderBand();
    });
    connect(&m_model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& first, const QModelIndex& last) { p_forgetHeights(first, last); });
    connect(this, &QTreeView::expanded, this, &TDTasksView::p_taskExpanded);
    connect(this, &QTreeView::collapsed, this, &TDTasksView::p_taskCollapsed);
    // Heights follow the task column's width (each cache keeps the width it was made at): the rows in
    // sight are measured again as they are painted, the others when they come into sight.
    connect(header(), &QHeaderView::sectionResized, this, [this](int column, int oldWidth, int newWidth) {
        if (column == TDTaskTreeModel::TaskColumn && oldWidth != newWidth) viewport()->update();
    });

    // Overlay scroll bars leave the header the whole width; others get a corner above them.
    if (!style()->styleHint(QStyle::SH_ScrollBar_Transient, nullptr, this)) {
        m_cornerView = new TDTasksCornerView(this);
        addScrollBarWidget(m_cornerView, Qt::AlignTop);
        connect(verticalScrollBar(), &QScrollBar::rangeChanged, this, &TDTasksView::p_updateCornerView);
    }

    p_changeColors();
    setDisplayMode(m_controller.displayMode());
    p_modelReset();
}

TDTasksView::~TDTasksView() {
    // The notes editor loses the focus as the window closes: nothing is left to store its note in.
    if (m_notesEditor) m_notesEditor->disconnect(this);
}

int TDTasksView::displayModeForTabType(const QString& tabType) {
    static const QHash<QString, int> modes{{QStringLiteral("today"), 4},  {QStringLiteral("upcoming"), 4},
                                           {QStringLiteral("folder"), 3}, {QStringLiteral("list"), 1},
                                           {QStringLiteral("smart"), 4},  {QStringLiteral("tag"), 2}};
    return modes.value(tabType, 1);
}

void TDTasksView::p_installCells() {
    auto* taskCell = new TDOutlineCell<TDTaskCell>(*this);
    m_taskCell = taskCell;
    connect(taskCell, &TDTaskCell::toggleCompletionRequested, this,
            [this](TDTask* task) { m_controller.toggleCompletionOfTasks({task}); });
    connect(taskCell, &TDTaskCell::toggleCancellationRequested, this,
            [this](TDTask* task) { m_controller.toggleCancellationOfTasks({task}); });
    auto* priorityCell = new TDOutlineCell<TDPriorityBoxCell>(*this);
    m_priorityCell = priorityCell;
    // The cell's 0 is "None"; the controller takes a negative number for it.
    connect(priorityCell, &TDPriorityBoxCell::priorityChosen, this,
            [this](qint64 priority) { m_controller.assignPriority(priority > 0 ? priority : -1); });
    taskCell->setTracking(&m_tracking);
    taskCell->setEditingQuery([this](const TDTask* task) {
        return (m_editing && m_editing->editedTask() == task) ||
               (isEditingNote() && task && task->uid() == m_editedNoteTaskUID);
    });
    priorityCell->setTracking(&m_tracking);
    setItemDelegateForColumn(TDTaskTreeModel::TaskColumn, taskCell);
    setItemDelegateForColumn(TDTaskTreeModel::PriorityColumn, priorityCell);
    setItemDelegateForColumn(TDTaskTreeModel::ListColumn, new TDOutlineCell<TDTasksViewListCell>(*this));
    for (int column :
         {TDTaskTreeModel::StartColumn, TDTaskTreeModel::DueColumn, TDTaskTreeModel::EstimateColumn})
        setItemDelegateForColumn(column, new TDOutlineCell<TDTasksViewTextFieldCell>(*this));
}

// --- Rows

TDTask* TDTasksView::p_task(const QModelIndex& index) const {
    return index.data(TDTaskTreeModel::TaskRole).value<TDTask*>();
}

int TDTasksView::p_kind(const QModelIndex& index) const {
    return index.isValid() ? index.data(TDTaskTreeModel::ItemKindRole).toInt() : int(Kind::Root);
}

int TDTasksView::p_depth(const QModelIndex& index) const {
    int depth = 0;
    for (QModelIndex parent = index.parent(); parent.isValid(); parent = parent.parent()) ++depth;
    return depth;
}

bool TDTasksView::hasDummyHeader() const {
    return m_controller.hasDummyHeader();
}

bool TDTasksView::isGrouping() const {
    return m_controller.isGrouping();
}

bool TDTasksView::hasTasks() const {
    if (!m_controller.group()) return false;
    return m_model.rowCount() > (hasDummyHeader() ? 1 : 0);
}

qsizetype TDTasksView::numberOfRealRows() const {
    if (m_resetting) return 0;
    const int rows = numberOfRows();
    return hasDummyHeader() && rows > 0 ? rows - 1 : rows;
}

// Header, section and footer rows span the columns: headers and sections stand at the top, footers end
// their section, so only those rows are looked at. A span is set or cleared only where it changes, as
// each change looks its row up among all the shown rows.
void TDTasksView::p_updateRowSpans() {
    if (m_settingRowSpans) return;
    m_settingRowSpans = true;
    QList<QPersistentModelIndex> spanned;
    const int rows = isGrouping() ? m_model.rowCount() : qMin(m_model.rowCount(), 1);
    for (int row = 0; row < rows; ++row) {
        const QModelIndex item = m_model.index(row, 0);
        const int kind = p_kind(item);
        if (kind != int(Kind::Task)) spanned.append(item);
        if (kind != int(Kind::Section)) continue;
        const QModelIndex last = m_model.index(m_model.rowCount(item) - 1, 0, item);
        if (last.isValid() && p_kind(last) == int(Kind::Footer)) spanned.append(last);
    }
    for (const QPersistentModelIndex& item : std::as_const(m_spannedRows))
        if (item.isValid() && !spanned.contains(item) && isFirstColumnSpanned(item.row(), item.parent()))
            setFirstColumnSpanned(item.row(), item.parent(), false);
    for (const QPersistentModelIndex& item : std::as_const(spanned))
        if (!isFirstColumnSpanned(item.row(), item.parent()))
            setFirstColumnSpanned(item.row(), item.parent(), true);
    m_spannedRows = spanned;
    m_settingRowSpans = false;
}

void TDTasksView::doItemsLayout() {
    // Spans are set after the layout: setting one lays out the rows first when a layout is pending.
    TDExtendedOutlineView::doItemsLayout();
    p_updateRowSpans();
}

// --- Heights

int TDTasksView::heightOfRow(const QModelIndex& index) const {
    const TDTaskRowItem item = m_model.itemForIndex(index);
    switch (item.kind) {
        case Kind::Task:
            return p_heightOfTask(item.task(), index, false);
        case Kind::Header:
        case Kind::Section: {
            if (index.parent().isValid()) return kRowHeight;
            if (index.row() == 0) return kHeaderRowHeight;
            if (m_printing && m_controller.isGroupingByList()) return kPrintedListSectionHeight;
            if (hasDummyHeader()) return kRowHeight;
            // A section after one cut short sits closer to its footer.
            const QModelIndex above = m_model.index(index.row() - 1, 0);
            const int children = m_model.rowCount(above);
            const bool afterFooter =
                children > 0 && p_kind(m_model.index(children - 1, 0, above)) == int(Kind::Footer);
            return kHeaderRowHeight + (afterFooter ? 7 : 16);
        }
        case Kind::Footer: {
            const QModelIndex section = index.parent();
            const bool lastRow = !section.isValid() || section.row() == m_model.rowCount() - 1;
            return lastRow ? kRowHeight : kRowHeight - 13;
        }
        case Kind::Root:
            break;
    }
    return kRowHeight;
}

TDTasksView::HeightCache& TDTasksView::p_currentHeightCache() const {
    HeightCache* cache = &m_uncachedHeights;
    TDGroup* group = m_controller.group();
    if (isYellowLook()) {
        cache = &m_yellowHeights;
    } else if (!group || group->uid().isEmpty()) {
        // Without a uid nothing is kept.
        m_uncachedHeights.heights.clear();
    } else {
        // Asked once per row: the group's cache is looked up by uid only when the group changes.
        if (group != m_whiteHeightsGroup || !m_currentWhiteHeights) {
            m_currentWhiteHeights = &m_whiteHeights[group->uid()];
            m_whiteHeightsGroup = group;
        }
        cache = m_currentWhiteHeights;
    }
    const int width = columnWidth(TDTaskTreeModel::TaskColumn);
    if (cache->taskColumnWidth != width) {
        cache->heights.clear();
        cache->taskColumnWidth = width;
    }
    return *cache;
}

int TDTasksView::heightOfRowForTask(const QModelIndex& index) const {
    return p_heightOfTask(p_task(index), index, false);
}

// Rows nobody has seen yet are reckoned, not laid out: a long list shows at once, and each row is
// measured when it is first painted (p_measureVisibleRows). The cache keeps reckoned heights
// negative, measured ones positive.
int TDTasksView::p_heightOfTask(const TDTask* task, const QModelIndex& index, bool measure) const {
    if (!task || task->isDeleted()) return kRowHeight;
    if (const int editing = p_heightOfRowWithNotesEditor(task, index)) return editing;
    const int height = p_heightOfTaskTitle(task, index, measure);
    return task == m_grownTitleTask ? qMax(kRowHeight, height + m_titleGrowth) : height;
}

void TDTasksView::setEditedTitleGrowth(const TDTask* task, int growth) {
    if (growth == 0) task = nullptr;
    if (task == m_grownTitleTask && growth == m_titleGrowth) return;
    m_grownTitleTask = task;
    m_titleGrowth = growth;
    // The rows below move with the edited one.
    doItemsLayout();
}

int TDTasksView::p_heightOfTaskTitle(const TDTask* task, const QModelIndex& index, bool measure) const {
    HeightCache& heights = p_currentHeightCache();
    Heights& cache = heights.heights;
    const auto cached = cache.constFind(task);
    if (cached != cache.constEnd() && (cached.value() > 0 || !measure)) return std::abs(cached.value());
    // A first look at a long list reckons every row in turn: room for all of them at once, and the
    // tasks below on their way from memory.
    if (cache.isEmpty()) cache.reserve(m_model.rowCount());
    m_model.prefetchTasksBelow(index);
    const int width = p_taskCellWidth(index, heights.taskColumnWidth);
    // Whether there are notes is read once: it takes the notes' text. An open note is laid out at once:
    // its height is no guess.
    const bool hasNotes = task->hasNotes();
    const bool noteOpen = hasNotes && isTaskNoteExpanded(task);
    if (!measure && !noteOpen) {
        const int estimate = p_estimatedHeight(task, width, hasNotes);
        cache.insert(task, -estimate);
        return estimate;
    }
    int height = noteOpen ? 0 : p_oneLineHeight(task, width);
    if (height == 0) {
        QStyleOptionViewItem option;
        initViewItemOption(&option);
        option.rect = QRect(0, 0, width, 0);
        const QModelIndex cell = index.siblingAtColumn(TDTaskTreeModel::TaskColumn);
        height = int(std::ceil(m_taskCell->rowLayout(option, cell, true).height));
    }
    cache.insert(task, height);
    return height;
}

int TDTasksView::p_taskCellWidth(const QModelIndex& index) const {
    return p_taskCellWidth(index, columnWidth(TDTaskTreeModel::TaskColumn));
}

int TDTasksView::p_taskCellWidth(const QModelIndex& index, int taskColumnWidth) const {
    const int indentationLevels = p_depth(index) + (rootIsDecorated() ? 1 : 0);
    return qMax(1, taskColumnWidth - indentationLevels * indentation());
}

void TDTasksView::updateGeometries() {
    m_updatingGeometries = true;
    TDExtendedOutlineView::updateGeometries();
    m_updatingGeometries = false;
    m_geometryUpdateOption.reset();
}

void TDTasksView::initViewItemOption(QStyleOptionViewItem* option) const {
    if (m_updatingGeometries && m_geometryUpdateOption) {
        *option = *m_geometryUpdateOption;
        return;
    }
    TDExtendedOutlineView::initViewItemOption(option);
    if (m_updatingGeometries) m_geometryUpdateOption = *option;
}

void TDTasksView::p_measureVisibleRows() {
    executeDelayedItemsLayout();
    const int bottom = viewport()->height();
    const int x = columnViewportPosition(TDTaskTreeModel::TaskColumn) + 1;
    // A row that turns out taller or shorter moves the rows below it: look again, a few times at most.
    for (int pass = 0; pass < 4; ++pass) {
        bool changed = false;
        QModelIndex item = indexAt(QPoint(x, 0)).siblingAtColumn(0);
        // Rows follow each other: only the first one's place is looked up.
        int top = item.isValid() ? visualRect(item.siblingAtColumn(TDTaskTreeModel::TaskColumn)).top() : 0;
        for (; item.isValid() && top <= bottom; item = indexBelow(item)) {
            const int shown = rowHeight(item);
            const TDTaskRowItem rowItem = m_model.itemForIndex(item);
            // Notes become rich text before they are measured and drawn, and only for rows in sight.
            if (pass == 0 && rowItem.kind == Kind::Task && rowItem.task()->hasNotes())
                (void)rowItem.task()->attributedNotes();
            const int height =
                rowItem.kind == Kind::Task ? p_heightOfTask(rowItem.task(), item, true) : shown;
            if (height != shown) {
                // The tree asks the changed row again and moves the rest.
                QTreeView::dataChanged(item, item, {Qt::SizeHintRole});
                changed = true;
            }
            top += height;
        }
        if (!changed) return;
    }
}

const TDTasksView::OneLineHeights& TDTasksView::p_oneLineHeights() const {
    if (m_oneLineHeights) return *m_oneLineHeights;
    // Outlines set in the same fonts share the figures: a new outline lays out no probes again.
    static std::optional<std::pair<QList<QFont>, OneLineHeights>> shared;
    const TDTitleFonts& fonts = TDTitleFonts::shared();
    const QList<QFont> usedFonts{fonts.task, fonts.pastDue, TDTaskCell::noteFont()};
    if (!shared || shared->first != usedFonts) {
        TDTaskRowFacts probe;
        probe.title = QStringLiteral("x");
        TDTaskRowLayoutInput input;
        input.rowRect = QRectF(0, 0, 1000, std::numeric_limits<double>::max());
        input.title = TDAttributedTitle(probe, TDTitleContext(), true);
        input.noteFont = TDTaskCell::noteFont();
        const TDTaskRowLayout plain = TDLayOutTaskRow(input);
        input.noteText = probe.title;
        const TDTaskRowLayout noted = TDLayOutTaskRow(input);
        // Two lines of title tell how far apart its lines are.
        probe.title = QStringLiteral("x x");
        input.title = TDAttributedTitle(probe, TDTitleContext(), true);
        input.noteText.clear();
        input.rowRect.setWidth(1000 - plain.titleFrame.width() + 1);
        const TDTaskRowLayout twoLines = TDLayOutTaskRow(input);
        const qsizetype lines = qMax<qsizetype>(2, twoLines.titleLines().size());
        // The widest of the fonts a title is set in.
        const TDCharacterAdvances widest(fonts.pastDue);
        shared.emplace(usedFonts, OneLineHeights{int(std::ceil(plain.height)), int(std::ceil(noted.height)),
                                                 (twoLines.height - plain.height) / qreal(lines - 1),
                                                 1000 - plain.titleFrame.width(),
                                                 widest.metrics().averageCharWidth(), widest});
    }
    m_oneLineHeights = shared->second;
    return *m_oneLineHeights;
}

// A title that clearly fits on one line, without its notes open, needs no layout: a row of one line
// is as tall as any other. 0 when the row has to be laid out.
int TDTasksView::p_oneLineHeight(const TDTask* task, int width) const {
    const OneLineHeights& heights = p_oneLineHeights();
    const QString title = task->title();
    if (title.size() > 120) return 0;
    // Only the title and the notes line count: the rest of the row's facts are not read.
    QString summary;
    if (task->hasNotes())
        if (const auto notes = task->attributedNotesSummary()) summary = notes->toPlainText();
    if (summary.contains(QLatin1Char('\n'))) return 0;
    // Tokens are drawn a little wider than their text.
    const qreal needed = heights.widest.width(title) * 1.1 + 24;
    if (needed >= width - heights.titleInset) return 0;
    return summary.isEmpty() ? heights.plain : heights.withNote;
}

// The likely height from the title's length and whether there are notes, with no text shaped: right
// for the usual one-line rows, near enough for the others until they are measured.
int TDTasksView::p_estimatedHeight(const TDTask* task, int width, bool hasNotes) const {
    const OneLineHeights& heights = p_oneLineHeights();
    const qreal available = qMax<qreal>(1, width - heights.titleInset - 24);
    const qreal needed = qreal(titleLength(task)) * heights.averageCharWidth * 1.1;
    const int lines = qMax(1, int(std::ceil(needed / available)));
    const int height = hasNotes ? heights.withNote : heights.plain;
    return height + int(std::ceil((lines - 1) * heights.linePitch));
}

qsizetype TDTasksView::measuredHeightCount() const {
    const auto measured = [](const HeightCache& cache) {
        return std::count_if(cache.heights.cbegin(), cache.heights.cend(),
                             [](int height) { return height > 0; });
    };
    qsizetype count = measured(m_yellowHeights);
    for (const HeightCache& heights : m_whiteHeights) count += measured(heights);
    return count;
}

void TDTasksView::p_forgetHeights(const QModelIndex& first, const QModelIndex& last) {
    if (!first.isValid()) return;
    for (int row = first.row(); row <= last.row(); ++row) {
        const TDTask* task = p_task(m_model.index(row, 0, first.parent()));
        if (!task) continue;
        m_yellowHeights.heights.remove(task);
        for (HeightCache& cache : m_whiteHeights) cache.heights.remove(task);
    }
}

void TDTasksView::p_forgetAllHeights() {
    m_yellowHeights = {};
    m_whiteHeights.clear();
    m_currentWhiteHeights = nullptr;
}

// --- Display mode

void TDTasksView::setDisplayMode(int displayMode) {
    if (displayMode == m_displayMode) return;
    m_displayMode = displayMode;
    m_taskCell->setDisplayMode(displayMode);
    p_changeColors();
    if (auto* tasksHeader = qobject_cast<TDTasksHeaderView*>(header()))
        tasksHeader->tasksViewDidChangeDisplayMode(displayMode);
    Q_EMIT displayModeChanged(displayMode);
    viewport()->update();
}

void TDTasksView::setDrawsOverlay(bool drawsOverlay) {
    if (drawsOverlay == m_drawsOverlay) return;
    m_drawsOverlay = drawsOverlay;
    viewport()->update();
}

// --- Expansion

void TDTasksView::p_expandGroupItems() {
    if (!isGrouping()) return;
    const int rows = m_model.rowCount();
    for (int row = rows - 1; row >= 0; --row) {
        const QModelIndex item = m_model.index(row, 0);
        if (p_kind(item) == int(Kind::Section) && !isExpanded(item)) expand(item);
    }
}

bool TDTasksView::isRememberedAsExpanded(TDTask* task) const {
    return task && m_expandedItems.contains(task->uid());
}

void TDTasksView::p_taskExpanded(const QModelIndex& item) {
    TDTask* task = p_task(item);
    if (!task || m_expansionBookkeepingPaused) return;
    m_expandedItems.insert(task->uid());
    // Subtasks that were expanded before their parent closed open again with it.
    ++m_expansionBookkeepingPaused;
    QList<QModelIndex> pending{item};
    while (!pending.isEmpty()) {
        const QModelIndex parent = pending.takeFirst();
        for (int row = 0, rows = m_model.rowCount(parent); row < rows; ++row) {
            const QModelIndex child = m_model.index(row, 0, parent);
            const TDTask* subtask = p_task(child);
            if (!subtask || !subtask->hasSubtasks()) continue;
            if (m_expandedItems.contains(subtask->uid())) expand(child);
            pending.append(child);
        }
    }
    --m_expansionBookkeepingPaused;
}

void TDTasksView::p_taskCollapsed(const QModelIndex& item) {
    TDTask* task = p_task(item);
    if (!task || m_expansionBookkeepingPaused) return;
    // The subtasks keep their expansion for when the parent opens again.
    m_expandedItems.remove(task->uid());
}

void TDTasksView::expandItem(const QModelIndex& item, bool expandChildren) {
    TDTask* task = p_task(item);
    if (!task || !task->hasSubtasks()) return;
    if (expandChildren) {
        QList<QModelIndex> pending{item};
        while (!pending.isEmpty()) {
            const QModelIndex parent = pending.takeFirst();
            for (int row = 0, rows = m_model.rowCount(parent); row < rows; ++row) {
                const QModelIndex child = m_model.index(row, 0, parent);
                const TDTask* subtask = p_task(child);
                if (!subtask || !subtask->hasSubtasks()) continue;
                m_expandedItems.insert(subtask->uid());
                pending.append(child);
            }
        }
    }
    if (isExpanded(item))
        p_taskExpanded(item);
    else
        expand(item);
}

void TDTasksView::collapseItem(const QModelIndex& item, bool collapseChildren) {
    TDTask* task = p_task(item);
    if (!task) return;
    collapse(item);
    m_expandedItems.remove(task->uid());
    if (!collapseChildren) return;
    for (TDTask* subtask : task->allSubtasks()) m_expandedItems.remove(subtask->uid());
    ++m_expansionBookkeepingPaused;
    QList<QModelIndex> pending{item};
    while (!pending.isEmpty()) {
        const QModelIndex parent = pending.takeFirst();
        for (int row = 0, rows = m_model.rowCount(parent); row < rows; ++row) {
            const QModelIndex child = m_model.index(row, 0, parent);
            collapse(child);
            pending.append(child);
        }
    }
    --m_expansionBookkeepingPaused;
}

void TDTasksView::collapseAllTasks() {
    ++m_expansionBookkeepingPaused;
    collapseAll();
    --m_expansionBookkeepingPaused;
    m_expandedItems.clear();
    p_expandGroupItems();
}

void TDTasksView::expandAll() {
    if (m_resetting) {
        m_expandAllAfterReset = true;
        return;
    }
    QTreeView::expandAll();
    m_expandedItems.clear();
    TDOutlineViewItemEnumerator walk = objectEnumerator();
    for (QModelIndex item = walk.nextObject(); item.isValid(); item = walk.nextObject())
        if (const TDTask* task = p_task(item); task && isExpanded(item)) m_expandedItems.insert(task->uid());
}

void TDTasksView::clearAccumulatedExpandedState() {
    m_expandedItems.clear();
    if (m_resetting) m_expansionClearedDuringReset = true;
}

bool TDTasksView::isItemExpanded(const TDTaskRowItem& item) const {
    const QModelIndex index = m_model.indexForItem(item);
    return index.isValid() && isExpanded(index);
}

QVariant TDTasksView::expandedState() const {
    if (m_resetting) return m_expandedBeforeReset;
    if (!m_controller.group()) return {};
    QStringList uids(m_expandedItems.cbegin(), m_expandedItems.cend());
    uids.sort();
    // A task shown without subtasks any more is no longer expanded; hidden ones are kept.
    const QList<QPersistentModelIndex> shown =
        itemsForPersistentObjects(QVariantList(uids.cbegin(), uids.cend()));
    for (const QPersistentModelIndex& item : shown)
        if (rowForItem(item) >= 0 && !m_model.hasChildren(item))
            uids.removeOne(persistentObjectForItem(item));
    return uids;
}

void TDTasksView::setExpandedState(const QVariant& state) {
    if (m_resetting) {
        m_expandedBeforeReset = state;
        m_expansionClearedDuringReset = false;
        m_expandAllAfterReset = !state.isValid();
        return;
    }
    if (!state.isValid()) {
        saveSelection();
        expandAll();
        restoreSelection();
        return;
    }
    if (state.typeId() != QMetaType::QVariantList && state.typeId() != QMetaType::QStringList) return;
    saveSelection();
    const QList<QPersistentModelIndex> items = itemsForPersistentObjects(state.toList());
    QSet<TDTask*> wanted;
    for (const QPersistentModelIndex& item : items)
        if (TDTask* task = p_task(item)) wanted.insert(task);
    // A task opens when it and all its ancestors are wanted; the others are only remembered.
    QSet<QModelIndex> shownExpanded;
    for (const QPersistentModelIndex& item : items) {
        TDTask* task = p_task(item);
        if (!task) continue;
        m_expandedItems.insert(task->uid());
        bool ancestorsWanted = true;
        for (TDTask* ancestor = task->parentTask(); ancestor && ancestorsWanted;
             ancestor = ancestor->parentTask())
            ancestorsWanted = wanted.contains(ancestor);
        if (ancestorsWanted) shownExpanded.insert(item);
    }
    // The rows are laid out once for the whole state: while a layout is pending, the tree only records
    // each expansion. Sections stay open; every other item is expanded only when it is to be.
    scheduleDelayedItemsLayout();
    ++m_expansionBookkeepingPaused;
    QList<QModelIndex> pending{QModelIndex()};
    while (!pending.isEmpty()) {
        const QModelIndex parent = pending.takeLast();
        for (int row = 0, rows = m_model.rowCount(parent); row < rows; ++row) {
            const QModelIndex child = m_model.index(row, 0, parent);
            if (!m_model.hasChildren(child)) continue;
            pending.append(child);
            if (p_kind(child) == int(Kind::Section) && isGrouping()) continue;
            if (shownExpanded.contains(child))
                expand(child);
            else
                collapse(child);
        }
    }
    --m_expansionBookkeepingPaused;
    p_expandGroupItems();
    restoreSelection();
}

// --- Selection and state

QList<TDTaskRowItem> TDTasksView::selectedItems() const {
    QList<TDTaskRowItem> items;
    for (const QPersistentModelIndex& item : TDExtendedOutlineView::selectedItems()) {
        const TDTaskRowItem row = m_model.itemForIndex(item);
        if (row.kind == Kind::Task) items.append(row);
    }
    return items;
}

void TDTasksView::selectItems(const QList<TDTaskRowItem>& items, bool makeVisible) {
    // The old rows are gone while the rows reset: the selection waits for the new ones.
    if (m_resetting) {
        m_selectionAfterReset = items;
        return;
    }
    QList<QPersistentModelIndex> indexes;
    for (const TDTaskRowItem& item : items)
        if (const QModelIndex index = m_model.indexForItem(item); index.isValid()) indexes.append(index);
    revealItems(indexes);
    TDExtendedOutlineView::selectItems(indexes, makeVisible);
}

void TDTasksView::deselectAll() {
    if (m_resetting) {
        m_selectionAfterReset = QList<TDTaskRowItem>();
        return;
    }
    TDExtendedOutlineView::selectItems({});
}

QVariant TDTasksView::scrollPositionState() const {
    if (m_resetting) return m_scrollBeforeReset;
    if (!m_controller.group()) return {};
    return TDExtendedOutlineView::scrollPositionState();
}

void TDTasksView::centerSelectionIfNotVisible() {
    if (m_resetting)
        m_centerAfterReset = true;
    else
        TDExtendedOutlineView::centerSelectionIfNotVisible();
}

void TDTasksView::centerSelectionIfNotFullyVisible() {
    if (m_resetting)
        m_centerAfterReset = true;
    else
        TDExtendedOutlineView::centerSelectionIfNotFullyVisible();
}

void TDTasksView::centerSelectionInVisibleArea() {
    if (m_resetting)
        m_centerAfterReset = true;
    else
        TDExtendedOutlineView::centerSelectionInVisibleArea();
}

void TDTasksView::setScrollPositionState(const QVariant& state) {
    if (m_resetting) {
        m_scrollBeforeReset = state;
        return;
    }
    TDExtendedOutlineView::setScrollPositionState(state);
}

QVariant TDTasksView::selectionState() const {
    if (m_resetting) return m_selectionBeforeReset;
    return TDExtendedOutlineView::selectionState();
}

void TDTasksView::setSelectionState(const QVariant& state) {
    if (m_resetting) {
        m_selectionBeforeReset = state;
        return;
    }
    TDExtendedOutlineView::setSelectionState(state);
}

void TDTasksView::saveState() {
    m_savedState = QVariantMap{{kExpandedKey, expandedState()},
                               {kScrollKey, scrollPositionState()},
                               {kSelectionKey, selectionState()}};
}

void TDTasksView::restoreState() {
    if (!m_savedState) return;
    const QVariantMap state = *m_savedState;
    m_savedState.reset();
    setExpandedState(state.value(kExpandedKey));
    setSelectionState(state.value(kSelectionKey));
    setScrollPositionState(state.value(kScrollKey));
}

void TDTasksView::p_modelAboutToBeReset() {
    // The typed text is kept before the rows go.
    finishEditing();
    m_selectionAfterReset.reset();
    m_expandAllAfterReset = false;
    m_centerAfterReset = false;
    m_expansionClearedDuringReset = false;
    m_expandedBeforeReset = expandedState();
    m_scrollBeforeReset = scrollPositionState();
    m_selectionBeforeReset = selectionState();
    m_resetting = true;
    m_footerPressed = QPersistentModelIndex();
    m_footerHovered = QPersistentModelIndex();
}

void TDTasksView::p_modelReset() {
    m_resetting = false;
    m_uncachedHeights = {};
    m_currentWhiteHeights = nullptr;
    setRootIsDecorated(!isGrouping());
    // New view options bring their own expansion, scroll and selection.
    if (m_expandAllAfterReset) expandAll();
    if (!m_expansionClearedDuringReset && m_expandedBeforeReset.isValid()) {
        setExpandedState(m_expandedBeforeReset);
        setSelectionState(m_selectionBeforeReset);
        setScrollPositionState(m_scrollBeforeReset);
    }
    p_expandGroupItems();
    if (m_selectionAfterReset) {
        selectItems(*m_selectionAfterReset, false);
        m_selectionAfterReset.reset();
    }
    m_expandedBeforeReset = m_scrollBeforeReset = m_selectionBeforeReset = QVariant();
    m_expandAllAfterReset = false;
    if (std::exchange(m_centerAfterReset, false)) TDExtendedOutlineView::centerSelectionIfNotVisible();
    p_updateInstructionMessage();
    p_updateHeaderBand();
}

void TDTasksView::p_updateHeaderBand() {
    auto* tasksHeader = qobject_cast<TDTasksHeaderView*>(header());
    if (!tasksHeader) return;
    tasksHeader->setGroup(m_controller.group(), m_model.rowCount() > 0);
    p_updateCornerView();
}

void TDTasksView::p_updateCornerView() {
    if (!m_cornerView) return;
    if (const auto* tasksHeader = qobject_cast<TDTasksHeaderView*>(header()))
        m_cornerView->setBand(tasksHeader->band());
    m_cornerView->setScrollerUsable(verticalScrollBar()->maximum() > verticalScrollBar()->minimum());
}

void TDTasksView::p_updateInstructionMessage() {
    QString message;
    if (m_controller.library() && !hasTasks()) {
        if (m_controller.isFilteringByTitle())
            message = tr("No matching tasks found.");
        else if (!m_controller.filterTags().isEmpty())
            message = tr("There are no tasks that match the filter criteria.");
        else if (m_controller.group() && m_controller.group()->canAddTask())
            message = tr("You don't have any tasks here. Hit “return” to create one.");
    }
    if (message == m_instructionMessage) return;
    m_instructionMessage = message;
    viewport()->update();
}

// --- Events

void TDTasksView::focusInEvent(QFocusEvent* event) {
    TDExtendedOutlineView::focusInEvent(event);
    p_changeColors();
    Q_EMIT didBecomeFirstResponder();
}

void TDTasksView::scrollContentsBy(int dx, int dy) {
    TDExtendedOutlineView::scrollContentsBy(dx, dy);
    // A balloon points at its cell: it does not follow the rows.
    if (m_editing) m_editing->closeBalloons();
    m_footerHovered = QPersistentModelIndex();
    clearTrackingRowAndColumn();
    // The rows moved under a pointer that stood still: its shape follows what is under it now.
    if (m_pointer) p_updateCursor(*m_pointer);
}

void TDTasksView::mousePressEvent(QMouseEvent* event) {
    // An edit ends, committed, before the click selects or moves anything.
    finishEditing();
    const QModelIndex item = indexAt(event->position().toPoint()).siblingAtColumn(0);
    if (p_startListColumnResize(event)) {
        event->accept();
    } else if (event->button() == Qt::LeftButton &&
               footerLinkRect(item).contains(event->position().toPoint())) {
        m_footerPressed = item;
        viewport()->update(visualRect(item).adjusted(0, -3, 0, 3));
        event->accept();
    } else {
        TDExtendedOutlineView::mousePressEvent(event);
    }
    p_collapseExpandedNotes();
}

void TDTasksView::mouseDoubleClickEvent(QMouseEvent* event) {
    // On the list column's edge a double click fits the column to its lists.
    if (event->button() == Qt::LeftButton && listColumnResizeRect().contains(event->position().toPoint())) {
        autosizeColumn(TDTaskTreeModel::ListColumn);
        return event->accept();
    }
    if (p_openListOfSectionHeader(event)) return;
    // A second click on the link soon after the first is a click all the same.
    const QModelIndex item = indexAt(event->position().toPoint()).siblingAtColumn(0);
    if (event->button() == Qt::LeftButton && footerLinkRect(item).contains(event->position().toPoint()))
        return mousePressEvent(event);
    if (event->button() != Qt::LeftButton) return TDExtendedOutlineView::mouseDoubleClickEvent(event);
    event->accept();
    if (p_isInNoteArea(item, event->position().toPoint())) return editNote(m_model.itemForIndex(item));
    // A cell is edited; the empty area below the rows adds a task.
    const QModelIndex cell = indexAt(event->position().toPoint());
    m_controller.doubleClickAction(m_model.itemForIndex(item), cell.isValid() ? cell.column() : -1);
}

void TDTasksView::mouseReleaseEvent(QMouseEvent* event) {
    if (p_endListColumnResize()) return event->accept();
    if (!m_footerPressed.isValid()) return TDExtendedOutlineView::mouseReleaseEvent(event);
    const QModelIndex footer = m_footerPressed;
    m_footerPressed = QPersistentModelIndex();
    viewport()->update();
    event->accept();
    // Released away from the link: nothing is selected.
    if (!footerLinkRect(footer).contains(event->position().toPoint()) || !m_windowContext) return;
    const TDGroupingFooter* item = m_model.itemForIndex(footer).footer();
    if (!item || !item->orderedCollection()) return;
    if (auto* group = dynamic_cast<TDGroup*>(item->orderedCollection()->object()))
        m_windowContext->selectGroup(group);
}

void TDTasksView::mouseMoveEvent(QMouseEvent* event) {
    m_pointer = event->position().toPoint();
    if (p_trackListColumnResize(event)) return event->accept();
    const QModelIndex item = indexAt(event->position().toPoint()).siblingAtColumn(0);
    const QModelIndex hovered =
        footerLinkRect(item).contains(event->position().toPoint()) ? item : QModelIndex();
    if (hovered != QModelIndex(m_footerHovered)) {
        m_footerHovered = hovered;
        viewport()->update();
    }
    p_trackPointer(event->position().toPoint());
    TDExtendedOutlineView::mouseMoveEvent(event);
}

void TDTasksView::leaveEvent(QEvent* event) {
    m_pointer.reset();
    if (m_footerHovered.isValid()) {
        m_footerHovered = QPersistentModelIndex();
        viewport()->update();
    }
    TDExtendedOutlineView::leaveEvent(event);
}

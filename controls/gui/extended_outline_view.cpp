#include "controls/gui/extended_outline_view.h"

#include "controls/outline_item_roles.h"
#include "model/library_options.h"

#include <QContextMenuEvent>
#include <QHash>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QScrollBar>
#include <QSet>

#include <algorithm>
#include <cmath>
#include <vector>

namespace {

const QString kExpandedKey = QStringLiteral("expanded");
const QString kScrollKey = QStringLiteral("scroll");
const QString kSelectionKey = QStringLiteral("selection");
const QString kEditingStateKey = QStringLiteral("editingState");
const QString kScrollToRowKey = QStringLiteral("scrollToRow");
const QString kScrollToRowOffsetKey = QStringLiteral("scrollToRowOffset");
const QString kEditedRowKey = QStringLiteral("editedRow");
const QString kEditedColumnKey = QStringLiteral("editedColumn");
const QString kPersistentObjectKey = QStringLiteral("persistentObject");
const QString kSelectedRangeKey = QStringLiteral("selectedRange");
const QString kLocationKey = QStringLiteral("location");
const QString kLengthKey = QStringLiteral("length");

bool isListVariant(const QVariant& value) {
    const int type = value.typeId();
    return type == QMetaType::QVariantList || type == QMetaType::QStringList;
}

}  // namespace

TDExtendedOutlineView::TDExtendedOutlineView(QWidget* parent) : QTreeView(parent) {
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    // Offsets within a row are part of the saved scroll position.
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setUniformRowHeights(false);
}

TDExtendedOutlineView::~TDExtendedOutlineView() = default;

// --- Rows

void TDExtendedOutlineView::p_walkRows(const std::function<bool(const QModelIndex&, int)>& visit) const {
    const QAbstractItemModel* itemModel = model();
    if (!itemModel) return;
    // Depth first over the shown items only: children of a collapsed item have no row. Items are made
    // as they are reached, so a walk that stops early costs only the rows it passed.
    struct Level {
        QModelIndex parent;
        int next;
        int count;
    };
    std::vector<Level> levels{{rootIndex(), 0, itemModel->rowCount(rootIndex())}};
    for (int row = 0; !levels.empty();) {
        Level& level = levels.back();
        if (level.next >= level.count) {
            levels.pop_back();
            continue;
        }
        const QModelIndex parent = level.parent;
        const QModelIndex item = itemModel->index(level.next++, 0, parent);
        if (isRowHidden(item.row(), parent)) continue;
        if (!visit(item, row++)) return;
        if (isExpanded(item)) levels.push_back({item, 0, itemModel->rowCount(item)});
    }
}

QList<QModelIndex> TDExtendedOutlineView::p_rows() const {
    QList<QModelIndex> rows;
    p_walkRows([&rows](const QModelIndex& item, int) {
        rows.append(item);
        return true;
    });
    return rows;
}

int TDExtendedOutlineView::numberOfRows() const {
    return int(p_rows().size());
}

// The walks below stop at the row they look for: the rows near the top are found at once.
int TDExtendedOutlineView::rowForItem(const QModelIndex& item) const {
    if (!item.isValid()) return -1;
    const QModelIndex wanted = item.siblingAtColumn(0);
    int found = -1;
    p_walkRows([&](const QModelIndex& shown, int row) {
        if (shown == wanted) found = row;
        return found < 0;
    });
    return found;
}

QModelIndex TDExtendedOutlineView::itemAtRow(int row) const {
    QModelIndex found;
    if (row < 0) return found;
    p_walkRows([&](const QModelIndex& shown, int shownRow) {
        if (shownRow == row) found = shown;
        return shownRow < row;
    });
    return found;
}

QRect TDExtendedOutlineView::rectOfRow(int row) const {
    return p_rectOfItem(itemAtRow(row));
}

int TDExtendedOutlineView::p_firstShownColumn() const {
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (!isColumnHidden(logical)) return logical;
    }
    return 0;
}

QRect TDExtendedOutlineView::p_rectOfItem(const QModelIndex& item) const {
    if (!item.isValid()) return {};
    const_cast<TDExtendedOutlineView*>(this)->executeDelayedItemsLayout();
    // A hidden column has no rectangle: the row's comes from a shown one.
    const QRect cell = visualRect(item.siblingAtColumn(p_firstShownColumn()));
    return QRect(0, cell.y(), qMax(viewport()->width(), header()->length()), cell.height());
}

bool TDExtendedOutlineView::isSelectableRow(int row) const {
    const QModelIndex item = itemAtRow(row);
    return item.isValid() && item.flags().testFlag(Qt::ItemIsSelectable);
}

int TDExtendedOutlineView::p_contentTop(int row) const {
    const QRect rect = rectOfRow(row);
    return rect.isNull() ? 0 : rect.y() + verticalOffset();
}

void TDExtendedOutlineView::p_scrollContentTopTo(int y) {
    executeDelayedItemsLayout();
    verticalScrollBar()->setValue(y);
}

// --- Selection by item

void TDExtendedOutlineView::setModel(QAbstractItemModel* newModel) {
    for (const QMetaObject::Connection& connection : m_modelConnections) disconnect(connection);
    m_modelConnections.clear();
    QTreeView::setModel(newModel);
    m_selectedItems.clear();
    if (!newModel) return;
    // A reset clears the selection without telling anyone.
    m_modelConnections = {connect(newModel, &QAbstractItemModel::modelReset, this,
                                  &TDExtendedOutlineView::p_rebuildSelectedItems),
                          connect(newModel, &QAbstractItemModel::rowsRemoved, this,
                                  &TDExtendedOutlineView::p_rebuildSelectedItems)};
}

void TDExtendedOutlineView::selectionChanged(const QItemSelection& selected,
                                             const QItemSelection& deselected) {
    QTreeView::selectionChanged(selected, deselected);
    p_rebuildSelectedItems();
}

void TDExtendedOutlineView::p_rebuildSelectedItems() {
    QList<QPersistentModelIndex> items;
    if (selectionModel() && selectionModel()->hasSelection()) {
        for (const QModelIndex& item : p_rows())
            if (selectionModel()->isSelected(item)) items.append(item);
    }
    m_selectedItems = items;
}

void TDExtendedOutlineView::p_selectRows(const QList<int>& rows) {
    if (!selectionModel()) return;
    QHash<int, QModelIndex> itemOf;
    const int lastWanted = rows.isEmpty() ? -1 : *std::max_element(rows.cbegin(), rows.cend());
    for (int row : rows) itemOf.insert(row, QModelIndex());
    p_walkRows([&](const QModelIndex& shown, int row) {
        if (itemOf.contains(row)) itemOf.insert(row, shown);
        return row < lastWanted;
    });
    QItemSelection selection;
    for (int row : rows) {
        const QModelIndex item = itemOf.value(row);
        if (item.isValid()) selection.select(item, item);
    }
    selectionModel()->select(selection, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    const QModelIndex current = rows.isEmpty() ? QModelIndex() : itemOf.value(rows.last());
    if (!current.isValid()) return;
    // Selecting never scrolls by itself: a restored scroll position stays, and callers that want the
    // selection in sight centre it.
    const bool scrolls = hasAutoScroll();
    setAutoScroll(false);
    selectionModel()->setCurrentIndex(current, QItemSelectionModel::NoUpdate);
    setAutoScroll(scrolls);
}

QModelIndex TDExtendedOutlineView::selectedItem() const {
    return m_selectedItems.isEmpty() ? QModelIndex() : QModelIndex(m_selectedItems.last());
}

QList<QModelIndex> TDExtendedOutlineView::p_shownItems(const QList<QPersistentModelIndex>& items) const {
    QList<QModelIndex> shown;
    for (const QPersistentModelIndex& item : items) {
        bool isShown = item.isValid() && !isRowHidden(item.row(), item.parent());
        for (QModelIndex parent = item.parent(); isShown && parent.isValid() && parent != rootIndex();
             parent = parent.parent())
            isShown = isExpanded(parent) && !isRowHidden(parent.row(), parent.parent());
        if (isShown) shown.append(item);
    }
    return shown;
}

std::optional<QList<int>> TDExtendedOutlineView::rowsOfItems(
    const QList<QPersistentModelIndex>& items) const {
    QHash<QModelIndex, int> rowOf;
    for (const QPersistentModelIndex& item : items) rowOf.insert(QModelIndex(item).siblingAtColumn(0), -1);
    qsizetype unfound = rowOf.size();
    p_walkRows([&](const QModelIndex& shown, int row) {
        const auto found = rowOf.find(shown);
        if (found != rowOf.end() && found.value() < 0) {
            found.value() = row;
            --unfound;
        }
        return unfound > 0;
    });
    if (unfound > 0) return std::nullopt;
    QList<int> rows;
    for (const QPersistentModelIndex& item : items)
        rows.append(rowOf.value(QModelIndex(item).siblingAtColumn(0)));
    std::sort(rows.begin(), rows.end());
    return rows;
}

void TDExtendedOutlineView::revealItem(const QModelIndex& item) {
    const QModelIndex parent = item.parent();
    if (!parent.isValid() || parent == rootIndex()) return;
    revealItem(parent);
    expand(parent);
}

void TDExtendedOutlineView::revealItems(const QList<QPersistentModelIndex>& items) {
    for (const QPersistentModelIndex& item : items) revealItem(item);
}

void TDExtendedOutlineView::selectItem(const QModelIndex& item, bool makeVisible) {
    int row = rowForItem(item);
    if (row < 0) {
        revealItem(item);
        row = rowForItem(item);
        if (row < 0) return;
    }
    p_selectRows({row});
    if (makeVisible) centerSelectionIfNotVisible();
}

void TDExtendedOutlineView::selectItems(const QList<QPersistentModelIndex>& items, bool makeVisible) {
    std::optional<QList<int>> rows = rowsOfItems(items);
    if (!rows) {
        revealItems(items);
        rows = rowsOfItems(items);
    }
    // One item that cannot be shown empties the selection.
    p_selectRows(rows.value_or(QList<int>()));
    if (makeVisible) centerSelectionIfNotVisible();
}

QModelIndex TDExtendedOutlineView::selectedOrClickedItem() const {
    return m_clickedRow >= 0 ? itemAtRow(m_clickedRow) : selectedItem();
}

QList<QPersistentModelIndex> TDExtendedOutlineView::selectedOrClickedItems() const {
    if (m_clickedRow >= 0) {
        const QPersistentModelIndex clicked(itemAtRow(m_clickedRow));
        if (!m_selectedItems.contains(clicked)) return {clicked};
    }
    return m_selectedItems;
}

bool TDExtendedOutlineView::viewportEvent(QEvent* event) {
    if (event->type() != QEvent::ContextMenu) return QTreeView::viewportEvent(event);
    // Whoever shows the menu, the view's own handler or a custom-menu slot, sees the row under it.
    m_clickedRow = rowForItem(indexAt(static_cast<QContextMenuEvent*>(event)->pos()));
    const bool handled = QTreeView::viewportEvent(event);
    m_clickedRow = -1;
    return handled;
}

// --- Keyboard movement over selectable rows

bool TDExtendedOutlineView::selectRow(int row, Movement direction) {
    const int count = numberOfRows();
    if (direction == Movement::Down) {
        if (row >= count) return false;
        while (row < count && !isSelectableRow(row)) ++row;
        if (row >= count) return false;
    } else {
        if (row < 0) return false;
        row = qMin(row, count - 1);
        while (row >= 0 && !isSelectableRow(row)) --row;
        if (row < 0) return false;
    }
    p_selectRows({row});
    return true;
}

bool TDExtendedOutlineView::moveUp() {
    const QModelIndex selected = selectedItem();
    const int start = selected.isValid() ? rowForItem(selected) - 1 : numberOfRows() - 1;
    if (!selectRow(start, Movement::Up)) return false;
    scrollTo(selectedItem());
    return true;
}

bool TDExtendedOutlineView::moveDown() {
    const QModelIndex selected = selectedItem();
    const int start = selected.isValid() ? rowForItem(selected) + 1 : 0;
    if (!selectRow(start, Movement::Down)) return false;
    scrollTo(selectedItem());
    return true;
}

void TDExtendedOutlineView::keyPressEvent(QKeyEvent* event) {
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && event->key() == Qt::Key_Up) {
        moveUp();
        event->accept();
        return;
    }
    if (plain && event->key() == Qt::Key_Down) {
        moveDown();
        event->accept();
        return;
    }
    QTreeView::keyPressEvent(event);
}

// --- Centring

QRect TDExtendedOutlineView::selectionBounds() const {
    QRect bounds;
    for (int row : rowsOfItems(m_selectedItems).value_or(QList<int>()))
        bounds = bounds.united(rectOfRow(row));
    return bounds;
}

void TDExtendedOutlineView::centerSelectionIfNotVisible() {
    const QRect visible = viewport()->rect();
    for (const QModelIndex& item : p_shownItems(m_selectedItems))
        if (p_rectOfItem(item).intersects(visible)) return;
    centerSelectionInVisibleArea();
}

void TDExtendedOutlineView::centerSelectionIfNotFullyVisible() {
    const QRect bounds = selectionBounds();
    const QRect visible = viewport()->rect();
    if (visible.y() > bounds.y() || bounds.y() + bounds.height() > visible.y() + visible.height())
        centerSelectionInVisibleArea();
}

void TDExtendedOutlineView::centerSelectionInVisibleArea() {
    const QList<QModelIndex> items = p_shownItems(m_selectedItems);
    if (items.isEmpty()) return;
    // Selected items come in row order.
    const QRect first = p_rectOfItem(items.first());
    const QRect last = p_rectOfItem(items.last());
    const int top = first.y() + verticalOffset();
    const int bottom = last.y() + last.height() + verticalOffset();
    const int selectionHeight = bottom - top;
    const int visibleHeight = viewport()->height();
    // A selection taller than the view shows its bottom end.
    if (selectionHeight <= visibleHeight) {
        p_scrollContentTopTo(int(std::floor(top - (visibleHeight - selectionHeight) / 2.0)));
    } else {
        p_scrollContentTopTo(bottom - visibleHeight);
    }
}

// --- Persistent objects

QString TDExtendedOutlineView::persistentObjectForItem(const QModelIndex& item) const {
    return item.isValid() ? item.siblingAtColumn(0).data(TDOutlinePersistentObjectRole).toString()
                          : QString();
}

QList<QPersistentModelIndex> TDExtendedOutlineView::itemsForPersistentObjects(
    const QVariantList& objects) const {
    QList<QPersistentModelIndex> items;
    if (!model() || objects.isEmpty()) return items;
    QSet<QString> wanted;
    for (const QVariant& object : objects) wanted.insert(object.toString());
    wanted.remove(QString());
    // One walk over the model, ending as soon as every wanted object is found.
    QHash<QString, QPersistentModelIndex> found;
    TDOutlineViewItemEnumerator walk(model(), false);
    for (QModelIndex item = walk.nextObject(); item.isValid() && found.size() < wanted.size();
         item = walk.nextObject()) {
        const QString object = persistentObjectForItem(item);
        if (wanted.contains(object) && !found.contains(object)) found.insert(object, item);
    }
    for (const QVariant& object : objects) {
        const auto item = found.constFind(object.toString());
        if (item != found.constEnd()) items.append(item.value());
    }
    return items;
}

// --- State

QVariant TDExtendedOutlineView::expandedState() const {
    QVariantList expanded;
    for (const QModelIndex& item : p_rows()) {
        if (!isExpanded(item)) continue;
        const QString object = persistentObjectForItem(item);
        if (!object.isEmpty()) expanded.append(object);
    }
    return expanded;
}

void TDExtendedOutlineView::setExpandedState(const QVariant& state, bool maintainSelection) {
    if (state.isValid() && !isListVariant(state)) return;
    if (maintainSelection) saveSelection();
    if (state.isValid()) {
        collapseAll();
        for (const QPersistentModelIndex& item : itemsForPersistentObjects(state.toList())) expand(item);
    } else {
        expandAll();
    }
    if (maintainSelection) restoreSelection();
}

QVariant TDExtendedOutlineView::selectionState() const {
    QVariantList objects;
    for (const QPersistentModelIndex& item : m_selectedItems) {
        const QString object = persistentObjectForItem(item);
        if (!object.isEmpty()) objects.append(object);
    }
    return objects;
}

void TDExtendedOutlineView::setSelectionState(const QVariant& state) {
    if (!isListVariant(state)) return;
    const QList<QPersistentModelIndex> items = itemsForPersistentObjects(state.toList());
    revealItems(items);
    selectItems(items);
}

QVariant TDExtendedOutlineView::scrollPositionState() const {
    const_cast<TDExtendedOutlineView*>(this)->executeDelayedItemsLayout();
    const QModelIndex top = indexAt(QPoint(0, 0)).siblingAtColumn(0);
    const int row = qMax(0, rowForItem(top));
    const QRect rect = rectOfRow(row);
    const double offset = rect.isNull() ? 0.0 : double(rect.y());
    return QVariantMap{{kScrollToRowKey, row}, {kScrollToRowOffsetKey, offset}};
}

void TDExtendedOutlineView::setScrollPositionState(const QVariant& state) {
    const QVariantMap map = state.toMap();
    if (map.isEmpty()) return;
    const int row = map.value(kScrollToRowKey).toInt();
    const double offset = double(map.value(kScrollToRowOffsetKey).toFloat());
    p_scrollContentTopTo(int(std::lround(p_contentTop(row) - offset)));
}

QVariant TDExtendedOutlineView::editingState() const {
    if (!m_editedItem.isValid() || state() != QAbstractItemView::EditingState) return {};
    QVariantMap range{{kLocationKey, 0}, {kLengthKey, 0}};
    for (const QLineEdit* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible()) continue;
        if (editor->hasSelectedText()) {
            range = {{kLocationKey, editor->selectionStart()}, {kLengthKey, editor->selectionLength()}};
        } else {
            range = {{kLocationKey, editor->cursorPosition()}, {kLengthKey, 0}};
        }
        break;
    }
    return QVariantMap{{kEditedRowKey, rowForItem(m_editedItem)},
                       {kEditedColumnKey, m_editedColumn},
                       {kPersistentObjectKey, persistentObjectForItem(m_editedItem)},
                       {kSelectedRangeKey, range}};
}

void TDExtendedOutlineView::setEditingState(const QVariant& state) {
    if (state.typeId() != QMetaType::QVariantMap) return;
    const QVariantMap map = state.toMap();
    const QList<QPersistentModelIndex> items = itemsForPersistentObjects({map.value(kPersistentObjectKey)});
    // The row comes from the persistent object; an item without a row leaves editing alone.
    if (items.isEmpty() || rowForItem(items.first()) < 0) return;
    const QModelIndex cell = QModelIndex(items.first()).siblingAtColumn(map.value(kEditedColumnKey).toInt());
    if (!cell.isValid() || !edit(cell, QAbstractItemView::AllEditTriggers, nullptr)) return;
    const QVariantMap range = map.value(kSelectedRangeKey).toMap();
    for (QLineEdit* editor : viewport()->findChildren<QLineEdit*>(Qt::FindDirectChildrenOnly)) {
        if (!editor->isVisible()) continue;
        editor->setSelection(range.value(kLocationKey).toInt(), range.value(kLengthKey).toInt());
        break;
    }
}

bool TDExtendedOutlineView::edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) {
    const bool editing = QTreeView::edit(index, trigger, event);
    if (editing && state() == QAbstractItemView::EditingState) {
        m_editedItem = index.siblingAtColumn(0);
        m_editedColumn = index.column();
    }
    return editing;
}

void TDExtendedOutlineView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTreeView::closeEditor(editor, hint);
    m_editedItem = QPersistentModelIndex();
    m_editedColumn = -1;
}

QVariantMap TDExtendedOutlineView::stateDictionary() const {
    return {{kExpandedKey, expandedState()},
            {kScrollKey, scrollPositionState()},
            {kSelectionKey, selectionState()},
            {kEditingStateKey, editingState()}};
}

void TDExtendedOutlineView::setStateDictionary(const QVariantMap& state) {
    setExpandedState(state.value(kExpandedKey));
    setScrollPositionState(state.value(kScrollKey));
    setSelectionState(state.value(kSelectionKey));
    setEditingState(state.value(kEditingStateKey));
    centerSelectionIfNotVisible();
}

void TDExtendedOutlineView::saveState() {
    m_savedStateDictionary = stateDictionary();
}

void TDExtendedOutlineView::restoreState() {
    if (!m_savedStateDictionary) return;
    const QVariantMap state = *m_savedStateDictionary;
    m_savedStateDictionary.reset();
    setStateDictionary(state);
}

void TDExtendedOutlineView::saveSelection() {
    if (m_selectionSaveCount++ <= 0) m_savedSelections.append(selectionState());
}

void TDExtendedOutlineView::restoreSelection() {
    if (m_selectionSaveCount < 0) return;
    m_selectionSaveCount = 0;
    if (m_savedSelections.isEmpty()) return;
    setSelectionState(m_savedSelections.takeLast());
}

void TDExtendedOutlineView::restoreAndShowSelection() {
    restoreSelection();
    centerSelectionIfNotFullyVisible();
}

QString TDExtendedOutlineView::selectionOptionKey() const {
    return QStringLiteral("TDExtendedOutlineView %1 selection").arg(m_autosaveName);
}

void TDExtendedOutlineView::saveSelectionToUserDefaults() {
    if (m_options) m_options->setOption(selectionState(), selectionOptionKey());
}

void TDExtendedOutlineView::restoreSelectionFromUserDefaults() {
    if (!m_options) return;
    const QVariant state = m_options->optionForKey(selectionOptionKey());
    if (state.isValid()) setSelectionState(state);
}

// --- Row heights

void TDExtendedOutlineView::noteHeightOfRowsWithIndexesChanged(const QList<int>& rows) {
    if (rows.isEmpty()) return;
    // The tree caches each row's height from the delegate; a new layout asks again.
    scheduleDelayedItemsLayout();
    executeDelayedItemsLayout();
}

void TDExtendedOutlineView::noteHeightOfRowChanged(int row) {
    noteHeightOfRowsWithIndexesChanged({row});
}

void TDExtendedOutlineView::noteHeightOfVisibleRowsChanged() {
    QList<int> rows;
    const QRect visible = viewport()->rect();
    const int count = numberOfRows();
    for (int row = 0; row < count; ++row)
        if (rectOfRow(row).intersects(visible)) rows.append(row);
    noteHeightOfRowsWithIndexesChanged(rows);
}

void TDExtendedOutlineView::noteHeightOfAllRowsChanged() {
    QList<int> rows;
    const int count = numberOfRows();
    for (int row = 0; row < count; ++row) rows.append(row);
    noteHeightOfRowsWithIndexesChanged(rows);
}

// --- Enumeration

TDOutlineViewItemEnumerator TDExtendedOutlineView::objectEnumerator() const {
    return TDOutlineViewItemEnumerator(model(), false);
}

TDOutlineViewItemEnumerator TDExtendedOutlineView::reverseObjectEnumerator() const {
    return TDOutlineViewItemEnumerator(model(), true);
}

// --- Columns

int TDExtendedOutlineView::preferredWidthOfColumn(int column, const QModelIndex& item) const {
    const QModelIndex cell = item.siblingAtColumn(column);
    if (!cell.isValid()) return 0;
    QStyleOptionViewItem option;
    initViewItemOption(&option);
    int width = int(std::ceil(itemDelegateForIndex(cell)->sizeHint(option, cell).width())) + 1;
    if (column == treePosition() || (treePosition() < 0 && column == 0)) {
        int depth = rootIsDecorated() ? 1 : 0;
        for (QModelIndex parent = item.parent(); parent.isValid() && parent != rootIndex();
             parent = parent.parent())
            ++depth;
        width += depth * indentation();
    }
    return width;
}

void TDExtendedOutlineView::autosizeColumn(int column) {
    int widest = 0;
    for (const QModelIndex& item : p_rows()) widest = qMax(widest, preferredWidthOfColumn(column, item));
    setColumnWidth(column, qMax(widest, header()->sectionSizeHint(column)));
}

void TDExtendedOutlineView::autosizeColumn(int column, const QModelIndex& afterSettingValueForItem) {
    const int preferred = preferredWidthOfColumn(column, afterSettingValueForItem);
    const int current = columnWidth(column);
    if (preferred > current) {
        setColumnWidth(column, preferred);
    } else if (preferred < current) {
        // The column may shrink now that this item is narrower.
        autosizeColumn(column);
    }
}

QList<int> TDExtendedOutlineView::visibleTableColumns() const {
    QList<int> columns;
    for (int visual = 0; visual < header()->count(); ++visual) {
        const int logical = header()->logicalIndex(visual);
        if (!isColumnHidden(logical)) columns.append(logical);
    }
    return columns;
}

// --- Menu commands

void TDExtendedOutlineView::expandSelectedItems() {
    for (const QPersistentModelIndex& item : selectedItems()) expand(item);
}

void TDExtendedOutlineView::collapseSelectedItems() {
    for (const QPersistentModelIndex& item : selectedItems()) {
        if (!item.isValid()) continue;
        if (model()->rowCount(item) > 0 && isExpanded(item)) {
            collapse(item);
            return;
        }
        const QModelIndex parent = item.parent();
        if (!parent.isValid() || parent == rootIndex()) continue;
        selectItem(parent);
        collapse(parent);
    }
}

bool TDExtendedOutlineView::validateAction(Action action) const {
    switch (action) {
        case Action::Expand:
        case Action::Collapse:
        case Action::DeselectAll:
        case Action::CenterSelection:
            return !m_selectedItems.isEmpty();
        case Action::SelectAll:
        case Action::ExpandAll:
        case Action::CollapseAll:
        case Action::Print:
            return numberOfRows() > 0;
    }
    return true;
}

// --- Drops

void TDExtendedOutlineView::dropEvent(QDropEvent* event) {
    // Items that opened while the drag hovered close again, and the view stays where it was.
    const QVariant expanded = expandedState();
    const QVariant scroll = scrollPositionState();
    saveSelection();
    QTreeView::dropEvent(event);
    restoreSelection();
    setExpandedState(expanded);
    setScrollPositionState(scroll);
    noteHeightOfAllRowsChanged();
}

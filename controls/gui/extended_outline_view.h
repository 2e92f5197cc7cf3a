#pragma once

#include "controls/outline_view_item_enumerator.h"

#include <QList>
#include <QPersistentModelIndex>
#include <QTreeView>
#include <QVariant>

#include <functional>
#include <optional>

class TDLibraryOptions;

// An outline over any item model that adds what the task outline and the source list need: selection
// by item, rows the model refuses to select (no Qt::ItemIsSelectable) that the arrow keys skip,
// centring of the selection, and a state dictionary (expanded items, scroll position, selection, an
// edit in progress) that survives a model reset because it names items by the string the model gives
// under TDOutlinePersistentObjectRole.
//
// Items are the model's rows, named by their column-0 index; `selectedItems` holds them as persistent
// indexes. A "row" is a shown row, counted from the top of the outline (children of collapsed items have
// none).
class TDExtendedOutlineView : public QTreeView {
    Q_OBJECT

public:
    enum class Movement { Up, Down };
    // The commands of the outline's menus, for validateAction.
    enum class Action {
        Expand,
        Collapse,
        DeselectAll,
        CenterSelection,
        SelectAll,
        ExpandAll,
        CollapseAll,
        Print
    };

    explicit TDExtendedOutlineView(QWidget* parent = nullptr);
    ~TDExtendedOutlineView() override;

    void setModel(QAbstractItemModel* model) override;
    using QTreeView::edit;

    // Where the selection is kept per library; none keeps nothing.
    void setOptions(TDLibraryOptions* options) { m_options = options; }
    QString autosaveName() const { return m_autosaveName; }
    void setAutosaveName(const QString& name) { m_autosaveName = name; }

    // Rows.
    int numberOfRows() const;
    int rowForItem(const QModelIndex& item) const;  // -1 when the item has no row
    QModelIndex itemAtRow(int row) const;
    QRect rectOfRow(int row) const;  // in the viewport's coordinates
    bool isSelectableRow(int row) const;

    // Selection by item.
    QModelIndex selectedItem() const;
    QList<QPersistentModelIndex> selectedItems() const { return m_selectedItems; }
    void selectItem(const QModelIndex& item, bool makeVisible = false);
    void selectItems(const QList<QPersistentModelIndex>& items, bool makeVisible = false);
    QModelIndex selectedOrClickedItem() const;
    QList<QPersistentModelIndex> selectedOrClickedItems() const;
    // The rows of the items, or nothing as soon as one item has no row.
    std::optional<QList<int>> rowsOfItems(const QList<QPersistentModelIndex>& items) const;
    // The row under the pointer while a context menu is open; -1 otherwise.
    int clickedRow() const { return m_clickedRow; }
    void revealItem(const QModelIndex& item);
    void revealItems(const QList<QPersistentModelIndex>& items);

    // Selects the first selectable row from `row` on in the direction, alone; false when none.
    bool selectRow(int row, Movement direction);
    bool moveUp();
    bool moveDown();

    // Centring; the bounds are in the viewport's coordinates, empty when nothing is selected.
    QRect selectionBounds() const;
    void centerSelectionIfNotVisible();
    void centerSelectionIfNotFullyVisible();
    void centerSelectionInVisibleArea();

    // The whole state: "expanded", "scroll", "selection" and "editingState". Named apart from
    // QAbstractItemView::state(), the view's interaction state.
    QVariantMap stateDictionary() const;
    void setStateDictionary(const QVariantMap& state);
    void saveState();
    void restoreState();

    // A nesting save of the selection: nested saves keep the outermost selection, one restore answers
    // all of them.
    void saveSelection();
    void restoreSelection();
    void restoreAndShowSelection();
    void saveSelectionToUserDefaults();
    void restoreSelectionFromUserDefaults();
    QString selectionOptionKey() const;

    // The persistent objects of the expanded items, in row order. Setting an invalid value expands
    // everything, a list collapses everything and expands its items, anything else is ignored.
    QVariant expandedState() const;
    void setExpandedState(const QVariant& state, bool maintainSelection = true);
    // A list of the persistent objects of the selected items.
    QVariant selectionState() const;
    void setSelectionState(const QVariant& state);
    QVariant scrollPositionState() const;
    void setScrollPositionState(const QVariant& state);
    // Invalid while nothing is being edited.
    QVariant editingState() const;
    void setEditingState(const QVariant& state);

    // The items for persistent objects, found with one walk over the model; missing ones are left out.
    QList<QPersistentModelIndex> itemsForPersistentObjects(const QVariantList& objects) const;
    QString persistentObjectForItem(const QModelIndex& item) const;

    // Rows whose delegate size hints changed; rows have no uniform height in this view.
    void noteHeightOfRowsWithIndexesChanged(const QList<int>& rows);
    void noteHeightOfRowChanged(int row);
    void noteHeightOfVisibleRowsChanged();
    void noteHeightOfAllRowsChanged();

    TDOutlineViewItemEnumerator objectEnumerator() const;
    TDOutlineViewItemEnumerator reverseObjectEnumerator() const;

    // Columns, from the delegates' size hints; column 0 includes the item's indentation.
    int preferredWidthOfColumn(int column, const QModelIndex& item) const;
    void autosizeColumn(int column);
    void autosizeColumn(int column, const QModelIndex& afterSettingValueForItem);
    QList<int> visibleTableColumns() const;

    // The menu commands.
    void expandSelectedItems();
    void collapseSelectedItems();
    bool validateAction(Action action) const;

protected:
    void selectionChanged(const QItemSelection& selected, const QItemSelection& deselected) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool edit(const QModelIndex& index, EditTrigger trigger, QEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

private:
    // Visits the shown rows from the top, with their row numbers, while `visit` returns true.
    void p_walkRows(const std::function<bool(const QModelIndex&, int)>& visit) const;
    QList<QModelIndex> p_rows() const;
    int p_firstShownColumn() const;
    QRect p_rectOfItem(const QModelIndex& item) const;
    // The items that have a row (their parents expanded), in the given order.
    QList<QModelIndex> p_shownItems(const QList<QPersistentModelIndex>& items) const;
    int p_contentTop(int row) const;
    void p_scrollContentTopTo(int y);
    void p_selectRows(const QList<int>& rows);
    void p_rebuildSelectedItems();

    TDLibraryOptions* m_options = nullptr;
    QString m_autosaveName;
    QList<QPersistentModelIndex> m_selectedItems;
    QList<QVariant> m_savedSelections;
    int m_selectionSaveCount = 0;
    std::optional<QVariantMap> m_savedStateDictionary;
    int m_clickedRow = -1;
    QList<QMetaObject::Connection> m_modelConnections;
    QPersistentModelIndex m_editedItem;
    int m_editedColumn = -1;
};

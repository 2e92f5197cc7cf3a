#pragma once

#include "taskviews/task_cell_values.h"
#include "taskviews/task_drop_validation.h"
#include "taskviews/task_row_item.h"

#include <QAbstractItemModel>
#include <QHash>
#include <QList>

#include <memory>
#include <vector>

class TDTasksController;

// The task outline's rows as an item model: the list's header row, the sections, the tasks and their
// subtasks, and the footers of sections cut short. It follows each ordered collection it has shown
// row by row, so an edit changes rows and selection, expansion and open editors survive; only the
// controller's reload and a collection's own reset reset it.
class TDTaskTreeModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column {
        ListColumn = int(TDTaskColumn::List),
        PriorityColumn = int(TDTaskColumn::Priority),
        TaskColumn = int(TDTaskColumn::Task),
        StartColumn = int(TDTaskColumn::Start),
        DueColumn = int(TDTaskColumn::Due),
        EstimateColumn = int(TDTaskColumn::Estimate),
        ColumnCount
    };
    enum Role {
        ItemKindRole = Qt::UserRole + 1,  // int(TDTaskRowItem::Kind)
        TaskRole,                         // TDTask*, tasks only
        DressingRole,                     // TDCellDressings as an int
    };

    explicit TDTaskTreeModel(TDTasksController* controller, QObject* parent = nullptr);
    ~TDTaskTreeModel() override;

    TDTaskRowItem itemForIndex(const QModelIndex& index) const;
    // A view that reckons its rows one after another has the tasks a little further down fetched from
    // memory meanwhile (their titles and notes), so that it waits for many at once instead of each in turn.
    void prefetchTasksBelow(const QModelIndex& index) const;
    // Invalid for the root, and for an item that is not among the rows.
    QModelIndex indexForItem(const TDTaskRowItem& item) const;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    // The column titles, for the header's drawing and for screen readers.
    static QString columnTitle(int column);
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // Drags and drops (task_tree_model_drops.cpp), judged and made by the controller: a proposed Move
    // is a drag whose source lets it move, anything else copies.
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override;
    Qt::DropActions supportedDropActions() const override;
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;
    // The items of the indexes, one per row, in the order the rows are shown.
    QList<TDTaskRowItem> itemsInRowOrder(const QModelIndexList& indexes) const;

private:
    struct Node;

    Node* p_node(const QModelIndex& index) const;
    Node* p_childNode(Node* parent, const TDTaskRowItem& item) const;
    void p_prepare(Node* node) const;
    void p_follow(Node* node, TDOrderedCollection* collection) const;
    QModelIndex p_indexOfNode(const Node* node) const;
    qsizetype p_rowCount(Node* node) const;
    TDTaskRowItem p_itemAt(Node* node, qsizetype row) const;
    qsizetype p_rowOf(Node* parent, const TDTaskRowItem& item) const;
    TDTask* p_taskAbove(Node* parent, qsizetype row) const;
    TDSectionCellContext p_sectionContext(const TDTaskRowItem& item) const;
    QVariant p_sectionValue(const TDTaskRowItem& item, TDTaskColumn column) const;
    TDTaskDropVerdict p_validateDrop(const QMimeData* data, Qt::DropAction action, int row,
                                     const QModelIndex& parent) const;

    void p_beginReload();
    void p_endReload();
    void p_clearNodes();
    void p_rebuildRoot();
    void p_updateRows();
    void p_updateSections();
    bool p_isHiddenSection(const Node* node) const;
    void p_showSection(Node* section);
    void p_hideSection(Node* section);
    void p_updateFooter(Node* section);
    void p_dropChildNodes(Node* node, const QList<void*>& pointers);
    void p_datesChanged(Node* node);
    void p_listTitlesChanged(Node* node, qsizetype first, qsizetype last);
    void p_rowsChanged(Node* node, qsizetype first, qsizetype last, int firstColumn = 0,
                       int lastColumn = ColumnCount - 1);

    TDTasksController* m_controller;
    std::unique_ptr<Node> m_root;
    // The sections shown at the top level: the controller's sections that are not empty.
    QList<TDOrderedCollection*> m_shownSections;
    bool m_hasHeader = false;
    bool m_grouping = false;
    // A collection's reset inside a reset of the whole model is part of it.
    int m_resetDepth = 0;
    std::vector<bool> m_movesBegun;
    QList<void*> m_rowsBeingRemoved;
    // Section rows' sums and earliest dates, which walk the section's tasks: read once between the
    // changes the model announces, not on every paint.
    mutable QHash<QPair<TDOrderedCollection*, int>, QVariant> m_sectionValues;
};

Q_DECLARE_OPAQUE_POINTER(TDTask*)
Q_DECLARE_METATYPE(TDTask*)

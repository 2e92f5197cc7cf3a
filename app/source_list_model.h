#pragma once

#include "app/dropped_data.h"
#include "platform/base/error.h"

#include <QAbstractItemModel>
#include <QDate>
#include <QHash>
#include <QList>
#include <QSet>

#include <memory>
#include <optional>

class TDGroup;
class TDLibrary;
class TDOrderedCollection;

// Who decides and carries out drops on the source list (the groups controller). `item` is the row dropped
// onto or between whose children the drop falls (nullptr: the top level); `childIndex` is the place among
// its children, -1 for a drop onto the row itself.
class TDSourceListDropTarget {
public:
    virtual ~TDSourceListDropTarget() = default;
    virtual TDDragOperation validateDrop(const QMimeData* data, bool allowsMove, TDGroup* item,
                                         int childIndex) = 0;
    virtual bool acceptDrop(const QMimeData* data, bool allowsMove, TDGroup* item, int childIndex) = 0;
};

// A tag cannot take the title of another tag (TDErrorDomain).
inline constexpr int TDErrorGroupTitleTaken = 412;

// The source list's rows as an item model, one column: in folders-and-lists mode the root group's
// sections (Inbox, the Ordellos, Folders, the Archive while it holds anything) with the user's folders,
// lists and smart folders in their stored order; in tags mode the tags and tag bundles sorted by title.
// Each folder's row follows its ordered collection of subgroups step by step, so a new, renamed, moved
// or deleted group changes only its own rows and selection and expansion survive; only switching the
// mode or the library resets it.
//
// It also keeps what the rows show beyond the group: which folders are open (a closed folder shows
// its count, an open one leaves it to its contents), whether counts show for every group, and which
// groups stand out in bold.
class TDSourceListModel final : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Mode { FoldersMode = 0, TagsMode = 1 };
    enum Role {
        SectionHeaderRole = Qt::UserRole + 1,  // bool
        ImageNameRole,                         // QString, empty for none
        ItemCountRole,                         // qint64: the open actions, 0 when no count shows
        HighlightedRole,                       // bool: drawn in bold
        ExpandedRole,                          // bool
    };

    explicit TDSourceListModel(QObject* parent = nullptr);
    ~TDSourceListModel() override;

    TDLibrary* library() const { return m_library; }
    // Resets the rows; nullptr shows nothing.
    void setLibrary(TDLibrary* library);
    Mode mode() const { return m_mode; }
    // Resets the rows when the mode changes.
    void setMode(Mode mode);
    // The group whose children are the top rows: the root group, or the tags group in tags mode.
    TDGroup* rootGroup() const;

    TDGroup* groupForIndex(const QModelIndex& index) const;
    // Invalid when the group has no row in this mode.
    QModelIndex indexForGroup(const TDGroup* group) const;
    // The top folders of the root and tag bundles are headers: titled in capitals, no image, never
    // selected.
    bool isSectionHeader(const TDGroup* group) const;
    bool canSelectGroup(const TDGroup* group) const;

    // Folders open in the view; the view and the model tell each other (expansionChanged).
    bool isExpanded(const QModelIndex& index) const;
    void setExpanded(const QModelIndex& index, bool expanded);
    // The persistent objects of the open folders, in row order, and putting such a list back.
    QStringList expandedState() const;
    void setExpandedState(const QStringList& persistentObjects);
    void expandAll();

    // Counts show for every group while Alt is held or the user chose so; Today and the Inbox always.
    bool showsAllItemCounts() const { return m_showsAllItemCounts; }
    void setShowsAllItemCounts(bool shows);
    QList<TDGroup*> highlightedGroups() const { return m_highlightedGroups; }
    void setHighlightedGroups(const QList<TDGroup*>& groups);

    // Why a new title cannot be given to the group on the row (a tag's title taken by another tag); none
    // when it can.
    std::optional<TDError> validateTitle(const QModelIndex& index, const QString& title) const;
    // The image for a group's row, by name ("list", "folder", "today_09", ...): the model names them, the
    // view draws them.
    static QString imageNameForGroup(const TDGroup* group, const QDate& today);

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    bool hasChildren(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // A new title (Qt::EditRole): trimmed; refused (renameRefused) when validateTitle refuses.
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    // Dragging rows writes their groups' UIDs (none when they have different parents); drops go to the
    // drop target, a move only when the action is one.
    void setDropTarget(TDSourceListDropTarget* target) { m_dropTarget = target; }
    // What a drop at the row (-1: onto the parent's row) under the parent would do.
    TDDragOperation dropOperation(const QMimeData* data, bool allowsMove, int row,
                                  const QModelIndex& parent) const;
    QStringList mimeTypes() const override;
    QMimeData* mimeData(const QModelIndexList& indexes) const override;
    Qt::DropActions supportedDragActions() const override { return Qt::MoveAction; }
    Qt::DropActions supportedDropActions() const override {
        return Qt::MoveAction | Qt::CopyAction | Qt::LinkAction;
    }
    bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                         const QModelIndex& parent) const override;
    bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                      const QModelIndex& parent) override;

Q_SIGNALS:
    void expansionChanged(const QModelIndex& index, bool expanded);
    void renameRefused(const TDError& error);

private:
    struct Node;

    Node* p_node(const QModelIndex& index) const;
    QModelIndex p_indexOfNode(const Node* node) const;
    std::unique_ptr<Node> p_makeNode(TDGroup* group, Node* parent);
    void p_watch(Node* node);
    QList<TDGroup*> p_desiredChildren(const Node* node) const;
    void p_synchronize(Node* node);
    void p_memberChanged(Node* node, qsizetype index);
    void p_rebuild();
    void p_emitAllRowsChanged(const Node* node, const QList<int>& roles);
    const Node* p_nodeForGroup(const TDGroup* group) const;
    bool p_showsItemCount(const Node* node) const;

    TDLibrary* m_library = nullptr;
    Mode m_mode = FoldersMode;
    QHash<const TDGroup*, Node*> m_nodesByGroup;  // outlives the nodes, which leave it as they go
    std::unique_ptr<Node> m_root;
    // In folders mode the archive section shows only while it holds something.
    QMetaObject::Connection m_archiveInserted;
    QMetaObject::Connection m_archiveRemoved;
    QMetaObject::Connection m_archiveReset;
    bool m_showsAllItemCounts = false;
    QList<TDGroup*> m_highlightedGroups;
    TDSourceListDropTarget* m_dropTarget = nullptr;
};

#include "app/source_list_model.h"

#include "controls/outline_item_roles.h"
#include "language/localized_string.h"
#include "model/collection_difference.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "platform/base/clock.h"
#include "platform/undo/undo_manager.h"

#include <algorithm>
#include <functional>

namespace {

// Far more than any library's groups under one folder: a difference is always shown step by step.
constexpr qsizetype kDifferenceWorkLimit = 1 << 30;

QList<platform::ManagedObject*> asObjects(const QList<TDGroup*>& groups) {
    return QList<platform::ManagedObject*>(groups.begin(), groups.end());
}

}  // namespace

struct TDSourceListModel::Node {
    TDGroup* group = nullptr;
    Node* parent = nullptr;
    int row = 0;
    bool expanded = false;
    std::vector<std::unique_ptr<Node>> children;
    // The folder's subgroups as shown: the group's own collection, or in tags mode a sorted copy.
    TDOrderedCollection* collection = nullptr;
    std::unique_ptr<TDOrderedCollection> sortedCopy;
    QList<QMetaObject::Connection> connections;
    QHash<const TDGroup*, Node*>* nodesByGroup = nullptr;  // the model's, which this node is listed in

    ~Node() {
        for (const QMetaObject::Connection& connection : std::as_const(connections))
            QObject::disconnect(connection);
        if (nodesByGroup) {
            const auto listed = nodesByGroup->constFind(group);
            if (listed != nodesByGroup->cend() && *listed == this) nodesByGroup->erase(listed);
        }
    }
    void renumber(size_t from = 0) {
        for (size_t i = from; i < children.size(); ++i) children[i]->row = int(i);
    }
    QList<TDGroup*> childGroups() const {
        QList<TDGroup*> groups;
        groups.reserve(qsizetype(children.size()));
        for (const auto& child : children) groups.append(child->group);
        return groups;
    }
};

TDSourceListModel::TDSourceListModel(QObject* parent) : QAbstractItemModel(parent) {
}

TDSourceListModel::~TDSourceListModel() {
    disconnect(m_archiveInserted);
    disconnect(m_archiveRemoved);
    disconnect(m_archiveReset);
}

void TDSourceListModel::setLibrary(TDLibrary* library) {
    if (library == m_library && m_root) return;
    m_library = library;
    m_highlightedGroups.clear();
    p_rebuild();
}

void TDSourceListModel::setMode(Mode mode) {
    if (mode == m_mode) return;
    m_mode = mode;
    p_rebuild();
}

TDGroup* TDSourceListModel::rootGroup() const {
    if (!m_library) return nullptr;
    return m_mode == TagsMode ? m_library->tagsGroup() : m_library->rootGroup();
}

void TDSourceListModel::p_rebuild() {
    beginResetModel();
    disconnect(m_archiveInserted);
    disconnect(m_archiveRemoved);
    disconnect(m_archiveReset);
    m_root.reset();
    if (TDGroup* root = rootGroup()) {
        m_root = p_makeNode(root, nullptr);
        if (m_mode == FoldersMode) {
            if (TDGroup* archive = m_library->archiveGroup()) {
                // The archive's first list brings its section in, its last one takes it away.
                TDOrderedCollection* archived = archive->orderedSubgroups();
                Node* root = m_root.get();
                const auto synchronizeRoot = [this, root] { p_synchronize(root); };
                m_archiveInserted =
                    connect(archived, &TDOrderedCollection::objectsInserted, this, synchronizeRoot);
                m_archiveRemoved =
                    connect(archived, &TDOrderedCollection::objectsRemoved, this, synchronizeRoot);
                m_archiveReset = connect(archived, &TDOrderedCollection::wasReset, this, synchronizeRoot);
            }
        }
    }
    endResetModel();
}

std::unique_ptr<TDSourceListModel::Node> TDSourceListModel::p_makeNode(TDGroup* group, Node* parent) {
    auto node = std::make_unique<Node>();
    node->group = group;
    node->parent = parent;
    node->nodesByGroup = &m_nodesByGroup;
    m_nodesByGroup.insert(group, node.get());
    // Only folders hold groups; lists, tags and smart folders never have rows below them.
    if (!group->isFolder()) return node;
    p_watch(node.get());
    const QList<TDGroup*> children = p_desiredChildren(node.get());
    node->children.reserve(size_t(children.size()));
    for (TDGroup* child : children) node->children.push_back(p_makeNode(child, node.get()));
    node->renumber();
    return node;
}

void TDSourceListModel::p_watch(Node* node) {
    TDOrderedCollection* own = node->group->orderedSubgroups();
    if (m_mode == TagsMode) {
        node->sortedCopy = own->copy();
        node->sortedCopy->setSortDescriptors({platform::SortDescriptor(
            QStringLiteral("localizedTitle"), true, platform::SortDescriptor::Comparison::CaseInsensitive)});
        node->collection = node->sortedCopy.get();
    } else {
        node->collection = own;
    }
    TDOrderedCollection* collection = node->collection;
    const auto synchronize = [this, node] { p_synchronize(node); };
    node->connections = {
        connect(collection, &TDOrderedCollection::objectsInserted, this, synchronize),
        connect(collection, &TDOrderedCollection::objectsRemoved, this, synchronize),
        connect(collection, &TDOrderedCollection::objectsMoved, this, synchronize),
        connect(collection, &TDOrderedCollection::wasReset, this, synchronize),
        connect(collection, &TDOrderedCollection::memberChanged, this,
                [this, node](qsizetype index) { p_memberChanged(node, index); }),
    };
}

QList<TDGroup*> TDSourceListModel::p_desiredChildren(const Node* node) const {
    QList<TDGroup*> groups = node->collection->objectsAs<TDGroup>();
    if (m_mode != FoldersMode || node->parent) return groups;
    // The tags have their own mode; the archive shows once it holds something.
    TDGroup* tags = m_library->tagsGroup();
    TDGroup* archive = m_library->archiveGroup();
    groups.removeIf([tags, archive](TDGroup* group) {
        return group == tags || (group == archive && group->orderedSubgroups()->count() == 0);
    });
    return groups;
}

// Brings the node's rows in line with what its collection publishes now, one row signal per step.
void TDSourceListModel::p_synchronize(Node* node) {
    const QList<platform::ManagedObject*> from = asObjects(node->childGroups());
    const QList<platform::ManagedObject*> to = asObjects(p_desiredChildren(node));
    if (from == to) return;
    const QModelIndex parent = p_indexOfNode(node);
    const std::optional<QList<TDCollectionStep>> steps =
        TDCollectionDifference(from, to, kDifferenceWorkLimit);
    QList<platform::ManagedObject*> current = from;
    auto& children = node->children;
    for (const TDCollectionStep& step : steps.value_or(QList<TDCollectionStep>())) {
        const int first = int(step.first);
        const int last = int(step.last);
        switch (step.kind) {
            case TDCollectionStep::Remove:
                beginRemoveRows(parent, first, last);
                children.erase(children.begin() + first, children.begin() + last + 1);
                node->renumber(size_t(first));
                endRemoveRows();
                break;
            case TDCollectionStep::Move: {
                const int destination = int(step.destination);
                beginMoveRows(parent, first, last, parent, destination);
                std::vector<std::unique_ptr<Node>> moving;
                for (int i = first; i <= last; ++i) moving.push_back(std::move(children[size_t(i)]));
                children.erase(children.begin() + first, children.begin() + last + 1);
                const int insertAt = destination > last ? destination - (last - first + 1) : destination;
                children.insert(children.begin() + insertAt, std::make_move_iterator(moving.begin()),
                                std::make_move_iterator(moving.end()));
                node->renumber();
                endMoveRows();
                break;
            }
            case TDCollectionStep::Insert: {
                beginInsertRows(parent, first, last);
                std::vector<std::unique_ptr<Node>> added;
                for (int i = first; i <= last; ++i)
                    added.push_back(p_makeNode(static_cast<TDGroup*>(to.at(i)), node));
                children.insert(children.begin() + first, std::make_move_iterator(added.begin()),
                                std::make_move_iterator(added.end()));
                node->renumber(size_t(first));
                endInsertRows();
                break;
            }
        }
        TDApplyCollectionStep(current, step, to);
    }
}

void TDSourceListModel::p_memberChanged(Node* node, qsizetype index) {
    const QList<platform::ManagedObject*> published = node->collection->publishedObjects();
    if (index < 0 || index >= published.size()) return;
    const auto* group = static_cast<const TDGroup*>(published.at(index));
    for (const auto& child : node->children) {
        if (child->group != group) continue;
        const QModelIndex changed = createIndex(child->row, 0, child.get());
        Q_EMIT dataChanged(changed, changed);
        return;
    }
}

// --- Looking up

TDSourceListModel::Node* TDSourceListModel::p_node(const QModelIndex& index) const {
    if (!index.isValid()) return m_root.get();
    return static_cast<Node*>(index.internalPointer());
}

QModelIndex TDSourceListModel::p_indexOfNode(const Node* node) const {
    if (!node || node == m_root.get()) return {};
    return createIndex(node->row, 0, const_cast<Node*>(node));
}

TDGroup* TDSourceListModel::groupForIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    return p_node(index)->group;
}

const TDSourceListModel::Node* TDSourceListModel::p_nodeForGroup(const TDGroup* group) const {
    if (!group || !m_root) return nullptr;
    // A typed abbreviation looks up thousands of lists: by group first, trusted while the node stands
    // where the group's parents say.
    if (const Node* listed = m_nodesByGroup.value(group)) {
        const Node* node = listed;
        const TDGroup* g = group;
        while (node->parent && node->group == g) {
            node = node->parent;
            g = g->parentGroup();
        }
        if (node == m_root.get() && g == m_root->group) return listed;
    }
    // Down the chain of parents from the root: one look-up per level.
    QList<const TDGroup*> chain;
    for (const TDGroup* g = group; g && g != m_root->group; g = g->parentGroup()) chain.prepend(g);
    if (chain.isEmpty() || chain.first()->parentGroup() != m_root->group) return nullptr;
    const Node* node = m_root.get();
    for (const TDGroup* link : std::as_const(chain)) {
        const auto found = std::find_if(node->children.begin(), node->children.end(),
                                        [link](const auto& child) { return child->group == link; });
        if (found == node->children.end()) return nullptr;
        node = found->get();
    }
    return node;
}

QModelIndex TDSourceListModel::indexForGroup(const TDGroup* group) const {
    return p_indexOfNode(p_nodeForGroup(group));
}

bool TDSourceListModel::isSectionHeader(const TDGroup* group) const {
    if (!group || !m_library) return false;
    return group->parentGroup() == m_library->rootGroup() || group->isTagBundle();
}

bool TDSourceListModel::canSelectGroup(const TDGroup* group) const {
    return group && !group->isDeleted() && !isSectionHeader(group);
}

// --- Expansion

bool TDSourceListModel::isExpanded(const QModelIndex& index) const {
    return index.isValid() && p_node(index)->expanded;
}

void TDSourceListModel::setExpanded(const QModelIndex& index, bool expanded) {
    if (!index.isValid() || index.model() != this) return;
    Node* node = p_node(index);
    if (node->expanded == expanded) return;
    node->expanded = expanded;
    const QModelIndex row = index.siblingAtColumn(0);
    Q_EMIT expansionChanged(row, expanded);
    Q_EMIT dataChanged(row, row, {ExpandedRole, ItemCountRole});
}

QStringList TDSourceListModel::expandedState() const {
    QStringList expanded;
    if (!m_root) return expanded;
    const std::function<void(const Node*)> walk = [&](const Node* node) {
        for (const auto& child : node->children) {
            if (!child->expanded) continue;
            expanded.append(child->group->persistentObjectIDURIString());
            walk(child.get());
        }
    };
    walk(m_root.get());
    return expanded;
}

void TDSourceListModel::setExpandedState(const QStringList& persistentObjects) {
    if (!m_root) return;
    const QSet<QString> wanted(persistentObjects.begin(), persistentObjects.end());
    const std::function<void(const Node*)> walk = [&](const Node* node) {
        for (const auto& child : node->children) {
            if (child->children.empty()) continue;
            setExpanded(p_indexOfNode(child.get()),
                        wanted.contains(child->group->persistentObjectIDURIString()));
            walk(child.get());
        }
    };
    walk(m_root.get());
}

void TDSourceListModel::expandAll() {
    if (!m_root) return;
    const std::function<void(const Node*)> walk = [&](const Node* node) {
        for (const auto& child : node->children) {
            if (child->children.empty()) continue;
            setExpanded(p_indexOfNode(child.get()), true);
            walk(child.get());
        }
    };
    walk(m_root.get());
}

// --- What rows show

void TDSourceListModel::setShowsAllItemCounts(bool shows) {
    if (shows == m_showsAllItemCounts) return;
    m_showsAllItemCounts = shows;
    if (m_root) p_emitAllRowsChanged(m_root.get(), {ItemCountRole});
}

void TDSourceListModel::setHighlightedGroups(const QList<TDGroup*>& groups) {
    if (groups == m_highlightedGroups) return;
    QList<TDGroup*> changed = m_highlightedGroups;
    changed.append(groups);
    m_highlightedGroups = groups;
    for (TDGroup* group : std::as_const(changed)) {
        const QModelIndex index = indexForGroup(group);
        if (index.isValid()) Q_EMIT dataChanged(index, index, {HighlightedRole, Qt::FontRole});
    }
}

void TDSourceListModel::p_emitAllRowsChanged(const Node* node, const QList<int>& roles) {
    if (node->children.empty()) return;
    const QModelIndex parent = p_indexOfNode(node);
    Q_EMIT dataChanged(index(0, 0, parent), index(int(node->children.size()) - 1, 0, parent), roles);
    for (const auto& child : node->children) p_emitAllRowsChanged(child.get(), roles);
}

bool TDSourceListModel::p_showsItemCount(const Node* node) const {
    const TDGroup* group = node->group;
    if (isSectionHeader(group)) return false;
    if (!m_showsAllItemCounts && !group->alwaysShowsItemCount()) return false;
    // An open folder's lists show their own counts.
    return !(group->isFolder() && node->expanded && !node->children.empty());
}

QString TDSourceListModel::imageNameForGroup(const TDGroup* group, const QDate& today) {
    if (!group) return {};
    if (group->isSpecial()) {
        if (group->isTodayGroup())
            return QStringLiteral("today_%1").arg(today.day(), 2, 10, QLatin1Char('0'));
        return group->title();
    }
    if (group->isTag())
        return static_cast<const TDTag*>(group)->isContextTag() ? QStringLiteral("tag_pink")
                                                                : QStringLiteral("tag_yellow");
    if (group->isSmartFolder()) return QStringLiteral("sfolder");
    if (group->isFolder()) return QStringLiteral("folder");
    if (group->isList()) return QStringLiteral("list");
    return {};
}

// --- Renaming

std::optional<TDError> TDSourceListModel::validateTitle(const QModelIndex& index,
                                                        const QString& title) const {
    const TDGroup* group = groupForIndex(index);
    if (!group || !group->isTag() || !m_library) return std::nullopt;
    const QString trimmed = title.trimmed();
    const TDTag* other = m_library->tagWithTitle(trimmed);
    if (!other || other == group) return std::nullopt;
    return TDError::make(TDErrorGroupTitleTaken,
                         TDLocalizedString("A tag named \"%1\" already exists.").arg(trimmed),
                         TDLocalizedString("Please pick a different name."));
}

bool TDSourceListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    TDGroup* group = groupForIndex(index);
    if (role != Qt::EditRole || !group || !flags(index).testFlag(Qt::ItemIsEditable)) return false;
    if (const std::optional<TDError> refusal = validateTitle(index, value.toString())) {
        Q_EMIT renameRefused(*refusal);
        return false;
    }
    const QString title = value.toString().trimmed();
    if (title.isEmpty() || title == group->title()) return false;
    // A header shows "NEW FOLDER" for a bundle just made; that form coming back is no new title.
    const QString newFolder = TDLocalizedString("New Folder");
    if (!group->isTag() && group->title() == QLatin1String("New Folder") && title == newFolder.toUpper())
        return false;
    platform::UndoManager* undo = group->managedObjectContext()->undoManager();
    group->setTitle(title);
    if (undo)
        undo->setActionName(group->isTag() ? TDLocalizedString("Rename Tag")
                                           : TDLocalizedString("Rename Folder"));
    // The row itself is told by its collection at the context's next processing pass.
    return true;
}

// --- Item model

QModelIndex TDSourceListModel::index(int row, int column, const QModelIndex& parent) const {
    const Node* node = p_node(parent);
    if (!node || column != 0 || row < 0 || row >= int(node->children.size())) return {};
    return createIndex(row, 0, node->children[size_t(row)].get());
}

QModelIndex TDSourceListModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return p_indexOfNode(p_node(child)->parent);
}

int TDSourceListModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    const Node* node = p_node(parent);
    return node ? int(node->children.size()) : 0;
}

int TDSourceListModel::columnCount(const QModelIndex&) const {
    return 1;
}

bool TDSourceListModel::hasChildren(const QModelIndex& parent) const {
    return rowCount(parent) > 0;
}

QVariant TDSourceListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const Node* node = p_node(index);
    const TDGroup* group = node->group;
    if (group->isDeleted()) return {};
    switch (role) {
        case Qt::DisplayRole:
            return isSectionHeader(group) ? group->localizedTitle().toUpper() : group->localizedTitle();
        case Qt::EditRole:
            return group->title();
        case Qt::ToolTipRole:
            return group->localizedTitle();
        case TDOutlinePersistentObjectRole:
            return group->persistentObjectIDURIString();
        case SectionHeaderRole:
            return isSectionHeader(group);
        case ImageNameRole:
            return isSectionHeader(group) ? QString()
                                          : imageNameForGroup(group, TDClock::currentDateTime().date());
        case ItemCountRole:
            return p_showsItemCount(node) ? group->actionCount() : qint64(0);
        case HighlightedRole:
            return m_highlightedGroups.contains(const_cast<TDGroup*>(group));
        case ExpandedRole:
            return node->expanded;
        default:
            return {};
    }
}

Qt::ItemFlags TDSourceListModel::flags(const QModelIndex& index) const {
    const TDGroup* group = groupForIndex(index);
    if (!group) return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (canSelectGroup(group)) flags |= Qt::ItemIsSelectable;
    // Special groups keep their titles.
    if (!group->isSpecial()) flags |= Qt::ItemIsEditable;
    if (!group->isFolder()) flags |= Qt::ItemNeverHasChildren;
    if (canSelectGroup(group)) flags |= Qt::ItemIsDragEnabled;
    return flags | Qt::ItemIsDropEnabled;
}

// --- Drag and drop

QStringList TDSourceListModel::mimeTypes() const {
    return TDSourceListDragTypes();
}

QMimeData* TDSourceListModel::mimeData(const QModelIndexList& indexes) const {
    QList<TDGroup*> groups;
    for (const QModelIndex& index : indexes) {
        TDGroup* group = groupForIndex(index);
        if (group && !groups.contains(group)) groups.append(group);
    }
    // In row order, which the selection need not keep.
    std::sort(groups.begin(), groups.end(), [this](const TDGroup* a, const TDGroup* b) {
        return indexForGroup(a).row() < indexForGroup(b).row();
    });
    if (groups.isEmpty()) return nullptr;
    const TDGroup* parent = groups.first()->parentGroup();
    if (std::any_of(groups.cbegin(), groups.cend(),
                    [parent](const TDGroup* group) { return group->parentGroup() != parent; }))
        return nullptr;
    return TDMimeDataForGroups(groups);
}

TDDragOperation TDSourceListModel::dropOperation(const QMimeData* data, bool allowsMove, int row,
                                                 const QModelIndex& parent) const {
    if (!m_dropTarget || !m_library || (parent.isValid() && parent.model() != this))
        return TDDragOperation::None;
    return m_dropTarget->validateDrop(data, allowsMove, groupForIndex(parent), row);
}

bool TDSourceListModel::canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                        const QModelIndex& parent) const {
    Q_UNUSED(column)
    return dropOperation(data, action == Qt::MoveAction, row, parent) != TDDragOperation::None;
}

bool TDSourceListModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                     const QModelIndex& parent) {
    if (!canDropMimeData(data, action, row, column, parent)) return false;
    return m_dropTarget->acceptDrop(data, action == Qt::MoveAction, groupForIndex(parent), row);
}

#include "taskviews/task_tree_model.h"

#include "controls/outline_item_roles.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "taskviews/tasks_controller.h"

#include <unordered_map>

// A row whose children were asked for: where they come from, and the nodes of those children that
// were asked in turn. An index carries the node of its parent.
struct TDTaskTreeModel::Node {
    TDTaskRowItem item;
    Node* parent = nullptr;
    bool prepared = false;
    // The rows below: a task's subtasks, a section's tasks, or the top tasks when not grouping, after
    // `offset` rows of other kinds (the header row).
    TDOrderedCollection* collection = nullptr;
    qsizetype offset = 0;
    TDGroupingFooter* footer = nullptr;
    // The context of the connections to the collection: they end with it. (Ending them one by one would
    // have the collection ask whether it is still watched from inside Qt's disconnect.)
    std::unique_ptr<QObject> receiver;
    std::unordered_map<void*, std::unique_ptr<Node>> children;
    // Where the item stood in its parent's rows when last looked up.
    qsizetype rowHint = 0;
    const QList<platform::ManagedObject*>& objects() const {
        static const QList<platform::ManagedObject*> none;
        return collection ? collection->publishedObjects() : none;
    }
};

TDTaskTreeModel::TDTaskTreeModel(TDTasksController* controller, QObject* parent)
    : QAbstractItemModel(parent), m_controller(controller), m_root(std::make_unique<Node>()) {
    connect(controller, &TDTasksController::rowsAboutToBeReloaded, this, [this] {
        if (m_resetDepth++ == 0) beginResetModel();
        p_clearNodes();
    });
    connect(controller, &TDTasksController::rowsReloaded, this, [this] {
        if (--m_resetDepth == 0) endResetModel();
    });
    connect(controller, &TDTasksController::rowsNeedUpdate, this, [this] { p_updateRows(); });
    connect(controller, &TDTasksController::headerRowNeedsDisplay, this, [this] {
        if (m_root->prepared && m_hasHeader && m_resetDepth == 0) p_rowsChanged(m_root.get(), 0, 0);
    });
    connect(controller, &TDTasksController::showsDatesAsIntervalsChanged, this, [this] {
        if (m_root->prepared) p_datesChanged(m_root.get());
    });
    // Whatever changes rows may change what a section sums up.
    const auto forgetSectionValues = [this] { m_sectionValues.clear(); };
    connect(this, &QAbstractItemModel::dataChanged, this, forgetSectionValues);
    connect(this, &QAbstractItemModel::rowsInserted, this, forgetSectionValues);
    connect(this, &QAbstractItemModel::rowsRemoved, this, forgetSectionValues);
    connect(this, &QAbstractItemModel::rowsMoved, this, forgetSectionValues);
    connect(this, &QAbstractItemModel::layoutChanged, this, forgetSectionValues);
    connect(this, &QAbstractItemModel::modelReset, this, forgetSectionValues);
}

TDTaskTreeModel::~TDTaskTreeModel() = default;

// ---------------------------------------------------------------------------------------------------
// Nodes

TDTaskTreeModel::Node* TDTaskTreeModel::p_node(const QModelIndex& index) const {
    if (!index.isValid()) return m_root.get();
    auto* parent = static_cast<Node*>(index.internalPointer());
    return p_childNode(parent, p_itemAt(parent, index.row()));
}

TDTaskTreeModel::Node* TDTaskTreeModel::p_childNode(Node* parent, const TDTaskRowItem& item) const {
    std::unique_ptr<Node>& child = parent->children[item.pointer];
    if (!child) {
        child = std::make_unique<Node>();
        child->item = item;
        child->parent = parent;
    }
    return child.get();
}

// Reads where a row's children come from and starts following them, the first time they are asked.
void TDTaskTreeModel::p_prepare(Node* node) const {
    if (node->prepared) return;
    node->prepared = true;
    switch (node->item.kind) {
        case TDTaskRowItem::Kind::Root:
            const_cast<TDTaskTreeModel*>(this)->p_rebuildRoot();
            break;
        case TDTaskRowItem::Kind::Task: {
            // The controller hands its sort order to a collection as it gives out the first child.
            if (m_controller->numberOfChildren(node->item) > 0) m_controller->child(node->item, 0);
            p_follow(node, node->item.task()->orderedTasks());
            break;
        }
        case TDTaskRowItem::Kind::Section: {
            p_follow(node, node->item.collection());
            const qsizetype count = m_controller->numberOfChildren(node->item);
            if (count > 0) node->footer = m_controller->child(node->item, count - 1).footer();
            break;
        }
        case TDTaskRowItem::Kind::Header:
        case TDTaskRowItem::Kind::Footer:
            break;
    }
}

void TDTaskTreeModel::p_rebuildRoot() {
    Node* root = m_root.get();
    root->prepared = true;
    m_hasHeader = m_controller->headerCollection() != nullptr;
    m_grouping = m_controller->isGrouping();
    root->offset = m_hasHeader ? 1 : 0;
    m_shownSections.clear();
    if (m_grouping) {
        const qsizetype count = m_controller->numberOfChildren(TDTaskRowItem::root());
        for (qsizetype i = root->offset; i < count; ++i)
            if (TDOrderedCollection* section = m_controller->child(TDTaskRowItem::root(), i).collection())
                m_shownSections.append(section);
        // Every section is followed, shown or not, so one that fills or empties shows or hides at once.
        for (TDOrderedCollection* section : m_controller->sections())
            p_prepare(p_childNode(root, TDTaskRowItem::section(section)));
    } else if (TDOrderedCollection* topTasks = m_controller->topTasks()) {
        p_follow(root, topTasks);
    }
}

void TDTaskTreeModel::p_follow(Node* node, TDOrderedCollection* collection) const {
    node->collection = collection;
    if (!collection) return;
    auto* self = const_cast<TDTaskTreeModel*>(this);
    node->receiver = std::make_unique<QObject>();
    QObject* r = node->receiver.get();
    // A hidden section (an empty one) tells only that it fills, which shows it.
    connect(collection, &TDOrderedCollection::objectsAboutToBeInserted, r,
            [self, node](qsizetype first, qsizetype last) {
                if (self->p_isHiddenSection(node)) return;
                self->beginInsertRows(self->p_indexOfNode(node), first + node->offset, last + node->offset);
            });
    connect(collection, &TDOrderedCollection::objectsInserted, r, [self, node](qsizetype, qsizetype last) {
        if (self->p_isHiddenSection(node)) {
            self->p_showSection(node);
            return;
        }
        self->endInsertRows();
        self->p_listTitlesChanged(node, last + node->offset + 1, last + node->offset + 1);
    });
    connect(collection, &TDOrderedCollection::objectsAboutToBeRemoved, r,
            [self, node](qsizetype first, qsizetype last) {
                if (self->p_isHiddenSection(node)) return;
                self->m_rowsBeingRemoved.clear();
                const QList<platform::ManagedObject*>& objects = node->objects();
                for (qsizetype i = first; i <= last; ++i)
                    self->m_rowsBeingRemoved.append(static_cast<TDTask*>(objects.at(i)));
                self->beginRemoveRows(self->p_indexOfNode(node), first + node->offset, last + node->offset);
            });
    connect(collection, &TDOrderedCollection::objectsRemoved, r, [self, node](qsizetype first, qsizetype) {
        if (self->p_isHiddenSection(node)) return;
        self->endRemoveRows();
        self->p_dropChildNodes(node, std::exchange(self->m_rowsBeingRemoved, {}));
        if (node->item.kind == TDTaskRowItem::Kind::Section && node->objects().isEmpty()) {
            self->p_hideSection(node);
            return;
        }
        self->p_listTitlesChanged(node, first + node->offset, first + node->offset);
    });
    connect(collection, &TDOrderedCollection::objectsAboutToBeMoved, r,
            [self, node](qsizetype first, qsizetype last, qsizetype destination) {
                const QModelIndex parent = self->p_indexOfNode(node);
                const qsizetype o = node->offset;
                self->m_movesBegun.push_back(
                    !self->p_isHiddenSection(node) &&
                    self->beginMoveRows(parent, first + o, last + o, parent, destination + o));
            });
    connect(collection, &TDOrderedCollection::objectsMoved, r,
            [self, node](qsizetype first, qsizetype last, qsizetype destination) {
                const bool begun = self->m_movesBegun.back();
                self->m_movesBegun.pop_back();
                if (!begun) return;
                self->endMoveRows();
                // The rows that now follow other rows than before.
                self->p_listTitlesChanged(node, std::min(first, destination) + node->offset,
                                          std::max(last + 1, destination) + node->offset);
            });
    connect(collection, &TDOrderedCollection::memberChanged, r,
            [self, node](qsizetype index, const QStringList&) {
                if (self->p_isHiddenSection(node)) return;
                self->p_rowsChanged(node, index + node->offset, index + node->offset);
                // A task that moved to another list changes the list title of the row below.
                self->p_listTitlesChanged(node, index + node->offset + 1, index + node->offset + 1);
            });
    connect(collection, &TDOrderedCollection::aboutToBeReset, r, [self] {
        if (self->m_resetDepth++ == 0) self->beginResetModel();
    });
    connect(collection, &TDOrderedCollection::wasReset, r, [self] {
        // Every row may be another now: the nodes go, with this connection.
        self->p_clearNodes();
        if (--self->m_resetDepth == 0) self->endResetModel();
    });
}

void TDTaskTreeModel::p_clearNodes() {
    m_root = std::make_unique<Node>();
    m_shownSections.clear();
    m_movesBegun.clear();
    m_rowsBeingRemoved.clear();
}

void TDTaskTreeModel::p_dropChildNodes(Node* node, const QList<void*>& pointers) {
    if (pointers.isEmpty() || node->children.empty()) return;
    const QList<platform::ManagedObject*>& objects = node->objects();
    for (void* pointer : pointers)
        if (!objects.contains(static_cast<platform::ManagedObject*>(static_cast<TDTask*>(pointer))))
            node->children.erase(pointer);
}

// ---------------------------------------------------------------------------------------------------
// Rows

qsizetype TDTaskTreeModel::p_rowCount(Node* node) const {
    p_prepare(node);
    switch (node->item.kind) {
        case TDTaskRowItem::Kind::Root:
            return node->offset + (m_grouping ? m_shownSections.size() : node->objects().size());
        case TDTaskRowItem::Kind::Section:
            return node->objects().size() + (node->footer ? 1 : 0);
        case TDTaskRowItem::Kind::Task:
            return node->objects().size();
        case TDTaskRowItem::Kind::Header:
        case TDTaskRowItem::Kind::Footer:
            break;
    }
    return 0;
}

TDTaskRowItem TDTaskTreeModel::p_itemAt(Node* node, qsizetype row) const {
    p_prepare(node);
    if (row < 0) return {};
    if (node->item.isRoot()) {
        if (row < node->offset) return TDTaskRowItem::header(m_controller->headerCollection());
        if (m_grouping) {
            const qsizetype index = row - node->offset;
            return index < m_shownSections.size() ? TDTaskRowItem::section(m_shownSections.at(index))
                                                  : TDTaskRowItem();
        }
    }
    const QList<platform::ManagedObject*>& objects = node->objects();
    const qsizetype index = row - node->offset;
    if (index < objects.size()) return TDTaskRowItem::task(static_cast<TDTask*>(objects.at(index)));
    if (index == objects.size() && node->footer) return TDTaskRowItem::footer(node->footer);
    return {};
}

qsizetype TDTaskTreeModel::p_rowOf(Node* parent, const TDTaskRowItem& item) const {
    p_prepare(parent);
    switch (item.kind) {
        case TDTaskRowItem::Kind::Header:
            return parent->item.isRoot() && m_hasHeader ? 0 : -1;
        case TDTaskRowItem::Kind::Section: {
            const qsizetype index = parent->item.isRoot() ? m_shownSections.indexOf(item.collection()) : -1;
            return index < 0 ? -1 : index + parent->offset;
        }
        case TDTaskRowItem::Kind::Footer:
            return parent->footer == item.footer() && parent->footer ? parent->objects().size() : -1;
        case TDTaskRowItem::Kind::Task: {
            const QList<platform::ManagedObject*>& objects = parent->objects();
            auto* task = static_cast<platform::ManagedObject*>(item.task());
            auto found = parent->children.find(item.pointer);
            Node* node = found != parent->children.end() ? found->second.get() : nullptr;
            if (node && node->rowHint < objects.size() && objects.at(node->rowHint) == task)
                return node->rowHint + parent->offset;
            const qsizetype index = objects.indexOf(task);
            if (node && index >= 0) node->rowHint = index;
            return index < 0 ? -1 : index + parent->offset;
        }
        case TDTaskRowItem::Kind::Root:
            break;
    }
    return -1;
}

QModelIndex TDTaskTreeModel::p_indexOfNode(const Node* node) const {
    if (!node->parent) return {};
    const qsizetype row = p_rowOf(node->parent, node->item);
    return row < 0 ? QModelIndex() : createIndex(int(row), 0, node->parent);
}

TDTask* TDTaskTreeModel::p_taskAbove(Node* parent, qsizetype row) const {
    if (row <= parent->offset) return parent->item.task();
    return p_itemAt(parent, row - 1).task();
}

// ---------------------------------------------------------------------------------------------------
// Following the controller

void TDTaskTreeModel::p_updateRows() {
    if (!m_root->prepared) return;
    if (m_grouping != m_controller->isGrouping() ||
        m_hasHeader != (m_controller->headerCollection() != nullptr)) {
        // Not a change rows can show: start over.
        beginResetModel();
        p_clearNodes();
        endResetModel();
        return;
    }
    if (m_grouping) p_updateSections();
    Node* root = m_root.get();
    // Sums, earliest dates and list titles follow from the rows below.
    if (m_hasHeader) p_rowsChanged(root, 0, 0);
    if (m_grouping) {
        p_rowsChanged(root, root->offset, root->offset + m_shownSections.size() - 1);
        for (TDOrderedCollection* section : std::as_const(m_shownSections)) {
            auto found = root->children.find(section);
            if (found == root->children.end() || !found->second->prepared) continue;
            p_updateFooter(found->second.get());
            p_listTitlesChanged(found->second.get(), 0, p_rowCount(found->second.get()) - 1);
        }
    } else {
        p_listTitlesChanged(root, root->offset, p_rowCount(root) - 1);
    }
}

void TDTaskTreeModel::p_updateSections() {
    Node* root = m_root.get();
    QList<TDOrderedCollection*> wanted;
    const qsizetype count = m_controller->numberOfChildren(TDTaskRowItem::root());
    for (qsizetype i = root->offset; i < count; ++i)
        if (TDOrderedCollection* section = m_controller->child(TDTaskRowItem::root(), i).collection())
            wanted.append(section);
    for (qsizetype i = m_shownSections.size() - 1; i >= 0; --i) {
        TDOrderedCollection* section = m_shownSections.at(i);
        if (wanted.contains(section)) continue;
        beginRemoveRows({}, int(i + root->offset), int(i + root->offset));
        m_shownSections.removeAt(i);
        endRemoveRows();
    }
    for (qsizetype i = 0; i < wanted.size(); ++i) {
        if (i < m_shownSections.size() && m_shownSections.at(i) == wanted.at(i)) continue;
        if (m_shownSections.contains(wanted.at(i))) {
            // Sections keep their order; another order is a regrouping the controller did not announce.
            beginResetModel();
            p_clearNodes();
            endResetModel();
            return;
        }
        beginInsertRows({}, int(i + root->offset), int(i + root->offset));
        m_shownSections.insert(i, wanted.at(i));
        endInsertRows();
    }
}

bool TDTaskTreeModel::p_isHiddenSection(const Node* node) const {
    return node->item.kind == TDTaskRowItem::Kind::Section &&
           !m_shownSections.contains(node->item.collection());
}

void TDTaskTreeModel::p_showSection(Node* section) {
    // Sections keep the controller's order.
    qsizetype index = 0;
    for (TDOrderedCollection* other : m_controller->sections()) {
        if (other == section->item.collection()) break;
        if (m_shownSections.contains(other)) ++index;
    }
    const int row = int(index + m_root->offset);
    beginInsertRows({}, row, row);
    m_shownSections.insert(index, section->item.collection());
    endInsertRows();
}

void TDTaskTreeModel::p_hideSection(Node* section) {
    const qsizetype index = m_shownSections.indexOf(section->item.collection());
    if (index < 0) return;
    const int row = int(index + m_root->offset);
    beginRemoveRows({}, row, row);
    m_shownSections.removeAt(index);
    endRemoveRows();
}

void TDTaskTreeModel::p_updateFooter(Node* section) {
    const qsizetype count = m_controller->numberOfChildren(section->item);
    TDGroupingFooter* footer = count > 0 ? m_controller->child(section->item, count - 1).footer() : nullptr;
    const int row = int(section->objects().size());
    const QModelIndex parent = p_indexOfNode(section);
    if (footer && !section->footer) {
        beginInsertRows(parent, row, row);
        section->footer = footer;
        endInsertRows();
    } else if (!footer && section->footer) {
        beginRemoveRows(parent, row, row);
        section->footer = nullptr;
        endRemoveRows();
    } else if (footer) {
        section->footer = footer;
        p_rowsChanged(section, row, row);
    }
}

void TDTaskTreeModel::p_datesChanged(Node* node) {
    p_rowsChanged(node, 0, p_rowCount(node) - 1, StartColumn, DueColumn);
    for (const auto& [pointer, child] : node->children)
        if (child->prepared) p_datesChanged(child.get());
}

void TDTaskTreeModel::p_listTitlesChanged(Node* node, qsizetype first, qsizetype last) {
    first = std::max(first, node->offset);
    last = std::min(last, p_rowCount(node) - 1);
    p_rowsChanged(node, first, last, ListColumn, ListColumn);
}

void TDTaskTreeModel::p_rowsChanged(Node* node, qsizetype first, qsizetype last, int firstColumn,
                                    int lastColumn) {
    if (first > last) return;
    Q_EMIT dataChanged(createIndex(int(first), firstColumn, node), createIndex(int(last), lastColumn, node));
}

// ---------------------------------------------------------------------------------------------------
// Items

TDTaskRowItem TDTaskTreeModel::itemForIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return {};
    return p_itemAt(static_cast<Node*>(index.internalPointer()), index.row());
}

void TDTaskTreeModel::prefetchTasksBelow(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return;
    const auto* node = static_cast<const Node*>(index.internalPointer());
    const qsizetype row = index.row() - node->offset;
    if (row < 0) return;
    const QList<platform::ManagedObject*>& tasks = node->objects();
    constexpr qsizetype ahead = platform::ManagedObject::ReadAheadDistance;
    // Whether a task is deleted is read first, and an object spans more than its first line: the task
    // twice as far on is fetched whole, the one half as far has the slots of its title and notes fetched.
    if (row + 2 * ahead < tasks.size()) {
        const auto* object = reinterpret_cast<const char*>(tasks.at(row + 2 * ahead));
        for (std::size_t offset = 0; offset < sizeof(platform::ManagedObject); offset += 64)
            __builtin_prefetch(object + offset);
    }
    if (row + ahead < tasks.size()) {
        const platform::ManagedObject* task = tasks.at(row + ahead);
        const TDTaskProperties& properties = TDTaskProperties::of(task->entity());
        task->prefetchSlots(properties.title, nullptr, properties.notes);
    }
}

QModelIndex TDTaskTreeModel::indexForItem(const TDTaskRowItem& item) const {
    Node* root = m_root.get();
    p_prepare(root);
    auto indexIn = [this](Node* parent, const TDTaskRowItem& child) {
        const qsizetype row = p_rowOf(parent, child);
        return row < 0 ? QModelIndex() : createIndex(int(row), 0, parent);
    };
    switch (item.kind) {
        case TDTaskRowItem::Kind::Root:
            return {};
        case TDTaskRowItem::Kind::Header:
        case TDTaskRowItem::Kind::Section:
            return indexIn(root, item);
        case TDTaskRowItem::Kind::Footer: {
            const QModelIndex section =
                indexForItem(TDTaskRowItem::section(item.footer()->orderedCollection()));
            return section.isValid() ? indexIn(p_node(section), item) : QModelIndex();
        }
        case TDTaskRowItem::Kind::Task:
            break;
    }
    // The task and its ancestors, nearest first; the highest of them shown at the top finds the way down.
    QList<TDTask*> chain;
    for (TDTask* task = item.task(); task; task = task->parentTask()) chain.append(task);
    for (qsizetype top = chain.size() - 1; top >= 0; --top) {
        QList<Node*> containers;
        if (m_grouping) {
            for (TDOrderedCollection* section : std::as_const(m_shownSections))
                if (section->publishedObjects().contains(chain.at(top)))
                    containers.append(p_childNode(root, TDTaskRowItem::section(section)));
        } else {
            containers.append(root);
        }
        for (Node* container : std::as_const(containers)) {
            QModelIndex index = indexIn(container, TDTaskRowItem::task(chain.at(top)));
            for (qsizetype below = top - 1; index.isValid() && below >= 0; --below)
                index = indexIn(p_node(index), TDTaskRowItem::task(chain.at(below)));
            if (index.isValid()) return index;
        }
    }
    return {};
}

// ---------------------------------------------------------------------------------------------------
// The item model

QModelIndex TDTaskTreeModel::index(int row, int column, const QModelIndex& parent) const {
    if (column < 0 || column >= ColumnCount || row < 0 || (parent.isValid() && parent.model() != this))
        return {};
    Node* node = p_node(parent);
    if (row >= p_rowCount(node)) return {};
    return createIndex(row, column, node);
}

QModelIndex TDTaskTreeModel::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return p_indexOfNode(static_cast<Node*>(child.internalPointer()));
}

int TDTaskTreeModel::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    return int(p_rowCount(p_node(parent)));
}

int TDTaskTreeModel::columnCount(const QModelIndex&) const {
    return ColumnCount;
}

bool TDTaskTreeModel::hasChildren(const QModelIndex& parent) const {
    if (!parent.isValid()) return rowCount(parent) > 0;
    if (parent.column() > 0) return false;
    const TDTaskRowItem item = itemForIndex(parent);
    switch (item.kind) {
        case TDTaskRowItem::Kind::Section:
            return rowCount(parent) > 0;
        case TDTaskRowItem::Kind::Task: {
            // Asking the controller does not start following the subtasks of every row drawn.
            auto* parentNode = static_cast<Node*>(parent.internalPointer());
            // The tree asks row after row as it lays out a long list: the tasks further down are
            // fetched from memory meanwhile.
            TDPrefetchSubtasksAhead(parentNode->objects(), parent.row() - parentNode->offset);
            auto found = parentNode->children.find(item.pointer);
            if (found != parentNode->children.end() && found->second->prepared) return rowCount(parent) > 0;
            return m_controller->isItemExpandable(item);
        }
        default:
            return false;
    }
}

TDSectionCellContext TDTaskTreeModel::p_sectionContext(const TDTaskRowItem& item) const {
    TDOrderedCollection* section = item.collection();
    return {m_controller->group(), section->userInfo().value(QStringLiteral("isSortingSection")).toBool(),
            item.kind == TDTaskRowItem::Kind::Header || !m_hasHeader, m_controller->showsDatesAsIntervals()};
}

QVariant TDTaskTreeModel::p_sectionValue(const TDTaskRowItem& item, TDTaskColumn column) const {
    const bool walksTasks =
        column == TDTaskColumn::Start || column == TDTaskColumn::Due || column == TDTaskColumn::Estimate;
    if (!walksTasks) return TDSectionCellValue(item.collection(), column, p_sectionContext(item));
    const QPair<TDOrderedCollection*, int> key(item.collection(), int(column));
    auto found = m_sectionValues.constFind(key);
    if (found == m_sectionValues.cend())
        found = m_sectionValues.insert(key,
                                       TDSectionCellValue(item.collection(), column, p_sectionContext(item)));
    return *found;
}

QVariant TDTaskTreeModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.model() != this) return {};
    auto* parent = static_cast<Node*>(index.internalPointer());
    const TDTaskRowItem item = p_itemAt(parent, index.row());
    const auto column = TDTaskColumn(index.column());
    switch (role) {
        case ItemKindRole:
            return int(item.kind);
        case TaskRole:
            return item.task() ? QVariant::fromValue(item.task()) : QVariant();
        case TDOutlinePersistentObjectRole:
            // Saved states name tasks by uid; sections and footers are made anew by every reload.
            return item.task() && index.column() == 0 ? QVariant(item.task()->uid()) : QVariant();
        case Qt::DisplayRole:
        case Qt::EditRole:
        case DressingRole:
            break;
        default:
            return {};
    }
    const bool dressing = role == DressingRole;
    switch (item.kind) {
        case TDTaskRowItem::Kind::Task: {
            if (!dressing)
                return TDTaskCellValue(item.task(), column, nullptr, m_controller->showsDatesAsIntervals());
            // The list title stays the row's data whatever row is above; the view leaves a repeated one
            // blank.
            TDCellDressings flags = TDTaskCellDressing(item.task(), column);
            if (column == TDTaskColumn::List && item.task()->list() &&
                !TDTaskCellValue(item.task(), column, p_taskAbove(parent, index.row())).isValid())
                flags |= TDCellDressing::SameListAsRowAbove;
            return int(flags);
        }
        case TDTaskRowItem::Kind::Header:
        case TDTaskRowItem::Kind::Section: {
            if (dressing) return int(TDSectionCellDressing(column, p_sectionContext(item)));
            return p_sectionValue(item, column);
        }
        case TDTaskRowItem::Kind::Footer:
            if (dressing || column != TDTaskColumn::Task) return {};
            return item.footer()->displayString();
        case TDTaskRowItem::Kind::Root:
            break;
    }
    return {};
}

bool TDTaskTreeModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::EditRole || !index.isValid() || index.model() != this) return false;
    auto* parent = static_cast<Node*>(index.internalPointer());
    TDTask* task = p_itemAt(parent, index.row()).task();
    if (!task || !TDSetTaskCellValue(task, TDTaskColumn(index.column()), value)) return false;
    // The collection tells the rest of the row once the context processes the change.
    Q_EMIT dataChanged(index, index);
    return true;
}

QString TDTaskTreeModel::columnTitle(int column) {
    switch (column) {
        case ListColumn:
            return tr("List");
        case PriorityColumn:
            return tr("Priority");
        case TaskColumn:
            return tr("Task");
        case StartColumn:
            return tr("Start");
        case DueColumn:
            return tr("Due");
        case EstimateColumn:
            return tr("Estimate");
        default:
            return {};
    }
}

QVariant TDTaskTreeModel::headerData(int section, Qt::Orientation orientation, int role) const {
    // The header draws its titles itself; screen readers read them from here.
    if (orientation == Qt::Horizontal && role == Qt::AccessibleTextRole) return columnTitle(section);
    return QAbstractItemModel::headerData(section, orientation, role);
}

Qt::ItemFlags TDTaskTreeModel::flags(const QModelIndex& index) const {
    // Whether a drop is taken is the controller's to say, row by row, as the drag moves.
    if (!index.isValid()) return Qt::ItemIsDropEnabled;
    const TDTaskRowItem item = itemForIndex(index);
    Qt::ItemFlags flags = Qt::ItemIsEnabled;
    if (item.kind == TDTaskRowItem::Kind::Header || item.kind == TDTaskRowItem::Kind::Footer)
        flags |= Qt::ItemNeverHasChildren;
    if (item.kind != TDTaskRowItem::Kind::Footer) flags |= Qt::ItemIsDropEnabled;
    if (TDTask* task = item.task()) {
        flags |= Qt::ItemIsDragEnabled;
        if (m_controller->shouldSelectItem(item)) flags |= Qt::ItemIsSelectable;
        if (TDIsTaskCellEditable(task, TDTaskColumn(index.column()))) flags |= Qt::ItemIsEditable;
    }
    return flags;
}

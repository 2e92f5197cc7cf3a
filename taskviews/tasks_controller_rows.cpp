// The rows of the outline: the dummy header, the non-empty sections (or the group's tasks), subtasks
// and the footers of limited sections.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/task.h"

namespace {

// Our descriptors carry comparators that cannot be compared; key, direction and kind tell them apart.
bool sameDescriptors(const QList<platform::SortDescriptor>& a, const QList<platform::SortDescriptor>& b) {
    if (a.size() != b.size()) return false;
    if (a.constData() == b.constData()) return true;  // one shared list: asked for every row
    for (qsizetype i = 0; i < a.size(); ++i)
        if (a[i].keyPath() != b[i].keyPath() || a[i].ascending() != b[i].ascending() ||
            a[i].comparison() != b[i].comparison() || a[i].hasComparator() != b[i].hasComparator())
            return false;
    return true;
}

}  // namespace

// Setting descriptors resorts, so a collection that has them already is left alone.
void TDTasksController::p_giveSortDescriptors(TDOrderedCollection* collection) {
    if (!collection->sortingChangeEnabled() ||
        sameDescriptors(collection->sortDescriptors(), m_sortDescriptors))
        return;
    collection->setSortDescriptors(m_sortDescriptors);
}

QList<TDOrderedCollection*> TDTasksController::p_visibleSections() {
    QList<TDOrderedCollection*> visible;
    for (TDOrderedCollection* section : std::as_const(m_sectionPointers))
        if (section->count() != 0) visible.append(section);
    return visible;
}

TDGroupingFooter* TDTasksController::p_footerForSection(TDOrderedCollection* section) {
    std::unique_ptr<TDGroupingFooter>& footer = m_footers[section];
    if (!footer) footer = std::make_unique<TDGroupingFooter>(section);
    return footer.get();
}

void TDTasksController::p_clearSections() {
    m_footers.clear();
    m_sectionPointers.clear();
    m_sections.clear();
    m_grouping = false;
}

void TDTasksController::setPrinting(bool printing) {
    if (printing == m_printing) return;
    p_beginReloadingRows();
    m_printing = printing;
    if (!printing) m_printedHeader.reset();
    p_endReloadingRows();
}

TDOrderedCollection* TDTasksController::headerCollection() {
    if (!hasDummyHeader()) return nullptr;
    if (m_topTasks || !m_printing || !m_group) return m_topTasks;
    if (!m_printedHeader || m_printedHeader->object() != m_group)
        m_printedHeader = std::make_unique<TDOrderedCollection>(m_group, QStringLiteral("tasks"));
    return m_printedHeader.get();
}

TDTaskRowItem TDTasksController::child(const TDTaskRowItem& parent, qsizetype index) {
    if (index < 0) return TDTaskRowItem::root();
    TDOrderedCollection* collection = nullptr;
    switch (parent.kind) {
        case TDTaskRowItem::Kind::Root:
            if (!library()) return TDTaskRowItem::root();
            if (TDOrderedCollection* header = headerCollection()) {
                if (index == 0) return TDTaskRowItem::header(header);
                --index;
            }
            if (m_grouping) {
                const QList<TDOrderedCollection*> visible = p_visibleSections();
                return index < visible.size() ? TDTaskRowItem::section(visible.at(index))
                                              : TDTaskRowItem::root();
            }
            collection = m_topTasks;
            break;
        case TDTaskRowItem::Kind::Task:
            collection = parent.task()->orderedTasks();
            if (!collection->filterPredicate()) collection->setFilterPredicate(filterPredicate());
            break;
        case TDTaskRowItem::Kind::Section:
            collection = parent.collection();
            if (collection->limit() != 0 && index == collection->count())
                return TDTaskRowItem::footer(p_footerForSection(collection));
            break;
        default:
            qDebug("Tried to get child from unknown item");
            return TDTaskRowItem::root();
    }
    if (!collection) return TDTaskRowItem::root();
    p_giveSortDescriptors(collection);
    if (index >= collection->count()) return TDTaskRowItem::root();
    // Rows are mostly asked for in order, each then asked for its subtasks.
    TDPrefetchSubtasksAhead(collection->array().filteredObjects(), index);
    TDTask* task = TDTask::from(collection->objectAtIndex(index));
    return task ? TDTaskRowItem::task(task) : TDTaskRowItem::root();
}

qsizetype TDTasksController::numberOfChildren(const TDTaskRowItem& parent) {
    switch (parent.kind) {
        case TDTaskRowItem::Kind::Root: {
            if (!library()) return 0;
            const qsizetype header = headerCollection() ? 1 : 0;
            if (m_grouping) return p_visibleSections().size() + header;
            if (!m_topTasks) return header;
            p_giveSortDescriptors(m_topTasks);
            return m_topTasks->count() + header;
        }
        case TDTaskRowItem::Kind::Task: {
            TDTask* task = parent.task();
            if (!task->hasSubtasks()) return 0;
            TDOrderedCollection* subtasks = task->orderedTasks();
            if (!subtasks->filterPredicate()) subtasks->setFilterPredicate(filterPredicate());
            p_giveSortDescriptors(subtasks);
            return subtasks->count();
        }
        case TDTaskRowItem::Kind::Section: {
            TDOrderedCollection* section = parent.collection();
            p_giveSortDescriptors(section);
            const qsizetype count = section->count();
            const bool footer = m_displayMode == FolderMode && m_groupingLimit >= 1 &&
                                TDSectionListActionCount(section) != TDSectionShownActionCount(section);
            return count + (footer ? 1 : 0);
        }
        default:
            return 0;
    }
}

bool TDTasksController::isItemExpandable(const TDTaskRowItem& item) {
    if (item.kind == TDTaskRowItem::Kind::Section) return true;
    if (TDTask* task = item.task()) return task->hasSubtasks();
    return false;
}

// Wholesale changes nest (a group switch regroups and filters); the model hears the outermost pair.
void TDTasksController::p_beginReloadingRows() {
    if (m_rowsReloadDepth++ == 0) Q_EMIT rowsAboutToBeReloaded();
}

void TDTasksController::p_endReloadingRows() {
    if (--m_rowsReloadDepth == 0) Q_EMIT rowsReloaded();
}

// Reloading after changes, the recount that follows, the day change, the go-to overlay and Alt.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/entity_description.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_sections.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller_filter_predicates.h"
#include "taskviews/today_section_predicate.h"

#include <QHash>

#include <functional>

namespace {

const QString kShowDatesAsIntervals = QStringLiteral("showDatesAsIntervals");

// The members a collection shows, with its limit or without.
QList<platform::ManagedObject*> shownMembers(TDOrderedCollection* collection, bool limited) {
    collection->resortIfNeeded();
    TDFilteringMutableArray& array = collection->array();
    const quint64 limit = collection->limit();
    if (limit == 0 || limited) return array.visibleObjects();
    array.setLimit(0);
    QList<platform::ManagedObject*> members = array.visibleObjects();
    array.setLimit(limit);
    return members;
}

// The members the collection's filter takes now, in no particular order. A section shown as a copy of
// another takes the source's members that have no ancestor among them.
QList<platform::ManagedObject*> reevaluatedMembers(TDOrderedCollection* collection) {
    auto matching = [](TDOrderedCollection* c) {
        QList<platform::ManagedObject*> members;
        const platform::PredicatePtr& filter = c->filterPredicate();
        for (platform::ManagedObject* object : c->array().unfilteredObjectArray())
            if (!filter || filter->evaluate(object)) members.append(object);
        return members;
    };
    TDOrderedCollection* source = TDSectionSource(collection);
    if (!source) return matching(collection);
    const QList<platform::ManagedObject*> candidates = matching(source);
    const QSet<platform::ManagedObject*> set(candidates.begin(), candidates.end());
    QList<platform::ManagedObject*> members;
    for (platform::ManagedObject* object : candidates) {
        bool underAnother = false;
        if (TDTask* task = TDTask::from(object))
            for (TDTask* ancestor : task->ancestorTasks())
                if (set.contains(ancestor)) underAnother = true;
        if (!underAnother) members.append(object);
    }
    return members;
}

// Whether a task has subtasks, with the relationship looked up by name once rather than per task: the
// counts ask it of every shown task after each change.
class SubtaskTest {
public:
    bool operator()(const TDTask* task) {
        if (!m_subtasks) m_subtasks = task->entity()->relationship(QStringLiteral("subtasks"));
        return !task->objects(m_subtasks).isEmpty();
    }

private:
    const platform::RelationshipDescription* m_subtasks = nullptr;
};

}  // namespace

void TDTasksController::reload() {
    if (m_group && m_group->isTodayGroup()) {
        const TDTodayRoutingPass routing;
        for (TDOrderedCollection* section : std::as_const(m_sectionPointers))
            if (platform::PredicatePtr children = TDSectionPredicateForChildren(section))
                p_propagateFilterPredicate(children, section);
    }
    TDTaskPresentation* shown = presentation();
    if (shown) shown->saveSelection();
    Q_EMIT rowsNeedUpdate();
    if (shown) shown->restoreSelection();
    updateUI();
}

// Every task of the rows, depth first. `AsShown` keeps the sections' limits, `LimitsLifted` walks past
// them, `Reevaluated` also judges each member by its collection's filter as it stands now, without
// touching what the collections keep (the counts look past the tag and title filters without making the
// rows change twice).
void TDTasksController::p_walkShownTasks(TaskWalk how, const std::function<void(TDTask*)>& visit) {
    SubtaskTest hasSubtasks;
    std::function<void(TDOrderedCollection*)> walk = [&](TDOrderedCollection* collection) {
        const QList<platform::ManagedObject*> members =
            how == TaskWalk::Reevaluated ? reevaluatedMembers(collection)
                                         : shownMembers(collection, how == TaskWalk::AsShown);
        for (qsizetype i = 0; i < members.size(); ++i) {
            TDPrefetchSubtasksAhead(members, i);
            TDTask* task = TDTask::from(members.at(i));
            if (!task) continue;
            visit(task);
            if (!hasSubtasks(task)) continue;
            TDOrderedCollection* subtasks = task->orderedTasks();
            if (!subtasks->filterPredicate()) subtasks->setFilterPredicate(filterPredicate());
            walk(subtasks);
        }
    };
    if (m_grouping) {
        for (TDOrderedCollection* section : std::as_const(m_sectionPointers)) walk(section);
    } else if (m_topTasks) {
        walk(m_topTasks);
    }
}

void TDTasksController::updateUI() {
    if (m_dontUpdateUI) return;
    // The counts walk the sections one after another, with nothing changing meanwhile.
    const TDTodayRoutingPass routing;
    m_canShowAllCompletedTasks = m_group && !m_group->isArchived() && !m_group->isUpcomingGroup();
    // The cards count open tasks only.
    const bool cards = m_mode == 1;
    SubtaskTest hasSubtasks;
    auto counted = [cards, &hasSubtasks](TDTask* task) {
        return !hasSubtasks(task) && (!cards || task->isIncomplete());
    };

    const bool byTags = isFilteringByTags();
    const bool byTitle = isFilteringByTitle();
    const bool filtering = byTags || byTitle;
    if (byTags) m_tagFilterPredicate->setEnabled(false);
    if (byTitle) m_titleFilterPredicate->setEnabled(false);
    qint64 actions = 0;
    if (filtering) p_walkShownTasks(TaskWalk::Reevaluated, [&](TDTask* task) { actions += counted(task); });

    // The tag information covers the tasks the title filter leaves, whatever their tags. Counted by
    // tag first: the dictionary entries are made once per tag, not once per tagged task.
    if (byTitle) m_titleFilterPredicate->setEnabled(true);
    QHash<TDGroup*, qint64> tagCounts;
    const platform::RelationshipDescription* tagsRelationship = nullptr;
    qint64 visibleWithoutTags = 0;
    p_walkShownTasks(filtering ? TaskWalk::Reevaluated : TaskWalk::LimitsLifted, [&](TDTask* task) {
        visibleWithoutTags += counted(task);
        if (cards && !task->isIncomplete()) return;
        if (!tagsRelationship) tagsRelationship = task->entity()->relationship(QStringLiteral("tags"));
        for (platform::ManagedObject* tag : task->objects(tagsRelationship))
            if (tag != m_group) ++tagCounts[static_cast<TDGroup*>(tag)];
    });
    m_filterTagInfo.clear();
    for (auto it = tagCounts.cbegin(); it != tagCounts.cend(); ++it)
        m_filterTagInfo.insert(it.key()->uid(),
                               QVariantMap{{QStringLiteral("tag"), platform::objectVariant(it.key())},
                                           {QStringLiteral("count"), it.value()}});
    if (!filtering) actions = visibleWithoutTags;
    p_setNumberOfActions(actions);

    // Tags that no shown task carries any more stop filtering.
    QSet<TDTag*> kept;
    for (TDTag* tag : std::as_const(m_filterTags))
        if (m_filterTagInfo.contains(tag->uid())) kept.insert(tag);
    const bool dropped = kept.size() != m_filterTags.size();
    if (dropped) m_filterTags = kept;
    if (byTags) {
        m_tagFilterPredicate->setEnabled(!m_filterTags.isEmpty());
        if (dropped) {
            m_tagFilterPredicate->setRealPredicate(
                m_filterTags.isEmpty() ? platform::PredicatePtr() : TDMakeTagFilterPredicate(m_filterTags));
            p_beginReloadingRows();
            filterPredicateDidChange();
            p_endReloadingRows();
        }
        p_tellWindowWhetherFiltering();
    }
    Q_EMIT filterTagInfoChanged();

    // What a section's limit hides behind its footer is not shown.
    qint64 visible = visibleWithoutTags;
    if (byTags || m_groupingLimit != 0) {
        visible = 0;
        p_walkShownTasks(TaskWalk::AsShown, [&](TDTask* task) { visible += counted(task); });
    }
    p_setNumberOfVisibleActions(visible);
}

void TDTasksController::reloadAfterDateChange() {
    m_reloadAfterDateChangeScheduled = false;
    finishEditing();
    p_beginReloadingRows();
    setHideOldCompletedTasksCutoffDate(m_hideOldCompletedTasksCutoffDate);
    filterPredicateDidChange();
    p_groupByAttribute(m_groupingAttribute, m_reverseSort, true);
    p_endReloadingRows();
    reload();
}

void TDTasksController::setDrawOverlayForGoto(bool drawsOverlay) {
    m_drawsOverlay = drawsOverlay;
    if (m_outline) m_outline->setDrawsOverlay(drawsOverlay);
    if (m_cards) m_cards->setDrawsOverlay(drawsOverlay);
}

bool TDTasksController::showsDatesAsIntervals() const {
    return m_optionKeyDown || m_userShowsDatesAsIntervals;
}

// Every date cell asks on every paint: the setting is read when it changes, not then.
void TDTasksController::p_readShowsDatesAsIntervals() {
    m_userShowsDatesAsIntervals = platform::UserDefaults::standard().boolean(kShowDatesAsIntervals);
}

// Holding Alt is a look, not a setting: the user's choice is never written.
void TDTasksController::optionKeyDown() {
    if (m_optionKeyDown) return;
    if (!m_window || !m_window->isWindowKey() || m_window->isEditingGroupTitle()) return;
    if (presentation() && presentation()->editedRow() >= 0) return;
    const bool before = showsDatesAsIntervals();
    m_optionKeyDown = true;
    if (before) return;
    Q_EMIT showsDatesAsIntervalsChanged(true);
    if (m_outline) m_outline->redisplay();
}

void TDTasksController::optionKeyUp() {
    if (!m_optionKeyDown) return;
    m_optionKeyDown = false;
    if (showsDatesAsIntervals()) return;
    Q_EMIT showsDatesAsIntervalsChanged(false);
    if (m_outline) m_outline->redisplay();
}

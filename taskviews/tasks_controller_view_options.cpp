// The view options of a group (library option "groupViewOptions") and of a tab.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/library.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "taskviews/card_deck.h"
#include "taskviews/mutable_comparison_predicate.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_controller_filter_predicates.h"

namespace {

const QString kGroupViewOptions = QStringLiteral("groupViewOptions");
const QString kDisplayMode = QStringLiteral("displayMode");
const QString kExpandedState = QStringLiteral("expandedState");
const QString kGroupingAttribute = QStringLiteral("groupingAttribute");
const QString kGroupingLimit = QStringLiteral("groupingLimit");
const QString kSortingAttribute = QStringLiteral("sortingAttribute");
const QString kReverseSort = QStringLiteral("reverseSort");
const QString kScrollPositionState = QStringLiteral("scrollPositionState");
const QString kSelectionState = QStringLiteral("selectionState");
const QString kHideOldCompletedTasks = QStringLiteral("hideOldCompletedTasks");
const QString kHideOldCompletedTasksCutoffDate = QStringLiteral("hideOldCompletedTasksCutoffDate");
const QString kTitle = QStringLiteral("title");
const QString kNumberOfCards = QStringLiteral("numberOfCards");
const QString kTitleFilterString = QStringLiteral("titleFilterString");
const QString kFilterTagUIDs = QStringLiteral("filterTagUIDs");

// A key that is absent keeps the group's default; a stored null does too.
QString stringOption(const QVariantMap& options, const QString& key, const QString& fallback) {
    const QVariant value = options.value(key);
    return value.isValid() && !value.isNull() ? value.toString() : fallback;
}

}  // namespace

// Every group with a uid keeps its own grouping and sorting.
bool TDTasksController::p_shouldSaveGroupingAndSortingOptions() const {
    return m_group && !m_group->uid().isEmpty();
}

QVariantMap TDTasksController::viewOptionsForGroup(TDGroup* group) const {
    if (!group) return {};
    if (m_window && m_window->selectedTabGroupUID() == group->uid()) {
        const QVariantMap tab = m_window->selectedTabViewOptions();
        if (!tab.isEmpty()) return tab;
    }
    if (!library()) return {};
    return m_manager.optionForKey(kGroupViewOptions).toMap().value(group->uid()).toMap();
}

QVariantMap TDTasksController::viewOptions() const {
    QVariantMap options;
    options.insert(kDisplayMode, m_mode < 0 ? 0 : m_mode);
    if (m_outline) {
        options.insert(kExpandedState, m_outline->expandedState());
        options.insert(kScrollPositionState, m_outline->scrollPositionState());
        options.insert(kSelectionState, m_outline->selectionState());
    }
    if (p_shouldSaveGroupingAndSortingOptions()) {
        if (!m_groupingAttribute.isNull()) options.insert(kGroupingAttribute, m_groupingAttribute);
        options.insert(kGroupingLimit, m_groupingLimit);
        if (!m_sortingAttribute.isNull()) {
            options.insert(kSortingAttribute, m_sortingAttribute);
            options.insert(kReverseSort, m_reverseSort);
        }
    }
    options.insert(kHideOldCompletedTasks, m_hideOldCompletedTasks);
    if (m_hideOldCompletedTasksCutoffDate.isValid())
        options.insert(kHideOldCompletedTasksCutoffDate, m_hideOldCompletedTasksCutoffDate);
    if (m_group) options.insert(kTitle, m_group->title());
    if (m_cardDeck) options.insert(kNumberOfCards, m_cardDeck->numberOfCards());
    return options;
}

QVariantMap TDTasksController::tabViewOptions() const {
    QVariantMap options = viewOptions();
    if (isFilteringByTitle() && !m_titleFilterString.isEmpty())
        options.insert(kTitleFilterString, m_titleFilterString);
    if (!m_filterTags.isEmpty()) {
        QStringList uids;
        for (TDTag* tag : m_filterTags) uids << tag->uid();
        uids.sort();
        options.insert(kFilterTagUIDs, uids);
    }
    return options;
}

void TDTasksController::saveViewOptions() {
    if (!m_savesOptions || !m_group || m_group->isDeleted() || m_group->uid().isEmpty() || !library()) return;
    QVariantMap all = m_manager.optionForKey(kGroupViewOptions).toMap();
    all.insert(m_group->uid(), viewOptions());
    m_manager.setOption(all, kGroupViewOptions);
}

void TDTasksController::setViewOptions(const QVariantMap& options) {
    p_beginReloadingRows();
    applyViewOptionsBeforeReloading(options);
    p_endReloadingRows();
    applyViewOptionsAfterReloading(options);
}

void TDTasksController::applyViewOptionsBeforeReloading(const QVariantMap& options) {
    p_beginReloadingRows();
    if (m_outline) m_outline->clearAccumulatedExpandedState();
    setMode(options.value(kDisplayMode, 0).toLongLong());

    QString grouping = m_group ? m_group->defaultGroupingAttribute() : QString();
    QString sorting = m_group ? m_group->defaultSortingAttribute() : QString();
    if (options.contains(kGroupingAttribute)) grouping = stringOption(options, kGroupingAttribute, QString());
    sorting = stringOption(options, kSortingAttribute, sorting);
    const bool reverse = options.value(kReverseSort).toBool();
    if (m_group && m_group->isFolder()) {
        const QVariant limit = options.value(kGroupingLimit);
        m_groupingLimit = limit.isValid() ? limit.toULongLong()
                                          : platform::UserDefaults::standard()
                                                .value(QStringLiteral("defaultGroupingLimit"))
                                                .toULongLong();
        grouping = QStringLiteral("subgroup");
    } else {
        m_groupingLimit = 0;
    }
    if (m_outline) m_outline->deselectAll();

    setHideOldCompletedTasksCutoffDate(options.value(kHideOldCompletedTasksCutoffDate).toDateTime());
    bool hide = options.value(kHideOldCompletedTasks, true).toBool();
    // Archived tasks are all completed: hiding them would show an empty archive.
    if (m_group && library() && m_group->isDescendantOf(library()->archiveGroup())) hide = false;
    p_setHideOldCompletedTasks(hide, false);

    // The whole filter is set before the sections are built, so they are filtered once.
    m_titleFilterString = options.value(kTitleFilterString).toString();
    setTitleFilterPredicate(m_titleFilterString.isEmpty() ? platform::PredicatePtr()
                                                          : TDMakeTitleFilterPredicate(m_titleFilterString),
                            false);
    QSet<TDTag*> tags;
    if (library())
        for (const QString& uid : options.value(kFilterTagUIDs).toStringList())
            if (TDTag* tag = library()->tagWithUID(uid)) tags.insert(tag);
    setFilterTags(tags, false);

    p_groupByAttribute(grouping, reverse, true);
    p_sortByAttribute(sorting, reverse);

    if (m_topTasks) m_topTasks->setFilterPredicate(filterPredicate());
    // Notes become rich text as their rows come into sight (the outline asks before painting).
    p_filterPredicateDidChange(false);
    p_endReloadingRows();
}

void TDTasksController::applyViewOptionsAfterReloading(const QVariantMap& options) {
    // The stack under the front card shows as many cards as when the options were saved.
    if (m_mode == 1 && m_cardDeck && options.contains(kNumberOfCards))
        m_cardDeck->setNumberOfCards(options.value(kNumberOfCards).toLongLong());
    if (!m_outline) return;
    if (options.contains(kExpandedState)) m_outline->setExpandedState(options.value(kExpandedState));
    if (options.contains(kScrollPositionState))
        m_outline->setScrollPositionState(options.value(kScrollPositionState));
    if (options.contains(kSelectionState))
        m_outline->setSelectionState(options.value(kSelectionState));
    else
        m_outline->deselectAll();
}

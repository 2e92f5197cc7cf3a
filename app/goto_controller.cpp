#include "app/goto_controller.h"

#include "app/groups_controller.h"
#include "foundation/utilities.h"
#include "language/title_parser.h"
#include "model/group.h"
#include "model/library.h"
#include "model/tag.h"
#include "taskviews/tasks_controller.h"

#include <functional>

namespace {

QString displayName(TDGroup* group, bool tagMode) {
    if (tagMode)
        if (auto* tag = dynamic_cast<TDTag*>(group)) return tag->editingString();
    return group->title();
}

}  // namespace

TDGotoController::TDGotoController(TDGroupsController& groups, TDTasksController& tasks, QObject* parent)
    : QObject(parent), m_groups(groups), m_tasks(tasks) {
}

TDGotoController::~TDGotoController() = default;

bool TDGotoController::p_tagMode() const {
    return m_groups.mode() == 1;
}

QStringList TDGotoController::completionsForString(const QString& typed, bool composing) {
    // Emptying the field after done or cancel is no keystroke.
    if (m_canceled) return {};
    if (typed.isEmpty()) m_beepedOnNoMatch = false;
    if (!m_hasSavedState) {
        m_hasSavedState = true;
        m_savedGroup = m_tasks.group();
        m_savedGroupViewOptions = m_tasks.tabViewOptions();
        m_savedSourceListMode = m_groups.mode();
        m_sourceListWasHidden = m_window && m_window->isSourceListHidden();
        // The matches show in the source list; done or cancel hides it again.
        if (m_sourceListWasHidden) m_window->toggleSourceList();
    }
    p_saveExpandedState();

    const bool wantsTags = TDTitleParser::hasTagPrefix(typed) || TDTitleParser::isTokenEditingString(typed) ||
                           (typed.isEmpty() && m_savedSourceListMode == 1);
    const int wantedMode = wantsTags ? 1 : 0;
    if (m_groups.mode() != wantedMode) {
        p_restoreExpandedState(false);
        m_groups.setMode(wantedMode);
        p_saveExpandedState();
    }

    m_searchString = typed.trimmed();
    QList<TDGroup*> matches;
    if (TDLibrary* library = m_groups.library()) {
        if (wantsTags) {
            for (TDTag* tag : library->tagsMatchingAbbreviation(m_searchString)) matches.append(tag);
        } else {
            matches = library->goToGroupsMatchingAbbreviation(m_searchString);
        }
    }
    m_foundMatch = !matches.isEmpty();

    if (m_foundMatch) {
        m_groups.highlightGroups(matches);
        for (TDGroup* group : matches) m_groups.revealGroup(group);
        if (m_tasks.group() != matches.first()) m_groups.selectGroup(matches.first(), false);
        // Selecting a tag may have switched the mode; the matches stay those of the wanted one.
        m_beepedOnNoMatch = false;
    } else {
        m_groups.highlightGroups({});
        if (!m_beepedOnNoMatch && !m_searchString.isEmpty() && m_searchString != QStringLiteral("/") &&
            !composing) {
            playBeep();
            m_beepedOnNoMatch = true;
        }
    }
    p_updateInfo(m_searchString);

    QStringList names;
    for (TDGroup* group : matches) names.append(displayName(group, wantsTags));
    return names;
}

void TDGotoController::p_updateInfo(const QString& text) {
    p_setOverlay(true);
    const qsizetype found = m_groups.highlightedGroups().size();
    if (text.isEmpty()) {
        m_infoHidden = true;
        m_arrowsEnabled = false;
    } else {
        m_infoHidden = false;
        m_infoText = found > 0 ? tr("%1 found").arg(found) : tr("Not found");
        m_arrowsEnabled = found > 1;
    }
    Q_EMIT infoChanged();
}

QList<TDGroup*> TDGotoController::p_highlightedRowsInOrder() const {
    const TDSourceListModel& model = *m_groups.model();
    const QList<TDGroup*> highlighted = m_groups.highlightedGroups();
    QList<TDGroup*> rows;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            TDGroup* group = model.groupForIndex(index);
            if (group && highlighted.contains(group)) rows.append(group);
            if (model.isExpanded(index)) walk(index);
        }
    };
    walk({});
    return rows;
}

QString TDGotoController::cycleThroughMatches(bool up) {
    const QList<TDGroup*> rows = p_highlightedRowsInOrder();
    if (rows.isEmpty()) return {};
    // The selected group's place among all shown rows decides which highlighted one is nearest.
    const TDSourceListModel& model = *m_groups.model();
    QList<TDGroup*> shown;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            shown.append(model.groupForIndex(index));
            if (model.isExpanded(index)) walk(index);
        }
    };
    walk({});
    const qsizetype selected = shown.indexOf(m_groups.selectedGroup());
    TDGroup* next = nullptr;
    if (up) {
        for (qsizetype i = rows.size() - 1; i >= 0 && !next; --i)
            if (shown.indexOf(rows[i]) < selected) next = rows[i];
        if (!next) next = rows.last();
    } else {
        for (qsizetype i = 0; i < rows.size() && !next; ++i)
            if (shown.indexOf(rows[i]) > selected) next = rows[i];
        if (!next) next = rows.first();
    }
    m_groups.selectGroup(next, false);
    p_updateInfo(m_searchString);
    return displayName(next, p_tagMode());
}

// --- Open folders per mode

void TDGotoController::p_saveExpandedState() {
    std::optional<QStringList>& slot = m_expandedState[p_tagMode() ? 1 : 0];
    if (!slot) slot = m_groups.model()->expandedState();
}

void TDGotoController::p_restoreExpandedState(bool keepingSelection) {
    const std::optional<QStringList>& slot = m_expandedState[p_tagMode() ? 1 : 0];
    if (!slot) return;
    TDGroup* selected = m_groups.selectedGroup();
    m_groups.model()->setExpandedState(*slot);
    // The chosen row may lie under a folder that was closed: it stays in view.
    if (keepingSelection && selected) m_groups.revealGroup(selected);
}

// --- Opening and closing

void TDGotoController::viewDidOpen() {
    m_open = true;
    m_canceled = false;
    m_arrowsEnabled = false;
    m_infoHidden = true;
    Q_EMIT infoChanged();
}

void TDGotoController::viewDidClose() {
    m_open = false;
}

void TDGotoController::done() {
    if (!m_open || m_canceled) return;
    p_restoreExpandedState(true);
    if (!m_searchString.isEmpty() && m_foundMatch)
        if (TDLibrary* library = m_groups.library()) library->addMnemonic(m_searchString, m_tasks.group());
    const bool wasHidden = m_sourceListWasHidden;
    p_cleanup();
    if (wasHidden && m_window && !m_window->isSourceListHidden()) m_window->toggleSourceList();
    // The window's close cancels; with the state cleaned up that only empties the field.
    if (m_window) m_window->closeGotoView();
    m_groups.addCurrentGroupToHistory();
}

void TDGotoController::cancel() {
    p_cancel(true);
}

void TDGotoController::p_cancel(bool askWindow) {
    if (m_canceled) return;
    m_canceled = true;
    p_restoreSourceListState();
    p_cleanup();
    Q_EMIT clearSearchField();
    if (askWindow && m_window) m_window->closeGotoView();
}

void TDGotoController::windowWillClose() {
    if (m_open) p_restoreSourceListState();
}

void TDGotoController::p_restoreSourceListState() {
    p_restoreExpandedState(false);
    if (!m_hasSavedState) return;
    m_groups.setMode(m_savedSourceListMode);
    if (m_savedGroup) m_groups.selectGroup(m_savedGroup, false);
    m_tasks.setViewOptions(m_savedGroupViewOptions);
    if (m_sourceListWasHidden && m_window && !m_window->isSourceListHidden()) m_window->toggleSourceList();
}

void TDGotoController::p_cleanup() {
    m_infoHidden = true;
    m_groups.highlightGroups({});
    m_hasSavedState = false;
    m_savedGroup = nullptr;
    m_savedGroupViewOptions.clear();
    m_savedSourceListMode = -2;
    m_sourceListWasHidden = false;
    m_expandedState[0].reset();
    m_expandedState[1].reset();
    p_setOverlay(false);
    m_foundMatch = false;
    Q_EMIT infoChanged();
}

void TDGotoController::p_setOverlay(bool drawsOverlay) {
    if (m_tasks.drawsOverlay() != drawsOverlay) m_tasks.setDrawOverlayForGoto(drawsOverlay);
}

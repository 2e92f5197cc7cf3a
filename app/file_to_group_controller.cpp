#include "app/file_to_group_controller.h"

#include "app/groups_controller.h"
#include "language/localized_string.h"
#include "language/mnemonics.h"
#include "model/abbreviation_matcher.h"
#include "model/group.h"
#include "model/library.h"
#include "model/library_options.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/tasks_controller.h"

#include <functional>

namespace {

const QString kMnemonicOption = QStringLiteral("lastUsedFileToGroupMnemonic");
const QString kUIDOption = QStringLiteral("lastUsedFileToGroupUID");

}  // namespace

TDFileToGroupController::TDFileToGroupController(TDGroupsController& groups, TDTasksController& tasks,
                                                 QObject* parent)
    : QObject(parent), m_groupsController(groups), m_tasksController(tasks) {
    m_doneTitle = TDLocalizedString("Move");
}

TDFileToGroupController::~TDFileToGroupController() = default;

QString TDFileToGroupController::open() {
    m_open = true;
    m_sourceListWasHidden = m_window && m_window->isSourceListHidden();
    if (m_sourceListWasHidden) m_window->toggleSourceList();
    m_savedSourceListMode = m_groupsController.mode();
    m_groupsController.setMode(0);
    m_expandedState = m_groupsController.model()->expandedState();
    m_beepedOnNoMatch = false;

    QString abbreviation;
    TDLibrary* library = m_groupsController.library();
    TDLibraryOptions* options = library ? library->options() : nullptr;
    if (options) abbreviation = options->optionForKey(kMnemonicOption).toString();
    if (!abbreviation.isEmpty()) {
        (void)completionsForString(abbreviation);
        TDGroup* last = library->groupWithUID(options->optionForKey(kUIDOption).toString());
        if (last && !last->isDeleted() && last != m_groupsController.shownGroup()) {
            p_setMark(last);
            Q_EMIT matchStringChanged(last->title());
        }
    }
    // The arrows wait for the next keystroke.
    m_arrowsEnabled = false;
    Q_EMIT stateChanged();
    return abbreviation;
}

// The lists filing offers, as the library's ranking of them does: not archived.
QList<TDAbbreviationCandidate> TDFileToGroupController::p_offeredLists(TDLibrary* library) {
    QList<TDAbbreviationCandidate> candidates;
    for (TDGroup* group : library->allSubGroups())
        if (group->isList() && !group->isArchived())
            candidates.append(TDAbbreviationCandidate::fromGroup(group));
    return candidates;
}

QStringList TDFileToGroupController::completionsForString(const QString& typed, bool composing) {
    if (!m_open) return {};
    m_searchString = typed.trimmed();
    if (m_searchString.isEmpty()) p_setMark(nullptr);

    QList<TDGroup*> matches;
    if (TDLibrary* library = m_groupsController.library()) {
        if (!m_index) m_index = std::make_unique<TDAbbreviationIndex>(p_offeredLists(library));
        TDAbbreviationMatcher matcher(QSMnemonics::sharedInstance());
        for (const TDAbbreviationCandidate& ranked :
             matcher.groupsMatchingAbbreviation(*m_index, m_searchString))
            if (!ranked.object->isDeleted()) matches.append(ranked.object);
    }
    matches.removeAll(m_groupsController.shownGroup());

    if (!matches.isEmpty()) {
        m_groupsController.highlightGroups(matches);
        for (TDGroup* group : matches) m_groupsController.revealGroup(group);
        p_revealAndMark(matches.first());
        m_beepedOnNoMatch = false;
    } else if (!m_beepedOnNoMatch && !m_searchString.isEmpty() && !composing) {
        p_setMark(nullptr);
        if (m_window) m_window->shake();
        m_beepedOnNoMatch = true;
    }
    m_doneTitle = matches.isEmpty() && !m_searchString.isEmpty() && !composing
                      ? TDLocalizedString("Create List and Move")
                      : TDLocalizedString("Move");
    m_groupsController.highlightGroups(matches);
    p_updateUI(m_searchString);

    QStringList titles;
    for (TDGroup* group : std::as_const(matches)) titles.append(group->title());
    return titles;
}

void TDFileToGroupController::p_updateUI(const QString& text) {
    m_arrowsEnabled = !text.isEmpty() && m_groupsController.highlightedGroups().size() > 1;
    Q_EMIT stateChanged();
}

void TDFileToGroupController::p_setMark(TDGroup* group) {
    if (m_marked == group) return;
    m_marked = group;
    Q_EMIT markChanged(group);
}

void TDFileToGroupController::p_revealAndMark(TDGroup* group) {
    // Revealing the mark leaves the tasks view on the group it shows.
    const bool changes = m_groupsController.changesTasksViewContent();
    m_groupsController.setChangesTasksViewContent(false);
    m_groupsController.revealGroup(group);
    m_groupsController.setChangesTasksViewContent(changes);
    p_setMark(group);
}

QList<TDGroup*> TDFileToGroupController::p_shownRows() const {
    const TDSourceListModel& model = *m_groupsController.model();
    QList<TDGroup*> rows;
    std::function<void(const QModelIndex&)> walk = [&](const QModelIndex& parent) {
        for (int row = 0; row < model.rowCount(parent); ++row) {
            const QModelIndex index = model.index(row, 0, parent);
            rows.append(model.groupForIndex(index));
            if (model.isExpanded(index)) walk(index);
        }
    };
    walk({});
    return rows;
}

void TDFileToGroupController::cycleThroughMatches(bool up) {
    const QList<TDGroup*> shown = p_shownRows();
    const QList<TDGroup*> highlighted = m_groupsController.highlightedGroups();
    QList<qsizetype> rows;
    for (qsizetype row = 0; row < shown.size(); ++row)
        if (highlighted.contains(shown.at(row))) rows.append(row);
    if (!rows.isEmpty()) {
        const qsizetype marked = shown.indexOf(m_marked);
        std::optional<qsizetype> next;
        if (up) {
            for (auto row = rows.crbegin(); row != rows.crend() && !next; ++row)
                if (*row < marked) next = *row;
            if (!next) next = rows.last();
        } else {
            for (qsizetype row : std::as_const(rows))
                if (row > marked && !next) next = row;
            if (!next) next = rows.first();
        }
        TDGroup* group = shown.at(*next);
        p_revealAndMark(group);
        Q_EMIT matchStringChanged(group->title());
    }
    p_updateUI(m_searchString);
}

bool TDFileToGroupController::done(const QString& fieldText) {
    if (!m_open) return false;
    TDLibrary* library = m_groupsController.library();
    if (m_searchString.isEmpty() || !library) {
        if (m_window) m_window->shake();
        return false;
    }
    if (!m_marked) {
        TDList* list = library->createList();
        list->setTitle(fieldText.trimmed());
        p_setMark(list);
    }
    TDGroup* target = m_marked;
    QList<TDTask*> moving = m_tasks;
    moving.removeIf([target](TDTask* task) { return task->isDeleted() || task->list() == target; });
    QList<platform::ManagedObject*> objects(moving.begin(), moving.end());
    (void)target->orderedTasks()->insertObjects(objects, 0);  // the collection logs a refusal

    library->addMnemonic(m_searchString, target);
    if (TDLibraryOptions* options = library->options()) {
        options->setOption(m_searchString, kMnemonicOption);
        options->setOption(target->uid(), kUIDOption);
    }
    m_tasksController.managedObjectContext()->processPendingChanges();
    m_tasksController.setSelection(m_tasks);

    p_cleanup();
    if (platform::UndoManager* undo = m_tasksController.undoManager())
        undo->setActionName(TDLocalizedString("File Task"));
    if (m_window) m_window->closePanel();
    return true;
}

void TDFileToGroupController::cancel() {
    if (!m_open) return;
    p_cleanup();
    Q_EMIT clearSearchField();
    if (m_window) m_window->closePanel();
}

void TDFileToGroupController::p_cleanup() {
    m_open = false;
    m_index.reset();
    p_setMark(nullptr);
    m_groupsController.highlightGroups({});
    if (m_expandedState) {
        const bool changes = m_groupsController.changesTasksViewContent();
        m_groupsController.setChangesTasksViewContent(false);
        m_groupsController.model()->setExpandedState(*m_expandedState);
        m_groupsController.setChangesTasksViewContent(changes);
        m_expandedState.reset();
    }
    if (m_savedSourceListMode >= 0) m_groupsController.setMode(m_savedSourceListMode);
    m_savedSourceListMode = -1;
    // Shown meanwhile by the person, the source list stays.
    if (m_sourceListWasHidden && m_window && !m_window->isSourceListHidden()) m_window->toggleSourceList();
    m_sourceListWasHidden = false;
    m_arrowsEnabled = false;
    Q_EMIT stateChanged();
}

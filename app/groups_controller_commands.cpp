// The source list's commands: making, renaming, duplicating, archiving and deleting groups, which of
// them the menus offer, and drops on the source list.
#include "app/groups_controller.h"

#include "app/smart_folder_sheet_prompter.h"
#include "app/source_list_presentation.h"
#include "auxiliary/smart_folder_edit_window_controller.h"
#include "foundation/alert.h"
#include "foundation/application_delegate.h"
#include "language/localized_string.h"
#include "model/folder.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"
#include "taskviews/task_presentation.h"
#include "taskviews/tasks_controller.h"

#include <QScopedValueRollback>

#include <algorithm>

namespace {

const QString kHideSourceList = QStringLiteral("hideSourceList");

bool isInside(const TDGroup* group, const TDGroup* ancestor) {
    return group && ancestor && group->isDescendantOf(ancestor);
}

qsizetype indexAmongSiblings(TDGroup* group) {
    TDGroup* parent = group->parentGroup();
    return parent ? parent->orderedSubgroups()->objects().indexOf(group) : -1;
}

// Places for a new group, tried in turn.
using Place = std::pair<TDGroup*, qsizetype>;

Place firstChildOf(TDGroup* folder) {
    return {folder, 0};
}

Place justAfter(TDGroup* group) {
    return {group->parentGroup(), indexAmongSiblings(group) + 1};
}

Place lastChildOf(TDGroup* folder) {
    return {folder, folder ? folder->orderedSubgroups()->count() : 0};
}

// Suspends the tasks controller's following of the library while a command changes many objects at once.
class SuspendedObservation {
public:
    explicit SuspendedObservation(TDTasksController* tasks)
        : m_tasks(tasks && tasks->isObservingMOC() ? tasks : nullptr) {
        if (m_tasks) m_tasks->unregisterForMOCObserving();
    }
    ~SuspendedObservation() {
        if (m_tasks) m_tasks->registerForMOCObserving();
    }
    SuspendedObservation(const SuspendedObservation&) = delete;
    SuspendedObservation& operator=(const SuspendedObservation&) = delete;

private:
    TDTasksController* m_tasks;
};

}  // namespace

// --- Menus

QString TDGroupsController::titleForCommand(Command command) {
    switch (command) {
        case Command::AddList:
            return TDLocalizedString("New List");
        case Command::AddFolder:
        case Command::AddSubfolder:
            return TDLocalizedString("New Folder");
        case Command::AddTag:
            return TDLocalizedString("New Tag");
        case Command::AddTagBundle:
        case Command::AddTagSubbundle:
            return TDLocalizedString("New Tag Bundle");
        case Command::RenameGroup:
            return TDLocalizedString("Rename");
        case Command::DuplicateGroup:
            return TDLocalizedString("Duplicate");
        case Command::ArchiveList:
            return TDLocalizedString("Archive List");
        case Command::RemoveGroup:
            return TDLocalizedString("Delete");
        case Command::OpenInNewTab:
            return TDLocalizedString("Open in New Tab");
        case Command::SelectPreviousGroup:
            return TDLocalizedString("Select Previous Group");
        case Command::SelectNextGroup:
            return TDLocalizedString("Select Next Group");
        case Command::GoBack:
            return TDLocalizedString("Back");
        case Command::GoForward:
            return TDLocalizedString("Forward");
        case Command::GotoGroup:
            return TDLocalizedString("Go To");
        case Command::ToggleTaskCount:
            return TDLocalizedString("Show Task Counts");
        case Command::SwitchSourceListView:
            return TDLocalizedString("Switch Source List");
        case Command::AddSmartFolder:
            return TDLocalizedString("New Smart Folder");
        case Command::EditSmartFolder:
            return TDLocalizedString("Edit Smart Folder");
    }
    return {};
}

QList<TDGroup*> TDGroupsController::p_clickedOrSelectedGroups() const {
    if (m_clickedGroup) return {m_clickedGroup};
    QList<TDGroup*> groups;
    for (const QModelIndex& index : m_selectionModel->selectedRows())
        if (TDGroup* group = m_model->groupForIndex(index)) groups.append(group);
    return groups;
}

TDGroup* TDGroupsController::p_anchor() const {
    return m_clickedGroup ? m_clickedGroup : selectedGroup();
}

bool TDGroupsController::validate(Command command) const {
    TDLibrary* library = m_model->library();
    if (!library) return false;
    switch (command) {
        case Command::GoBack:
            return canGoBack();
        case Command::GoForward:
            return canGoForward();
        case Command::AddSubfolder:
        case Command::AddTagSubbundle:
        case Command::RemoveGroup:
        case Command::RenameGroup:
        case Command::DuplicateGroup:
        case Command::ArchiveList: {
            const QList<TDGroup*> groups = p_clickedOrSelectedGroups();
            if (groups.isEmpty()) return false;
            for (const TDGroup* group : groups) {
                if (group->isSpecial()) return false;
                if (group->isArchived() &&
                    (command == Command::AddSubfolder || command == Command::RemoveGroup ||
                     command == Command::RenameGroup))
                    return true;
                if (!isInside(group, library->foldersGroup()) && !isInside(group, library->tagsGroup()))
                    return false;
                if (group->parentGroup() == library->rootGroup()) return false;
                if (command == Command::DuplicateGroup && (group->isTag() || group->isTagBundle()))
                    return false;
                if (command == Command::ArchiveList && !group->isList()) return false;
            }
            return true;
        }
        case Command::AddList:
        case Command::AddSmartFolder:
            return !m_clickedGroup || isInside(m_clickedGroup, library->foldersGroup());
        case Command::EditSmartFolder: {
            const TDGroup* group = p_anchor();
            return group && group->isSmartFolder() && !group->isSpecial();
        }
        case Command::AddFolder:
            return !m_clickedGroup || isInside(m_clickedGroup, library->foldersGroup()) ||
                   isInside(m_clickedGroup, library->archiveGroup());
        case Command::OpenInNewTab:
            return m_clickedGroup && !m_clickedGroup->isTagBundle();
        case Command::SelectPreviousGroup:
            return p_nearestSelectableRow(false).isValid();
        case Command::SelectNextGroup:
            return p_nearestSelectableRow(true).isValid();
        case Command::GotoGroup:
        case Command::AddTag:
        case Command::AddTagBundle:
        case Command::ToggleTaskCount:
        case Command::SwitchSourceListView:
            return true;
    }
    return false;
}

void TDGroupsController::perform(Command command) {
    if (!validate(command)) return;
    switch (command) {
        case Command::AddList:
            return addList();
        case Command::AddFolder:
            return addFolder();
        case Command::AddSubfolder:
            return addSubfolder();
        case Command::AddTag:
            return addTag();
        case Command::AddTagBundle:
            return addTagBundle();
        case Command::AddTagSubbundle:
            return addTagSubbundle();
        case Command::RenameGroup:
            return renameGroup();
        case Command::DuplicateGroup:
            return duplicateGroup();
        case Command::ArchiveList:
            return archiveList();
        case Command::RemoveGroup:
            return removeGroup();
        case Command::OpenInNewTab:
            return openInNewTab(m_clickedGroup);
        case Command::SelectPreviousGroup:
            return selectPreviousGroup();
        case Command::SelectNextGroup:
            return selectNextGroup();
        case Command::GoBack:
            return goBack();
        case Command::GoForward:
            return goForward();
        case Command::GotoGroup:
            return;  // each target has its own item (gotoGroup)
        case Command::ToggleTaskCount:
            return toggleTaskCount();
        case Command::AddSmartFolder:
            return addSmartFolder();
        case Command::EditSmartFolder:
            return editSmartFolder();
        case Command::SwitchSourceListView:
            return setMode(mode() == TDSourceListModel::TagsMode ? TDSourceListModel::FoldersMode
                                                                 : TDSourceListModel::TagsMode);
    }
}

std::optional<QList<TDGroupsController::MenuEntry>> TDGroupsController::contextMenuEntries(
    const TDGroup* clicked) const {
    TDLibrary* library = m_model->library();
    if (!library) return std::nullopt;
    if (clicked && clicked->parentGroup() == library->rootGroup()) return std::nullopt;
    QList<MenuEntry> entries{Command::OpenInNewTab, std::nullopt};
    const bool isFolder = clicked && clicked->isFolder();
    if (mode() == TDSourceListModel::TagsMode) {
        entries << Command::AddTag << (isFolder ? Command::AddTagSubbundle : Command::AddTagBundle)
                << std::nullopt;
    } else if (!(clicked && clicked->isSmartFolder() && isInside(clicked, library->foldersGroup()))) {
        entries << Command::AddList << (isFolder ? Command::AddSubfolder : Command::AddFolder)
                << Command::AddSmartFolder << std::nullopt;
    } else {
        // A smart folder brings its sheet in place of the new groups.
        entries << Command::EditSmartFolder << std::nullopt;
    }
    entries << Command::RenameGroup << Command::DuplicateGroup;
    if (mode() == TDSourceListModel::FoldersMode) entries << Command::ArchiveList;
    entries << Command::RemoveGroup;
    return entries;
}

// --- New groups

void TDGroupsController::p_addGroup(TDGroup* group, const QList<Place>& places,
                                    const QString& undoActionName) {
    for (const auto& [parent, index] : places) {
        if (!parent || !group->validateParentGroup(parent)) continue;
        TDOrderedCollection* siblings = parent->orderedSubgroups();
        if (siblings->insertObject(group, qBound(qsizetype(0), index, siblings->count()))) break;
    }
    if (!group->parentGroup()) {
        // Nowhere took it: it must not linger outside the tree.
        group->deleteObject();
        return;
    }
    p_beginEditingNewGroup(group, undoActionName);
}

void TDGroupsController::p_beginEditingNewGroup(TDGroup* group, const QString& undoActionName) {
    if (platform::UndoManager* undo = m_manager.undoManager()) undo->setActionName(undoActionName);
    // Tags mode shows a sorted copy of each folder, which follows at the processing pass.
    m_manager.managedObjectContext()->processPendingChanges();
    if (canSelectGroup(group))
        selectGroup(group);
    else
        revealGroup(group);
    const QModelIndex row = m_model->indexForGroup(group);
    if (m_presentation && row.isValid()) m_presentation->editTitle(row);
}

void TDGroupsController::addList() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    TDGroup* anchor = p_anchor();
    setMode(TDSourceListModel::FoldersMode);
    QList<Place> places;
    if (anchor && anchor->isFolder()) places << firstChildOf(anchor);
    if (isInside(anchor, library->foldersGroup())) places << justAfter(anchor);
    places << lastChildOf(library->foldersGroup());
    p_addGroup(library->createList(TDLocalizedString("New List"), nullptr), places,
               TDLocalizedString("New List"));
}

void TDGroupsController::addFolder() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    TDGroup* anchor = p_anchor();
    setMode(TDSourceListModel::FoldersMode);
    QList<Place> places;
    if (anchor && (isInside(anchor, library->foldersGroup()) || anchor->isArchived()))
        places << justAfter(anchor);
    places << lastChildOf(library->foldersGroup());
    p_addGroup(library->createFolder(TDLocalizedString("New Folder"), nullptr), places,
               TDLocalizedString("New Folder"));
}

void TDGroupsController::addSubfolder() {
    TDLibrary* library = m_model->library();
    TDGroup* anchor = p_anchor();
    if (!library || !anchor) return;
    // A group that holds no groups takes the folder beside it instead.
    p_addGroup(library->createFolder(TDLocalizedString("New Folder"), nullptr),
               {firstChildOf(anchor), justAfter(anchor)}, titleForCommand(Command::AddSubfolder));
}

// Tags and bundles go into the bundle selected, else after the tag selected, else at the end of the tags.
QList<Place> TDGroupsController::p_placesAmongTags(TDLibrary& library) {
    TDGroup* anchor = p_anchor();
    setMode(TDSourceListModel::TagsMode);
    QList<Place> places;
    if (anchor && anchor->isTagBundle()) places << firstChildOf(anchor);
    if (isInside(anchor, library.tagsGroup())) places << justAfter(anchor);
    places << lastChildOf(library.tagsGroup());
    return places;
}

void TDGroupsController::addTag() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    const QList<Place> places = p_placesAmongTags(*library);
    p_addGroup(library->createTagWithNoParent(), places, TDLocalizedString("New Tag"));
}

void TDGroupsController::addTagBundle() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    const QList<Place> places = p_placesAmongTags(*library);
    p_addGroup(library->createFolder(TDLocalizedString("New Bundle"), nullptr), places,
               TDLocalizedString("New Tag Bundle"));
}

// --- Renaming, duplicating, archiving, deleting

void TDGroupsController::renameGroup() {
    if (platform::UserDefaults::standard().boolean(kHideSourceList)) Q_EMIT sourceListShowRequested();
    TDGroup* group = p_anchor();
    const QModelIndex row = m_model->indexForGroup(group);
    if (!row.isValid() || !m_presentation) return;
    revealGroup(group);
    m_presentation->editTitle(row);
}

void TDGroupsController::duplicateGroup() {
    TDLibrary* library = m_model->library();
    TDGroup* group = p_anchor();
    if (!library || !group || group->isTag() || group->isTagBundle() || group->isSpecial()) return;
    TDGroup* parent = group->parentGroup();
    if (!parent) return;
    TDGroup* copy = nullptr;
    {
        SuspendedObservation suspended(m_tasksController);
        if (auto* smart = TDSmartFolder::from(group)) {
            auto* smartCopy = TDSmartFolder::from(library->createSmartFolder());
            smartCopy->setTitle(smart->title());
            smartCopy->setRule(smart->rule());
            smartCopy->addTasks(smart->tasks());
            copy = smartCopy;
        } else {
            QVariantMap form = group->propertyListRepresentationForCopying();
            form.insert(QStringLiteral("title"), TDLocalizedString("%1 copy").arg(group->title()));
            const Result<TDLibraryObject*> made = library->createEntityNamed(group->entity()->name(), form);
            if (!made) {
                TDAppDelegate().handleError(made.error(), QStringLiteral("Could not duplicate a group"));
                return;
            }
            copy = dynamic_cast<TDGroup*>(*made);
        }
        if (!copy || !parent->orderedSubgroups()->insertObject(copy, indexAmongSiblings(group) + 1)) {
            if (copy) copy->deleteObject();
            return;
        }
    }
    if (platform::UndoManager* undo = m_manager.undoManager())
        undo->setActionName(TDLocalizedString("Duplicate"));
}

void TDGroupsController::archiveList() {
    TDGroup* list = selectedGroup();
    if (!list || !list->isList() || list->isSpecial() || list->isArchived()) return;
    const QList<TDTask*> tasks = list->allTasksInTree();
    const bool hasOpenTasks =
        std::any_of(tasks.cbegin(), tasks.cend(), [](const TDTask* task) { return task->isIncomplete(); });
    if (hasOpenTasks) {
        if (!m_prompter) return;
        TDAlert alert;
        alert.messageText = TDLocalizedString("Archive List?");
        alert.informativeText =
            TDLocalizedString("You have incomplete tasks in your list. Archiving will cancel those tasks.");
        alert.buttons = {TDLocalizedString("Archive List"), TDLocalizedString("Cancel")};
        if (m_prompter->runModal(alert) != 0) return;
    }
    p_archive(list);
}

void TDGroupsController::p_archive(TDGroup* list) {
    // The selection leaves for a row that stays in view: the next one, unless that is archived too.
    const QModelIndex below = p_nearestSelectableRow(true);
    const TDGroup* next = m_model->groupForIndex(below);
    if (!next || next->isArchived())
        selectPreviousGroup();
    else
        selectNextGroup();
    static_cast<TDList*>(list)->archive();
    if (platform::UndoManager* undo = m_manager.undoManager())
        undo->setActionName(TDLocalizedString("Archive List"));
}

void TDGroupsController::removeGroup() {
    TDLibrary* library = m_model->library();
    if (!library) return;
    QList<TDGroup*> groups = p_clickedOrSelectedGroups();
    // A group inside another one goes with it.
    groups.removeIf([&groups](const TDGroup* group) { return groups.contains(group->parentGroup()); });
    if (groups.isEmpty()) return;
    const QModelIndex clickedRow = m_model->indexForGroup(m_clickedGroup);
    if (!m_clickedGroup || m_selectionModel->isRowSelected(clickedRow.row(), clickedRow.parent())) {
        if (!p_selectNearestRow(true) && !p_selectNearestRow(false)) {
            setMode(TDSourceListModel::FoldersMode);
            selectGroup(library->todayGroup());
        }
    }
    {
        SuspendedObservation suspended(m_tasksController);
        for (TDGroup* group : std::as_const(groups))
            if (!group->isDeleted()) group->deleteObject();
        m_manager.managedObjectContext()->processPendingChanges();
    }
    if (!m_selectionModel->hasSelection()) {
        const QList<QModelIndex> rows = p_shownRows();
        const auto first = std::find_if(rows.cbegin(), rows.cend(), [this](const QModelIndex& row) {
            return m_model->flags(row).testFlag(Qt::ItemIsSelectable);
        });
        if (first != rows.cend()) {
            m_selectionModel->setCurrentIndex(
                *first, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        } else {
            setMode(TDSourceListModel::FoldersMode);
            selectGroup(library->todayGroup());
        }
    }
    if (platform::UndoManager* undo = m_manager.undoManager())
        undo->setActionName(mode() == TDSourceListModel::TagsMode ? TDLocalizedString("Delete Tag")
                                                                  : TDLocalizedString("Delete Folder"));
}

// --- Drops

TDGroup* TDGroupsController::p_dropTarget(TDGroup* item) const {
    return item ? item : rootGroup();
}

TDDragOperation TDGroupsController::validateDrop(const QMimeData* data, bool allowsMove, TDGroup* item,
                                                 int childIndex) {
    TDLibrary* library = m_model->library();
    TDGroup* target = p_dropTarget(item);
    if (!library || !target || target->isDeleted()) return TDDragOperation::None;
    const TDDroppedData kind = TDDroppedDataOf(data, allowsMove, true);
    if (kind == TDDroppedData::None) return TDDragOperation::None;
    if (target == library->rootGroup()) return TDDragOperation::None;
    if (target->isSmartFolder() && !target->isTodayGroup()) return TDDragOperation::None;
    if (kind == TDDroppedData::GroupUIDs) {
        const QStringList uids = TDDraggedGroupUIDs(data);
        if (uids.isEmpty()) return TDDragOperation::None;
        // Tags and their bundles stay among the tags, and nothing else goes there.
        const bool intoTags = target == library->tagsGroup() || isInside(target, library->tagsGroup());
        for (const QString& uid : uids) {
            const TDGroup* group = library->groupWithUID(uid);
            if (!group || group->isDeleted() || !group->validateParentGroup(target) ||
                (group->isTag() || group->isTagBundle()) != intoTags)
                return TDDragOperation::None;
        }
        return TDDragOperation::Move;
    }
    // Tasks and what becomes tasks go onto a list, a tag or Today, never between rows; an archived list
    // takes nothing new.
    if (!item || childIndex != -1) return TDDragOperation::None;
    if (!(target->isList() || target->isTag() || target->isTodayGroup()) || target->isArchived())
        return TDDragOperation::None;
    return TDTaskDropOperation(data, kind, *target, *library, true);
}

// Folders mode: onto a folder means at its end. Tags mode: where the first group falls by title.
qsizetype TDGroupsController::p_groupDropIndex(const QList<TDGroup*>& groups, TDGroup* target,
                                               int childIndex) const {
    QList<TDGroup*> siblings = target->orderedSubgroups()->objectsAs<TDGroup>();
    if (mode() == TDSourceListModel::FoldersMode)
        return childIndex < 0 ? siblings.size() : qMin(qsizetype(childIndex), siblings.size());
    if (!siblings.contains(groups.first())) siblings.append(groups.first());
    std::stable_sort(siblings.begin(), siblings.end(), [](const TDGroup* a, const TDGroup* b) {
        return a->localizedTitle().compare(b->localizedTitle(), Qt::CaseInsensitive) < 0;
    });
    return siblings.indexOf(groups.first());
}

bool TDGroupsController::acceptDrop(const QMimeData* data, bool allowsMove, TDGroup* item, int childIndex) {
    if (validateDrop(data, allowsMove, item, childIndex) == TDDragOperation::None) return false;
    TDLibrary* library = m_model->library();
    TDGroup* target = p_dropTarget(item);
    TDGroup* selected = selectedGroup();
    switch (TDDroppedDataOf(data, allowsMove, true)) {
        case TDDroppedData::GroupUIDs: {
            QList<TDGroup*> groups;
            for (const QString& uid : TDDraggedGroupUIDs(data)) groups.append(library->groupWithUID(uid));
            TDOrderedCollection* children = target->orderedSubgroups();
            const QList<platform::ManagedObject*> members = children->objects();
            const qsizetype index = p_groupDropIndex(groups, target, childIndex);
            // The groups go before the first child at the place that is not one of them.
            platform::ManagedObject* anchor = nullptr;
            for (qsizetype i = index; i < members.size() && !anchor; ++i)
                if (!groups.contains(static_cast<TDGroup*>(members.at(i)))) anchor = members.at(i);
            for (TDGroup* group : std::as_const(groups))
                if (group->parentGroup() != target) (void)children->addObject(group);  // logs a refusal
            children->repositionObjectsBefore(QList<platform::ManagedObject*>(groups.begin(), groups.end()),
                                              anchor);
            break;
        }
        case TDDroppedData::TaskIDs: {
            Result<QList<TDTask*>> dragged = TDTasksFromDraggedIDs(data, *library);
            if (!dragged) return false;
            QList<TDTask*> tasks = std::move(*dragged);
            const QList<TDTask*> held = target->tasks();
            tasks.removeIf([&held](TDTask* task) { return held.contains(task); });
            TDTaskPresentation* outline = m_tasksController ? m_tasksController->presentation() : nullptr;
            if (outline) outline->saveState();
            TDPlaceDroppedTasks(*target, tasks, false);
            if (outline) {
                m_manager.managedObjectContext()->processPendingChanges();
                outline->restoreState();
            }
            break;
        }
        default: {
            const QList<TDTask*> tasks = library->createTasksFromMimeData(data);
            if (tasks.isEmpty()) return false;
            TDPlaceDroppedTasks(*target, tasks, true);
            break;
        }
    }
    m_manager.managedObjectContext()->processPendingChanges();
    if (selected && !selected->isDeleted()) {
        QScopedValueRollback<bool> quiet(m_changesTasksViewContent, false);
        p_selectInOutline(selected);
    }
    if (platform::UndoManager* undo = m_manager.undoManager())
        undo->setActionName(TDLocalizedString("Drag Operation"));
    return true;
}

// --- Smart folders

TDSmartFolderEditWindowController* TDGroupsController::smartFolderSheet() const {
    return m_smartFolderSheet.data();
}

void TDGroupsController::addSmartFolder() {
    if (!m_model->library()) return;
    p_beginSmartFolderSheet(nullptr, p_anchor());
}

void TDGroupsController::editSmartFolder() {
    TDGroup* group = p_anchor();
    if (!m_model->library() || !group || !group->isSmartFolder() || group->isSpecial()) return;
    p_beginSmartFolderSheet(group, nullptr);
}

void TDGroupsController::p_beginSmartFolderSheet(TDGroup* editedGroup, TDGroup* selectedGroup) {
    if (!m_sheetPrompter) {
        logWithLevel(TDLogWarning, "WARNING", "No window to show the smart-folder sheet on");
        return;
    }
    if (m_smartFolderSheet) return;  // one sheet at a time, as the window allows
    if (m_presentation) m_presentation->commitEditing();
    auto* sheet = new TDSmartFolderEditWindowController(*m_model->library(), selectedGroup, this);
    if (auto* smart = TDSmartFolder::from(editedGroup)) {
        sheet->setGroup(editedGroup);
        const TRRulePtr rule = smart->rule();
        sheet->setRule(rule ? rule->copy() : nullptr);
    }
    m_smartFolderSheet = sheet;
    connect(sheet, &TDSmartFolderEditWindowController::sheetDidEnd, this,
            [this, sheet, editedGroup, selectedGroup](int returnCode) {
                p_smartFolderSheetDidEnd(returnCode, editedGroup, selectedGroup);
                m_smartFolderSheet.clear();
                sheet->deleteLater();
            });
    m_sheetPrompter->beginSmartFolderSheet(*sheet);
}

void TDGroupsController::p_smartFolderSheetDidEnd(int returnCode, TDGroup* editedGroup,
                                                  TDGroup* selectedGroup) {
    TDLibrary* library = m_model->library();
    if (returnCode != TDSmartFolderEditWindowController::Accepted || !library) return;
    const TRRulePtr rule = m_smartFolderSheet->rule();
    setMode(TDSourceListModel::FoldersMode);
    if (editedGroup) {
        if (editedGroup->isDeleted()) return;
        TDSmartFolder::from(editedGroup)->setRule(rule);
        if (platform::UndoManager* undo = m_manager.undoManager())
            undo->setActionName(TDLocalizedString("Edit Smart Folder"));
        // The folder's tasks follow its new rule at once, not at the next pass.
        m_manager.managedObjectContext()->processPendingChanges();
        return;
    }
    TDGroup* folder = library->createSmartFolder();
    folder->setTitle(TDLocalizedString("New Smart Folder"));
    TDSmartFolder::from(folder)->setRule(rule);
    if (selectedGroup && selectedGroup->isDeleted()) selectedGroup = nullptr;
    QList<Place> places;
    if (isInside(selectedGroup, library->foldersGroup()))
        places << (selectedGroup->isFolder() ? firstChildOf(selectedGroup) : justAfter(selectedGroup));
    places << lastChildOf(library->foldersGroup());
    p_addGroup(folder, places, TDLocalizedString("Create Smart Folder"));
}

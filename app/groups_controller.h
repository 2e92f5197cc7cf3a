#pragma once

#include "app/dropped_data.h"
#include "app/group_history.h"
#include "app/source_list_model.h"

#include <QItemSelectionModel>
#include <QObject>
#include <QPointer>

#include <memory>
#include <optional>

class TDAlertPrompter;
class TDGroup;
class TDGroupsWindowContext;
class TDLibrary;
class TDLibraryChangeSignals;
class TDLibraryManager;
class TDSmartFolderEditWindowController;
class TDSmartFolderSheetPrompter;
class TDSourceListPresentation;
class TDTasksController;

// The source list's controller: its rows (the model) and selection, the two modes (folders and lists;
// tags), the group the tasks view and the selected tab show, the back and forward history of visited
// groups, and the counts. Views take the model and the selection model and report clicks and keys; the
// window answers through TDGroupsWindowContext. Main thread.
class TDGroupsController final : public QObject, public TDSourceListDropTarget {
    Q_OBJECT
    Q_PROPERTY(bool canGoBack READ canGoBack NOTIFY historyChanged)
    Q_PROPERTY(bool canGoForward READ canGoForward NOTIFY historyChanged)
public:
    // The menu items of Go To (their tags).
    enum GotoTarget { GotoInbox = 1, GotoToday = 2, GotoUpcoming = 3 };

    // The library is the manager's open one; without one the controller waits for it to load.
    explicit TDGroupsController(TDLibraryManager& libraryManager, QObject* parent = nullptr);
    ~TDGroupsController() override;

    // Not owned; nullptr for none.
    void setTasksController(TDTasksController* tasksController) { m_tasksController = tasksController; }
    TDTasksController* tasksController() const { return m_tasksController; }
    void setWindowContext(TDGroupsWindowContext* window) { m_window = window; }
    void setPresentation(TDSourceListPresentation* presentation) { m_presentation = presentation; }

    TDSourceListModel* model() const { return m_model.get(); }
    QItemSelectionModel* selectionModel() const { return m_selectionModel.get(); }
    TDLibrary* library() const;

    // 0 folders and lists, 1 tags; kept in the library option "sourceListMode".
    int mode() const { return int(m_model->mode()); }
    void setMode(int mode);
    // The top rows' parent: the root group, or the tags group in tags mode.
    TDGroup* rootGroup() const { return m_model->rootGroup(); }
    // The group of the selected row; nullptr when none.
    TDGroup* selectedGroup() const;
    // The group the tasks view shows.
    TDGroup* shownGroup() const;
    bool canSelectGroup(const TDGroup* group) const { return m_model->canSelectGroup(group); }

    QList<TDGroup*> highlightedGroups() const { return m_model->highlightedGroups(); }
    void highlightGroups(const QList<TDGroup*>& groups) { m_model->setHighlightedGroups(groups); }

    bool changesTasksViewContent() const { return m_changesTasksViewContent; }
    void setChangesTasksViewContent(bool changes) { m_changesTasksViewContent = changes; }
    bool savesViewOptions() const { return m_savesViewOptions; }
    void setSavesViewOptions(bool saves) { m_savesViewOptions = saves; }
    bool ignoreCommandKey() const { return m_ignoreCommandKey; }
    void setIgnoreCommandKey(bool ignore) { m_ignoreCommandKey = ignore; }
    // The keys held with the click or key press the view is handling: Ctrl alone opens a new tab.
    void setEventModifiers(Qt::KeyboardModifiers modifiers) { m_eventModifiers = modifiers; }

    // Selecting: with Ctrl held (see setEventModifiers) the group opens in a new tab, else in place.
    // False when the group cannot be selected (a header, a deleted group).
    bool selectGroup(TDGroup* group);
    bool selectGroup(TDGroup* group, bool modifyHistory);
    void selectPreviousGroup();
    void selectNextGroup();
    void gotoGroup(int target);
    // A new tab with the group, selected.
    void openInNewTab(TDGroup* group);

    // Opening folders: the group's ancestors so that it has a row, or the folder itself.
    void revealGroup(const TDGroup* group);
    void expandGroup(const TDGroup* group);

    // History of the selected tab.
    bool canGoBack() const { return m_history.canGoBack(); }
    bool canGoForward() const { return m_history.canGoForward(); }
    QVariantMap groupHistoryState() const { return m_history.state(); }
    void setGroupHistoryState(const QVariant& state);
    void addCurrentGroupToHistory();
    void goBack() { p_moveInHistory(-1); }
    void goForward() { p_moveInHistory(+1); }
    // A two-segment control: 0 back, anything else forward.
    void goBackAndForward(int segment) { segment == 0 ? goBack() : goForward(); }

    // Counts: the user default "showIncompleteTaskCount" shows every group's; Alt held shows them for
    // as long as it is held.
    void toggleTaskCount();
    void optionKeyDown();
    void optionKeyUp();
    bool isOptionKeyDown() const { return m_optionKeyDown; }

    // The selection and the open folders into the library options.
    void saveStateToUserDefaults();
    // Lets go of the library's objects (before another library opens).
    void releaseObjects();

    // Autosave names of the two modes' outlines: "Groups" and "Tags".
    static QString autosaveNameForMode(int mode);

    // --- Source-list commands (groups_controller_commands.cpp)

    enum class Command {
        AddList,
        AddFolder,
        AddSubfolder,
        AddTag,
        AddTagBundle,
        AddTagSubbundle,
        RenameGroup,
        DuplicateGroup,
        ArchiveList,
        RemoveGroup,
        OpenInNewTab,
        SelectPreviousGroup,
        SelectNextGroup,
        GoBack,
        GoForward,
        GotoGroup,
        ToggleTaskCount,
        SwitchSourceListView,
        AddSmartFolder,
        EditSmartFolder,
    };
    // A context-menu entry: a command, or a separator (none).
    using MenuEntry = std::optional<Command>;

    // Asks before archiving a list with open tasks (not owned; without one such a list is not archived).
    void setPrompter(TDAlertPrompter* prompter) { m_prompter = prompter; }
    // Shows the smart-folder sheet (not owned; without one no smart folder can be made or edited).
    void setSmartFolderSheetPrompter(TDSmartFolderSheetPrompter* prompter) { m_sheetPrompter = prompter; }
    // The sheet open now, or nullptr.
    TDSmartFolderEditWindowController* smartFolderSheet() const;
    // The row a context menu is open on (nullptr: none, or the menu is over the space below the rows).
    // The commands act on it rather than on the selection while it is set.
    void setClickedGroup(TDGroup* group) { m_clickedGroup = group; }
    TDGroup* clickedGroup() const { return m_clickedGroup; }

    static QString titleForCommand(Command command);
    bool validate(Command command) const;
    void perform(Command command);
    // The context menu for a click on the group's row (nullptr: below the rows), top to bottom; none on
    // a top-level section header.
    std::optional<QList<MenuEntry>> contextMenuEntries(const TDGroup* clicked) const;

    // Each new group is selected (a bundle revealed) and its title opened for editing.
    void addList();
    void addFolder();
    void addSubfolder();
    void addTag();
    void addTagBundle();
    void addTagSubbundle() { addTagBundle(); }
    // Edits the clicked (else the selected) group's title in place, showing the source list first.
    void renameGroup();
    // A copy just after the group, titled "... copy" (a smart folder keeps its title).
    void duplicateGroup();
    // Asks first when the list has open tasks.
    void archiveList();
    // Deletes without asking; the selection moves to a neighbouring row first.
    void removeGroup();
    // The smart-folder sheet: OK creates the folder (selected, its title opened for editing) or gives the
    // edited one the new rule, each as one undo step.
    void addSmartFolder();
    void editSmartFolder();

    // Drops on the source list: groups move, tasks move into a list or take a tag or Today's date, and
    // files, links and text become tasks there.
    TDDragOperation validateDrop(const QMimeData* data, bool allowsMove, TDGroup* item,
                                 int childIndex) override;
    bool acceptDrop(const QMimeData* data, bool allowsMove, TDGroup* item, int childIndex) override;

Q_SIGNALS:
    // Renaming needs the source list shown; the window shows it.
    void sourceListShowRequested();
    // The tasks view now shows another group (selected here, from the history or from a tab).
    void shownGroupChanged(TDGroup* group);
    void modeChanged(int mode);
    void historyChanged();

private:
    void p_libraryDidFinishLoading();
    void p_outlineSelectionDidChange();
    void p_selectInOutline(const TDGroup* group);
    void p_show(TDGroup* group);
    void p_moveInHistory(int direction);
    QList<QModelIndex> p_shownRows() const;
    // The nearest selectable row below the last or above the first selected row; invalid when none.
    QModelIndex p_nearestSelectableRow(bool below) const;
    bool p_selectNearestRow(bool below);
    void p_focusTasks();
    // Commands.
    QList<TDGroup*> p_clickedOrSelectedGroups() const;
    TDGroup* p_anchor() const;
    void p_beginEditingNewGroup(TDGroup* group, const QString& undoActionName);
    QList<std::pair<TDGroup*, qsizetype>> p_placesAmongTags(TDLibrary& library);
    void p_addGroup(TDGroup* group, const QList<std::pair<TDGroup*, qsizetype>>& places,
                    const QString& undoActionName);
    void p_archive(TDGroup* list);
    void p_beginSmartFolderSheet(TDGroup* editedGroup, TDGroup* selectedGroup);
    void p_smartFolderSheetDidEnd(int returnCode, TDGroup* editedGroup, TDGroup* selectedGroup);
    TDGroup* p_dropTarget(TDGroup* item) const;
    qsizetype p_groupDropIndex(const QList<TDGroup*>& groups, TDGroup* target, int childIndex) const;
    void p_groupsDeleted(const QList<TDGroup*>& groups);
    void p_saveExpandedState();
    void p_restoreExpandedState();
    bool p_showsIncompleteTaskCount() const;
    bool p_isEditing() const;

    TDLibraryManager& m_manager;
    std::unique_ptr<TDSourceListModel> m_model;
    std::unique_ptr<QItemSelectionModel> m_selectionModel;
    std::unique_ptr<TDLibraryChangeSignals> m_changeSignals;
    TDTasksController* m_tasksController = nullptr;
    TDGroupsWindowContext* m_window = nullptr;
    TDSourceListPresentation* m_presentation = nullptr;
    TDAlertPrompter* m_prompter = nullptr;
    TDSmartFolderSheetPrompter* m_sheetPrompter = nullptr;
    // A child of this controller while open; deleted later, as it ends from within its own signal.
    QPointer<TDSmartFolderEditWindowController> m_smartFolderSheet;
    TDGroup* m_clickedGroup = nullptr;
    // Without a tasks controller, the group shown is kept here.
    TDGroup* m_shownGroup = nullptr;
    TDGroupHistory m_history;
    bool m_modeInstalled = false;
    bool m_changesTasksViewContent = true;
    bool m_savesViewOptions = true;
    bool m_ignoreCommandKey = false;
    bool m_optionKeyDown = false;
    Qt::KeyboardModifiers m_eventModifiers = Qt::NoModifier;
};

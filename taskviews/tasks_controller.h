#pragma once

#include "platform/predicates/predicate.h"
#include "platform/predicates/sort_descriptor.h"
#include "taskviews/task_drop_validation.h"
#include "taskviews/task_row_item.h"

#include <QDateTime>
#include <QList>
#include <QObject>
#include <QSet>
#include <QUrl>
#include <QVariantMap>

#include <functional>
#include <memory>
#include <unordered_map>

class TDCardDeck;
class TDGroup;
class QMimeData;
class TDLibrary;
class TDLibraryObject;
class TDLibraryManager;
class TDManagedObjectContext;
class TDMutableComparisonPredicate;
class TDMutableCompoundPredicate;
class TDRecurrenceEditViewController;
class TDTag;
class TDTask;
class TDTaskFeedback;
class TDTaskLinkOpener;
struct TDTaskMenu;
struct TDTaskMenuItem;
class TDTimerController;
class TDTaskPresentation;
class TDTaskWindowContext;
namespace platform {
struct Notification;
class UndoManager;
}  // namespace platform

// The model side of a window's tasks area: the shown group, its sections, sort order and filters, the
// rows its presentation shows, the per-group view options, the counts, and the commands the rows send.
// It follows the library's changes and talks to its views only through small interfaces. Main thread.
class TDTasksController : public QObject {
    Q_OBJECT
public:
    enum DisplayMode {
        NoGroupMode = 0,
        ListMode = 1,
        TagMode = 2,
        FolderMode = 3,
        SmartFolderMode = 4,
        QuickEntryMode = 5
    };

    // The library is the manager's open one; without one the controller waits for it to load.
    explicit TDTasksController(TDLibraryManager& libraryManager, QObject* parent = nullptr);
    ~TDTasksController() override;

    // The views (not owned; nullptr for none): the outline shows mode 0, the cards mode 1.
    void setPresentation(TDTaskPresentation* outline) { m_outline = outline; }
    void setCardPresentation(TDTaskPresentation* cards) { m_cards = cards; }
    void setWindowContext(TDTaskWindowContext* context) { m_window = context; }
    void setFeedback(TDTaskFeedback* feedback) { m_feedback = feedback; }
    TDTaskFeedback* feedback() const { return m_feedback; }
    void setTimerController(TDTimerController* timer) { m_timer = timer; }
    TDTimerController* timerController() const { return m_timer; }
    void setLinkOpener(TDTaskLinkOpener* opener) { m_linkOpener = opener; }
    // The presentation of the mode shown; nullptr when it has none.
    TDTaskPresentation* presentation() const;

    // Shows lists of a temporary context (quick entry's scratch list) instead of the open library's:
    // the controller follows that context's own changes, its library and undo manager, and saves no
    // view options. All three outlive the controller's use of them; nulls end the use.
    void useTemporaryContext(TDManagedObjectContext* context, TDLibrary* library,
                             platform::UndoManager* undo);
    bool isShowingTemporaryContext() const { return m_temporaryLibrary != nullptr; }

    TDLibraryManager& libraryManager() const { return m_manager; }
    TDLibrary* library() const;
    TDManagedObjectContext* managedObjectContext() const;
    platform::UndoManager* undoManager() const;

    // The group and the mode.
    TDGroup* group() const { return m_group; }
    TDOrderedCollection* topTasks() const { return m_topTasks; }
    void setGroup(TDGroup* group);
    // -1 until the first setMode; 0 outline, 1 cards (the deck is made on the first switch to them).
    qint64 mode() const { return m_mode; }
    void setMode(qint64 mode);
    TDCardDeck* cardDeck() const { return m_cardDeck.get(); }
    int displayMode() const { return m_displayMode; }
    void setDisplayMode(int displayMode);
    bool isPrinting() const { return m_printing; }
    // The header row comes and goes with it.
    void setPrinting(bool printing);
    // The group's own collection stands as row 0: in list mode and while printing.
    bool hasDummyHeader() const { return m_displayMode == ListMode || m_printing; }
    // Row 0's item: the group's own tasks, or on paper, for a group that holds none (a folder), an
    // empty collection that carries its title. Null without a header row.
    TDOrderedCollection* headerCollection();

    // Rows, as the outline's data source.
    TDTaskRowItem child(const TDTaskRowItem& parent, qsizetype index);
    qsizetype numberOfChildren(const TDTaskRowItem& parent);
    bool isItemExpandable(const TDTaskRowItem& item);
    bool shouldSelectItem(const TDTaskRowItem& item) const { return item.kind == TDTaskRowItem::Kind::Task; }
    bool isGroupItem(const TDTaskRowItem& item) const { return item.kind == TDTaskRowItem::Kind::Section; }

    // Sections, grouping and sorting.
    const QList<TDOrderedCollection*>& sections() const { return m_sectionPointers; }
    bool isGrouping() const { return m_grouping; }
    QString groupingAttribute() const { return m_groupingAttribute; }
    bool isGroupingByList() const;
    quint64 groupingLimit() const { return m_groupingLimit; }
    void setGroupingLimit(quint64 limit) { m_groupingLimit = limit; }
    QString sortingAttribute() const { return m_sortingAttribute; }
    bool reverseSort() const { return m_reverseSort; }
    const QList<platform::SortDescriptor>& sortDescriptors() const { return m_sortDescriptors; }
    // Builds the sections for the attribute (a null one: none); false when nothing changed.
    bool p_groupByAttribute(const QString& attribute, bool reverse, bool force);
    bool p_sortByAttribute(const QString& attribute, bool reverse);
    // The Sort By command: a display name ("Manual Order", "Due", "By Due", ...); `reverse` while Alt is
    // held.
    void sortBy(const QString& displayString, bool reverse);
    // The one-time Sort of the selected siblings by the display name's attribute (descending when
    // `descending`), or into reverse order when the name is null.
    void sort(const QString& displayString, bool descending);

    // Filtering.
    platform::PredicatePtr filterPredicate() const;
    bool hideOldCompletedTasks() const { return m_hideOldCompletedTasks; }
    void setHideOldCompletedTasks(bool hide);
    QDateTime hideOldCompletedTasksCutoffDate() const { return m_hideOldCompletedTasksCutoffDate; }
    void setHideOldCompletedTasksCutoffDate(const QDateTime& date);
    const QSet<TDTag*>& filterTags() const { return m_filterTags; }
    void setFilterTags(const QSet<TDTag*>& tags) { setFilterTags(tags, true); }
    void setFilterTags(const QSet<TDTag*>& tags, bool reload);
    void toggleFilteringByTag(TDTag* tag);
    QString titleFilterString() const { return m_titleFilterString; }
    // Filters by the text in the titles of each task's tree; an empty string ends the title filter.
    void setTitleFilterString(const QString& text);
    platform::PredicatePtr titleFilterPredicate() const;
    void setTitleFilterPredicate(const platform::PredicatePtr& predicate) {
        setTitleFilterPredicate(predicate, true);
    }
    void setTitleFilterPredicate(const platform::PredicatePtr& predicate, bool reload);
    bool isFiltering() const { return isFilteringByTitle() || isFilteringByTags(); }
    bool isFilteringByTitle() const;
    bool isFilteringByTags() const;
    void filterPredicateDidChange();
    // Per tag uid: {"tag": the tag (a TDGroup* as object variant), "count": how many shown tasks carry it}.
    QVariantMap filterTagInfo() const { return m_filterTagInfo; }

    // View options.
    bool savesOptions() const { return m_savesOptions; }
    void setSavesOptions(bool saves) { m_savesOptions = saves; }
    QVariantMap viewOptionsForGroup(TDGroup* group) const;
    QVariantMap viewOptions() const;
    QVariantMap tabViewOptions() const;
    void setViewOptions(const QVariantMap& options);
    void applyViewOptionsBeforeReloading(const QVariantMap& options);
    void applyViewOptionsAfterReloading(const QVariantMap& options);
    void saveViewOptions();

    // Refresh.
    void reload();
    void updateUI();
    void reloadAfterDateChange();
    void setDrawOverlayForGoto(bool drawsOverlay);
    bool drawsOverlay() const { return m_drawsOverlay; }
    // From the application's Alt watcher: dates read as intervals only while Alt is held.
    void optionKeyDown();
    void optionKeyUp();
    // The user's "showDatesAsIntervals", or Alt held.
    bool showsDatesAsIntervals() const;

    // Model observation.
    void registerForMOCObserving();
    void unregisterForMOCObserving();
    bool isObservingMOC() const { return m_observingMOC; }

    // Selection and counts.
    QList<TDTask*> selection() const;
    void setSelection(const QList<TDTask*>& tasks);
    bool canShowAllCompletedTasks() const { return m_canShowAllCompletedTasks; }
    qint64 numberOfActions() const { return m_numberOfActions; }
    qint64 numberOfVisibleActions() const { return m_numberOfVisibleActions; }
    QString statusBarSummary() const;
    bool hasTag(TDTag* tag);
    qint64 numberOfOccurrencesOfTag(TDTag* tag);
    qint64 numberOfIncompleteActions();
    qint64 numberOfTasks();
    qint64 numberOfMatchesForFindString(const QString& text);
    bool isEditingTitle() const;
    bool isEditingNote() const;
    void finishEditing();

    // Commands the rows send.
    void toggleCompletionOfTasks(const QList<TDTask*>& tasks);
    void toggleCancellationOfTasks(const QList<TDTask*>& tasks);
    // Sets the priority of the selected tasks (a negative one: none).
    void assignPriority(qint64 priority);
    // Steps the priority of the selected tasks that have one: a positive step raises the priority
    // (lowers its number), within 1 to 9.
    void adjustPriority(qint64 step);
    // Opens the recurrence editor for the one selected task (tasks_controller_recurrence.cpp): the
    // outline shows it at the task's row. Refused in the archive; nothing without exactly one task.
    void editRecurrence();
    // What editRecurrence does short of showing the editor (for a balloon that swaps it in): the editor
    // loaded with the one selected task; nullptr, after a beep or shake, where there is none to edit.
    TDRecurrenceEditViewController* loadRecurrenceEditor();
    // The editor, made on the first editRecurrence and kept.
    TDRecurrenceEditViewController* recurrenceEditor() const { return m_recurrenceEditor; }

    // What in-place editing needs of the task commands: a new empty task after `task` among its
    // siblings, or as its first subtask, made as Return and Shift+Return make it, selected for the
    // title editor to fill ("New Task"; nullptr when refused); and deleting the selected tasks as
    // Delete does.
    TDTask* addTaskBelow(TDTask* task);
    TDTask* addChildTask(TDTask* task);
    void deleteBackward();

    // Adding tasks (tasks_controller_adding.cpp). A new task stays out of autosave and the sync journal
    // until its title is edited.
    bool canAddTask() const;
    bool p_validateForAddingTask();
    void addTask();
    void addTaskBelow();
    void addChildTask();
    // Return in the outline; with `shift` a child of the selected task.
    void insertNewline(bool shift);

    // Deleting and editing (tasks_controller_deleting.cpp).
    void remove();
    // Deletes these tasks, whatever is selected ("Delete").
    void deleteTasks(const QList<TDTask*>& tasks);
    void deleteForward();
    void edit();
    void editSelectedTask();
    void editNote();
    // The estimate, start and due columns: shown if hidden, then edited in the selected row.
    void editColumn(int column);
    // The outline's double click: on no row adds a task, on the list column only selects the row.
    void doubleClickAction(const TDTaskRowItem& item, int column);
    // Types a tag ("/") or context ("@") marker at the end of the selected task's title.
    void tag();
    void tagContext();

    // Moving (tasks_controller_moving.cpp). Negative distances move up; far ones stop at the top or
    // the bottom.
    bool canMoveTasks();
    void moveTasksVerticallyByDistance(qint64 distance);
    void moveTasksLeft();
    void moveTasksRight();
    void revealInList();
    // Selects the first row whose task starts (is due) on the group's earliest date, and centres it
    // (tasks_controller_selecting.cpp); nothing when no row does.
    void selectEarliestStartDateTask();
    void selectEarliestDueDateTask();
    // Moves the selection as the outline's keys do: 0 up, 1 forward (into the children), 2 down,
    // 3 backward (to the parents); other values do nothing.
    void modifySelection(qint64 direction);
    // Debugging (tasks_controller_debugging.cpp): the display orders of the group's tasks and of the
    // selected tasks' subtasks renumbered, or checked (false and a message when one is out of order);
    // what the selected rows hold, logged.
    void fixDisplayOrder();
    bool checkDisplayOrder();
    void logItemInfo();

    // Attributes, links and timing (tasks_controller_attributes.cpp).
    void toggleCompleted();
    void toggleCanceled();
    void adjustEstimatedTime(qint64 seconds);
    void adjustDueDate(qint64 days);
    void adjustStartDate(qint64 days);
    void toggleStartToday();
    void toggleDueToday();
    // The links of the selected tasks' notes.
    QList<QUrl> selectedLinks(qsizetype atMost = -1) const;
    void openLinks(bool inBackground);
    void beginTiming();
    // Beeps without a selection or in the quick-entry window; else the window opens the filing panel.
    void showFileToGroupWindow();
    void stopTiming();

    // What the list shows (tasks_controller_display.cpp).
    bool isColumnShown(int column) const;
    void toggleColumn(int column);
    void toggleCompletedTasks() { setHideOldCompletedTasks(!m_hideOldCompletedTasks); }
    void changeGroupingLimit(qint64 limit);
    void hideCompletedTasks();
    // Expands or collapses every note; true when they are now expanded.
    bool toggleNotes();

    // Menus (tasks_controller_menus.cpp): prepared before they open, every item validated by its action
    // and tag. The command bar asks validate() too.
    void setupTaskMenu(TDTaskMenu& menu);
    void setupSortByMenu(TDTaskMenu& menu);
    void setupSortMenu(TDTaskMenu& menu);
    void setupColumnsMenu(TDTaskMenu& menu);
    bool validate(const QString& action, qint64 tag = 0);
    bool validateMenuItem(const TDTaskMenuItem& item);
    // Whether the selection is contiguous among its siblings for the one-time Sort.
    bool validateSortMenuItem();
    // Sends the item's command; `alternate` while Alt is held (Sort By reverses the order).
    void perform(const TDTaskMenuItem& item, bool alternate = false);

    // The clipboard and drags (tasks_controller_pasteboard.cpp).
    enum class PasteboardCommand { Copy, CopyWithNotes, CopyAsLink, Cut, Paste, Duplicate };
    bool validatePasteboardCommand(PasteboardCommand command) const;
    // Every written form of the tasks (TDTaskPasteboard::mimeDataForTasks).
    std::unique_ptr<QMimeData> writeItems(const QList<TDTask*>& tasks, bool includeNotes = false) const;
    // A drag starts only with tasks that all have one parent.
    bool canDragItems(const QList<TDTaskRowItem>& items) const;
    // Moves the tasks of an ID list (never when copying) or makes tasks from the first other accepted
    // type, into the item (the root: the group) before its child at childIndex (-1: at the top);
    // answers the tasks placed and saves the library.
    QList<TDTask*> readFromPasteboard(const QMimeData* data, const TDTaskRowItem& item, qsizetype childIndex,
                                      bool copy);
    // Whether and where the outline takes a drop; pointerItem is the row under the pointer.
    TDTaskDropVerdict validateDrop(const QMimeData* data, const TDTaskDrop& proposed,
                                   const TDTaskRowItem& pointerItem, bool sourceAllowsMove);
    // Makes a drop that validateDrop took, where it said; undo name "Drag Operation".
    bool acceptDrop(const QMimeData* data, const TDTaskDrop& drop, bool sourceAllowsMove);
    bool canPaste() const;
    void copy();
    void copyWithNotes();
    void copyAsLink();
    // The undo action takes the command's menu title.
    void cut(const QString& actionName);
    void paste(const QString& actionName);
    // Copies of the selected trees right after their originals.
    void duplicate();

Q_SIGNALS:
    // Wholesale: a new group, regrouping, a new sort or filter.
    void rowsAboutToBeReloaded();
    void rowsReloaded();
    // After reload(): sections that became empty or not, footers that came or went; the model inserts
    // and removes those rows itself.
    void rowsNeedUpdate();
    void statusBarSummaryChanged();
    void filterTagInfoChanged();
    // The title filter was set or cleared: the words it filters by (empty for none).
    void titleFilterChanged(const QString& text);
    void showsDatesAsIntervalsChanged(bool intervals);
    void selectionChanged();
    // The shown group's title changed while row 0 shows it.
    void headerRowNeedsDisplay();
    // setMode switched the presentation (0 outline, 1 cards).
    void modeChanged(qint64 mode);
    // editRecurrence loaded the editor with the task: the outline shows it at the task's row, the cards
    // at the card's title.
    void recurrenceEditorRequested(TDTask* task);

private:
    void p_libraryDidFinishLoading();
    void p_observeGroupTitle(TDGroup* group);
    void p_observeUndo(platform::UndoManager* undo);
    void p_selectFirstTaskWithDate(bool start);
    void p_releaseObjects();
    void p_managedObjectContextDidChange(const platform::Notification& notification);
    void p_willUndoOrRedo();
    void p_didUndoOrRedo();
    void p_defaultDidChange(const QString& key);
    void p_readShowsDatesAsIntervals();
    void p_scheduleReloadAfterDateChange();
    void p_beginReloadingRows();
    void p_endReloadingRows();

    QList<TDOrderedCollection*> p_visibleSections();
    void p_giveSortDescriptors(TDOrderedCollection* collection);
    void p_propagateSortDescriptors(TDOrderedCollection* collection);
    TDGroupingFooter* p_footerForSection(TDOrderedCollection* section);
    void p_clearSections();

    bool p_propagateFilterPredicate(const platform::PredicatePtr& predicate, TDTask* task);
    bool p_propagateFilterPredicate(const platform::PredicatePtr& predicate, TDOrderedCollection* collection);
    // `refilter` false leaves the collection's own members as they are (it was filtered since the filter
    // last changed) and tells only the subtask collections below it.
    void p_updateFilterForObject(TDOrderedCollection* collection, bool refilter = true);
    void p_updateFilterForObject(TDTask* task);
    // `refilterSections` false: the sections were built after the filter last changed.
    void p_filterPredicateDidChange(bool refilterSections);
    void p_setHideOldCompletedTasks(bool hide, bool reload);
    void p_tellWindowWhetherFiltering();
    bool p_shouldSaveGroupingAndSortingOptions() const;

    QList<TDTask*> p_readFromPasteboard(const QMimeData* data, TDLibraryObject* target,
                                        TDOrderedCollection* section, qsizetype index, bool copy);
    TDTaskDropFacts p_dropFacts(const QMimeData* data, const TDTaskRowItem& pointerItem,
                                bool sourceAllowsMove);
    void p_copyToClipboard(bool includeNotes);
    void p_placeReadTasks(const QList<TDTask*>& tasks);

    bool p_refuseInArchivedGroup();
    void p_openNewTaskBracket();
    void p_closeNewTaskBracket();
    void p_clearTitleFilterForNewTask();
    TDTask* p_createNewTask();
    // A new task placed as the next sibling of `sibling` (and in the shown tag), or as the first
    // subtask of `parent`, with its inherited tags; nullptr after a beep when the place refuses it.
    // Inside the new-task bracket.
    TDTask* p_insertNewTaskAfter(TDTask* sibling);
    // The editor's add paths: the new task from `insert`, in the new-task bracket, selected, one step.
    TDTask* p_addNewTaskNextTo(TDTask* task, const std::function<TDTask*(TDTask*)>& insert);
    TDTask* p_insertNewChildTask(TDTask* parent);
    TDTask* p_placedNewTask(TDTask* task);
    TDTaskRowItem p_parentForItem(TDTask* task);
    TDOrderedCollection* p_collectionOfParent(const TDTaskRowItem& parent);
    void p_selectRowUpward(qsizetype row);
    void p_deleteTasks(const QList<TDTask*>& tasks);
    void p_shuffleSelectionBeforeClosing();
    void p_changeDates(const QString& key, const QString& undoName,
                       const std::function<QDateTime(const QDateTime&)>& newDate);
    void p_toggleToday(const QString& key, const QString& setName, const QString& clearName);
    void p_changePriorities(const std::function<qint64(qint64)>& newPriority);
    void p_beep();
    void p_setNumberOfActions(qint64 count);
    void p_setNumberOfVisibleActions(qint64 count);
    enum class TaskWalk { AsShown, LimitsLifted, Reevaluated };
    void p_walkShownTasks(TaskWalk how, const std::function<void(TDTask*)>& visit);

    TDLibraryManager& m_manager;
    TDTaskPresentation* m_outline = nullptr;
    TDTaskPresentation* m_cards = nullptr;
    std::unique_ptr<TDCardDeck> m_cardDeck;
    TDTaskWindowContext* m_window = nullptr;
    TDTaskFeedback* m_feedback = nullptr;
    TDManagedObjectContext* m_context = nullptr;
    TDLibrary* m_temporaryLibrary = nullptr;
    platform::UndoManager* m_temporaryUndo = nullptr;
    TDTimerController* m_timer = nullptr;
    TDTaskLinkOpener* m_linkOpener = nullptr;

    TDGroup* m_group = nullptr;
    // The shown group's title, heard as it changes: row 0 shows it.
    int m_groupTitleObservation = -1;
    TDOrderedCollection* m_topTasks = nullptr;
    qint64 m_mode = -1;
    int m_displayMode = NoGroupMode;
    bool m_printing = false;
    std::unique_ptr<TDOrderedCollection> m_printedHeader;

    bool m_grouping = false;
    std::vector<std::unique_ptr<TDOrderedCollection>> m_sections;
    QList<TDOrderedCollection*> m_sectionPointers;
    std::unordered_map<TDOrderedCollection*, std::unique_ptr<TDGroupingFooter>> m_footers;
    QString m_groupingAttribute;
    quint64 m_groupingLimit = 0;
    QString m_sortingAttribute;
    QList<platform::SortDescriptor> m_sortDescriptors;
    bool m_reverseSort = false;

    std::shared_ptr<TDMutableCompoundPredicate> m_filterPredicate;
    std::shared_ptr<TDMutableComparisonPredicate> m_hideOldCompletedPredicate;
    std::shared_ptr<TDMutableComparisonPredicate> m_tagFilterPredicate;
    std::shared_ptr<TDMutableComparisonPredicate> m_titleFilterPredicate;
    QDateTime m_hideOldCompletedTasksCutoffDate;
    bool m_hideOldCompletedTasks = false;
    QSet<TDTag*> m_filterTags;
    QString m_titleFilterString;
    QVariantMap m_filterTagInfo;
    QVariant m_expandedStateBeforeFiltering;

    bool m_savesOptions = true;
    bool m_canShowAllCompletedTasks = false;
    bool m_changeGroupToRestoreSelection = false;
    bool m_optionKeyDown = false;
    bool m_userShowsDatesAsIntervals = false;
    bool m_drawsOverlay = false;
    bool m_dontUpdateUI = false;
    bool m_observingMOC = false;
    bool m_reloadAfterDateChangeScheduled = false;
    int m_rowsReloadDepth = 0;
    qint64 m_numberOfActions = 0;
    qint64 m_numberOfVisibleActions = 0;
    TDRecurrenceEditViewController* m_recurrenceEditor = nullptr;
};

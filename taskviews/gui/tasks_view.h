#pragma once

#include "controls/gui/extended_outline_view.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_row_tracking.h"
#include "taskviews/task_title_layout.h"

#include <QHash>
#include <QPixmap>
#include <QSet>

#include <functional>
#include <optional>

class QMenu;
class QTimer;

class TDGroup;
class TDPriorityBoxCell;
class TDTask;
class TDTaskCell;
class TDTaskTreeModel;
class TDTasksController;
class TDNotesTextView;
class TDRecurrenceEditView;
class TDTaskWindowContext;
class TDTasksCornerView;
class TDTasksViewEditing;

// The outline of the tasks area: header, section, task and footer rows of the tasks controller's
// group, drawn on yellow notebook paper (lists and folders) or white (tags, smart folders). It measures
// and caches each task row's height, keeps the expansion of tasks hidden under collapsed parents, and
// turns checkbox, priority and footer clicks into controller commands.
class TDTasksView : public TDExtendedOutlineView, public TDTaskPresentation {
    Q_OBJECT

public:
    TDTasksView(TDTasksController& controller, TDTaskTreeModel& model, QWidget* parent = nullptr);
    ~TDTasksView() override;

    static int displayModeForTabType(const QString& tabType);

    TDTasksController& tasksController() const { return m_controller; }
    TDTaskTreeModel& treeModel() const { return m_model; }
    // The window that selects a footer's list; none selects nothing.
    void setWindowContext(TDTaskWindowContext* context) { m_windowContext = context; }
    // Return in an editor ends the edit and then, when set, runs this (quick entry files its tasks).
    void setInsertNewlineHandler(std::function<void()> handler) {
        m_insertNewlineHandler = std::move(handler);
    }
    const std::function<void()>& insertNewlineHandler() const { return m_insertNewlineHandler; }

    int displayMode() const { return m_displayMode; }
    bool isYellowLook() const { return m_displayMode == 1 || m_displayMode == 3; }
    bool drawsOverlay() const { return m_drawsOverlay; }
    bool hasDummyHeader() const;
    bool hasTasks() const;
    bool isGrouping() const;
    // Above the vertical scroll bar, when scroll bars take room of their own; null otherwise.
    TDTasksCornerView* cornerView() const { return m_cornerView; }
    // The message an empty list shows; empty when none.
    QString instructionMessage() const { return m_instructionMessage; }

    // Colours of the display mode.
    QColor backgroundColor() const;
    QColor alternateColumnOverlayColor() const;
    QColor gridColor() const;
    QColor marginLineColor() const;
    // What an empty folder is filled with: the bottom colour of its tab's header band.
    QColor emptyFolderColor() const;
    // The rounded outline of the row being edited: the system's selection colour, darkened.
    static QColor editedRowOutlineColor();
    QColor selectionColor() const { return m_selectionColor; }
    QColor secondarySelectionColor() const { return m_secondarySelectionColor; }
    // Columns after the task column are tinted in turn, the first visible one first.
    bool isAlternateColumn(int column) const;

    // The off-screen copy that prints (tasks_view_printing.cpp): white paper without tints, a
    // stronger margin line, and the rules only while `printsLines`.
    bool isPrinting() const { return m_printing; }
    void setPrinting(bool printing);
    bool printsLines() const { return m_printsLines; }
    void setPrintsLines(bool printsLines);

    // Row heights: a task row is reckoned from its title's length until it is first painted, then
    // measured at the task column's width and cached until it changes.
    int heightOfRow(const QModelIndex& index) const;
    int heightOfRowForTask(const QModelIndex& index) const;
    // How many task rows have been measured rather than reckoned.
    qsizetype measuredHeightCount() const;

    // Expansion that remembers tasks hidden under a collapsed parent.
    void expandItem(const QModelIndex& item, bool expandChildren);
    void collapseItem(const QModelIndex& item, bool collapseChildren);
    void collapseAllTasks();
    bool isRememberedAsExpanded(TDTask* task) const;

    // Notes shown open in full: every note, or those the user left open (by task uid). Open notes
    // close again on the next click: one line at once, taller ones a moment later.
    bool expandAllNotes() const { return m_expandAllNotes; }
    void setExpandAllNotes(bool expand) override;
    bool isTaskNoteExpanded(const TDTask* task) const;
    // Keeps the task's note open after its editing ended with a click elsewhere.
    void setTaskNoteExpanded(TDTask* task);
    // How long taller notes stay open after the click that closes them.
    static constexpr int kNoteClosingDelay = 500;
    // A note area this high or lower is one line, closed on the click itself.
    static constexpr qreal kOneLineNoteHeight = 17;
    // Edits the note of the row's task in the notes editor, over the note's place in the row. Ending
    // the edit stores a changed note ("Edit Note"); after a click elsewhere the note stays open.
    void editNoteInRow(const QModelIndex& index);
    // The outline's notes editor; nullptr until a note was first edited.
    TDNotesTextView* notesEditor() const { return m_notesEditor; }
    // The recurrence editor in its balloon at the row of its task (tasks_view_recurrence.cpp); nullptr
    // until the tasks controller first asked for it.
    TDRecurrenceEditView* recurrenceEditView() const { return m_recurrenceEditView; }

    // The row of a title being edited follows the editor's lines: `growth` points taller (or shorter)
    // than its stored title needs; 0 gives the row back its own height.
    void setEditedTitleGrowth(const TDTask* task, int growth);

    // The strip on the task column's left edge that resizes the list column (the task column gives
    // up what it takes); empty when the list column is not shown.
    QRect listColumnResizeRect() const;
    // The menu a right click at the point opens: the column menu on a section header, else the task
    // menu, after the row under the point was selected alone unless it was selected already.
    QMenu* menuForPosition(const QPoint& point);
    // What a drag of several rows shows: a count badge.
    static QPixmap dragImageForCount(qint64 count);

    // Where a footer row's link lies, in the viewport's coordinates; empty for other rows.
    QRect footerLinkRect(const QModelIndex& index) const;

    // The outline's own keys (tasks_view_keys.cpp). Left and Right over every selected row: Left
    // collapses each, or goes to its parent when collapsed; Right expands the collapsed ones, or goes
    // down to the children when all are expanded.
    void moveBackward();
    void moveForward();
    // A page up or down, the selection going along to the row a page away.
    void emacsStylePageUp();
    void emacsStylePageDown();

    // TDTaskPresentation.
    QList<TDTaskRowItem> selectedItems() const override;
    void selectItems(const QList<TDTaskRowItem>& items, bool makeVisible) override;
    void deselectAll() override;
    qsizetype numberOfRealRows() const override;
    bool isItemExpanded(const TDTaskRowItem& item) const override;
    QVariant expandedState() const override;
    void setExpandedState(const QVariant& state) override;
    void clearAccumulatedExpandedState() override;
    QVariant scrollPositionState() const override;
    void setScrollPositionState(const QVariant& state) override;
    QVariant selectionState() const override;
    void setSelectionState(const QVariant& state) override;
    void saveState() override;
    void restoreState() override;
    // While the rows reset, the old rows are not to be asked for: the reset keeps the selection.
    void saveSelection() override {
        if (!m_resetting) TDExtendedOutlineView::saveSelection();
    }
    void restoreSelection() override {
        if (!m_resetting) TDExtendedOutlineView::restoreSelection();
    }
    void restoreAndShowSelection() override {
        if (!m_resetting) TDExtendedOutlineView::restoreAndShowSelection();
    }
    // In-place editing (tasks_view_editing.cpp).
    TDTasksViewEditing& editing() const { return *m_editing; }
    int editedRow() const override;
    int editedColumn() const override;
    bool isEditingNote() const override { return !m_editedNoteTaskUID.isEmpty(); }
    void finishEditing() override;
    QVariant interruptEditing() override;
    void resumeEditing(const QVariant& editing) override;
    // The row and area under the pointer (tasks_view_tracking.cpp).
    const TDTaskRowTracking& tracking() const { return m_tracking; }
    void clearTrackingRowAndColumn() override;
    void moveSelection(SelectionMove move) override;
    void centerSelectionIfNotVisible() override;
    void centerSelectionIfNotFullyVisible() override;
    void centerSelectionInVisibleArea() override;
    void setDrawsOverlay(bool drawsOverlay) override;
    void setDisplayMode(int displayMode) override;
    void expandAll() override;
    void redisplay() override { viewport()->update(); }
    void doItemsLayout() override;
    // What the commands need of the rows (tasks_view_commands.cpp).
    QList<TDTaskRowItem> rowItems() const override;
    bool isRowItemExpanded(const TDTaskRowItem& item) const override;
    void expandRowItem(const TDTaskRowItem& item) override;
    bool isTaskColumnHidden(int column) const override { return isColumnHidden(column); }
    void setTaskColumnHidden(int column, bool hidden) override { setColumnHidden(column, hidden); }
    // The measured heights go too.
    void noteHeightOfAllRowsChanged() override;
    // Editing that the task commands start (tasks_view_editing.cpp): the rows are brought up to date
    // with the context first, so a task added a moment ago has its row.
    void editItem(const TDTaskRowItem& item, int column, bool selectAll) override;
    void editNote(const TDTaskRowItem& item) override;
    void insertTextAtEndOfEditedText(const QString& text) override;

Q_SIGNALS:
    void displayModeChanged(int displayMode);
    // Each time the outline takes the keyboard focus.
    void didBecomeFirstResponder();

protected:
    void paintEvent(QPaintEvent* event) override;
    void drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                 const QModelIndex& index) const override;
    void drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    bool event(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void leaveEvent(QEvent* event) override;
    bool viewportEvent(QEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void updateGeometries() override;
    void initViewItemOption(QStyleOptionViewItem* option) const override;
    // Tasks of one parent may be dragged; the drop is the model's to make, so nothing is removed here.
    void startDrag(Qt::DropActions supportedActions) override;

private:
    TDTask* p_task(const QModelIndex& index) const;
    int p_kind(const QModelIndex& index) const;
    int p_depth(const QModelIndex& index) const;
    using Heights = QHash<const TDTask*, int>;
    // Heights hold for one width of the task column: a cache met at another width starts again.
    struct HeightCache {
        int taskColumnWidth = -1;
        Heights heights;
    };
    HeightCache& p_currentHeightCache() const;
    int p_heightOfTask(const TDTask* task, const QModelIndex& index, bool measure) const;
    int p_heightOfTaskTitle(const TDTask* task, const QModelIndex& index, bool measure) const;
    int p_taskCellWidth(const QModelIndex& index) const;
    int p_taskCellWidth(const QModelIndex& index, int taskColumnWidth) const;
    int p_estimatedHeight(const TDTask* task, int width, bool hasNotes) const;
    int p_oneLineHeight(const TDTask* task, int width) const;
    // Rows about to be painted get their exact heights.
    void p_measureVisibleRows();
    void p_forgetHeights(const QModelIndex& first, const QModelIndex& last);
    void p_forgetAllHeights();
    void p_changeColors();
    void p_updateRowSpans();
    void p_expandGroupItems();
    void p_taskExpanded(const QModelIndex& item);
    void p_taskCollapsed(const QModelIndex& item);
    void p_modelAboutToBeReset();
    void p_modelReset();
    void p_updateInstructionMessage();
    void p_setUpNotes();
    void p_collapseExpandedNotes();
    void p_collapseExpandedNotes(const QStringList& uids);
    void p_collapseExpandedNotesTimerFired();
    qreal p_noteHeight(const QModelIndex& index) const;
    void p_noteHeightOfRowChanged(const QModelIndex& index);
    bool p_isInNoteArea(const QModelIndex& index, const QPoint& point) const;
    // The row of the note being edited is as tall as the notes editor needs; 0 for other rows.
    int p_heightOfRowWithNotesEditor(const TDTask* task, const QModelIndex& index) const;
    void p_placeNotesEditor();
    QRectF p_noteFrameForEditing(const QModelIndex& index, const QRect& cellRect) const;
    void p_notesEditorDidEndEditing(bool byMouse);
    void p_showRecurrenceEditor(TDTask* task);
    bool p_startListColumnResize(QMouseEvent* event);
    bool p_trackListColumnResize(QMouseEvent* event);
    bool p_endListColumnResize();
    // The resize arrows over the list column's edge, a pointing hand over a folder's footer links.
    void p_updateCursor(const QPoint& point);
    // A double click on a section header by list opens that list in the source list; true when the
    // click was on a section header.
    bool p_openListOfSectionHeader(QMouseEvent* event);
    void p_updateHeaderBand();
    void p_updateCornerView();
    void p_installCells();
    // The key table's commands; false for keys the tree handles itself.
    bool p_performKey(QKeyEvent* event);
    bool p_takesKey(const QKeyEvent* event) const;
    void p_collapseOrSelectParent(const QModelIndex& item);
    void p_extendSelection(bool down);
    int p_rowAtY(int y) const;

    TDTrackingAreas p_trackingAreas(const QModelIndex& index) const;
    void p_trackPointer(const QPoint& point);
    void p_setTracking(const QModelIndex& index, TDTrackingArea area);

    void p_drawPaper(QPainter& painter, const QRect& clip) const;
    void p_drawGrid(QPainter& painter, const QRect& clip) const;
    void p_drawEditedRowOutline(QPainter& painter) const;
    void p_drawGroupingRow(QPainter& painter, const QRect& rowRect, const QModelIndex& index) const;
    void p_drawFooterRow(QPainter& painter, const QRect& rowRect, const QModelIndex& index) const;
    void p_drawInstructionMessage(QPainter& painter) const;

    TDTasksController& m_controller;
    TDTaskTreeModel& m_model;
    TDTaskWindowContext* m_windowContext = nullptr;
    std::function<void()> m_insertNewlineHandler;
    TDTaskCell* m_taskCell = nullptr;
    TDPriorityBoxCell* m_priorityCell = nullptr;
    TDTasksCornerView* m_cornerView = nullptr;
    TDTasksViewEditing* m_editing = nullptr;

    int m_displayMode = -1;
    bool m_printing = false;
    bool m_printsLines = true;
    bool m_drawsOverlay = false;
    QString m_instructionMessage;
    QColor m_selectionColor;
    QColor m_secondarySelectionColor;

    // Task -> height: one cache for the yellow lists, one per group (by uid) for the white ones.
    mutable HeightCache m_yellowHeights;
    mutable QHash<QString, HeightCache> m_whiteHeights;
    mutable HeightCache m_uncachedHeights;
    mutable const TDGroup* m_whiteHeightsGroup = nullptr;
    mutable HeightCache* m_currentWhiteHeights = nullptr;
    struct OneLineHeights {
        int plain;
        int withNote;
        qreal linePitch;
        qreal titleInset;
        qreal averageCharWidth;
        TDCharacterAdvances widest;
    };
    const OneLineHeights& p_oneLineHeights() const;
    mutable std::optional<OneLineHeights> m_oneLineHeights;
    // While the tree works out its scroll range it measures every row, asking for the item option
    // each time: within one geometry update the option cannot change, so it is made once.
    bool m_updatingGeometries = false;
    mutable std::optional<QStyleOptionViewItem> m_geometryUpdateOption;

    // The uids of every task the user expanded, also while hidden under a collapsed parent.
    QSet<QString> m_expandedItems;
    int m_expansionBookkeepingPaused = 0;
    // Across a reset of the rows.
    QVariant m_expandedBeforeReset;
    QVariant m_scrollBeforeReset;
    QVariant m_selectionBeforeReset;
    bool m_expansionClearedDuringReset = false;
    bool m_resetting = false;
    bool m_settingRowSpans = false;
    // The rows whose first column spans the others.
    QList<QPersistentModelIndex> m_spannedRows;
    bool m_centerAfterReset = false;
    bool m_expandAllAfterReset = false;
    std::optional<QList<TDTaskRowItem>> m_selectionAfterReset;

    std::optional<QVariantMap> m_savedState;
    QSet<QString> m_expandedNotes;
    bool m_expandAllNotes = false;
    QTimer* m_collapseNotesTimer = nullptr;
    TDNotesTextView* m_notesEditor = nullptr;
    QString m_editedNoteTaskUID;
    int m_notesEditorHeight = 0;
    const TDTask* m_grownTitleTask = nullptr;
    int m_titleGrowth = 0;
    TDRecurrenceEditView* m_recurrenceEditView = nullptr;
    QMenu* m_taskMenu = nullptr;
    struct ListColumnResize {
        qreal x;
        int listWidth;
        int taskWidth;
    };
    std::optional<ListColumnResize> m_listColumnResize;
    QPersistentModelIndex m_footerPressed;
    QPersistentModelIndex m_footerHovered;
    // Where the pointer last moved over the rows, while it is over them.
    std::optional<QPoint> m_pointer;
    TDTaskRowTracking m_tracking;
};

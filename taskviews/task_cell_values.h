#pragma once

#include <QFlags>
#include <QVariant>

class TDGroup;
class TDOrderedCollection;
class TDTask;

// The columns of the task outline, in display order; the card view reads the same values.
enum class TDTaskColumn { List = 0, Priority, Task, Start, Due, Estimate };

// How a cell should look, as facts a delegate turns into fonts and colours.
enum class TDCellDressing : quint32 {
    None = 0,
    Done = 1 << 0,        // completed or canceled: dimmed, nothing more
    PastDue = 1 << 1,     // task column and due column
    DueSoon = 1 << 2,     // task column (when not past due) and due column
    PastStart = 1 << 3,   // task column (when not due) and start column
    Calculated = 1 << 4,  // a value made from subtasks or from a section's tasks: drawn disabled
    SectionTitle = 1 << 5,
    ListHeader = 1 << 6,  // a section title drawn with the list header font, else the grouping font
    // The list column of a task whose row above is in the same list: drawn blank.
    SameListAsRowAbove = 1 << 7,
};
Q_DECLARE_FLAGS(TDCellDressings, TDCellDressing)
Q_DECLARE_OPERATORS_FOR_FLAGS(TDCellDressings)

// What a section row's values depend on besides the section itself.
struct TDSectionCellContext {
    TDGroup* group = nullptr;  // the group the controller shows
    bool isSortingSection = false;
    bool usesListHeader = false;  // the header row, or any section without a header row
    bool datesAsIntervals = false;
};

// The value a task shows in a column: the list's title (null when `taskAbove`, the task on the row
// above, is in the same list), the priority, the title, the dates as text, the estimate as text.
QVariant TDTaskCellValue(TDTask* task, TDTaskColumn column, TDTask* taskAbove = nullptr,
                         bool datesAsIntervals = false);
// The value a section (or the list's header row) shows in a column; null where it shows nothing.
QVariant TDSectionCellValue(TDOrderedCollection* section, TDTaskColumn column,
                            const TDSectionCellContext& context);
// A date as the date columns show it: as days from today (the user's "showDatesAsIntervals", or Alt
// held, as the tasks controller tells), else as the date itself.
QVariant TDDateCellText(const QDateTime& date, bool asInterval);

bool TDIsTaskCellEditable(const TDTask* task, TDTaskColumn column);
// Writes an edited value (text, or a date or number chosen elsewhere) back to the task, naming the undo
// action. Text that does not read as a date or duration keeps the old value; empty text clears it.
// False when nothing changed: then no undo action is registered.
bool TDSetTaskCellValue(TDTask* task, TDTaskColumn column, const QVariant& value);

TDCellDressings TDTaskCellDressing(const TDTask* task, TDTaskColumn column);
TDCellDressings TDSectionCellDressing(TDTaskColumn column, const TDSectionCellContext& context);

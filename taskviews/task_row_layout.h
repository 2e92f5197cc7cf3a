#pragma once

#include "taskviews/task_row_facts.h"
#include "taskviews/task_title_layout.h"

#include <QFont>
#include <QRectF>
#include <QString>

#include <functional>
#include <memory>

// What a task row is laid out from.
struct TDTaskRowLayoutInput {
    QRectF rowRect;         // the task column's frame in the row; height unbounded (infinite or the
                            // largest double) when measuring
    qreal indentation = 0;  // the outline's indentation of this item, taken off the left
    TDStyledTitle title;    // the display form
    QString noteText;       // what the notes line shows: the summary, or the notes when expanded
    QFont noteFont;
    // Measures the open notes at a width where they are drawn as rich text (attachments, links); unset:
    // the plain text is measured.
    std::function<qreal(qreal width)> expandedNoteHeight;
    bool editingNote = false;
    bool noteExpanded = false;
    bool drawCheckbox = true;
    bool insideOutline = true;
    // The priority column's cell in the same row, when there is one.
    QRectF priorityCellRect;
};

// Where the parts of a task row go. The view is flipped: y grows downwards.
struct TDTaskRowLayout {
    QRectF cellFrame;
    QRectF checkboxFrame;  // empty without a checkbox
    QRectF priorityFrame;  // the priority box, empty without a priority cell
    QRectF titleFrame;
    QRectF noteFrame;                                      // empty without a notes line
    std::shared_ptr<const TDTitleTextLayout> titleLayout;  // the title set at the title frame's width
    qreal height = 0;  // the row's height: 26 for one title line, 40 with the collapsed notes line

    const QList<TDTitleParser::Range>& titleLines() const { return titleLayout->lines(); }
};

inline constexpr qreal TDCollapsedNoteHeight = 15.0;

TDTaskRowLayout TDLayOutTaskRow(const TDTaskRowLayoutInput& input);

// The priority box in its cell: 17 by 18, centred, 6 below the top.
QRectF TDPriorityBoxFrame(const QRectF& cellFrame);

// The rule between the title and the notes line while either is edited: 1 high, just above the notes
// line; empty for a row without one.
QRectF TDTitleSeparatorRect(const TDTaskRowLayout& layout);

// What a point in a task row hits.
enum class TDTaskRowHit { None, Checkbox, Title, Note };
TDTaskRowHit TDHitTestTaskRow(const TDTaskRowLayout& layout, const QPointF& point);

// The command a click released in the checkbox sends: a canceled task is un-canceled, any other
// task's completion toggles. None when the button went up outside the checkbox.
enum class TDCheckboxCommand { None, ToggleCompletion, ToggleCancellation };
TDCheckboxCommand TDCheckboxCommandForClick(const TDTaskRowLayout& layout, const QPointF& pressed,
                                            const QPointF& released, const TDTaskRowFacts& facts);

// The tooltip at a point: the notes over a notes line that does not show them whole, the recurrence
// over the checkbox; null elsewhere.
QString TDTaskRowToolTip(const TDTaskRowLayout& layout, const QPointF& point, const TDTaskRowFacts& facts,
                         const QFont& noteFont);

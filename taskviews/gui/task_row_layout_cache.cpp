#include "taskviews/gui/task_row_layout_cache.h"

#include <cmath>
#include <limits>

namespace {

bool sameTitle(const TDStyledTitle& a, const TDStyledTitle& b) {
    return a.text == b.text && a.formats == b.formats && a.tokenRanges == b.tokenRanges;
}

// Everything a layout depends on but the row's position.
bool sameInput(const TDTaskRowLayoutInput& a, const TDTaskRowLayoutInput& b) {
    return a.rowRect.size() == b.rowRect.size() && a.indentation == b.indentation &&
           a.noteText == b.noteText && a.noteFont == b.noteFont && a.editingNote == b.editingNote &&
           a.noteExpanded == b.noteExpanded && bool(a.expandedNoteHeight) == bool(b.expandedNoteHeight) &&
           a.drawCheckbox == b.drawCheckbox && a.insideOutline == b.insideOutline &&
           a.priorityCellRect == b.priorityCellRect && sameTitle(a.title, b.title);
}

QRectF moved(const QRectF& rect, const QPointF& offset) {
    return rect.isNull() ? rect : rect.translated(offset);
}

TDTaskRowLayout movedLayout(TDTaskRowLayout layout, const QPointF& offset) {
    layout.cellFrame = moved(layout.cellFrame, offset);
    layout.checkboxFrame = moved(layout.checkboxFrame, offset);
    layout.titleFrame = moved(layout.titleFrame, offset);
    layout.noteFrame = moved(layout.noteFrame, offset);
    return layout;
}

bool isMeasuring(const TDTaskRowLayoutInput& input) {
    return !std::isfinite(input.rowRect.height()) ||
           input.rowRect.height() >= std::numeric_limits<double>::max() / 2;
}

}  // namespace

TDTaskRowLayout TDTaskRowLayoutCache::layOut(const void* row, const TDTaskRowLayoutInput& input) {
    // The priority box is placed on whole points from the cell's position: such rows are laid out afresh.
    if (!row || !input.priorityCellRect.isNull()) return TDLayOutTaskRow(input);
    TDTaskRowLayoutInput atOrigin = input;
    atOrigin.rowRect.moveTopLeft(QPointF(0, 0));
    const QPointF offset = input.rowRect.topLeft();
    const QPair<const void*, bool> key(row, isMeasuring(input));
    const QFont& titleFont = TDTitleFonts::shared().task;
    auto found = m_entries.find(key);
    if (found != m_entries.end() && found->titleFont == titleFont && sameInput(found->input, atOrigin))
        return movedLayout(found->layout, offset);
    if (found == m_entries.end() && m_entries.size() >= kCapacity) m_entries.clear();
    Entry entry{atOrigin, titleFont, TDLayOutTaskRow(atOrigin)};
    TDTaskRowLayout layout = movedLayout(entry.layout, offset);
    m_entries.insert(key, std::move(entry));
    return layout;
}

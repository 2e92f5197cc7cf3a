#include "taskviews/task_row_layout.h"

#include <QFontMetricsF>

#include <cmath>
#include <limits>

namespace {

constexpr qreal kTitleTop = 5.0;
constexpr qreal kCheckboxWidth = 23.0;
constexpr qreal kCheckboxHeight = 18.0;
constexpr qreal kCheckboxColumn = 28.0;
constexpr qreal kNoteBottomMargin = 4.0;
constexpr qreal kTitleBottomMargin = 6.0;
// Outside an outline a title beside notes keeps one height, whatever its lines.
constexpr qreal kFixedTitleHeight = 19.0;

bool isUnbounded(qreal height) {
    return !std::isfinite(height) || height >= std::numeric_limits<double>::max() / 2;
}

qreal noteHeightAtWidth(const QString& text, const QFont& font, qreal width) {
    const QFontMetricsF metrics(font);
    const QRectF bounds = metrics.boundingRect(QRectF(0, 0, width, 1e6), Qt::TextWordWrap, text);
    // One line keeps the collapsed line's height, whatever the family's hinted height.
    if (bounds.height() <= metrics.height()) return 0;
    return std::ceil(bounds.height());
}

}  // namespace

TDTaskRowLayout TDLayOutTaskRow(const TDTaskRowLayoutInput& input) {
    TDTaskRowLayout layout;
    QRectF frame = input.rowRect.adjusted(input.indentation, 0, 0, 0);
    const bool unbounded = isUnbounded(frame.height());
    if (unbounded) frame.setHeight(1e6);
    layout.cellFrame = frame;
    const bool hasNote = !input.noteText.isEmpty() || input.editingNote;

    QRectF title = frame.translated(0, kTitleTop);
    if (input.drawCheckbox) {
        layout.checkboxFrame = QRectF(frame.x() + 5, frame.y() + 4, kCheckboxWidth, kCheckboxHeight);
        title.adjust(kCheckboxColumn, 0, 0, 0);
    }
    layout.titleLayout = std::make_shared<TDTitleTextLayout>(input.title, std::max<qreal>(title.width(), 1));
    title.setHeight(!input.insideOutline && hasNote ? kFixedTitleHeight : layout.titleLayout->height());

    if (hasNote) {
        qreal noteHeight = TDCollapsedNoteHeight;
        if (input.noteExpanded)
            noteHeight =
                std::max(noteHeight, input.expandedNoteHeight
                                         ? input.expandedNoteHeight(title.width())
                                         : noteHeightAtWidth(input.noteText, input.noteFont, title.width()));
        const qreal noteY = unbounded ? title.bottom() + 1 : frame.bottom() - noteHeight - kNoteBottomMargin;
        layout.noteFrame = QRectF(title.x(), noteY, title.width(), noteHeight);
    }
    if (!input.insideOutline) {
        title.translate(0, 1);
        if (hasNote) layout.noteFrame.translate(0, 1);
    }
    layout.titleFrame = title;
    layout.height = hasNote ? layout.noteFrame.bottom() + kNoteBottomMargin - frame.y()
                            : title.bottom() + kTitleBottomMargin - frame.y();
    if (!input.priorityCellRect.isNull()) layout.priorityFrame = TDPriorityBoxFrame(input.priorityCellRect);
    return layout;
}

QRectF TDPriorityBoxFrame(const QRectF& cellFrame) {
    return QRectF(std::floor(cellFrame.x() + cellFrame.width() / 2 - 8.5), cellFrame.y() + 6, 17, 18);
}

QRectF TDTitleSeparatorRect(const TDTaskRowLayout& layout) {
    if (layout.noteFrame.isEmpty()) return QRectF();
    const QRectF& title = layout.titleFrame;
    return QRectF(title.x() + 2, layout.noteFrame.y() - 1, title.width() - 1, 1);
}

TDTaskRowHit TDHitTestTaskRow(const TDTaskRowLayout& layout, const QPointF& point) {
    if (layout.checkboxFrame.contains(point)) return TDTaskRowHit::Checkbox;
    if (layout.noteFrame.contains(point)) return TDTaskRowHit::Note;
    if (layout.cellFrame.contains(point)) return TDTaskRowHit::Title;
    return TDTaskRowHit::None;
}

TDCheckboxCommand TDCheckboxCommandForClick(const TDTaskRowLayout& layout, const QPointF& pressed,
                                            const QPointF& released, const TDTaskRowFacts& facts) {
    if (!layout.checkboxFrame.contains(pressed) || !layout.checkboxFrame.contains(released))
        return TDCheckboxCommand::None;
    return facts.canceled ? TDCheckboxCommand::ToggleCancellation : TDCheckboxCommand::ToggleCompletion;
}

QString TDTaskRowToolTip(const TDTaskRowLayout& layout, const QPointF& point, const TDTaskRowFacts& facts,
                         const QFont& noteFont) {
    if (layout.noteFrame.contains(point)) {
        if (facts.notes.contains(QLatin1Char('\n'))) return facts.notes;
        const qreal needed = noteHeightAtWidth(facts.notes, noteFont, layout.noteFrame.width());
        const bool cut = needed - 1 > layout.noteFrame.height() ||
                         QFontMetricsF(noteFont).horizontalAdvance(facts.notes) > layout.noteFrame.width();
        return cut ? facts.notes : QString();
    }
    if (layout.checkboxFrame.contains(point)) return facts.recurrenceDescription;
    return QString();
}

// How the task outline paints around its cells: the paper, the rules, the margin line, the tinted
// columns, the section and footer rows, the go-to overlay and the message of an empty list.
#include "foundation/constants.h"
#include "model/group.h"
#include "model/task.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QHeaderView>
#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

namespace {

using Kind = TDTaskRowItem::Kind;

constexpr int kRowHeight = 26;
// Where the section title and the footer text start, right of the task column's edge.
constexpr int kSectionTitleInset = 28;
constexpr int kFooterInset = 48;

QColor hex(const char* digits, float alpha) {
    QColor color(QString::fromLatin1("#") + QString::fromLatin1(digits));
    color.setAlphaF(alpha);
    return color;
}

QColor white(float level, float alpha) {
    return QColor::fromRgbF(level, level, level, alpha);
}

QColor blended(const QColor& from, float fraction, const QColor& to) {
    auto mix = [fraction](float a, float b) { return a + (b - a) * fraction; };
    return QColor::fromRgbF(mix(from.redF(), to.redF()), mix(from.greenF(), to.greenF()),
                            mix(from.blueF(), to.blueF()), 1.0f);
}

QColor highlighted(const QColor& color, float fraction) {
    return blended(color, fraction, Qt::white);
}

QColor paperYellow() {
    return QColor(255, 252, 214);
}

QFont fontOr(const std::optional<QFont>& font, qreal size, bool italic = false) {
    QFont made = font.value_or(QFont(QStringLiteral("Helvetica")));
    if (!font) {
        made.setPointSizeF(size);
        made.setItalic(italic);
    }
    return TDTitleFonts::rowFont(made);
}

// The raster engine hands a blended fill of more than 95 scan lines to worker threads. The flat fills
// here are quick on their own and waking the threads costs more, so tall fills go in bands below that.
template <typename Rect, typename Brush>
void fillInBands(QPainter& painter, const Rect& rect, const Brush& brush) {
    const qreal scale = std::max<qreal>(1, painter.deviceTransform().m22());
    const int band = std::max(1, int(95 / scale));
    for (int offset = 0; offset < rect.height(); offset += band)
        painter.fillRect(Rect(rect.x(), rect.y() + offset, rect.width(),
                              std::min<decltype(rect.height())>(band, rect.height() - offset)),
                         brush);
}

}  // namespace

// --- Colours

QColor TDTasksView::backgroundColor() const {
    if (m_printing) return Qt::white;
    if (!isYellowLook()) return Qt::white;
    const QBrush& notebook = TDConstants::shared().TDNotebookPatternColor;
    return notebook.style() == Qt::SolidPattern ? notebook.color() : paperYellow();
}

QColor TDTasksView::alternateColumnOverlayColor() const {
    return isYellowLook() ? hex("883300", 0.03f) : white(0.0f, 0.03f);
}

QColor TDTasksView::gridColor() const {
    const QColor green = QColor::fromRgbF(199 / 255.0f, 219 / 255.0f, 197 / 255.0f);
    return isYellowLook() ? green : highlighted(green, 0.25f);
}

QColor TDTasksView::marginLineColor() const {
    if (m_printing) return hex("eab3a2", 0.8f);
    return isYellowLook() ? hex("fbab52", 0.4f) : hex("ffb3a2", 0.5f);
}

QColor TDTasksView::emptyFolderColor() const {
    TDGroup* group = m_controller.group();
    const QVariantMap options = TDGroup::displayOptionsForTabType(group ? group->tabType() : QString());
    const QColor color =
        options.value(QStringLiteral("tasksViewHeaderBackgroundGradientBottomColor")).value<QColor>();
    return color.isValid() ? color : white(0.9f, 1.0f);
}

QColor TDTasksView::editedRowOutlineColor() {
    const QColor selected = QApplication::palette().color(QPalette::Active, QPalette::Highlight);
    return blended(selected, 0.35f, Qt::black);
}

void TDTasksView::p_changeColors() {
    const QPalette system = QApplication::palette();
    const QColor selected = system.color(QPalette::Active, QPalette::Highlight);
    const QColor secondary = system.color(QPalette::Inactive, QPalette::Highlight);
    const QColor lightYellow = hex("fff5b3", 1.0f);
    if (isYellowLook()) {
        m_selectionColor = blended(selected, 0.4f, lightYellow);
        m_secondarySelectionColor = blended(secondary, 0.6f, lightYellow);
    } else {
        m_selectionColor = highlighted(selected, 0.5f);
        m_secondarySelectionColor = highlighted(secondary, 0.5f);
    }
    // The cells fill selected rows with the palette's highlight.
    QPalette colors = palette();
    colors.setColor(QPalette::Active, QPalette::Highlight, m_selectionColor);
    colors.setColor(QPalette::Inactive, QPalette::Highlight, m_secondarySelectionColor);
    colors.setColor(QPalette::HighlightedText, Qt::black);
    colors.setColor(QPalette::Text, Qt::black);
    colors.setColor(QPalette::Base, backgroundColor());
    setPalette(colors);
}

bool TDTasksView::isAlternateColumn(int column) const {
    const QHeaderView* columns = header();
    const int taskPosition = columns->visualIndex(TDTaskTreeModel::TaskColumn);
    const int position = columns->visualIndex(column);
    if (position <= taskPosition || columns->isSectionHidden(column)) return false;
    int shownBetween = 0;
    for (int visual = taskPosition + 1; visual < position; ++visual)
        if (!columns->isSectionHidden(columns->logicalIndex(visual))) ++shownBetween;
    return shownBetween % 2 == 0;
}

// --- Painting

void TDTasksView::paintEvent(QPaintEvent* event) {
    p_measureVisibleRows();
    const QRect clip = event->rect();
    // An empty folder is no sheet of paper: it takes its tab's colour, unruled.
    const bool emptyFolder = m_displayMode == TDTasksController::FolderMode && numberOfRows() == 0;
    if (emptyFolder) {
        if (!m_printing) {
            QPainter painter(viewport());
            fillInBands(painter, clip, emptyFolderColor());
        }
    } else {
        QPainter painter(viewport());
        p_drawPaper(painter, clip);
    }
    TDExtendedOutlineView::paintEvent(event);
    QPainter painter(viewport());
    painter.setClipRect(clip);
    if (!emptyFolder) p_drawGrid(painter, clip);
    p_drawEditedRowOutline(painter);
    if (!m_instructionMessage.isEmpty()) p_drawInstructionMessage(painter);
    if (m_drawsOverlay) fillInBands(painter, clip, QColor::fromRgbF(0, 0, 0, 0.15f));
}

void TDTasksView::p_drawPaper(QPainter& painter, const QRect& clip) const {
    const QBrush& notebook = TDConstants::shared().TDNotebookPatternColor;
    if (m_printing) return;
    if (isYellowLook() && notebook.style() == Qt::TexturePattern)
        fillInBands(painter, clip, notebook);
    else
        fillInBands(painter, clip, backgroundColor());
    fillInBands(painter, QRect(0, clip.top(), 1, clip.height()), white(1.0f, 0.25f));
}

void TDTasksView::p_drawGrid(QPainter& painter, const QRect& clip) const {
    // Tinted columns after the task column, one in two.
    for (int column = TDTaskTreeModel::TaskColumn + 1; column < TDTaskTreeModel::ColumnCount; ++column) {
        if (m_printing || !isAlternateColumn(column)) continue;
        fillInBands(painter,
                    QRect(columnViewportPosition(column), clip.top(), columnWidth(column), clip.height()),
                    alternateColumnOverlayColor());
    }

    // A rule along the bottom of every task row, then on down the empty paper.
    const QColor rule = m_printing && !m_printsLines ? QColor(Qt::transparent) : gridColor();
    int lastBottom = -1;
    QModelIndex item = indexAt(QPoint(1, qMax(0, clip.top())));
    // Any column but a hidden one gives the first row's top; the rows below follow it.
    int top = item.isValid() ? visualRect(item.siblingAtColumn(TDTaskTreeModel::TaskColumn)).top() : 0;
    while (item.isValid() && top <= clip.bottom()) {
        const int bottom = top + rowHeight(item) - 1;
        const QModelIndex below = indexBelow(item);
        const int kind = p_kind(item);
        const bool ruled = kind == int(Kind::Task) || (kind == int(Kind::Footer) && !below.isValid());
        if (ruled) painter.fillRect(QRect(0, bottom, viewport()->width(), 1), rule);
        lastBottom = bottom;
        top = bottom + 1;
        item = below;
    }
    if (lastBottom < 0) {
        const int rows = numberOfRows();
        lastBottom =
            rows > 0 ? rectOfRow(rows - 1).bottom() : (isYellowLook() && m_controller.library() ? -1 : 49);
        if (rows > 0 && lastBottom > clip.bottom()) lastBottom = clip.bottom();
    }
    for (int y = lastBottom + kRowHeight; y <= clip.bottom(); y += kRowHeight)
        if (y >= clip.top()) painter.fillRect(QRect(0, y, viewport()->width(), 1), rule);

    // The margin line: double on notebook paper, single and a little wider on white.
    const qreal x = columnViewportPosition(TDTaskTreeModel::TaskColumn) - 1;
    const QColor margin = marginLineColor();
    if (isYellowLook()) {
        fillInBands(painter, QRectF(x, clip.top(), 1, clip.height()), margin);
        fillInBands(painter, QRectF(x + 3, clip.top(), 1, clip.height()), margin);
    } else {
        fillInBands(painter, QRectF(x + 1, clip.top(), 1.2, clip.height()), margin);
    }
}

// The row being edited is outlined, not filled; while a cell is edited no selected row is filled.
void TDTasksView::p_drawEditedRowOutline(QPainter& painter) const {
    const int row = editedRow();
    if (row < 0 || m_printing) return;
    const QRectF inset = QRectF(rectOfRow(row)).adjusted(0.5, 0.5, -0.5, -0.5);
    const QRectF outline(inset.x() + 1, inset.y() + 1, inset.width() - 2, inset.height() - 3);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(editedRowOutlineColor(), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(outline, 5, 5);
    painter.restore();
}

void TDTasksView::drawRow(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    if (editedRow() >= 0 && p_kind(index) == int(Kind::Task)) {
        QStyleOptionViewItem unfilled = option;
        for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive})
            unfilled.palette.setColor(group, QPalette::Highlight, Qt::transparent);
        return TDExtendedOutlineView::drawRow(painter, unfilled, index);
    }
    switch (Kind(p_kind(index))) {
        case Kind::Header:
        case Kind::Section:
            p_drawGroupingRow(*painter, option.rect, index.siblingAtColumn(0));
            return;
        case Kind::Footer:
            p_drawFooterRow(*painter, option.rect, index.siblingAtColumn(0));
            return;
        default:
            TDExtendedOutlineView::drawRow(painter, option, index);
    }
}

void TDTasksView::drawBranches(QPainter* painter, const QRect& rect, const QModelIndex& index) const {
    if (p_kind(index) != int(Kind::Task)) return;
    TDExtendedOutlineView::drawBranches(painter, rect, index);
}

void TDTasksView::p_drawGroupingRow(QPainter& painter, const QRect& rowRect, const QModelIndex& index) const {
    const QModelIndex titleIndex = index.siblingAtColumn(TDTaskTreeModel::TaskColumn);
    const QString title = titleIndex.data().toString();
    const TDCellDressings dressing(titleIndex.data(TDTaskTreeModel::DressingRole).toInt());
    const TDConstants& constants = TDConstants::shared();
    const bool topRow = !index.parent().isValid() && index.row() == 0;
    const int taskX = columnViewportPosition(TDTaskTreeModel::TaskColumn);
    const QRect bounds(0, rowRect.y(), viewport()->width(), rowRect.height());
    painter.save();

    if (m_displayMode == TDTasksController::ListMode && !topRow) {
        // A label: a white rounded tab with a soft shadow, the title inside.
        const QFont font = fontOr(constants.TDTasksGroupingHeaderFont, 12, true);
        const QFontMetricsF metrics(font);
        const qreal width = metrics.horizontalAdvance(title) + taskX + kSectionTitleInset + 14;
        QRectF label(-10, rowRect.y() + 3, width + 10, rowRect.height() - 6);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgbF(0, 0, 0, 0.12f));
        painter.drawRoundedRect(label.translated(0, 1), 3, 3);
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(label, 3, 3);
        painter.setFont(font);
        painter.setPen(constants.TDGroupingHeaderTextColor);
        painter.drawText(QRectF(taskX + kSectionTitleInset - 1, label.y(), width, label.height()),
                         Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, title);
        painter.restore();
        return;
    }

    // A list header: a bar across the list with a fine shadowed line above.
    const int above = index.row() - 1;
    bool afterFooter = false;
    if (above >= 0 && !index.parent().isValid()) {
        const QModelIndex previous = m_model.index(above, 0);
        const int children = m_model.rowCount(previous);
        afterFooter = children > 0 && p_kind(m_model.index(children - 1, 0, previous)) == int(Kind::Footer);
    }
    const int offset = afterFooter ? 5 : 14;
    const int y = rowRect.y();
    // A printed page takes gradients without their transparency: paper gets the lines alone.
    if (!topRow) {
        if (!m_printing) {
            QLinearGradient shade(0, y + offset - 7, 0, y + offset);
            shade.setColorAt(0, QColor::fromRgbF(0, 0, 0, 0));
            shade.setColorAt(1, QColor::fromRgbF(0, 0, 0, 0.1f));
            painter.fillRect(QRect(bounds.x(), y + offset - 7, bounds.width(), 7), shade);
        }
        painter.fillRect(QRect(bounds.x(), y + offset, bounds.width(), 1), QColor::fromRgbF(0, 0, 0, 0.25f));
    }
    const int highlightY = topRow ? y : y + offset + 1;
    painter.fillRect(QRect(bounds.x(), highlightY, bounds.width(), 1), white(1.0f, 0.25f));
    if (!m_printing) {
        QLinearGradient light(0, highlightY, 0, rowRect.bottom());
        light.setColorAt(0, white(1.0f, 0.15f));
        light.setColorAt(1, white(1.0f, 0.0f));
        painter.fillRect(QRect(bounds.x(), highlightY + 1, bounds.width(), rowRect.bottom() - highlightY),
                         light);
    }
    // The bottom rule of the bar.
    painter.fillRect(QRect(bounds.x(), rowRect.bottom(), bounds.width(), 1), gridColor());

    const bool listHeaderFont = dressing.testFlag(TDCellDressing::ListHeader);
    QFont font = listHeaderFont ? fontOr(constants.TDListHeaderFont, 22)
                                : fontOr(constants.TDTasksGroupingHeaderFont, 12, true);
    // On paper each list's section is titled as a smaller list header.
    if (m_printing && !topRow && m_controller.isGroupingByList()) {
        QFont listHeader = constants.TDListHeaderFont.value_or(QFont(QStringLiteral("Helvetica")));
        listHeader.setPointSizeF(18);
        font = fontOr(listHeader, 18);
    }
    painter.setFont(font);
    painter.setPen(listHeaderFont ? white(0.2f, 1.0f) : constants.TDGroupingHeaderTextColor);
    const QFontMetricsF metrics(font);
    const QRectF titleRect(taskX - 1 + kSectionTitleInset, y,
                           viewport()->width() - taskX - kSectionTitleInset, rowRect.height() - 4);
    painter.drawText(titleRect, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                     metrics.elidedText(title, Qt::ElideRight, titleRect.width()));

    // What the section sums up in the small columns, level with the title's baseline.
    const QFont small = fontOr(constants.TDOtherColumnFont, 11);
    painter.setFont(small);
    painter.setPen(white(0.35f, 1.0f));
    for (int column = TDTaskTreeModel::TaskColumn + 1; column < TDTaskTreeModel::ColumnCount; ++column) {
        if (isColumnHidden(column)) continue;
        const QString value = index.siblingAtColumn(column).data().toString();
        if (value.isEmpty()) continue;
        const QRect cell(columnViewportPosition(column) + 4, y + rowRect.height() - 27,
                         columnWidth(column) - 8, 23);
        painter.drawText(cell, Qt::AlignLeft | Qt::AlignBottom | Qt::TextSingleLine,
                         QFontMetricsF(small).elidedText(value, Qt::ElideRight, cell.width()));
    }
    painter.restore();
}

QRect TDTasksView::footerLinkRect(const QModelIndex& index) const {
    if (p_kind(index) != int(Kind::Footer)) return {};
    const QString text = index.siblingAtColumn(TDTaskTreeModel::TaskColumn).data().toString();
    if (text.isEmpty()) return {};
    const QRect row = visualRect(index.siblingAtColumn(TDTaskTreeModel::TaskColumn));
    const QFont font = fontOr(TDConstants::shared().TDOtherColumnFont, 11);
    const int width = int(std::ceil(QFontMetricsF(font).horizontalAdvance(text)));
    const int x = columnViewportPosition(TDTaskTreeModel::TaskColumn) + kFooterInset;
    return QRect(x, row.y(), width, qMax(row.height(), 13));
}

void TDTasksView::p_drawFooterRow(QPainter& painter, const QRect& rowRect, const QModelIndex& index) const {
    const QString text = index.siblingAtColumn(TDTaskTreeModel::TaskColumn).data().toString();
    if (text.isEmpty()) return;
    const bool over = m_footerHovered == index || m_footerPressed == index;
    QFont font = fontOr(TDConstants::shared().TDOtherColumnFont, 11);
    font.setUnderline(over);
    painter.save();
    painter.setFont(font);
    painter.setPen(over && m_footerPressed == index ? QColor(Qt::black) : white(0.4f, 1.0f));
    const QRect link = footerLinkRect(index);
    painter.drawText(QRect(link.x(), rowRect.y() - 6, link.width() + 2, rowRect.height() + 6),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter.restore();
}

void TDTasksView::p_drawInstructionMessage(QPainter& painter) const {
    const int top = hasDummyHeader() || !isYellowLook() ? 57 : kRowHeight + 10;
    const QRect frame = viewport()->rect().adjusted(45, top, -45, -top);
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(12);
    font.setItalic(true);
    painter.save();
    painter.setFont(font);
    painter.setPen(white(0.5f, 1.0f));
    painter.drawText(frame, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_instructionMessage);
    painter.restore();
}

#include "taskviews/gui/attribute_cells.h"

#include "foundation/constants.h"
#include "taskviews/attribute_cell_geometry.h"
#include "taskviews/due_date_color.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QHelpEvent>
#include <QPainter>
#include <QToolTip>

namespace {

// Text keeps clear of its column's edge, in line with the column's title and the sections' sums.
constexpr qreal kTextInset = 3;
constexpr qreal kListTextInset = 5;

QFont cellFont(int dressing) {
    const TDConstants& constants = TDConstants::shared();
    const QFont plain = constants.TDOtherColumnFont.value_or(QFont());
    const bool bold = TDCellDressings(dressing) & (TDCellDressing::PastDue | TDCellDressing::DueSoon);
    return TDTitleFonts::rowFont(bold ? constants.TDOtherColumnBoldFont.value_or(plain) : plain);
}

}  // namespace

QColor TDTasksViewTextFieldCell::textColor(int dressing, const QPalette& palette, bool selected) {
    const TDCellDressings flags(dressing);
    if (flags & TDCellDressing::PastDue) return TDDueDateColor(TDDueState::PastDue, palette);
    if (flags & TDCellDressing::DueSoon) return TDDueDateColor(TDDueState::DueSoon, palette);
    if (flags & (TDCellDressing::Done | TDCellDressing::Calculated))
        return QColor::fromRgbF(0.45f, 0.45f, 0.45f);
    return QColor::fromRgbF(0, 0, 0, selected ? 1.0f : 0.847059f);
}

void TDTasksViewTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);
    if (text.isEmpty()) return;
    const int dressing = index.data(TDTaskTreeModel::DressingRole).toInt();
    const QFont font = cellFont(dressing);
    const QRectF rect = textRect(QRectF(option.rect));
    painter->save();
    painter->setFont(font);
    painter->setPen(textColor(dressing, cell.palette, cell.state.testFlag(QStyle::State_Selected)));
    painter->drawText(rect, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      QFontMetricsF(font).elidedText(text, Qt::ElideRight, rect.width()));
    painter->restore();
}

void TDTasksViewTextFieldCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                                    const QModelIndex&) const {
    QRectF rect = textRect(QRectF(option.rect));
    rect.setHeight(qMin(rect.height(), qreal(editor->sizeHint().height())));
    editor->setGeometry(rect.toAlignedRect());
}

QRectF TDTasksViewTextFieldCell::textRect(const QRectF& frame) const {
    return TDAttributeCellTextRect(frame).adjusted(kTextInset, 0, 0, 0);
}

QRectF TDTasksViewListCell::textRect(const QRectF& frame) const {
    return TDListCellTitleRect(frame).adjusted(kListTextInset, 0, 0, 0);
}

bool TDTasksViewListCell::helpEvent(QHelpEvent* event, QAbstractItemView* view,
                                    const QStyleOptionViewItem& option, const QModelIndex& index) {
    const QString text = index.data(Qt::DisplayRole).toString();
    const QFontMetricsF metrics(cellFont(0));
    const QRectF expansion = TDListCellExpansionFrame(QRectF(option.rect).adjusted(kListTextInset, 0, 0, 0),
                                                      metrics.horizontalAdvance(text), metrics.height());
    if (event->type() != QEvent::ToolTip || expansion.isNull()) {
        QToolTip::hideText();
        return false;
    }
    QToolTip::showText(event->globalPos(), text, view, expansion.toAlignedRect());
    return true;
}

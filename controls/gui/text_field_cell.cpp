#include "controls/gui/text_field_cell.h"

#include <QApplication>
#include <QPainter>

namespace {

constexpr qreal kEdgeInset = 3.0;
constexpr qreal kTextPadding = 2.0;

}  // namespace

QRectF TDTextFieldCell::textFrame(const QRectF& frame, int verticalAlignment, const QSizeF& textSize) {
    QRectF text = frame;
    switch (verticalAlignment) {
        case Top:
            text.translate(0, kEdgeInset);
            return text;
        case Center:
            text.setSize(textSize);
            text.moveTop(frame.y() + (frame.height() - textSize.height()) * 0.5);
            return QRectF(text.toAlignedRect());
        default:
            text.setHeight(textSize.height());
            text.moveTop(frame.y() + frame.height() - textSize.height() - kEdgeInset);
            return QRectF(text.toAlignedRect());
    }
}

QSizeF TDTextFieldCell::cellSizeForBounds(const QRectF& bounds, const QStyleOptionViewItem& option) const {
    const QFontMetricsF metrics(option.font);
    return QSizeF(qMin(bounds.width(), metrics.horizontalAdvance(option.text) + 2 * kTextPadding),
                  metrics.height());
}

void TDTextFieldCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                            const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    const QString text = cell.text;
    cell.text.clear();
    style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);
    cell.text = text;

    const QRectF frame = textFrame(cell.rect, m_verticalAlignment, cellSizeForBounds(cell.rect, cell));
    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    const QPalette::ColorGroup group =
        cell.state.testFlag(QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QRectF inner = frame.adjusted(kTextPadding, 0, -kTextPadding, 0);
    painter->drawText(inner, Qt::AlignLeft | Qt::AlignTop | Qt::TextSingleLine,
                      cell.fontMetrics.elidedText(text, Qt::ElideRight, int(inner.width())));
    painter->restore();
}

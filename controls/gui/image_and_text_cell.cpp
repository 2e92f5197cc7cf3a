#include "controls/gui/image_and_text_cell.h"

#include <QApplication>
#include <QLineEdit>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal kImageInset = 3.0;
constexpr qreal kTitleGap = 6.0;
constexpr qreal kTitleNarrowing = 7.0;
constexpr qreal kTitleVerticalInset = 3.0;
constexpr int kMinimumHeight = 20;

bool hasImage(const QStyleOptionViewItem& option) {
    return !option.icon.isNull();
}

}  // namespace

TDImageAndTextCell::Layout TDImageAndTextCell::layoutForFrame(const QRectF& frame, bool withImage) {
    Layout layout;
    layout.titleRect = frame;
    if (withImage) {
        const qreal slice = frame.height() - 4.0;
        layout.imageRect = QRectF(frame.x() + kImageInset, frame.y(), slice, frame.height());
        layout.titleRect = QRectF(frame.x() + slice + kTitleGap, frame.y(),
                                  frame.width() - slice - kTitleNarrowing, frame.height());
    }
    layout.titleRect.adjust(0, kTitleVerticalInset, 0, -kTitleVerticalInset);
    return layout;
}

TDImageAndTextCell::HitResult TDImageAndTextCell::hitTest(const QPointF& point, const QRectF& frame,
                                                          bool withImage) {
    return layoutForFrame(frame, withImage).titleRect.contains(point) ? EditableTextArea : ContentArea;
}

QRectF TDImageAndTextCell::expansionFrame(const QRectF& frame, bool withImage, qreal textWidth) {
    const QRectF title = layoutForFrame(frame, withImage).titleRect;
    const qreal width = std::ceil(textWidth);
    if (width <= title.width()) return {};
    return QRectF(title.x(), title.y(), width + 2.0, title.height());
}

void TDImageAndTextCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                               const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const Layout layout = layoutForFrame(cell.rect, hasImage(cell));
    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    const bool enabled = cell.state.testFlag(QStyle::State_Enabled);
    if (hasImage(cell)) {
        const QIcon::Mode mode = !enabled ? QIcon::Disabled : selected ? QIcon::Selected : QIcon::Normal;
        cell.icon.paint(painter, layout.imageRect.toAlignedRect(), Qt::AlignCenter, mode);
    }
    painter->save();
    painter->setFont(cell.font);
    const QPalette::ColorGroup group = enabled ? QPalette::Normal : QPalette::Disabled;
    painter->setPen(cell.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    const QString text =
        cell.fontMetrics.elidedText(cell.text, Qt::ElideRight, int(layout.titleRect.width()));
    painter->drawText(layout.titleRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text);
    painter->restore();
}

QSize TDImageAndTextCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const int height = qMax(kMinimumHeight, cell.fontMetrics.height() + 2 * int(kTitleVerticalInset));
    int width = cell.fontMetrics.horizontalAdvance(cell.text) + 2;
    if (hasImage(cell)) width += (height - 4) + int(kTitleNarrowing);
    return QSize(width, height);
}

QWidget* TDImageAndTextCell::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                          const QModelIndex& index) const {
    QWidget* editor = QStyledItemDelegate::createEditor(parent, option, index);
    // The editor sits in the text's own narrow frame.
    if (auto* line = qobject_cast<QLineEdit*>(editor)) line->setFrame(false);
    return editor;
}

void TDImageAndTextCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                              const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    editor->setGeometry(layoutForFrame(cell.rect, hasImage(cell)).titleRect.toAlignedRect());
}

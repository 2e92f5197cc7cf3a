#include "app/gui/source_list_cell.h"

#include "app/gui/group_images.h"
#include "app/source_list_model.h"
#include "controls/gui/checkbox_button_cell.h"
#include "controls/gui/colored_checkbox_button_cell.h"
#include "controls/outline_item_roles.h"

#include <QApplication>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include <cmath>

namespace {

const QPixmap& imageFor(const QModelIndex& index) {
    return group_images::imageNamed(index.data(TDSourceListModel::ImageNameRole).toString());
}

qint64 countFor(const QModelIndex& index) {
    return index.data(TDSourceListModel::ItemCountRole).toLongLong();
}

bool hasCheckbox(const QModelIndex& index) {
    return index.data(Qt::CheckStateRole).isValid();
}

}  // namespace

TDSourceListCell::Layout TDSourceListCell::layoutForFrame(const QRectF& frame, bool hasImage, qint64 count,
                                                          const QFont& badgeFont, bool withCheckbox) {
    const TDImageAndTextCell::Layout base = TDImageAndTextCell::layoutForFrame(frame, hasImage);
    Layout layout{base.imageRect, base.titleRect, {}, {}};
    if (count > 0) {
        const QSizeF badge = TDItemCountCell::cellSize(count, badgeFont, kBadgeHeight);
        layout.countRect = QRectF(frame.right() - (badge.width() + 3.0),
                                  frame.y() + std::floor((frame.height() - badge.height()) / 2.0),
                                  badge.width(), badge.height());
        layout.titleRect.setRight(qMax(layout.titleRect.left(), layout.countRect.left()));
    }
    if (withCheckbox) {
        // The small box of a 20-point row: moved in by 4, up by 2 and 4 narrower than its natural size.
        const QRectF natural = TDCheckboxButtonCell::checkboxRect(frame);
        layout.checkboxRect = QRectF(frame.x() + 4.0, layout.titleRect.y() - 2.0, natural.width() - 4.0,
                                     natural.height() - 4.0);
        const qreal shift = layout.checkboxRect.right() - frame.x();
        if (!layout.imageRect.isEmpty()) layout.imageRect.translate(shift, 0);
        layout.titleRect.translate(shift, 0);
        layout.titleRect.setWidth(qMax(0.0, layout.titleRect.width() - shift));
    }
    return layout;
}

QRectF TDSourceListCell::titleRectForEditing(const Layout& layout) {
    QRectF rect = layout.titleRect;
    if (!layout.countRect.isEmpty()) rect.setRight(layout.countRect.right());
    return rect;
}

QFont TDSourceListCell::titleFont(bool bold) {
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(12);
    font.setBold(bold);
    return font;
}

QFont TDSourceListCell::headerFont() {
    QFont font(QStringLiteral("Helvetica"));
    font.setPixelSize(11);
    font.setBold(true);
    return font;
}

TDSourceListCell::Layout TDSourceListCell::p_layout(const QStyleOptionViewItem& option,
                                                    const QModelIndex& index) const {
    return layoutForFrame(option.rect, !imageFor(index).isNull(), countFor(index),
                          TDItemCountCell::defaultFont(), hasCheckbox(index));
}

void TDSourceListCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
    const Layout layout = p_layout(option, index);
    const bool selected = option.state.testFlag(QStyle::State_Selected);
    const bool header = index.data(TDSourceListModel::SectionHeaderRole).toBool();
    const QWidget* view = option.widget;
    const bool windowActive = view && view->window()->isActiveWindow();

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setRenderHint(QPainter::SmoothPixmapTransform);
    if (const qint64 count = countFor(index); count > 0) {
        TDItemCountCell::Look look;
        look.highlighted = selected;
        look.windowIsMain = windowActive;
        look.viewHasFocus = view && view->hasFocus();
        TDItemCountCell::draw(*painter, layout.countRect, count, TDItemCountCell::defaultFont(), look);
    }
    if (!layout.checkboxRect.isEmpty()) {
        const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
        const QVariant tint = index.data(TDOutlineCheckboxColorRole);
        if (tint.isValid())
            TDColoredCheckboxButtonCell::drawCheckbox(*painter, layout.checkboxRect, tint.value<QColor>(), on,
                                                      option.state.testFlag(QStyle::State_Enabled), selected);
        else
            TDCheckboxButtonCell::drawCheckbox(*painter, layout.checkboxRect, on,
                                               option.state.testFlag(QStyle::State_Enabled), selected);
    }
    if (const QPixmap& image = imageFor(index); !image.isNull()) {
        const qreal size = group_images::kImageSize;
        const QRectF target(layout.imageRect.center().x() - size / 2.0,
                            layout.imageRect.center().y() - size / 2.0, size, size);
        painter->drawPixmap(target.topLeft(), image);
    }

    const bool highlighted = index.data(TDSourceListModel::HighlightedRole).toBool();
    const QFont font = header ? headerFont() : titleFont(selected || highlighted);
    const QString text = QFontMetricsF(font).elidedText(index.data(Qt::DisplayRole).toString(),
                                                        Qt::ElideRight, layout.titleRect.width());
    const int flags = Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine;
    painter->setFont(font);
    if (selected) {
        // White on the highlight, lifted by a soft dark shadow.
        painter->setPen(QColor(0, 0, 0, 110));
        painter->drawText(layout.titleRect.translated(0, 1), flags, text);
        painter->setPen(Qt::white);
    } else {
        painter->setPen(header ? headerColor() : QColor(0x1c, 0x1c, 0x1c));
    }
    painter->drawText(layout.titleRect, flags, text);
    painter->restore();
}

QSize TDSourceListCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    const bool header = index.data(TDSourceListModel::SectionHeaderRole).toBool();
    const QFont font = header ? headerFont() : titleFont(true);
    qreal width = QFontMetricsF(font).horizontalAdvance(index.data(Qt::DisplayRole).toString()) + 8.0;
    if (!imageFor(index).isNull()) width += kRowHeight;
    if (const qint64 count = countFor(index); count > 0)
        width += TDItemCountCell::cellSize(count, TDItemCountCell::defaultFont(), kBadgeHeight).width() + 3.0;
    Q_UNUSED(option);
    return QSize(int(std::ceil(width)), kRowHeight);
}

void TDSourceListCell::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    editor->setGeometry(titleRectForEditing(p_layout(option, index)).toAlignedRect().adjusted(-2, -1, 0, 1));
    editor->setFont(titleFont(false));
}

bool TDSourceListCell::editorEvent(QEvent* event, QAbstractItemModel* model,
                                   const QStyleOptionViewItem& option, const QModelIndex& index) {
    // A click inside the checkbox toggles it; every other click selects the row as usual.
    if (event->type() != QEvent::MouseButtonRelease || !hasCheckbox(index) ||
        !index.flags().testFlag(Qt::ItemIsUserCheckable))
        return TDImageAndTextCell::editorEvent(event, model, option, index);
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (!p_layout(option, index).checkboxRect.contains(mouse->position())) return false;
    const bool on = index.data(Qt::CheckStateRole).toInt() == Qt::Checked;
    return model->setData(index, on ? Qt::Unchecked : Qt::Checked, Qt::CheckStateRole);
}

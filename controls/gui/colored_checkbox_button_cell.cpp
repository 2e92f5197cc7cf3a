#include "controls/gui/colored_checkbox_button_cell.h"

#include "controls/color_level_additions.h"
#include "controls/gui/checkbox_toggle.h"
#include "controls/gui/control_images.h"
#include "controls/outline_item_roles.h"
#include "foundation/gui/path_additions.h"

#include <QApplication>
#include <QPainter>

#include <cmath>

namespace {

constexpr qreal kBoxLeft = 3.0;
constexpr qreal kTitleGap = 3.0;
constexpr qreal kDisabledOpacity = 0.6;

}  // namespace

QRectF TDColoredCheckboxButtonCell::checkboxRect(const QRectF& cell) {
    const qreal side = control_images::kCheckboxImageSize;
    return QRectF(cell.x() + kBoxLeft, cell.y() + std::floor((cell.height() - side) / 2), side, side);
}

void TDColoredCheckboxButtonCell::drawCheckbox(QPainter& painter, const QRectF& rect, const QColor& color,
                                               bool on, bool enabled, bool highlighted) {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(enabled ? 1.0 : kDisabledOpacity);
    const QPointF origin = rect.topLeft();
    painter.drawImage(origin, control_images::coloredCheckboxBackground());
    const QPainterPath box = bezierPathWithRoundedRect(
        QRectF(origin, QSizeF(control_images::kCheckboxImageSize, control_images::kCheckboxImageSize))
            .adjusted(2.5, 2.5, -2.5, -2.5),
        2.0);
    const QColor tint = color.isValid() ? color : QColor(Qt::gray);
    painter.fillPath(box, enabled ? tint : highlightWithLevel(tint, 0.6));
    painter.drawImage(origin, control_images::coloredCheckboxNormal());
    if (highlighted) painter.fillPath(box, QColor::fromRgbF(0, 0, 0, 0.15f));
    if (on) painter.drawImage(origin, control_images::coloredCheckboxCheckmark());
    painter.restore();
}

void TDColoredCheckboxButtonCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const QRectF box = checkboxRect(cell.rect);
    const QVariant itemColor = index.data(TDOutlineCheckboxColorRole);
    const QColor color = itemColor.isValid() ? itemColor.value<QColor>() : m_checkboxColor;
    const bool enabled = cell.state.testFlag(QStyle::State_Enabled);
    drawCheckbox(*painter, box, color, cell.checkState == Qt::Checked, enabled,
                 cell.state.testFlag(QStyle::State_Sunken));

    const QRectF title(box.right() + kTitleGap, cell.rect.y(), cell.rect.right() - box.right() - kTitleGap,
                       cell.rect.height());
    const bool selected = cell.state.testFlag(QStyle::State_Selected);
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(cell.palette.color(enabled ? QPalette::Normal : QPalette::Disabled,
                                       selected ? QPalette::HighlightedText : QPalette::Text));
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      cell.fontMetrics.elidedText(cell.text, Qt::ElideRight, int(title.width())));
    painter->restore();
}

QSize TDColoredCheckboxButtonCell::sizeHint(const QStyleOptionViewItem& option,
                                            const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const int side = control_images::kCheckboxImageSize;
    const int textWidth =
        cell.text.isEmpty() ? 0 : cell.fontMetrics.horizontalAdvance(cell.text) + int(kTitleGap);
    return QSize(int(kBoxLeft) + side + textWidth + 2, qMax(side + 2, cell.fontMetrics.height() + 4));
}

bool TDColoredCheckboxButtonCell::editorEvent(QEvent* event, QAbstractItemModel* model,
                                              const QStyleOptionViewItem& option, const QModelIndex& index) {
    return toggleCheckStateForEvent(event, model, index, checkboxRect(option.rect));
}

#include "controls/gui/checkbox_button_cell.h"

#include "controls/gui/checkbox_toggle.h"
#include "controls/gui/control_images.h"
#include "foundation/gui/path_additions.h"

#include <QApplication>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr qreal kEnabledAlpha = 0.65;
constexpr qreal kDisabledAlpha = 0.4;
constexpr qreal kTitleGap = 3.0;
// Where the checkmark leaves the box: no outline there.
const QRectF kCheckmarkGap(11, 2, 4, 6);
const QRectF kOutline(3, 3, 12, 12);

}  // namespace

QRectF TDCheckboxButtonCell::checkboxRect(const QRectF& cell) {
    const qreal side = control_images::kCheckboxImageSize;
    return QRectF(cell.x(), cell.y() + std::floor((cell.height() - side) / 2), side, side);
}

void TDCheckboxButtonCell::drawCheckbox(QPainter& painter, const QRectF& rect, bool on, bool enabled,
                                        bool highlighted) {
    qreal alpha = enabled ? kEnabledAlpha : kDisabledAlpha;
    const QPointF origin = rect.topLeft();
    const QPainterPath outline =
        bezierPathWithRoundedRect(kOutline.translated(origin).adjusted(1.5, 1.5, -1.5, -1.5), 1.5);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (on) {
        QPainterPath clip;
        clip.setFillRule(Qt::OddEvenFill);
        clip.addRect(rect);
        clip.addRect(kCheckmarkGap.translated(origin));
        painter.setClipPath(clip, Qt::IntersectClip);
    }
    painter.setPen(QPen(QColor::fromRgbF(0, 0, 0, float(alpha)), 1.0));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(outline);
    painter.restore();

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    if (highlighted) {
        painter.fillPath(outline, QColor::fromRgbF(0, 0, 0, 0.15f));
        alpha = 1.0;
    }
    if (on) {
        painter.setOpacity(alpha);
        const QRectF target = rect.adjusted(1.0, 2.5, -1.0, -2.5).translated(-0.2, 0);
        painter.drawImage(target, control_images::checkboxCheckmark());
    }
    painter.restore();
}

QColor TDCheckboxButtonCell::titleColor(const QPalette& palette, bool enabled, bool selected) {
    if (!enabled) return QColor::fromRgbF(0.4f, 0.4f, 0.4f, 1.0f);
    return palette.color(QPalette::Normal, selected ? QPalette::HighlightedText : QPalette::Text);
}

void TDCheckboxButtonCell::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const QWidget* widget = cell.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawPrimitive(QStyle::PE_PanelItemViewItem, &cell, painter, widget);

    const QRectF box = checkboxRect(cell.rect);
    const bool enabled = cell.state.testFlag(QStyle::State_Enabled);
    drawCheckbox(*painter, box, cell.checkState == Qt::Checked, enabled,
                 cell.state.testFlag(QStyle::State_Sunken));

    const QRectF title(box.right() + kTitleGap, cell.rect.y(), cell.rect.right() - box.right() - kTitleGap,
                       cell.rect.height());
    painter->save();
    painter->setFont(cell.font);
    painter->setPen(titleColor(cell.palette, enabled, cell.state.testFlag(QStyle::State_Selected)));
    painter->drawText(title, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                      cell.fontMetrics.elidedText(cell.text, Qt::ElideRight, int(title.width())));
    painter->restore();
}

QSize TDCheckboxButtonCell::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell = option;
    initStyleOption(&cell, index);
    const int side = control_images::kCheckboxImageSize;
    const int textWidth =
        cell.text.isEmpty() ? 0 : cell.fontMetrics.horizontalAdvance(cell.text) + int(kTitleGap);
    return QSize(side + textWidth + 2, qMax(side + 2, cell.fontMetrics.height() + 4));
}

bool TDCheckboxButtonCell::editorEvent(QEvent* event, QAbstractItemModel* model,
                                       const QStyleOptionViewItem& option, const QModelIndex& index) {
    return toggleCheckStateForEvent(event, model, index, checkboxRect(option.rect));
}

#pragma once

#include <QColor>
#include <QStyledItemDelegate>

// A checkbox (Qt::CheckStateRole) tinted with a colour, with the item's text beside it; the colour is
// the item's TDOutlineCheckboxColorRole, else the cell's checkboxColor, else grey. A click on the box
// toggles the check state.
class TDColoredCheckboxButtonCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QColor checkboxColor() const { return m_checkboxColor; }
    void setCheckboxColor(const QColor& color) { m_checkboxColor = color; }

    // The box's rectangle in a cell: the checkbox images' size, at the left, centred vertically.
    static QRectF checkboxRect(const QRectF& cell);
    // Draws the box with its origin at the rectangle's top left.
    static void drawCheckbox(QPainter& painter, const QRectF& rect, const QColor& color, bool on,
                             bool enabled, bool highlighted);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    QColor m_checkboxColor;
};

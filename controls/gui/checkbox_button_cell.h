#pragma once

#include <QStyledItemDelegate>

// A drawn checkbox (Qt::CheckStateRole): a thin rounded outline the checkmark leaves through its
// top-right corner, with the item's text beside it. Disabled, outline, mark and text are grey. A click on
// the box toggles the check state.
class TDCheckboxButtonCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QRectF checkboxRect(const QRectF& cell);
    static void drawCheckbox(QPainter& painter, const QRectF& rect, bool on, bool enabled, bool highlighted);
    // The title's colour: the palette's text colour, grey 0.4 when disabled.
    static QColor titleColor(const QPalette& palette, bool enabled, bool selected);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;
};

#pragma once

#include <QRectF>
#include <QStyledItemDelegate>

// An icon (Qt::DecorationRole) beside editable text (Qt::DisplayRole): the icon in a square slice at
// the left of the cell, the text after it; the editor covers the text alone.
class TDImageAndTextCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    struct Layout {
        QRectF imageRect;  // empty without an image
        QRectF titleRect;
    };
    // Where a cell hit lands: the text, or elsewhere in the cell.
    enum HitResult { ContentArea = 1, EditableTextArea = 2 };

    using QStyledItemDelegate::QStyledItemDelegate;

    static Layout layoutForFrame(const QRectF& frame, bool hasImage);
    static HitResult hitTest(const QPointF& point, const QRectF& frame, bool hasImage);
    // The frame a tooltip needs to show text of the width in full; empty when it fits.
    static QRectF expansionFrame(const QRectF& frame, bool hasImage, qreal textWidth);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
};

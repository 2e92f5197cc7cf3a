#pragma once

#include <QRectF>
#include <QSizeF>
#include <QStyledItemDelegate>

// Text (Qt::DisplayRole) aligned vertically in its cell: at the top, centred or at the bottom.
class TDTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    // 0 top, 1 centre, any other value bottom.
    enum VerticalAlignment : int { Top = 0, Center = 1, Bottom = 2 };

    using QStyledItemDelegate::QStyledItemDelegate;

    int verticalAlignment() const { return m_verticalAlignment; }
    void setVerticalAlignment(int alignment) { m_verticalAlignment = alignment; }

    // The text's frame in the cell's frame, given the text's own size: top moves down 3 and keeps the
    // frame's size; centre takes the text's size and is centred; bottom takes the text's height and
    // stays 3 above the bottom. Centre and bottom land on whole pixels.
    static QRectF textFrame(const QRectF& frame, int verticalAlignment, const QSizeF& textSize);
    // The text's natural size, no wider than the bounds.
    virtual QSizeF cellSizeForBounds(const QRectF& bounds, const QStyleOptionViewItem& option) const;

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

private:
    int m_verticalAlignment = Top;
};

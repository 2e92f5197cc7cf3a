#pragma once

#include "app/gui/item_count_cell.h"
#include "controls/gui/image_and_text_cell.h"

// A source-list row: the group's image and title, its count badge at the right when the model gives a
// count, and a checkbox at the left when the model gives a check state (Qt::CheckStateRole, as the
// calendar settings' list does). Section headers are set in small bold capitals without an image; the
// selected row's title is white and bold over the view's highlight.
class TDSourceListCell : public TDImageAndTextCell {
    Q_OBJECT

public:
    struct Layout {
        QRectF imageRect;  // empty without an image
        QRectF titleRect;
        QRectF countRect;     // empty without a badge
        QRectF checkboxRect;  // empty without a checkbox
    };

    using TDImageAndTextCell::TDImageAndTextCell;

    // Rows are this high.
    static constexpr int kRowHeight = 20;
    // The badge fits a band this high, centred in the row.
    static constexpr qreal kBadgeHeight = 14;

    // The parts of a row's frame: a count of 0 has no badge.
    static Layout layoutForFrame(const QRectF& frame, bool hasImage, qint64 count, const QFont& badgeFont,
                                 bool hasCheckbox);
    // Where the editor goes: the title reaching over the badge.
    static QRectF titleRectForEditing(const Layout& layout);

    static QFont titleFont(bool bold);
    static QFont headerFont();
    static QColor headerColor() { return QColor(0x5f, 0x6f, 0x7d); }

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

private:
    Layout p_layout(const QStyleOptionViewItem& option, const QModelIndex& index) const;
};

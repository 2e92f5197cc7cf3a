#pragma once

#include <QStyledItemDelegate>

// The date and estimate columns: text 7 below the row top, level with the title's first line, in the
// colour its dressing asks for (past due, due soon, done, calculated); the editor covers the same text.
class TDTasksViewTextFieldCell : public QStyledItemDelegate {
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static QColor textColor(int dressing, const QPalette& palette, bool selected);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

protected:
    // Where the text goes in the cell's frame.
    virtual QRectF textRect(const QRectF& frame) const;
};

// The list column: the list's name on the first row of each run of its tasks; a cut name shows whole
// in a tooltip over the cell.
class TDTasksViewListCell : public TDTasksViewTextFieldCell {
    Q_OBJECT

public:
    using TDTasksViewTextFieldCell::TDTasksViewTextFieldCell;

    bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                   const QModelIndex& index) override;

protected:
    // The list column stands at the outline's left edge: its text keeps clear of it.
    QRectF textRect(const QRectF& frame) const override;
};

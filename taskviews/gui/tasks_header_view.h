#pragma once

#include <QHeaderView>

class QMenu;

// The task outline's header: a band in the group's colours with the small columns' titles, widths that
// follow the display mode, and the "Columns" menu that hides and shows columns. Clicks only resize.
class TDTasksHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit TDTasksHeaderView(QWidget* parent = nullptr);

    // Lists, folders and quick entry show no list column and a wider priority box.
    void tasksViewDidChangeDisplayMode(int displayMode);
    // The "Columns" menu: one checkable item per column but the task column, tagged by its index.
    QMenu* columnsMenu(QWidget* parent);

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
};

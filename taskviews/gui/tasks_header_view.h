#pragma once

#include <QHeaderView>

class QMenu;
class TDGroup;

// The band the header and the corner above the vertical scroll bar share: the gradient of the group's
// tab colours with a fine line and a soft shadow along its bottom.
struct TDTasksHeaderBand {
    QColor top;
    QColor bottom;
    // Without rows an empty folder's band has no bottom line or shadow.
    bool bottomEdge = true;

    static TDTasksHeaderBand forGroup(const TDGroup* group, bool bottomEdge);
    void paint(QPainter& painter, const QRect& bounds) const;
};

// The task outline's header: a band in the group's colours with the small columns' titles, widths that
// follow the display mode, and the "Columns" menu that hides and shows columns. Clicks only resize.
class TDTasksHeaderView : public QHeaderView {
    Q_OBJECT

public:
    explicit TDTasksHeaderView(QWidget* parent = nullptr);

    // The title a column's header shows (also printed above the column).
    static QString columnTitle(int column);

    // Lists, folders and quick entry show no list column and a wider priority box.
    void tasksViewDidChangeDisplayMode(int displayMode);
    // The "Columns" menu: one checkable item per column but the task column, tagged by its index.
    QMenu* columnsMenu(QWidget* parent);

    QSize sizeHint() const override;
    // The group whose tab colours the band takes; none paints the plain list colours.
    void setGroup(const TDGroup* group, bool hasRows);
    TDTasksHeaderBand band() const { return m_band; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void paintSection(QPainter* painter, const QRect& rect, int logicalIndex) const override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TDTasksHeaderBand m_band = TDTasksHeaderBand::forGroup(nullptr, true);
};

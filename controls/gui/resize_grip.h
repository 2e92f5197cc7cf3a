#pragma once

#include <QWidget>

// A small grip that shows where a pane's edge can be taken: two dark ridges, each with a light one
// beside it, across the direction it drags (upright ridges drag sideways), under the matching
// resize cursor. It does nothing with the mouse itself: the split view whose divider it drags
// takes the presses over it.
class TDResizeGrip final : public QWidget {
    Q_OBJECT
public:
    // Horizontal: dragged sideways; vertical: dragged up and down.
    explicit TDResizeGrip(Qt::Orientation dragged, QWidget* parent = nullptr);

    Qt::Orientation draggedOrientation() const { return m_dragged; }
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    Qt::Orientation m_dragged;
};

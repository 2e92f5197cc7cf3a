#pragma once

#include "taskviews/gui/tasks_header_view.h"

#include <QWidget>

// The corner above the outline's vertical scroll bar, beside the header: it carries the header's band
// on, lighter while the scroll bar has nothing to scroll.
class TDTasksCornerView : public QWidget {
    Q_OBJECT

public:
    explicit TDTasksCornerView(QWidget* parent = nullptr);

    void setBand(const TDTasksHeaderBand& band);
    // Whether the scroll bar below has a range to scroll through.
    void setScrollerUsable(bool usable);
    bool isScrollerUsable() const { return m_usable; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    TDTasksHeaderBand m_band = TDTasksHeaderBand::forGroup(nullptr, true);
    bool m_usable = false;
};

#pragma once

#include "controls/date_picker_geometry.h"

#include <QDate>
#include <QWidget>

class QTimer;
class QToolButton;
class QVariantAnimation;

// The month-scrolling calendar: one month at a time as a page of a vertical list of every month from
// year 1 to 9999, painted (no widget per day). Header arrows page by a month (Ctrl: ten years, Alt: one
// year), the middle button returns to the selected date; the wheel scrolls slowly and the view snaps
// to the month under its middle; holding the mouse on a grey day of a neighbouring month, or dragging
// from a day above or below the grid, pages on every 0.65 s. A click on a day of the shown month picks
// it; a click on the month's title does nothing.
class ODLDatePicker final : public QWidget {
    Q_OBJECT

public:
    explicit ODLDatePicker(QWidget* parent = nullptr);

    QDate dateValue() const { return m_dateValue; }
    // Stores the date and shows its month.
    void setDateValue(const QDate& date);
    // 1 = Sunday .. 7, from the shared calendar unless set.
    int firstWeekday() const { return m_firstWeekday; }
    void setFirstWeekday(int weekday);
    void setToday(const QDate& today);

    // The month shown at the top of the page area.
    int topRow() const;
    void scrollToRow(int row);
    // Pages by `months` with a short animation (immediately when `animated` is false).
    void animateScrollToMonthInDistance(int months, bool animated = true);
    void showPreviousMonth(Qt::KeyboardModifiers modifiers);
    void showNextMonth(Qt::KeyboardModifiers modifiers);
    void showSelectedDate();

    // Where a day of the shown month is drawn, in the picker's coordinates; empty when not shown.
    QRect rectOfDay(const QDate& date) const;
    // The date of the day cell at a point, with its type; invalid outside the grid.
    QDate dateAt(QPoint point, ODLDatePickerGeometry::DayType* type = nullptr) const;

    QSize sizeHint() const override { return QSize(196, 196); }

    static constexpr int kHeaderHeight = 50;
    static constexpr int kGridTop = 38;
    static constexpr int kPagingDuration = 200;
    static constexpr int kHeldPagingInterval = 650;

Q_SIGNALS:
    // A day of the shown month was picked.
    void dateSelected(const QDate& date);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    int p_pageHeight() const { return qMax(1, height() - kHeaderHeight); }
    qreal p_maxOffset() const;
    void p_setOffset(qreal offset);
    void p_snap();
    void p_paintPage(QPainter& painter, int row, int top) const;
    int p_monthOffsetAt(QPoint point) const;
    void p_heldPaging();

    qreal m_offset = 12;  // in rows: the month at the top of the page area and how far it is scrolled
    QDate m_dateValue;
    QDate m_today;
    int m_firstWeekday = 1;
    quint64 m_weekendBitmap = ODLDatePickerGeometry::kSaturdaySundayBitmap;
    QToolButton* m_previousButton = nullptr;
    QToolButton* m_selectedDateButton = nullptr;
    QToolButton* m_nextButton = nullptr;
    QVariantAnimation* m_animation = nullptr;
    QTimer* m_snapTimer = nullptr;
    QTimer* m_holdTimer = nullptr;
    QDate m_pressedDate;
    QDate m_highlightedDate;
    QPoint m_lastMousePoint;
    // A press on a day is being followed until the release.
    bool m_tracking = false;
};

#pragma once

#include <QAbstractButton>
#include <QIcon>
#include <QList>
#include <QWidget>

class QPainter;

// The toolbar's translucent rounded bezel over a rectangle, lighter at the top, darker when pressed.
void TDDrawToolbarBezel(QPainter& painter, const QRectF& rect, bool highlighted);

// A toolbar button: the bezel with its title or image; never takes the keyboard focus.
class TDToolbarButton final : public QAbstractButton {
    Q_OBJECT
public:
    explicit TDToolbarButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// Side-by-side segments on one bezel, divided by thin lines. A momentary control (back and forward)
// reports clicks; a selecting one (outline or cards) also keeps its selected segment. Never takes the
// keyboard focus.
class TDToolbarSegmentedControl final : public QWidget {
    Q_OBJECT
public:
    enum class Tracking { SelectOne, Momentary };

    TDToolbarSegmentedControl(const QList<QIcon>& icons, Tracking tracking, QWidget* parent = nullptr);

    int segmentCount() const { return int(m_segments.size()); }
    int selectedSegment() const { return m_selected; }
    void setSelectedSegment(int segment);
    bool isSegmentEnabled(int segment) const { return m_segments.at(segment).enabled; }
    void setSegmentEnabled(int segment, bool enabled);
    // The segment's action, shown as its tool tip and read out as its name.
    void setSegmentToolTip(int segment, const QString& text) { m_segments[segment].toolTip = text; }
    QString segmentToolTip(int segment) const { return m_segments.at(segment).toolTip; }
    bool tracksSelection() const { return m_tracking == Tracking::SelectOne; }
    // What a click on an enabled segment does (for assistive technology).
    void clickSegment(int segment);
    QRect segmentRect(int segment) const;
    // Moves the images up (negative) or down inside the segments.
    double interiorVerticalOffset() const { return m_interiorVerticalOffset; }
    void setInteriorVerticalOffset(double offset);

    QSize sizeHint() const override;

Q_SIGNALS:
    void segmentClicked(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Segment {
        QIcon icon;
        bool enabled = true;
        QString toolTip;
    };
    int p_segmentAt(const QPoint& point) const;

    QList<Segment> m_segments;
    Tracking m_tracking;
    int m_selected = -1;
    int m_pressed = -1;
    double m_interiorVerticalOffset = 0;
};

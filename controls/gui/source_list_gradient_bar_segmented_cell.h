#pragma once

#include <QImage>
#include <QList>
#include <QString>
#include <QWidget>

// The switch on the source list's bar: its segments' titles straight on the bar's gradient, without
// a bezel. The selected segment sits in a recess (the image "sourcebar_highlight", drawn one point
// to the left of the segment so that its edges fall just outside it) with its title one point lower,
// as if pressed in. Selects one segment; never takes the keyboard focus.
class TDSourceListGradientBarSegmentedCell final : public QWidget {
    Q_OBJECT
public:
    static constexpr int kSegmentWidth = 52;
    static constexpr int kHeight = 21;
    // The segments lie this far inside the control's frame on either side.
    static constexpr int kInset = 3;

    explicit TDSourceListGradientBarSegmentedCell(const QStringList& titles, QWidget* parent = nullptr);

    int segmentCount() const { return int(m_titles.size()); }
    int selectedSegment() const { return m_selected; }
    void setSelectedSegment(int segment);
    void setSegmentToolTip(int segment, const QString& text);
    QRect segmentRect(int segment) const;

    // The recess behind the selected segment: a segment's width and two points, the control's
    // height; painted once.
    static const QImage& highlightImage();

    QSize sizeHint() const override;

Q_SIGNALS:
    // The user chose a segment (also the one already selected).
    void segmentClicked(int segment);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    int p_segmentAt(const QPoint& point) const;
    void p_drawSegment(QPainter& painter, int segment, const QRect& frame) const;

    QStringList m_titles;
    QStringList m_toolTips;
    int m_selected = -1;
    int m_pressed = -1;
};

#pragma once

#include <QPoint>
#include <QPointF>

class QNativeGestureEvent;
class QWheelEvent;

// One wheel event as the recogniser sees it.
struct TDWheelSample {
    QPointF pixelDelta;
    QPoint angleDelta;
    Qt::ScrollPhase phase = Qt::NoScrollPhase;
    // The device says it is a touchpad (some systems give touchpads no pixel deltas).
    bool fromTouchpad = false;
    // Milliseconds, as the events carry them.
    quint64 timestamp = 0;

    static TDWheelSample fromEvent(const QWheelEvent& event);
};

// Tells a horizontal swipe on a touchpad from the wheel events it arrives as: two fingers moving mostly
// sideways, far enough, give one swipe per gesture; a mouse wheel never does. A swipe's direction is
// the sign of its horizontal delta as the wheel reports it: positive toward the start (back, the
// previous card), negative toward the end.
class TDSwipeRecognizer {
public:
    // Horizontal travel, in pixels, that makes a swipe.
    static constexpr double kThreshold = 60.0;
    // Phase-less events further apart than this belong to different gestures.
    static constexpr quint64 kGestureGap = 300;

    struct Step {
        // +1 or -1 when this event completes a swipe, else 0.
        int deltaX = 0;
        // The event belongs to a swipe: a view should take it rather than let it scroll anything else.
        bool consumed = false;
    };

    Step wheel(const TDWheelSample& sample);
    Step wheel(const QWheelEvent& event) { return wheel(TDWheelSample::fromEvent(event)); }
    // A swipe the system recognised itself, given as its angle in degrees (0 toward the right,
    // 180 toward the left); 0 for one that is mostly vertical.
    static int swipeDeltaX(double angle);
    // The swipe of a native gesture event; 0 for any other gesture.
    static int swipeDeltaX(const QNativeGestureEvent& event);

private:
    void p_startGesture();

    QPointF m_travel;
    quint64 m_lastTimestamp = 0;
    bool m_inGesture = false;
    bool m_swiped = false;
};

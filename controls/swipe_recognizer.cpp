#include "controls/swipe_recognizer.h"

#include <QPointingDevice>
#include <QWheelEvent>
#include <QtMath>

#include <cmath>

TDWheelSample TDWheelSample::fromEvent(const QWheelEvent& event) {
    const QPointingDevice* device = event.pointingDevice();
    return {event.pixelDelta(), event.angleDelta(), event.phase(),
            device && device->type() == QInputDevice::DeviceType::TouchPad, event.timestamp()};
}

void TDSwipeRecognizer::p_startGesture() {
    m_travel = {};
    m_inGesture = true;
    m_swiped = false;
}

TDSwipeRecognizer::Step TDSwipeRecognizer::wheel(const TDWheelSample& sample) {
    // Only touchpads report phases or pixels; a mouse wheel's notches are never a swipe.
    const bool touchpad =
        sample.fromTouchpad || !sample.pixelDelta.isNull() || sample.phase != Qt::NoScrollPhase;
    if (!touchpad) return {};
    const quint64 sinceLast = sample.timestamp - m_lastTimestamp;
    m_lastTimestamp = sample.timestamp;
    switch (sample.phase) {
        case Qt::ScrollBegin:
            p_startGesture();
            return {};
        case Qt::ScrollEnd:
            m_inGesture = false;
            return {0, m_swiped};
        case Qt::ScrollMomentum:
            // The glide after the fingers lift belongs to the gesture that ended.
            return {0, m_swiped};
        case Qt::ScrollUpdate:
            if (!m_inGesture) p_startGesture();
            break;
        case Qt::NoScrollPhase:
            if (!m_inGesture || sinceLast > kGestureGap) p_startGesture();
            break;
    }
    if (m_swiped) return {0, true};
    // Without pixels, a touchpad's angle steps come at about two to a pixel.
    m_travel += sample.pixelDelta.isNull() ? QPointF(sample.angleDelta) / 2.0 : sample.pixelDelta;
    const double across = std::abs(m_travel.x());
    if (across < kThreshold || across <= 2 * std::abs(m_travel.y())) return {};
    m_swiped = true;
    return {m_travel.x() > 0 ? 1 : -1, true};
}

int TDSwipeRecognizer::swipeDeltaX(double angle) {
    const double sideways = -std::cos(qDegreesToRadians(angle));
    if (std::abs(sideways) < 0.5) return 0;
    return sideways > 0 ? 1 : -1;
}

int TDSwipeRecognizer::swipeDeltaX(const QNativeGestureEvent& event) {
    if (event.gestureType() != Qt::SwipeNativeGesture) return 0;
    return swipeDeltaX(event.value());
}

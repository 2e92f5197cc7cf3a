#include "controls/swipe_recognizer.h"

#include <QPointingDevice>
#include <QWheelEvent>

#include <gtest/gtest.h>

#include <vector>

namespace {

// A touchpad event with pixel deltas.
TDWheelSample pixels(double dx, double dy, Qt::ScrollPhase phase, quint64 ms) {
    return {QPointF(dx, dy), QPoint(int(dx * 2), int(dy * 2)), phase, false, ms};
}

// An event with angle steps only: a mouse wheel, or a touchpad that gives no pixels.
TDWheelSample steps(int dx, int dy, bool touchpad, quint64 ms) {
    return {QPointF(), QPoint(dx, dy), Qt::NoScrollPhase, touchpad, ms};
}

// What the recogniser made of each event: '+' or '-' a swipe that way, 'c' taken as part of a swipe
// already made, '.' left to scroll whatever it scrolls.
std::string outcomes(const std::vector<TDWheelSample>& samples) {
    TDSwipeRecognizer recognizer;
    std::string result;
    for (const TDWheelSample& sample : samples) {
        const TDSwipeRecognizer::Step step = recognizer.wheel(sample);
        // A swipe is always taken.
        EXPECT_TRUE(step.deltaX == 0 || step.consumed);
        result += step.deltaX > 0 ? '+' : step.deltaX < 0 ? '-' : step.consumed ? 'c' : '.';
    }
    return result;
}

TEST(SwipeRecognizer, OneSwipePerSidewaysGestureOfATouchpadAndNoneFromAMouseWheel) {
    const auto begin = Qt::ScrollBegin;
    const auto update = Qt::ScrollUpdate;
    const auto end = Qt::ScrollEnd;
    const auto momentum = Qt::ScrollMomentum;
    const auto none = Qt::NoScrollPhase;
    const struct {
        const char* name;
        std::vector<TDWheelSample> samples;
        std::string expected;
    } cases[] = {
        {"to the right, past the threshold",
         {pixels(0, 0, begin, 0), pixels(20, 0, update, 10), pixels(25, 2, update, 20),
          pixels(30, 0, update, 30), pixels(40, 0, update, 40), pixels(0, 0, end, 50)},
         "...+cc"},
        {"to the left",
         {pixels(0, 0, begin, 0), pixels(-35, 1, update, 10), pixels(-35, 0, update, 20),
          pixels(0, 0, end, 30)},
         "..-c"},
        {"too short",
         {pixels(0, 0, begin, 0), pixels(25, 0, update, 10), pixels(25, 0, update, 20),
          pixels(0, 0, end, 30)},
         "...."},
        {"diagonal: sideways must be twice the vertical travel",
         {pixels(0, 0, begin, 0), pixels(40, 25, update, 10), pixels(40, 20, update, 20),
          pixels(0, 0, end, 30)},
         "...."},
        {"the glide after the fingers lift is not a second swipe",
         {pixels(0, 0, begin, 0), pixels(70, 0, update, 10), pixels(0, 0, end, 20),
          pixels(90, 0, momentum, 30), pixels(90, 0, momentum, 40)},
         ".+ccc"},
        {"each phased gesture swipes once",
         {pixels(0, 0, begin, 0), pixels(70, 0, update, 10), pixels(70, 0, update, 20), pixels(0, 0, end, 30),
          pixels(0, 0, begin, 40), pixels(-70, 0, update, 50), pixels(0, 0, end, 60)},
         ".+cc.-c"},
        {"updates without a beginning start a gesture",
         {pixels(70, 0, update, 0), pixels(70, 0, update, 10)},
         "+c"},
        {"without phases a pause parts the gestures",
         {pixels(40, 0, none, 0), pixels(40, 0, none, 10), pixels(40, 0, none, 20), pixels(40, 0, none, 400),
          pixels(40, 0, none, 410)},
         ".+c.+"},
        {"a mouse wheel's sideways notches",
         {steps(120, 0, false, 0), steps(120, 0, false, 10), steps(-120, 0, false, 20),
          steps(240, 0, false, 30)},
         "...."},
        {"a touchpad that gives only angle steps",
         {steps(-60, 0, true, 0), steps(-60, 0, true, 10), steps(-60, 0, true, 20)},
         ".-c"},
    };
    for (const auto& entry : cases) EXPECT_EQ(outcomes(entry.samples), entry.expected) << entry.name;
}

TEST(SwipeRecognizer, TheEventsOwnDeltasDeviceAndPhaseAreRead) {
    QWheelEvent sideways(QPointF(10, 10), QPointF(10, 10), QPoint(-70, 3), QPoint(-140, 6), Qt::NoButton,
                         Qt::NoModifier, Qt::ScrollUpdate, false);
    const TDWheelSample sample = TDWheelSample::fromEvent(sideways);
    EXPECT_EQ(sample.pixelDelta, QPointF(-70, 3));
    EXPECT_EQ(sample.angleDelta, QPoint(-140, 6));
    EXPECT_EQ(sample.phase, Qt::ScrollUpdate);
    TDSwipeRecognizer recognizer;
    EXPECT_EQ(recognizer.wheel(sideways).deltaX, -1);
}

TEST(SwipeRecognizer, ANativeSwipeGoesByItsAngle) {
    const struct {
        double angle;
        int deltaX;
    } cases[] = {{180, 1}, {0, -1}, {160, 1}, {340, -1}, {90, 0}, {270, 0}, {75, 0}};
    for (const auto& entry : cases)
        EXPECT_EQ(TDSwipeRecognizer::swipeDeltaX(entry.angle), entry.deltaX) << entry.angle;

    const QPointingDevice* device = QPointingDevice::primaryPointingDevice();
    QNativeGestureEvent swipe(Qt::SwipeNativeGesture, device, 3, QPointF(), QPointF(), QPointF(), 180,
                              QPointF());
    QNativeGestureEvent zoom(Qt::ZoomNativeGesture, device, 2, QPointF(), QPointF(), QPointF(), 180,
                             QPointF());
    EXPECT_EQ(TDSwipeRecognizer::swipeDeltaX(swipe), 1);
    EXPECT_EQ(TDSwipeRecognizer::swipeDeltaX(zoom), 0);
}

}  // namespace

#include "controls/gui/window_animator.h"

#include "tests/support/test_environment.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <gtest/gtest.h>

namespace {

// An animator that ends outside any event loop (a test's own call) goes when deferred deletions run.
void runDeferredDeletes() {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

TEST(WindowAnimatorTest, DurationFollowsDelegateShiftAndSetting) {
    const struct {
        std::optional<double> delegateAnswer;
        double duration;
        bool ignoresShift;
        bool shiftDown;
        double seconds;
    } cases[] = {
        {std::nullopt, 0, false, false, double(0.15f)}, {std::nullopt, 0, false, true, 3.0},
        {std::nullopt, 0.5, false, true, 2.0},          {std::nullopt, 0.5, true, true, 0.5},
        {std::nullopt, 0.5, false, false, 0.5},         {1.0, 0, false, true, 1.0},
    };
    for (const auto& c : cases)
        EXPECT_DOUBLE_EQ(TDWindowAnimationDuration(c.delegateAnswer, c.duration, c.ignoresShift, c.shiftDown),
                         c.seconds)
            << c.duration << " shift " << c.shiftDown;
    EXPECT_DOUBLE_EQ(TDDefaultAnimationDuration, 0.15000000596046448);
}

TEST(WindowAnimatorTest, StartFramesComeFromEachSide) {
    const QRect frame(100, 200, 300, 150);
    EXPECT_EQ(TDWindowAnimatorStartFrame(frame, 0, 20), frame.translated(0, -20));
    EXPECT_EQ(TDWindowAnimatorStartFrame(frame, 1, 20), frame.translated(20, 0));
    EXPECT_EQ(TDWindowAnimatorStartFrame(frame, 2, 20), frame.translated(0, 20));
    EXPECT_EQ(TDWindowAnimatorStartFrame(frame, 3, 20), frame.translated(-20, 0));
    EXPECT_EQ(TDWindowAnimatorStartFrame(frame, 7, 20), frame);
}

TEST(WindowAnimatorTest, ShakeSwingsFourPointsAndEndsAtTheStart) {
    EXPECT_EQ(TDWindowShakeX(50, 0), 50);
    EXPECT_EQ(TDWindowShakeX(50, 1.0 / 6), 54);
    EXPECT_EQ(TDWindowShakeX(50, 0.5), 46);
    int lowest = 50;
    int highest = 50;
    for (double p = 0; p < 1.05; p += 0.15) {
        lowest = std::min(lowest, TDWindowShakeX(50, p));
        highest = std::max(highest, TDWindowShakeX(50, p));
    }
    EXPECT_GE(lowest, 46);
    EXPECT_LE(highest, 54);
}

class AnimatorDelegate : public TDWindowAnimatorDelegate {
public:
    std::optional<double> durationForWindowAnimator(TDWindowAnimator*) override { return 0.01; }
    void windowAnimatorDidFinish(TDWindowAnimator*) override { ++finished; }
    int finished = 0;
};

class WindowAnimatorWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        window = std::make_unique<QWidget>();
        window->setGeometry(100, 100, 200, 100);
        window->show();
        testsupport::drainEvents();
    }

    std::unique_ptr<QWidget> window;
    AnimatorDelegate delegate;
};

TEST_F(WindowAnimatorWindowTest, FinishedFadesEndAtTheirOpacityAndReleaseTheAnimator) {
    QPointer<TDWindowAnimator> animator = TDWindowAnimator::animatorWithWindow(window.get());
    animator->setDelegate(&delegate);
    const QRect frame = window->geometry();
    animator->fadeInFromDirection(2, 20);
    EXPECT_EQ(window->geometry(), frame.translated(0, 20));
    EXPECT_TRUE(testsupport::spinUntil([&] { return animator.isNull(); }));
    EXPECT_EQ(window->geometry(), frame);
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 1.0);
    EXPECT_EQ(delegate.finished, 1);

    // close: faded out, then closed, then the delegate told
    animator = TDWindowAnimator::animatorWithWindow(window.get());
    animator->setDelegate(&delegate);
    animator->close();
    EXPECT_TRUE(testsupport::spinUntil([&] { return animator.isNull(); }));
    EXPECT_FALSE(window->isVisible());
    EXPECT_DOUBLE_EQ(window->windowOpacity(), 0.0);
    EXPECT_EQ(delegate.finished, 2);
}

TEST_F(WindowAnimatorWindowTest, AStoppedAnimationReleasesItselfWithoutFinishing) {
    QPointer<TDWindowAnimator> animator = TDWindowAnimator::animatorWithWindow(window.get());
    animator->setDelegate(&delegate);
    animator->setShiftKeyQuery([] { return true; });
    animator->setDelegate(nullptr);  // Shift held: 3 s, long enough to stop midway
    animator->orderOut();
    ASSERT_TRUE(animator->isAnimating());
    animator->stop();
    runDeferredDeletes();
    EXPECT_TRUE(animator.isNull());
    EXPECT_TRUE(window->isVisible());  // the hiding never came
    EXPECT_EQ(delegate.finished, 0);

    // A window that goes mid-animation takes the animator with it
    animator = TDWindowAnimator::animatorWithWindow(window.get());
    animator->setShiftKeyQuery([] { return true; });
    animator->fadeOut();
    window.reset();
    testsupport::drainEvents();
    EXPECT_TRUE(animator.isNull());
}

TEST_F(WindowAnimatorWindowTest, ShakeEndsWhereTheWindowStartedAndWithoutAWindowDoesNothing) {
    const QPoint start = window->pos();
    QPointer<TDWindowAnimator> animator = TDWindowAnimator::animatorWithWindow(window.get());
    QList<int> xs;
    QObject::connect(animator, &TDWindowAnimator::finished, [&] { xs.append(window->x()); });
    animator->shake();
    EXPECT_TRUE(testsupport::spinUntil([&] { return animator.isNull(); }));
    EXPECT_EQ(window->pos(), start);
    EXPECT_EQ(xs, QList<int>{start.x()});

    QPointer<TDWindowAnimator> orphan = TDWindowAnimator::animatorWithWindow(nullptr);
    orphan->shake();
    runDeferredDeletes();
    EXPECT_TRUE(orphan.isNull());
}

}  // namespace

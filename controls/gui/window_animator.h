#pragma once

#include <QObject>
#include <QPointer>
#include <QRect>
#include <QWidget>

#include <functional>
#include <optional>

class QAbstractAnimation;
class QTimer;
class TDWindowAnimator;

// Told when an animation of a window animator ends; may choose its duration.
class TDWindowAnimatorDelegate {
public:
    virtual ~TDWindowAnimatorDelegate() = default;
    // Seconds; none leaves the animator's own rule.
    virtual std::optional<double> durationForWindowAnimator(TDWindowAnimator* animator) {
        Q_UNUSED(animator);
        return std::nullopt;
    }
    virtual void windowAnimatorDidFinish(TDWindowAnimator* animator) { Q_UNUSED(animator); }
};

// The base duration of window animations, and what Shift held at the start turns a default one into.
inline constexpr double TDDefaultAnimationDuration = double(0.15f);
inline constexpr double TDSlowAnimationDuration = 3.0;

// Seconds an animation lasts: the delegate's answer when it gives one; else, with Shift held (and not
// ignored), four times the duration (3 s for the default); else the duration (0.15 s for the default 0).
double TDWindowAnimationDuration(std::optional<double> delegateAnswer, double duration, bool ignoresShiftKey,
                                 bool shiftKeyDown);
// Where a window fading in from a side starts: 0 above, 1 to the right, 2 below, 3 to the left of its
// frame, `distance` points away; any other direction where it stands.
QRect TDWindowAnimatorStartFrame(const QRect& frame, int direction, double distance);
// The left edge of a shaking window at `progress` (0 to 1): swings of 4 points either side of firstX.
int TDWindowShakeX(int firstX, double progress);

// Animates one window: fades it in where it stands or from a side, fades it out (then closes or hides
// it), or shakes it sideways to say no. Make one per animation; it is the window's child and deletes
// itself when its animation ends, whether it ran to the end, was stopped or lost its window. Main
// thread only.
class TDWindowAnimator : public QObject {
    Q_OBJECT
public:
    static TDWindowAnimator* animatorWithWindow(QWidget* window);

    QWidget* window() const { return m_window; }
    TDWindowAnimatorDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDWindowAnimatorDelegate* delegate) { m_delegate = delegate; }
    // Seconds; 0 means the default.
    double duration() const { return m_duration; }
    void setDuration(double seconds) { m_duration = seconds; }
    bool ignoresShiftKey() const { return m_ignoresShiftKey; }
    void setIgnoresShiftKey(bool ignores) { m_ignoresShiftKey = ignores; }
    // Whether Shift is held now; the keyboard by default, replaceable for tests.
    void setShiftKeyQuery(std::function<bool()> query) { m_shiftKeyDown = std::move(query); }
    // The seconds the next animation will take.
    double animationDuration();

    // Shows the window, fading in where it stands.
    void orderFront();
    // Fades the window in while it slides into its present frame from a side (see
    // TDWindowAnimatorStartFrame); the caller shows the window.
    void fadeInFromDirection(int direction, double distance);
    // Fades out, leaving the window shown at opacity 0 unless close() or orderOut() asked for more.
    void fadeOut();
    void close();
    void orderOut();
    // About 1.5 swings of 4 points after 0.1 s, ending exactly where the window began.
    void shake();
    // Ends the running animation where it stands, without its finishing steps.
    void stop();
    bool isAnimating() const;

Q_SIGNALS:
    void finished();

private:
    enum class Action { None, Close, OrderOut };

    explicit TDWindowAnimator(QWidget* window);
    void p_run(QAbstractAnimation* animation, double finalOpacity);
    void p_animationStopped(bool finished);
    void p_shakeStep();
    void p_end();

    QPointer<QWidget> m_window;
    TDWindowAnimatorDelegate* m_delegate = nullptr;
    double m_duration = 0;
    bool m_ignoresShiftKey = false;
    double m_finalOpacity = 1.0;
    Action m_action = Action::None;
    std::function<bool()> m_shiftKeyDown;
    QAbstractAnimation* m_animation = nullptr;
    QTimer* m_shakeTimer = nullptr;
    int m_shakeFirstX = 0;
    double m_shakeProgress = 0;
    bool m_ending = false;
};

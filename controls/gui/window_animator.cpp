#include "controls/gui/window_animator.h"

#include "platform/base/log.h"

#include <QGuiApplication>
#include <QParallelAnimationGroup>
#include <QPropertyAnimation>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace {

constexpr int kShakeFirstDelay = 100;
constexpr int kShakeStepInterval = 20;
constexpr double kShakeProgressStep = 0.15;
constexpr double kShakeAmplitude = 4;

int milliseconds(double seconds) {
    return std::max(0, int(std::lround(seconds * 1000)));
}

QPropertyAnimation* makeAnimation(QWidget* window, const QByteArray& property, const QVariant& from,
                                  const QVariant& to, int duration, QEasingCurve::Type easing) {
    auto* animation = new QPropertyAnimation(window, property);
    animation->setStartValue(from);
    animation->setEndValue(to);
    animation->setDuration(duration);
    animation->setEasingCurve(easing);
    return animation;
}

}  // namespace

double TDWindowAnimationDuration(std::optional<double> delegateAnswer, double duration, bool ignoresShiftKey,
                                 bool shiftKeyDown) {
    if (delegateAnswer) return *delegateAnswer;
    if (!ignoresShiftKey && shiftKeyDown) return duration == 0 ? TDSlowAnimationDuration : 4 * duration;
    return duration == 0 ? TDDefaultAnimationDuration : duration;
}

QRect TDWindowAnimatorStartFrame(const QRect& frame, int direction, double distance) {
    const int d = int(std::lround(distance));
    switch (direction) {
        case 0:
            return frame.translated(0, -d);
        case 1:
            return frame.translated(d, 0);
        case 2:
            return frame.translated(0, d);
        case 3:
            return frame.translated(-d, 0);
        default:
            return frame;
    }
}

int TDWindowShakeX(int firstX, double progress) {
    return int(std::lround(firstX + kShakeAmplitude * std::sin(3 * std::numbers::pi * progress)));
}

TDWindowAnimator* TDWindowAnimator::animatorWithWindow(QWidget* window) {
    return new TDWindowAnimator(window);
}

// The window's child, so an animator that never ran goes with its window; one without a window goes
// as soon as it is asked to animate.
TDWindowAnimator::TDWindowAnimator(QWidget* window)
    : QObject(window),
      m_window(window),
      m_shiftKeyDown([] { return QGuiApplication::keyboardModifiers().testFlag(Qt::ShiftModifier); }) {
}

double TDWindowAnimator::animationDuration() {
    const std::optional<double> answer =
        m_delegate ? m_delegate->durationForWindowAnimator(this) : std::nullopt;
    const bool shift = !answer && !m_ignoresShiftKey && m_shiftKeyDown && m_shiftKeyDown();
    return TDWindowAnimationDuration(answer, m_duration, m_ignoresShiftKey, shift);
}

bool TDWindowAnimator::isAnimating() const {
    return m_animation || (m_shakeTimer && m_shakeTimer->isActive());
}

void TDWindowAnimator::orderFront() {
    if (!m_window) return p_end();
    if (isAnimating()) return;
    m_window->setWindowOpacity(0);
    m_window->show();
    m_window->raise();
    p_run(makeAnimation(m_window, "windowOpacity", 0.0, 1.0, milliseconds(animationDuration()),
                        QEasingCurve::OutCubic),
          1.0);
}

void TDWindowAnimator::fadeInFromDirection(int direction, double distance) {
    if (!m_window) return p_end();
    if (isAnimating()) return;
    const QRect end = m_window->geometry();
    const QRect start = TDWindowAnimatorStartFrame(end, direction, distance);
    m_window->setWindowOpacity(0);
    m_window->setGeometry(start);
    const int duration = milliseconds(animationDuration());
    auto* group = new QParallelAnimationGroup;
    group->addAnimation(makeAnimation(m_window, "windowOpacity", 0.0, 1.0, duration, QEasingCurve::OutCubic));
    group->addAnimation(makeAnimation(m_window, "geometry", start, end, duration, QEasingCurve::OutCubic));
    p_run(group, 1.0);
}

void TDWindowAnimator::fadeOut() {
    if (!m_window) return p_end();
    if (isAnimating()) return;
    p_run(makeAnimation(m_window, "windowOpacity", m_window->windowOpacity(), 0.0,
                        milliseconds(animationDuration()), QEasingCurve::InCubic),
          0.0);
}

void TDWindowAnimator::close() {
    m_action = Action::Close;
    fadeOut();
}

void TDWindowAnimator::orderOut() {
    m_action = Action::OrderOut;
    fadeOut();
}

void TDWindowAnimator::p_run(QAbstractAnimation* animation, double finalOpacity) {
    m_finalOpacity = finalOpacity;
    m_animation = animation;
    animation->setParent(this);
    // A natural end stops the animation at its end; stop() and a window that goes leave it short of it.
    connect(animation, &QAbstractAnimation::stateChanged, this,
            [this, animation](QAbstractAnimation::State state) {
                if (state != QAbstractAnimation::Stopped) return;
                p_animationStopped(animation->currentTime() >= animation->totalDuration());
            });
    animation->start();
}

void TDWindowAnimator::p_animationStopped(bool finished) {
    if (finished && m_window) {
        if (m_action == Action::Close)
            m_window->close();
        else if (m_action == Action::OrderOut)
            m_window->hide();
        if (m_delegate) m_delegate->windowAnimatorDidFinish(this);
        m_window->setWindowOpacity(m_finalOpacity);
        Q_EMIT this->finished();
    }
    p_end();
}

void TDWindowAnimator::shake() {
    if (!m_window) {
        logWithLevel(TDLogWarning, "WARNING", "Tried to shake a nil window. Ignoring...");
        return p_end();
    }
    if (isAnimating()) return;
    m_shakeFirstX = m_window->x();
    m_shakeProgress = 0;
    m_shakeTimer = new QTimer(this);
    m_shakeTimer->setSingleShot(true);
    connect(m_shakeTimer, &QTimer::timeout, this, &TDWindowAnimator::p_shakeStep);
    m_shakeTimer->start(kShakeFirstDelay);
}

void TDWindowAnimator::p_shakeStep() {
    if (!m_window) return p_end();
    const int y = m_window->y();
    m_window->move(TDWindowShakeX(m_shakeFirstX, m_shakeProgress), y);
    if (1 - m_shakeProgress < 0.00001) {
        m_window->move(m_shakeFirstX, y);
        Q_EMIT finished();
        return p_end();
    }
    m_shakeProgress += kShakeProgressStep;
    m_shakeTimer->start(kShakeStepInterval);
}

void TDWindowAnimator::stop() {
    if (m_animation) {
        m_animation->stop();
        return;
    }
    if (m_shakeTimer && m_shakeTimer->isActive()) {
        m_shakeTimer->stop();
        // A window left off to one side would look moved, not refused.
        if (m_window) m_window->move(m_shakeFirstX, m_window->y());
        p_end();
    }
}

void TDWindowAnimator::p_end() {
    if (m_ending) return;
    m_ending = true;
    deleteLater();
}

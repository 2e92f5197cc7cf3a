#pragma once

#include "auxiliary/timer_lcd_digits.h"

#include <QElapsedTimer>
#include <QPoint>
#include <QVariantAnimation>
#include <QWidget>

#include <optional>

class TDTimerLCDViewDelegate;

namespace platform {
class UserDefaults;
}

// The timer's liquid-crystal display: hours and minutes in seven-segment digits drawn in code, a colon
// that blinks once a second, the mode caption ("ELAPSED" or "REMAINING") and the units "hr" and "min".
// The digits change only when the shown minute does; past the estimate they take another hue. A quick
// click asks the delegate to switch the mode, and a refusal flashes "NO ESTIMATE". While paused the lit
// digits pulse. A press that moves drags the panel instead.
class TDTimerLCDView final : public QWidget {
    Q_OBJECT
public:
    explicit TDTimerLCDView(platform::UserDefaults& defaults, QWidget* parent = nullptr);

    // Not owned; without one every switch is refused.
    void setDelegate(TDTimerLCDViewDelegate* delegate) { m_delegate = delegate; }

    void setTime(double seconds);
    // The caption follows "timerDisplayMode".
    void updateUI();
    void toggleDisplayMode();
    void pause();
    void resume();
    void showModeSwitchWarning();

    // What is drawn now, for tests and screenshots.
    const TDTimerLCDDigits& digits() const { return m_digits; }
    QString modeCaption() const { return m_modeCaption; }
    bool isShowingWarning() const { return m_warning.state() == QAbstractAnimation::Running; }
    bool isPulsing() const { return m_pulse.state() == QAbstractAnimation::Running; }
    double colonOpacity() const;
    // Lets a screenshot catch the pulse or the warning at a chosen point (0 to 1).
    void setAnimationProgressForTesting(double progress);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    // One more hour digit: the panel grows by `width` to the left.
    void digitAdded(int width);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    QRectF p_digitRect(qsizetype index) const;
    double p_opacity(bool lit) const;

    platform::UserDefaults& m_defaults;
    TDTimerLCDViewDelegate* m_delegate = nullptr;
    TDTimerLCDDigits m_digits;
    // The minutes last drawn; none draws the next time in full.
    std::optional<std::uint64_t> m_minutes;
    std::uint64_t m_seconds = 0;
    QString m_modeCaption;
    bool m_captionRight = false;
    QVariantAnimation m_pulse;
    QVariantAnimation m_warning;
    QElapsedTimer m_pressTime;
    std::optional<QPoint> m_pressPosition;
    bool m_dragging = false;
};

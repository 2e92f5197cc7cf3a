#include "auxiliary/gui/timer_lcd_view.h"

#include "auxiliary/timer_views.h"
#include "platform/defaults/user_defaults.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QWindow>

#include <array>

namespace {

const QString kDisplayMode = QStringLiteral("timerDisplayMode");
const QString kBlinkDots = QStringLiteral("blinkTimerDots");

constexpr int kWidth = 86;
constexpr int kHeight = 54;
constexpr int kDigitWidth = 12;
constexpr int kDigitHeight = 20;
constexpr int kDigitPitch = 15;
constexpr double kDim = 0.25;
constexpr qint64 kQuickClickMilliseconds = 200;

const QColor kDigitColor(0x8d, 0xb7, 0x3a);
const QColor kModeColor(89, 160, 254);
const QColor kUnitColor(63, 119, 172);

// Segments a (top), b, c (right, top to bottom), d (bottom), e, f (left, bottom to top), g (middle).
constexpr std::array<unsigned, 10> kSegments{0b0111111, 0b0000110, 0b1011011, 0b1001111, 0b1100110,
                                             0b1101101, 0b1111101, 0b0000111, 0b1111111, 0b1101111};

void drawDigit(QPainter& painter, const QRectF& box, int value, const QColor& color) {
    const double t = 2.2;  // stroke
    const double x = box.left(), y = box.top(), w = box.width(), h = box.height(), mid = y + h / 2;
    auto horizontal = [&](double top) {
        QPainterPath path;
        path.moveTo(x + 1, top + t / 2);
        path.lineTo(x + 1 + t / 2, top);
        path.lineTo(x + w - 1 - t / 2, top);
        path.lineTo(x + w - 1, top + t / 2);
        path.lineTo(x + w - 1 - t / 2, top + t);
        path.lineTo(x + 1 + t / 2, top + t);
        path.closeSubpath();
        return path;
    };
    auto vertical = [&](double left, double top, double bottom) {
        QPainterPath path;
        path.moveTo(left + t / 2, top);
        path.lineTo(left + t, top + t / 2);
        path.lineTo(left + t, bottom - t / 2);
        path.lineTo(left + t / 2, bottom);
        path.lineTo(left, bottom - t / 2);
        path.lineTo(left, top + t / 2);
        path.closeSubpath();
        return path;
    };
    const std::array<QPainterPath, 7> segments{
        horizontal(y),
        vertical(x + w - t, y + 1, mid - 0.5),
        vertical(x + w - t, mid + 0.5, y + h - 1),
        horizontal(y + h - t),
        vertical(x, mid + 0.5, y + h - 1),
        vertical(x, y + 1, mid - 0.5),
        horizontal(mid - t / 2),
    };
    const unsigned mask = kSegments.at(std::size_t(value) % 10);
    for (std::size_t s = 0; s < segments.size(); ++s)
        if (mask & (1u << s)) painter.fillPath(segments.at(s), color);
}

// The hue a time past the estimate takes: the digits' colour turned by 150 degrees.
QColor tinted(const QColor& color) {
    return QColor::fromHsvF(std::fmod(color.hsvHueF() + 150.0 / 360.0, 1.0), color.hsvSaturationF(),
                            color.valueF());
}

QFont captionFont(double pointSize) {
    QFont font;
    font.setPixelSize(qRound(pointSize + 1));
    return font;
}

}  // namespace

TDTimerLCDView::TDTimerLCDView(platform::UserDefaults& defaults, QWidget* parent)
    : QWidget(parent), m_defaults(defaults) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    m_digits = TDTimerLCDDigitsForSeconds(0);
    // The lit digits breathe from full to a quarter and back, a second each way.
    m_pulse.setStartValue(1.0);
    m_pulse.setKeyValueAt(0.5, kDim);
    m_pulse.setEndValue(1.0);
    m_pulse.setDuration(2000);
    m_pulse.setLoopCount(-1);
    m_pulse.setEasingCurve(QEasingCurve::InOutSine);
    connect(&m_pulse, &QVariantAnimation::valueChanged, this, [this] { update(); });
    // Three flashes of the warning, 0.2 s down and 0.2 s up each.
    m_warning.setStartValue(1.0);
    m_warning.setKeyValueAt(0.5, kDim);
    m_warning.setEndValue(1.0);
    m_warning.setDuration(400);
    m_warning.setLoopCount(3);
    m_warning.setEasingCurve(QEasingCurve::InOutSine);
    connect(&m_warning, &QVariantAnimation::valueChanged, this, [this] { update(); });
    connect(&m_warning, &QVariantAnimation::finished, this, [this] {
        updateUI();
        update();
    });
    updateUI();
}

QSize TDTimerLCDView::sizeHint() const {
    return minimumSizeHint();
}

QSize TDTimerLCDView::minimumSizeHint() const {
    return {kWidth + kDigitPitch * int(m_digits.digits.size() - 4), kHeight};
}

void TDTimerLCDView::showEvent(QShowEvent* event) {
    // The first time after showing is drawn in full.
    m_minutes.reset();
    QWidget::showEvent(event);
}

void TDTimerLCDView::setTime(double seconds) {
    const TDTimerLCDDigits next = TDTimerLCDDigitsForSeconds(seconds, m_digits.digits.size());
    m_seconds = next.seconds;
    if (m_minutes != next.totalMinutes) {
        const qsizetype added = next.digits.size() - m_digits.digits.size();
        m_digits = next;
        m_minutes = next.totalMinutes;
        if (added > 0) {
            updateGeometry();
            Q_EMIT digitAdded(int(added) * kDigitPitch);
        }
    } else {
        m_digits.seconds = next.seconds;
        m_digits.colonLit = next.colonLit;
    }
    update();
}

double TDTimerLCDView::colonOpacity() const {
    if (isPulsing()) return m_digits.digits.value(2).lit ? m_pulse.currentValue().toDouble() : kDim;
    if (TDTimerLCDColonHidden(m_seconds, m_defaults.boolean(kBlinkDots))) return 0;
    return m_digits.colonLit ? 1.0 : kDim;
}

double TDTimerLCDView::p_opacity(bool lit) const {
    if (!lit) return kDim;
    return isPulsing() ? m_pulse.currentValue().toDouble() : 1.0;
}

void TDTimerLCDView::updateUI() {
    const int mode = m_defaults.integer(kDisplayMode);
    if (mode == 1) {
        m_modeCaption = tr("REMAINING");
        m_captionRight = true;
    } else if (mode == 0) {
        m_modeCaption = tr("ELAPSED");
        m_captionRight = false;
    }
    update();
}

void TDTimerLCDView::toggleDisplayMode() {
    m_warning.stop();
    const int current = m_defaults.integer(kDisplayMode);
    const int next = current < 1 ? current + 1 : 0;
    if (!m_delegate || !m_delegate->shouldSwitchToMode(next)) {
        showModeSwitchWarning();
        return;
    }
    m_delegate->switchToMode(next);
    updateUI();
}

void TDTimerLCDView::showModeSwitchWarning() {
    if (isShowingWarning()) return;
    m_modeCaption = tr("REMAINING");
    m_captionRight = true;
    m_warning.start();
}

void TDTimerLCDView::pause() {
    if (!isPulsing()) m_pulse.start();
}

void TDTimerLCDView::resume() {
    m_pulse.stop();
    update();
}

void TDTimerLCDView::setAnimationProgressForTesting(double progress) {
    for (QVariantAnimation* animation : {&m_pulse, &m_warning})
        if (animation->state() == QAbstractAnimation::Running) {
            animation->pause();
            animation->setCurrentTime(int(progress * animation->duration()));
        }
    update();
}

QRectF TDTimerLCDView::p_digitRect(qsizetype index) const {
    const double timeWidth = width() - 24.0;
    const double x = timeWidth - kDigitWidth * (index + 1) - 3.0 * index - (index > 1 ? 5.0 : 0.0);
    return {12.0 + x, 20.0, double(kDigitWidth), double(kDigitHeight)};
}

void TDTimerLCDView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // The glass: a dark, slightly lit plate with a thin bevel.
    const QRectF plate = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QLinearGradient glass(plate.topLeft(), plate.bottomLeft());
    glass.setColorAt(0, QColor(0x2a, 0x2e, 0x33));
    glass.setColorAt(1, QColor(0x10, 0x12, 0x15));
    painter.setPen(QPen(QColor(0, 0, 0, 200), 1));
    painter.setBrush(glass);
    painter.drawRoundedRect(plate, 5, 5);
    painter.setPen(QPen(QColor(255, 255, 255, 30), 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(plate.adjusted(1, 1, -1, -1), 4, 4);

    const double warning = isShowingWarning() ? m_warning.currentValue().toDouble() : -1;
    painter.setFont(captionFont(8.1));
    painter.setPen(kModeColor);
    painter.drawText(QRectF(12, 5, width() - 24, 9),
                     (m_captionRight ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter, m_modeCaption);
    if (warning >= 0) {
        painter.setOpacity(warning);
        painter.setPen(kModeColor);
        QFont sign = captionFont(16);
        painter.setFont(sign);
        painter.drawText(QRectF(0, 14, width(), 22), Qt::AlignCenter, QString(QChar(0x26A0)));
        painter.setFont(captionFont(9));
        painter.drawText(QRectF(0, 36, width(), 12), Qt::AlignCenter, tr("NO ESTIMATE"));
        return;
    }

    const QColor color = m_digits.tinted ? tinted(kDigitColor) : kDigitColor;
    for (qsizetype i = 0; i < m_digits.digits.size(); ++i) {
        const TDTimerLCDDigit& digit = m_digits.digits.at(i);
        painter.setOpacity(p_opacity(digit.lit));
        drawDigit(painter, p_digitRect(i), digit.value, color);
    }
    painter.setOpacity(colonOpacity());
    const double colonX = 12.0 + width() - 24.0 - 32.0;
    painter.fillRect(QRectF(colonX, 24, 2, 2), color);
    painter.fillRect(QRectF(colonX, 33, 2, 2), color);

    painter.setOpacity(1);
    painter.setFont(captionFont(9));
    painter.setPen(kUnitColor);
    const QRectF hours = p_digitRect(m_digits.digits.size() - 1).united(p_digitRect(2));
    painter.drawText(QRectF(hours.left(), 40, hours.width(), 10), Qt::AlignCenter, tr("hr"));
    const QRectF minutes = p_digitRect(1).united(p_digitRect(0));
    painter.drawText(QRectF(minutes.left(), 40, minutes.width(), 10), Qt::AlignCenter, tr("min"));
}

void TDTimerLCDView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    m_pressTime.start();
    m_pressPosition = event->globalPosition().toPoint();
    m_dragging = false;
    event->accept();
}

void TDTimerLCDView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_pressPosition || !event->buttons().testFlag(Qt::LeftButton)) return;
    const QPoint moved = event->globalPosition().toPoint() - *m_pressPosition;
    if (!m_dragging && moved.manhattanLength() < 3) return;
    // A press that moves drags the panel and never switches the mode.
    if (!m_dragging) {
        m_dragging = true;
        if (window()->windowHandle() && window()->windowHandle()->startSystemMove()) {
            m_pressPosition.reset();
            return;
        }
    }
    window()->move(window()->pos() + moved);
    m_pressPosition = event->globalPosition().toPoint();
}

void TDTimerLCDView::mouseReleaseEvent(QMouseEvent* event) {
    const bool quick = m_pressPosition && !m_dragging && m_pressTime.isValid() &&
                       m_pressTime.elapsed() <= kQuickClickMilliseconds;
    m_pressPosition.reset();
    m_dragging = false;
    event->accept();
    if (quick && event->button() == Qt::LeftButton) toggleDisplayMode();
}

#include "auxiliary/gui/timer_status_item.h"

#include "auxiliary/timer_window_controller.h"
#include "platform/base/log.h"

#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>

namespace {

// The clock of the tray item: a ring with two hands.
void drawClock(QPainter& painter, const QRectF& box, const QColor& ink) {
    painter.setPen(QPen(ink, box.width() / 11));
    painter.setBrush(Qt::NoBrush);
    const QRectF ring =
        box.adjusted(box.width() / 10, box.height() / 10, -box.width() / 10, -box.height() / 10);
    painter.drawEllipse(ring);
    const QPointF c = ring.center();
    painter.drawLine(c, c - QPointF(0, ring.height() * 0.32));
    painter.drawLine(c, c + QPointF(ring.width() * 0.24, 0));
}

}  // namespace

TDTrayTimerStatusItem::TDTrayTimerStatusItem(TDTimerWindowController& controller, QObject* parent)
    : QObject(parent), m_controller(controller) {
    m_pause = m_menu.addAction(QString(), &controller, [this] { m_controller.pauseOrResume(); });
    m_showOrHide = m_menu.addAction(QString(), &controller, [this] { m_controller.showOrHideWindow(); });
    m_menu.addSeparator();
    m_elapsed = m_menu.addAction(tr("Elapsed Time"), &controller, [this] { m_controller.showElapsedTime(); });
    m_remaining =
        m_menu.addAction(tr("Remaining Time"), &controller, [this] { m_controller.showRemainingTime(); });
    m_elapsed->setCheckable(true);
    m_remaining->setCheckable(true);
    m_menu.addSeparator();
    m_menu.addAction(tr("Stop Timing"), &controller, [this] { m_controller.stopAndClose(); });
    connect(&m_menu, &QMenu::aboutToShow, this, [this] {
        updateMenu();
        m_controller.setStatusMenuOpen(true);
    });
    connect(&m_menu, &QMenu::aboutToHide, this, [this] { m_controller.setStatusMenuOpen(false); });
    m_icon.setContextMenu(&m_menu);
    // A click on the icon shows or hides the panel, as most trays open menus on the other button.
    connect(&m_icon, &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger) m_controller.showOrHideWindow();
    });
    updateMenu();
}

TDTrayTimerStatusItem::~TDTrayTimerStatusItem() {
    m_icon.hide();
}

bool TDTrayTimerStatusItem::isAvailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

void TDTrayTimerStatusItem::show() {
    if (m_shown) return;
    if (!isAvailable()) {
        logWithLevel(TDLogInfo, "TIMER", "The desktop has no system tray; the timer shows no minutes there");
        return;
    }
    m_shown = true;
    setTitle(m_title);
    m_icon.show();
}

void TDTrayTimerStatusItem::remove() {
    m_shown = false;
    m_icon.hide();
}

void TDTrayTimerStatusItem::setTitle(const TDTimerStatusTitle& title) {
    if (title == m_title && !m_icon.icon().isNull()) return;
    m_title = title;
    m_icon.setIcon(QIcon(QPixmap::fromImage(iconImage(title))));
    m_icon.setToolTip(title.isEmpty()
                          ? tr("Timer paused")
                          : (title.overEstimate ? tr("%1 past the estimate").arg(title.text.mid(1))
                                                : tr("Timer: %1").arg(title.text)));
}

void TDTrayTimerStatusItem::updateMenu() {
    m_pause->setText(m_controller.isPaused() ? tr("Resume") : tr("Pause"));
    m_pause->setEnabled(m_controller.task() != nullptr);
    m_showOrHide->setText(m_controller.isWindowVisible() ? tr("Hide Timer") : tr("Show Timer"));
    m_elapsed->setChecked(m_controller.displayMode() == 0);
    m_remaining->setChecked(m_controller.displayMode() == 1);
    m_remaining->setEnabled(m_controller.canSwitchToRemainingTimeDisplayMode());
}

QImage TDTrayTimerStatusItem::iconImage(const TDTimerStatusTitle& title, int size) {
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    // Light ink on the dark panels most desktops give their trays; dark red past the estimate.
    const QColor ink = title.overEstimate ? QColor::fromHsvF(0.0f, 1.0f, 0.65f) : QColor(0xf2, 0xf2, 0xf2);
    const QRectF box(0, 0, size, size);
    if (title.isEmpty()) {
        drawClock(painter, box.adjusted(size * 0.15, size * 0.15, -size * 0.15, -size * 0.15), ink);
        return image;
    }
    // A small clock above, the minutes as large as fit below.
    drawClock(painter, QRectF(size * 0.34, 0, size * 0.32, size * 0.32), ink);
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setBold(true);
    font.setPixelSize(int(size * 0.62));
    QRectF textBox(0, size * 0.3, size, size * 0.7);
    while (font.pixelSize() > 6 && QFontMetricsF(font).horizontalAdvance(title.text) > size)
        font.setPixelSize(font.pixelSize() - 1);
    QPainterPath text;
    const QFontMetricsF metrics(font);
    const double x = (size - metrics.horizontalAdvance(title.text)) / 2;
    const double y = textBox.center().y() + (metrics.ascent() - metrics.descent()) / 2;
    text.addText(QPointF(x, y), font, title.text);
    // A faint outline keeps the figures readable on light trays too.
    painter.strokePath(
        text, QPen(title.overEstimate ? QColor(255, 255, 255, 90) : QColor(0, 0, 0, 140), size / 16.0));
    painter.fillPath(text, ink);
    return image;
}

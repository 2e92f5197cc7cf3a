#pragma once

#include <QApplication>
#include <QSpontaneKeyEvent>
#include <QWheelEvent>
#include <QWidget>

#include <cstdlib>

namespace testsupport {

// Wheel events over the widget's middle as the window system delivers them: events no widget takes go
// on to the widget's parents.
inline void deliverWheel(QWidget* widget, const QPoint& pixels, const QPoint& angle, Qt::ScrollPhase phase) {
    // Each call a while after the last, so that phase-less events never join an earlier gesture.
    static quint64 clock = 0;
    clock += 1000;
    const QPointF at = QRectF(widget->rect()).center();
    QWheelEvent event(at, widget->mapToGlobal(at), pixels, angle, Qt::NoButton, Qt::NoModifier, phase, false);
    event.setTimestamp(clock);
    QSpontaneKeyEvent::setSpontaneous(&event);
    QApplication::instance()->notify(widget, &event);
}

// Two fingers on a touchpad moving by `dx` pixels sideways and `dy` up or down: one phased gesture.
inline void touchpadScroll(QWidget* widget, int dx, int dy = 0) {
    deliverWheel(widget, {}, {}, Qt::ScrollBegin);
    for (int half = 0; half < 2; ++half)
        deliverWheel(widget, QPoint(dx, dy) / 2, QPoint(dx, dy), Qt::ScrollUpdate);
    deliverWheel(widget, {}, {}, Qt::ScrollEnd);
}

// Notches of a mouse's sideways wheel: angle steps only, no pixels, no phases.
inline void mouseWheelSideways(QWidget* widget, int notches) {
    for (int i = 0; i < std::abs(notches); ++i)
        deliverWheel(widget, {}, QPoint(notches > 0 ? 120 : -120, 0), Qt::NoScrollPhase);
}

}  // namespace testsupport

#include "foundation/date_change_notifier.h"

#include "platform/base/clock.h"
#include "platform/base/local_zone.h"
#include "platform/notifications/notification_center.h"

namespace {

// The local calendar day of the clock's instant, read in the time zone in force now, so that a change
// of zone moves the day even when the instant stays.
QDate today() {
    TDLocalTimeZoneGeneration();  // a changed zone file is read again before the day is judged
    return TDClock::currentDateTime().toLocalTime().date();
}

}  // namespace

TDDateChangeNotifier::TDDateChangeNotifier(platform::NotificationCenter& center, QObject* parent)
    : QObject(parent), m_center(center) {
    m_timer.setInterval(1000);
    connect(&m_timer, &QTimer::timeout, this, &TDDateChangeNotifier::checkDate);
}

TDDateChangeNotifier& TDDateChangeNotifier::shared() {
    static auto* notifier = new TDDateChangeNotifier(platform::NotificationCenter::defaultCenter());
    return *notifier;
}

void TDDateChangeNotifier::start() {
    m_lastFiredDate = today();
    m_timer.start();
}

void TDDateChangeNotifier::checkDate() {
    const QDate now = today();
    const bool changed = m_lastFiredDate.isValid() && now != m_lastFiredDate;
    m_lastFiredDate = now;
    if (changed) m_center.post(TDDateChangedNotification);
}

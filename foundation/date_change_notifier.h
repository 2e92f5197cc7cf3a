#pragma once

#include <QDate>
#include <QObject>
#include <QString>
#include <QTimer>

namespace platform {
class NotificationCenter;
}

// Posted with no sender when the calendar day changes while the program runs; observers re-read "today".
inline const QString TDDateChangedNotification = QStringLiteral("TDDateChangedNotification");

// Tells the program when the day changes: midnight passing, the clock being set, or the time zone
// changing. A one-second timer compares today's date with the one seen at the last tick, so every
// cause is caught the same way, "now" coming from TDClock.
class TDDateChangeNotifier final : public QObject {
    Q_OBJECT
public:
    explicit TDDateChangeNotifier(platform::NotificationCenter& center, QObject* parent = nullptr);

    // The program's notifier, posting to the default notification center; made on the main thread.
    static TDDateChangeNotifier& shared();

    // Called once launching has finished: remembers today and starts the timer.
    void start();
    // One tick: posts TDDateChangedNotification when the day differs from the last tick's.
    void checkDate();

private:
    platform::NotificationCenter& m_center;
    QTimer m_timer;
    QDate m_lastFiredDate;  // invalid until started
};

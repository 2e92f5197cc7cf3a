#pragma once

#include <QDateTime>

// The program's one source of "now", so tests can set the time and move it across midnight.
class TDClock {
public:
    virtual ~TDClock() = default;
    virtual QDateTime now() const { return QDateTime::currentDateTime(); }

    // The clock in use; tests install their own (not owned; nullptr restores the system clock).
    static const TDClock& shared();
    static void setShared(const TDClock* clock);
    static QDateTime currentDateTime() { return shared().now(); }
};

// A clock that stands still until told otherwise.
class TDTestClock final : public TDClock {
public:
    explicit TDTestClock(QDateTime now) : m_now(std::move(now)) {}
    QDateTime now() const override { return m_now; }
    void setNow(const QDateTime& now) { m_now = now; }
    void advanceSeconds(qint64 seconds) { m_now = m_now.addSecs(seconds); }

private:
    QDateTime m_now;
};

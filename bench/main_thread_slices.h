#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QList>
#include <QObject>
#include <QStringList>
#include <QTimer>

// Watches the main thread while it lives: a timer runs every millisecond, and the longest wait between
// two of its runs is the longest the window could not draw. The main thread's own CPU time over the
// same stretch is the block less what other processes took from it, which a loaded machine cannot
// inflate, and its time spent waiting for a CPU (the scheduler's own count) is what a loaded machine
// added. Every event the main thread delivers is noted, so that a long stretch can say what ran in it.
class BenchMainThreadSlices final : public QObject {
public:
    // Stretches longer than `reportMilliseconds` (wall or CPU) are described.
    explicit BenchMainThreadSlices(double reportMilliseconds = 16.0);
    ~BenchMainThreadSlices() override;

    double longestMilliseconds() const { return double(m_longestNs) / 1e6; }
    double longestCpuMilliseconds() const { return double(m_longestCpuNs) / 1e6; }
    // The longest stretch less the time it waited for a CPU: what an idle machine would show.
    double longestLessCpuWaitMilliseconds() const { return double(m_longestLessWaitNs) / 1e6; }
    // One line per long stretch: its wall and CPU time and its longest deliveries, longest first.
    const QStringList& longSlices() const { return m_longSlices; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // What an event was delivered to; class names live as long as the program.
    struct Delivery {
        const char* receiverClass;
        const char* parentClass;
        int eventType;
        qint64 startNs;
        qint64 startCpuNs;
    };
    void p_tick();
    // Nanoseconds this thread has waited on a run queue, from the scheduler; 0 where unknown.
    qint64 p_cpuWaitNanoseconds();
    QString p_describe(qint64 endNs, qint64 endCpuNs, qint64 cpuWaitNs) const;

    qint64 m_reportNs;
    QElapsedTimer m_clock;
    QTimer m_ticker;
    qint64 m_lastTickNs = 0;
    qint64 m_lastTickCpuNs = 0;
    qint64 m_lastTickWaitNs = 0;
    qint64 m_longestNs = 0;
    qint64 m_longestCpuNs = 0;
    qint64 m_longestLessWaitNs = 0;
    QFile m_schedstat;
    QList<Delivery> m_deliveries;  // since the last tick
    QStringList m_longSlices;
};

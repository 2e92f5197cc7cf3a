#include "bench/main_thread_slices.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMetaEnum>

#include <algorithm>

#include <time.h>

namespace {

qint64 threadCpuNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return qint64(now.tv_sec) * 1000000000 + now.tv_nsec;
}

QString eventTypeName(int type) {
    const char* name = QMetaEnum::fromType<QEvent::Type>().valueToKey(type);
    return name ? QString::fromLatin1(name) : QString::number(type);
}

}  // namespace

BenchMainThreadSlices::BenchMainThreadSlices(double reportMilliseconds)
    : m_reportNs(qint64(reportMilliseconds * 1e6)),
      m_schedstat(QStringLiteral("/proc/thread-self/schedstat")) {
    (void)m_schedstat.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    m_clock.start();
    m_lastTickCpuNs = threadCpuNanoseconds();
    m_lastTickWaitNs = p_cpuWaitNanoseconds();
    m_ticker.setInterval(1);
    connect(&m_ticker, &QTimer::timeout, this, &BenchMainThreadSlices::p_tick);
    QCoreApplication::instance()->installEventFilter(this);
    m_ticker.start();
}

BenchMainThreadSlices::~BenchMainThreadSlices() {
    QCoreApplication::instance()->removeEventFilter(this);
}

bool BenchMainThreadSlices::eventFilter(QObject* watched, QEvent* event) {
    if (watched != &m_ticker) {
        const QObject* parent = watched->parent();
        m_deliveries.append({watched->metaObject()->className(),
                             parent ? parent->metaObject()->className() : nullptr, int(event->type()),
                             m_clock.nsecsElapsed(), threadCpuNanoseconds()});
    }
    return false;
}

qint64 BenchMainThreadSlices::p_cpuWaitNanoseconds() {
    // "<on a CPU> <waiting on a run queue> <time slices>", in nanoseconds.
    if (!m_schedstat.isOpen() || !m_schedstat.seek(0)) return 0;
    return m_schedstat.read(128).split(' ').value(1).toLongLong();
}

void BenchMainThreadSlices::p_tick() {
    const qint64 now = m_clock.nsecsElapsed();
    const qint64 cpu = threadCpuNanoseconds();
    const qint64 wait = p_cpuWaitNanoseconds();
    const qint64 wall = now - m_lastTickNs;
    const qint64 used = cpu - m_lastTickCpuNs;
    m_longestNs = std::max(m_longestNs, wall);
    m_longestCpuNs = std::max(m_longestCpuNs, used);
    m_longestLessWaitNs = std::max(m_longestLessWaitNs, wall - (wait - m_lastTickWaitNs));
    if (wall > m_reportNs || used > m_reportNs)
        m_longSlices.append(p_describe(now, cpu, wait - m_lastTickWaitNs));
    m_deliveries.clear();
    // The description above is bookkeeping of this watcher, not the program's.
    m_lastTickNs = m_clock.nsecsElapsed();
    m_lastTickCpuNs = threadCpuNanoseconds();
    m_lastTickWaitNs = p_cpuWaitNanoseconds();
}

QString BenchMainThreadSlices::p_describe(qint64 endNs, qint64 endCpuNs, qint64 cpuWaitNs) const {
    // A delivery lasts until the next one starts: a nested one takes its share from the outer one.
    struct Timed {
        qsizetype index;
        qint64 wallNs;
        qint64 cpuNs;
    };
    QList<Timed> timed;
    for (qsizetype i = 0; i < m_deliveries.size(); ++i) {
        const bool last = i + 1 == m_deliveries.size();
        const qint64 end = last ? endNs : m_deliveries[i + 1].startNs;
        const qint64 endCpu = last ? endCpuNs : m_deliveries[i + 1].startCpuNs;
        timed.append({i, end - m_deliveries[i].startNs, endCpu - m_deliveries[i].startCpuNs});
    }
    std::sort(timed.begin(), timed.end(), [](const Timed& a, const Timed& b) { return a.wallNs > b.wallNs; });
    const qint64 firstNs = m_deliveries.isEmpty() ? endNs : m_deliveries.first().startNs;
    const qint64 firstCpuNs = m_deliveries.isEmpty() ? endCpuNs : m_deliveries.first().startCpuNs;
    QString text = QStringLiteral(
                       "%1 ms (CPU %2 ms, waiting for a CPU %3 ms); before any delivery %4 ms "
                       "(CPU %5 ms); %6 deliveries:")
                       .arg(double(endNs - m_lastTickNs) / 1e6, 0, 'f', 1)
                       .arg(double(endCpuNs - m_lastTickCpuNs) / 1e6, 0, 'f', 1)
                       .arg(double(cpuWaitNs) / 1e6, 0, 'f', 1)
                       .arg(double(firstNs - m_lastTickNs) / 1e6, 0, 'f', 1)
                       .arg(double(firstCpuNs - m_lastTickCpuNs) / 1e6, 0, 'f', 1)
                       .arg(m_deliveries.size());
    for (qsizetype i = 0; i < std::min<qsizetype>(timed.size(), 3); ++i) {
        const Delivery& delivery = m_deliveries[timed[i].index];
        text +=
            QStringLiteral(" %1%2 %3 %4 ms (CPU %5 ms);")
                .arg(QString::fromLatin1(delivery.receiverClass),
                     delivery.parentClass ? QStringLiteral(" of ") + QString::fromLatin1(delivery.parentClass)
                                          : QString(),
                     eventTypeName(delivery.eventType))
                .arg(double(timed[i].wallNs) / 1e6, 0, 'f', 1)
                .arg(double(timed[i].cpuNs) / 1e6, 0, 'f', 1);
    }
    return text;
}

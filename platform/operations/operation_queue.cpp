#include "platform/operations/operation_queue.h"

#include <QCoreApplication>
#include <QThread>

namespace platform {

OperationQueue::OperationQueue(const QString& name, QObject* parent) : QObject(parent), m_name(name) {
    m_thread = QThread::create([this] { p_run(); });
    m_thread->setObjectName(name);
    m_thread->start();
}

OperationQueue::~OperationQueue() {
    {
        std::lock_guard lock(OperationSignal::mutex());
        for (auto& op : m_pending) op->cancel();
        m_stopping = true;
    }
    OperationSignal::changed().notify_all();
    m_thread->wait();
    delete m_thread;
}

void OperationQueue::addOperation(std::shared_ptr<Operation> operation) {
    {
        std::lock_guard lock(OperationSignal::mutex());
        m_pending.push_back(std::move(operation));
    }
    OperationSignal::changed().notify_all();
}

std::shared_ptr<Operation> OperationQueue::addOperation(std::function<void()> block) {
    auto op = std::make_shared<BlockOperation>(std::move(block));
    addOperation(op);
    return op;
}

std::vector<std::shared_ptr<Operation>> OperationQueue::operations() const {
    std::lock_guard lock(OperationSignal::mutex());
    std::vector<std::shared_ptr<Operation>> all;
    if (m_running) all.push_back(m_running);
    all.insert(all.end(), m_pending.begin(), m_pending.end());
    return all;
}

int OperationQueue::operationCount() const {
    return static_cast<int>(operations().size());
}

void OperationQueue::cancelAllOperations() {
    {
        std::lock_guard lock(OperationSignal::mutex());
        if (m_running) m_running->cancel();
        for (auto& op : m_pending) op->cancel();
    }
    OperationSignal::changed().notify_all();
}

void OperationQueue::setSuspended(bool suspended) {
    {
        std::lock_guard lock(OperationSignal::mutex());
        m_suspended = suspended;
    }
    OperationSignal::changed().notify_all();
}

bool OperationQueue::isSuspended() const {
    std::lock_guard lock(OperationSignal::mutex());
    return m_suspended;
}

void OperationQueue::waitUntilAllOperationsAreFinished() {
    std::unique_lock lock(OperationSignal::mutex());
    OperationSignal::changed().wait(lock, [this] { return m_pending.empty() && !m_running; });
}

std::shared_ptr<Operation> OperationQueue::p_nextReady() {
    for (auto it = m_pending.begin(); it != m_pending.end(); ++it) {
        const auto& deps = (*it)->m_dependencies;
        // A cancelled operation leaves at once so its dependants are not held up.
        const bool ready = (*it)->isCancelled() || std::all_of(deps.begin(), deps.end(),
                                                               [](const auto& d) { return d->isFinished(); });
        if (ready) {
            auto op = *it;
            m_pending.erase(it);
            return op;
        }
    }
    return nullptr;
}

void OperationQueue::p_run() {
    for (;;) {
        std::shared_ptr<Operation> op;
        {
            std::unique_lock lock(OperationSignal::mutex());
            OperationSignal::changed().wait(lock, [&] {
                if (m_stopping && m_pending.empty()) return true;
                if (m_suspended && !m_stopping) return false;
                op = p_nextReady();
                return op != nullptr;
            });
            if (!op) return;
            m_running = op;
        }
        op->start();
        {
            std::lock_guard lock(OperationSignal::mutex());
            m_running.reset();
        }
        OperationSignal::changed().notify_all();
        // Deferred deletions and queued calls aimed at this thread.
        QCoreApplication::sendPostedEvents();
        Q_EMIT operationFinished();
    }
}

}  // namespace platform

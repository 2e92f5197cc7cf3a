#include "platform/operations/operation.h"

namespace platform {

std::mutex& OperationSignal::mutex() {
    static std::mutex m;
    return m;
}

std::condition_variable& OperationSignal::changed() {
    static std::condition_variable c;
    return c;
}

bool Operation::isReady() const {
    std::lock_guard lock(OperationSignal::mutex());
    for (const auto& d : m_dependencies)
        if (!d->isFinished()) return false;
    return true;
}

void Operation::addDependency(std::shared_ptr<Operation> operation) {
    std::lock_guard lock(OperationSignal::mutex());
    m_dependencies.push_back(std::move(operation));
}

void Operation::start() {
    if (m_finished.load()) return;
    if (!m_cancelled.load()) {
        m_executing.store(true);
        main();
        if (m_completion) m_completion();
        m_executing.store(false);
    }
    {
        std::lock_guard lock(OperationSignal::mutex());
        m_finished.store(true);
    }
    OperationSignal::changed().notify_all();
}

void Operation::waitUntilFinished() {
    std::unique_lock lock(OperationSignal::mutex());
    OperationSignal::changed().wait(lock, [this] { return m_finished.load(); });
}

}  // namespace platform

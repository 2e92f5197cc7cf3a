#pragma once

#include <QString>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

namespace platform {

// A unit of background work. Subclasses override main(), which runs once on a queue's thread (or on
// the caller's thread through start()) and should look at isCancelled() at sensible points.
class Operation : public std::enable_shared_from_this<Operation> {
public:
    Operation() = default;
    virtual ~Operation() = default;
    Operation(const Operation&) = delete;
    Operation& operator=(const Operation&) = delete;

    // Runs main() now on the calling thread, unless cancelled, then marks the operation finished.
    void start();
    // Subclasses that run inner operations cancel them too.
    virtual void cancel() { m_cancelled.store(true); }
    bool isCancelled() const { return m_cancelled.load(); }
    bool isExecuting() const { return m_executing.load(); }
    bool isFinished() const { return m_finished.load(); }
    // Ready to run once every dependency has finished.
    bool isReady() const;

    void addDependency(std::shared_ptr<Operation> operation);
    // Runs on the operation's thread right after main().
    void setCompletion(std::function<void()> completion) { m_completion = std::move(completion); }
    // Blocks the calling thread until the operation has finished. Never call it on the main thread for
    // an operation that may need the main thread.
    void waitUntilFinished();

    QString name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }

protected:
    virtual void main() = 0;

private:
    friend class OperationQueue;
    std::vector<std::shared_ptr<Operation>> m_dependencies;
    std::function<void()> m_completion;
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_executing{false};
    std::atomic<bool> m_finished{false};
    QString m_name;
};

// An operation made from a function.
class BlockOperation final : public Operation {
public:
    explicit BlockOperation(std::function<void()> block) : m_block(std::move(block)) {}

protected:
    void main() override { m_block(); }

private:
    std::function<void()> m_block;
};

// Every change of an operation's state wakes the waiters on this, so queues blocked on dependencies in
// other queues move on.
struct OperationSignal {
    static std::mutex& mutex();
    static std::condition_variable& changed();
};

}  // namespace platform

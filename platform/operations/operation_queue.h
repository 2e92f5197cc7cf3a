#pragma once

#include "platform/operations/operation.h"

#include <QObject>
#include <QString>

#include <deque>
#include <memory>

class QThread;

namespace platform {

// A serial queue: its operations run one at a time, in the order added once they are ready, on the
// queue's own thread (which has an event dispatcher, so operations may run local event loops).
class OperationQueue final : public QObject {
    Q_OBJECT
public:
    explicit OperationQueue(const QString& name, QObject* parent = nullptr);
    // Cancels what is waiting and finishes the running operation before the thread ends.
    ~OperationQueue() override;

    void addOperation(std::shared_ptr<Operation> operation);
    std::shared_ptr<Operation> addOperation(std::function<void()> block);
    // Operations added and not yet finished, running one included.
    std::vector<std::shared_ptr<Operation>> operations() const;
    int operationCount() const;
    void cancelAllOperations();
    void setSuspended(bool suspended);
    bool isSuspended() const;
    // Blocks until every operation added so far has finished. The main thread must not call this while
    // an operation may wait for the main thread: run it on another thread instead.
    void waitUntilAllOperationsAreFinished();
    QString name() const { return m_name; }

Q_SIGNALS:
    // Emitted on the queue's thread after each operation.
    void operationFinished();

private:
    void p_run();
    std::shared_ptr<Operation> p_nextReady();  // with OperationSignal::mutex() held

    QString m_name;
    QThread* m_thread = nullptr;
    std::deque<std::shared_ptr<Operation>> m_pending;  // guarded by OperationSignal::mutex()
    std::shared_ptr<Operation> m_running;
    bool m_suspended = false;
    bool m_stopping = false;
};

}  // namespace platform

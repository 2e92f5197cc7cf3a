#pragma once

#include "platform/objectstore/persistent_store_coordinator.h"
#include "platform/operations/operation_queue.h"

#include <QThread>

#include <atomic>
#include <memory>

namespace testsupport {

// Holds a store coordinator's lock from an operation on the given queue, as a background operation
// would, from construction until release(); the lock is taken before the constructor returns.
class StoreHolder {
public:
    StoreHolder(platform::OperationQueue& queue, platform::PersistentStoreCoordinator& coordinator)
        : m_state(std::make_shared<State>()) {
        queue.addOperation([state = m_state, &coordinator] {
            coordinator.lock();
            state->locked = true;
            while (!state->released) QThread::msleep(1);
            coordinator.unlock();
        });
        while (!m_state->locked) QThread::msleep(1);
    }
    ~StoreHolder() { release(); }

    void release() { m_state->released = true; }

private:
    // Shared with the operation, which may outlive the holder by a moment.
    struct State {
        std::atomic<bool> locked{false};
        std::atomic<bool> released{false};
    };
    std::shared_ptr<State> m_state;
};

}  // namespace testsupport

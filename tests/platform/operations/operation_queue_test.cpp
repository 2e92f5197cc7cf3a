#include "platform/operations/operation_queue.h"
#include "tests/support/test_environment.h"

#include <QThread>

#include <mutex>
#include <thread>

namespace {

using platform::OperationQueue;

TEST(OperationQueue, RunsOneAtATimeInOrderOnItsOwnThread) {
    OperationQueue queue(QStringLiteral("serial"));
    std::mutex m;
    std::vector<int> order;
    std::atomic<int> running{0};
    std::atomic<bool> overlapped{false};
    QThread* mainThread = QThread::currentThread();
    std::atomic<bool> ranOnMain{false};
    for (int i = 0; i < 20; ++i)
        queue.addOperation([&, i] {
            if (++running > 1) overlapped = true;
            if (QThread::currentThread() == mainThread) ranOnMain = true;
            QThread::usleep(200);
            {
                std::lock_guard lock(m);
                order.push_back(i);
            }
            --running;
        });
    queue.waitUntilAllOperationsAreFinished();
    EXPECT_FALSE(overlapped);
    EXPECT_FALSE(ranOnMain);
    ASSERT_EQ(order.size(), 20u);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
    EXPECT_EQ(queue.operationCount(), 0);
}

TEST(OperationQueue, DependenciesAcrossQueuesAndCancellation) {
    OperationQueue first(QStringLiteral("first")), second(QStringLiteral("second"));
    first.setSuspended(true);
    std::vector<QString> log;
    std::mutex m;
    auto note = [&](const char* s) {
        std::lock_guard lock(m);
        log.push_back(QString::fromLatin1(s));
    };
    auto export_ = std::make_shared<platform::BlockOperation>([&] { note("export"); });
    auto gzip = std::make_shared<platform::BlockOperation>([&] { note("gzip"); });
    auto cancelled = std::make_shared<platform::BlockOperation>([&] { note("cancelled"); });
    gzip->addDependency(export_);
    second.addOperation(gzip);
    second.addOperation(cancelled);
    cancelled->cancel();
    first.addOperation(export_);
    QThread::msleep(20);
    {
        std::lock_guard lock(m);
        EXPECT_TRUE(log.empty());  // gzip waits for export, held by the suspended queue
    }
    first.setSuspended(false);
    gzip->waitUntilFinished();
    cancelled->waitUntilFinished();
    EXPECT_EQ(log, (std::vector<QString>{QStringLiteral("export"), QStringLiteral("gzip")}));
    EXPECT_TRUE(cancelled->isFinished());
}

TEST(OperationQueue, WaitingOffTheMainThreadLetsOperationsCallTheMainThread) {
    auto queue = std::make_unique<OperationQueue>(QStringLiteral("calls-main"));
    QObject mainObject;
    bool calledOnMain = false;
    queue->addOperation([&] {
        QMetaObject::invokeMethod(
            &mainObject, [&] { calledOnMain = QThread::currentThread() == mainObject.thread(); },
            Qt::BlockingQueuedConnection);
    });
    std::atomic<bool> done{false};
    std::thread waiter([&] {
        queue->waitUntilAllOperationsAreFinished();
        done = true;
    });
    EXPECT_TRUE(testsupport::spinUntil([&] { return done.load(); }));
    waiter.join();
    EXPECT_TRUE(calledOnMain);
}

}  // namespace

#include "platform/notifications/notification_queue.h"
#include "platform/notifications/notification_center.h"
#include "tests/support/test_environment.h"

#include <QTimer>

namespace {

using platform::Notification;
using platform::NotificationCenter;
using platform::NotificationQueue;

class NotificationQueueTest : public ::testing::Test {
protected:
    NotificationQueueTest() : queue(center) {
        center.addObserver(&owner, QString(), nullptr, [this](const Notification& n) {
            received << n.name + QLatin1Char(':') + n.userInfo.value(QStringLiteral("v")).toString();
        });
    }
    NotificationCenter center;
    NotificationQueue queue{center};
    QObject owner;
    QStringList received;
    int a = 0, b = 0;
};

Notification note(const char* name, const void* sender, int v) {
    return Notification{QString::fromLatin1(name), sender, {{QStringLiteral("v"), v}}};
}

TEST_F(NotificationQueueTest, NowIsSynchronousSoonIsAfterThePassIdleIsLast) {
    bool inHandler = true;
    QTimer::singleShot(0, &owner, [&] {
        queue.enqueue(note("idle", &a, 1), NotificationQueue::PostWhenIdle);
        queue.enqueue(note("asap", &a, 1), NotificationQueue::PostASAP);
        queue.enqueue(note("now", &a, 1), NotificationQueue::PostNow);
        EXPECT_EQ(received, QStringList{QStringLiteral("now:1")});
        inHandler = false;
    });
    ASSERT_TRUE(testsupport::spinUntil([&] { return received.size() == 3; }));
    EXPECT_FALSE(inHandler);
    EXPECT_EQ(received,
              (QStringList{QStringLiteral("now:1"), QStringLiteral("asap:1"), QStringLiteral("idle:1")}));
}

TEST_F(NotificationQueueTest, CoalescesByNameAndSender) {
    queue.enqueue(note("changed", &a, 1), NotificationQueue::PostASAP);
    queue.enqueue(note("changed", &a, 2), NotificationQueue::PostASAP);
    queue.enqueue(note("changed", &b, 3), NotificationQueue::PostASAP);
    queue.enqueue(note("other", &a, 4), NotificationQueue::PostASAP);
    queue.enqueue(note("other", &b, 5), NotificationQueue::PostASAP, NotificationQueue::CoalesceOnName);
    queue.enqueue(note("idle", &a, 6), NotificationQueue::PostWhenIdle);
    queue.enqueue(note("idle", &a, 7), NotificationQueue::PostWhenIdle);
    queue.enqueue(note("plain", &a, 8), NotificationQueue::PostASAP, NotificationQueue::NoCoalescing);
    queue.enqueue(note("plain", &a, 9), NotificationQueue::PostASAP, NotificationQueue::NoCoalescing);
    testsupport::spinUntil([&] { return queue.pendingCount() == 0; });
    EXPECT_EQ(received, (QStringList{QStringLiteral("changed:1"), QStringLiteral("changed:3"),
                                     QStringLiteral("other:4"), QStringLiteral("plain:8"),
                                     QStringLiteral("plain:9"), QStringLiteral("idle:6")}));
}

TEST_F(NotificationQueueTest, DequeueAndReenqueueCarriesTheNewestContent) {
    queue.enqueue(note("delayed", &a, 1), NotificationQueue::PostASAP);
    queue.dequeueMatching(note("delayed", &a, 0),
                          NotificationQueue::CoalesceOnName | NotificationQueue::CoalesceOnSender);
    queue.enqueue(note("delayed", &a, 2), NotificationQueue::PostASAP);
    testsupport::spinUntil([&] { return queue.pendingCount() == 0; });
    EXPECT_EQ(received, QStringList{QStringLiteral("delayed:2")});
}

TEST_F(NotificationQueueTest, PostingNowDropsPendingMatches) {
    queue.enqueue(note("x", &a, 1), NotificationQueue::PostASAP);
    queue.enqueue(note("x", &a, 2), NotificationQueue::PostNow);
    testsupport::drainEvents();
    EXPECT_EQ(received, QStringList{QStringLiteral("x:2")});
}

TEST(NotificationCenter, ObserversFilterBySenderAndDieWithTheirOwner) {
    NotificationCenter center;
    int a = 0, b = 0, heard = 0;
    auto owner = std::make_unique<QObject>();
    center.addObserver(owner.get(), QStringLiteral("n"), &a, [&](const Notification&) { ++heard; });
    center.post(QStringLiteral("n"), &a);
    center.post(QStringLiteral("n"), &b);
    center.post(QStringLiteral("m"), &a);
    EXPECT_EQ(heard, 1);
    owner.reset();
    center.post(QStringLiteral("n"), &a);
    EXPECT_EQ(heard, 1);
}

TEST(NotificationCenter, AnObserverMayRemoveItselfWhileBeingCalled) {
    NotificationCenter center;
    QObject owner;
    int heard = 0;
    int token = 0;
    token = center.addObserver(&owner, QStringLiteral("n"), nullptr, [&](const Notification&) {
        ++heard;
        center.removeObserver(token);
    });
    center.post(QStringLiteral("n"));
    center.post(QStringLiteral("n"));
    EXPECT_EQ(heard, 1);
}

}  // namespace

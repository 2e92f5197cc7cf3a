#include "model/library_notifications.h"
#include "model/managed_object_context_did_change_notification_splitter.h"
#include "platform/kvc/key_value_coding.h"
#include "platform/notifications/notification_center.h"
#include "platform/notifications/notification_queue.h"
#include "tests/support/test_environment.h"

#include <QTimer>

namespace {

using platform::Notification;

struct Thing : platform::KeyValueCoding {
    QVariant value(const QString&) const override { return {}; }
};

class SplitterTest : public ::testing::Test {
protected:
    SplitterTest() : queue(center), splitter(center, queue) {
        center.addObserver(&owner, QString(), nullptr, [this](const Notification& n) {
            if (!n.name.contains(QLatin1String("CleanUp"))) heard.push_back(n);
        });
    }
    int count(const QString& name, const void* sender) const {
        return int(std::count_if(heard.begin(), heard.end(), [&](const Notification& n) {
            return n.name == name && n.sender == sender;
        }));
    }
    const Notification* last(const QString& name, const void* sender) const {
        for (auto it = heard.rbegin(); it != heard.rend(); ++it)
            if (it->name == name && it->sender == sender) return &*it;
        return nullptr;
    }
    static QVariantMap change(std::initializer_list<Thing*> inserted, std::initializer_list<Thing*> updated) {
        QVariantList ins, upd;
        for (Thing* t : inserted) ins << platform::objectVariant(t);
        for (Thing* t : updated) upd << platform::objectVariant(t);
        return {{TDInsertedObjectsKey, ins}, {TDUpdatedObjectsKey, upd}};
    }
    static int size(const Notification* n, const QString& key) {
        return int(n->userInfo.value(key).toList().size());
    }

    platform::NotificationCenter center;
    platform::NotificationQueue queue{center};
    TDManagedObjectContextDidChangeNotificationSplitter splitter;
    QObject owner;
    std::vector<Notification> heard;
    int contextA = 0, contextB = 0;
    Thing t1, t2, t3;
};

TEST_F(SplitterTest, ABurstInOnePassIsDeliveredOnceDelayedWithTheUnion) {
    QTimer::singleShot(0, &owner, [this] {
        splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({&t1}, {})});
        splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({&t2}, {&t1})});
        splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({}, {&t3, &t1})});
        EXPECT_EQ(count(TDLibraryMOCDidChangePriorityNotification, &contextA), 3);
        EXPECT_EQ(count(TDLibraryMOCDidChangeNotification, &contextA), 3);
        EXPECT_EQ(count(TDLibraryMOCDidChangeDelayedNotification, &contextA), 0);
    });
    ASSERT_TRUE(testsupport::spinUntil(
        [&] { return count(TDLibraryMOCDidChangeDelayedUntilIdleNotification, &contextA) > 0; }));
    testsupport::drainEvents();
    EXPECT_EQ(count(TDLibraryMOCDidChangeDelayedNotification, &contextA), 1);
    EXPECT_EQ(count(TDLibraryMOCDidChangeDelayedUntilIdleNotification, &contextA), 1);
    for (const QString& name :
         {TDLibraryMOCDidChangeDelayedNotification, TDLibraryMOCDidChangeDelayedUntilIdleNotification}) {
        const Notification* n = last(name, &contextA);
        EXPECT_EQ(size(n, TDInsertedObjectsKey), 2);
        EXPECT_EQ(size(n, TDUpdatedObjectsKey), 2);
    }
    // The priority notification comes before the plain one of the same change.
    EXPECT_EQ(heard.at(0).name, TDLibraryMOCDidChangePriorityNotification);
    EXPECT_EQ(heard.at(1).name, TDLibraryMOCDidChangeNotification);
}

TEST_F(SplitterTest, AChangeAfterDeliveryStartsAFreshAccumulation) {
    splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({&t1}, {})});
    ASSERT_TRUE(testsupport::spinUntil([&] { return queue.pendingCount() == 0; }));
    splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({&t2}, {})});
    ASSERT_TRUE(testsupport::spinUntil([&] { return queue.pendingCount() == 0; }));
    const Notification* n = last(TDLibraryMOCDidChangeDelayedNotification, &contextA);
    ASSERT_EQ(size(n, TDInsertedObjectsKey), 1);
    EXPECT_EQ(platform::objectFromVariant(n->userInfo.value(TDInsertedObjectsKey).toList().first()), &t2);
}

TEST_F(SplitterTest, ContextsAccumulateSeparately) {
    splitter.enqueueNotifications({QStringLiteral("changed"), &contextA, change({&t1}, {})});
    splitter.enqueueNotifications({QStringLiteral("changed"), &contextB, change({&t2, &t3}, {})});
    ASSERT_TRUE(testsupport::spinUntil([&] { return queue.pendingCount() == 0; }));
    EXPECT_EQ(count(TDLibraryMOCDidChangeDelayedNotification, &contextA), 1);
    EXPECT_EQ(count(TDLibraryMOCDidChangeDelayedNotification, &contextB), 1);
    EXPECT_EQ(size(last(TDLibraryMOCDidChangeDelayedNotification, &contextA), TDInsertedObjectsKey), 1);
    EXPECT_EQ(size(last(TDLibraryMOCDidChangeDelayedNotification, &contextB), TDInsertedObjectsKey), 2);
}

}  // namespace

// Predicates read the stored keys of managed objects through slots resolved once per entity: they must
// answer what value() answers, for every entity they meet, as values change, and from several threads.
#include "platform/predicates/predicate_parser.h"
#include "tests/platform/objectstore/object_store_fixture.h"

#include <QDateTime>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace objectstoretest {
namespace {

class KeyPathSlotsTest : public ObjectStoreTest {
protected:
    bool holds(const char* format, const ManagedObject* object, const QVariantList& arguments = {}) {
        auto predicate = platform::predicateWithFormat(QString::fromLatin1(format), arguments);
        EXPECT_TRUE(predicate.ok()) << format;
        return predicate && (*predicate)->evaluate(object);
    }
};

TEST_F(KeyPathSlotsTest, OnePredicateReadsEveryEntityItMeetsAsValueWould) {
    TestTask* parent = newTask(QStringLiteral("a"));
    TestTask* child = newTask(QStringLiteral("b"));
    child->setObject(QStringLiteral("parentTask"), parent);
    ManagedObject* list = newObject(QStringLiteral("List"), QStringLiteral("a"));
    ManagedObject* folder = newObject(QStringLiteral("Folder"), QStringLiteral("f"));
    const QDateTime due(QDate(2026, 5, 1), QTime(10, 0), Qt::UTC);
    parent->setValue(QStringLiteral("dueDate"), due);
    parent->setValue(QStringLiteral("status"), QStringLiteral("C"));

    auto title = platform::predicateWithFormat(QStringLiteral("title == 'a'"));
    ASSERT_TRUE(title.ok());
    // Tasks, lists and folders keep the title in different slots; the same predicate reads them all.
    for (int pass = 0; pass < 2; ++pass) {
        EXPECT_TRUE((*title)->evaluate(parent));
        EXPECT_FALSE((*title)->evaluate(child));
        EXPECT_TRUE((*title)->evaluate(list));
        EXPECT_FALSE((*title)->evaluate(folder));
    }
    // The slot is where the value lives, not a copy of it.
    parent->setTitle(QStringLiteral("z"));
    folder->setValue(QStringLiteral("title"), QStringLiteral("a"));
    EXPECT_FALSE((*title)->evaluate(parent));
    EXPECT_TRUE((*title)->evaluate(folder));

    const QVariant parents = QVariantList{platform::objectVariant(parent)};
    struct Case {
        const char* format;
        const ManagedObject* object;
        QVariant argument;
        bool expected;
    };
    const Case cases[] = {
        {"parentTask.title == 'z'", child, {}, true},
        {"parentTask.title == NIL", parent, {}, true},
        {"parentTask.dueDate < %@", child, due, false},
        {"parentTask.dueDate <= %@", child, due, true},
        {"dueDate == NIL", child, {}, true},
        {"isCompleted == YES AND parentTask == NIL", parent, {}, true},
        {"subtasks.@count == 1 AND ANY subtasks.title == 'b'", parent, {}, true},
        {"parentTask IN %@", child, parents, true},
        {"NONE parentTask IN %@", parent, parents, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(holds(c.format, c.object, c.argument.isValid() ? QVariantList{c.argument} : QVariantList()),
                  c.expected)
            << c.format;
}

// The slots of a new predicate fill in while several threads evaluate it at once.
TEST_F(KeyPathSlotsTest, ThreadsShareAPredicateWhileItLearnsItsSlots) {
    std::vector<ManagedObject*> objects;
    int expected = 0;
    for (int i = 0; i < 400; ++i) {
        const bool task = i % 3 != 0;
        ManagedObject* object = task ? newTask(QStringLiteral("t%1").arg(i % 7))
                                     : newObject(QStringLiteral("List"), QStringLiteral("t%1").arg(i % 7));
        if (task) object->setValue(QStringLiteral("priority"), qint64(i % 4));
        expected += i % 7 < 3 && (!task || i % 4 != 1) ? 1 : 0;
        objects.push_back(object);
    }
    auto predicate =
        platform::predicateWithFormat(QStringLiteral("title IN {'t0', 't1', 't2'} AND NOT priority == 1"));
    ASSERT_TRUE(predicate.ok());
    std::atomic<bool> start = false;
    std::vector<int> counts(4, 0);
    std::vector<std::thread> threads;
    for (size_t t = 0; t < counts.size(); ++t)
        threads.emplace_back([&, t] {
            while (!start.load()) std::this_thread::yield();
            for (int round = 0; round < 20; ++round) {
                int n = 0;
                for (const ManagedObject* object : objects) n += (*predicate)->evaluate(object) ? 1 : 0;
                if (round == 0 || n != expected) counts[t] = n;
            }
        });
    start = true;
    for (std::thread& thread : threads) thread.join();
    for (int count : counts) EXPECT_EQ(count, expected);
}

}  // namespace
}  // namespace objectstoretest

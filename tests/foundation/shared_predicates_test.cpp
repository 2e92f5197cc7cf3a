#include "foundation/shared_predicates.h"

#include "platform/kvc/key_value_coding.h"

#include <QVariantMap>

#include <gtest/gtest.h>

namespace {

struct Task : platform::KeyValueCoding {
    QVariantMap values;
    QVariant value(const QString& key) const override { return values.value(key); }
};

TEST(SharedPredicates, OpenLeafTasksAndDisplayOrder) {
    Task leaf, parent, done;
    leaf.values = {{QStringLiteral("subtasks"), QVariantList()},
                   {QStringLiteral("incomplete"), true},
                   {QStringLiteral("displayOrder"), 2.0}};
    parent.values = {{QStringLiteral("subtasks"), QVariantList{platform::objectVariant(&leaf)}},
                     {QStringLiteral("incomplete"), true},
                     {QStringLiteral("displayOrder"), 1.0}};
    done.values = {{QStringLiteral("subtasks"), QVariantList()}, {QStringLiteral("incomplete"), false}};
    EXPECT_TRUE(TDOpenLeafTaskPredicate()->evaluate(&leaf));
    EXPECT_FALSE(TDOpenLeafTaskPredicate()->evaluate(&parent));
    EXPECT_FALSE(TDOpenLeafTaskPredicate()->evaluate(&done));

    QList<Task*> tasks{&leaf, &parent, &done};
    platform::sortObjects(tasks, TDDisplayOrderSortDescriptors());
    EXPECT_EQ(tasks, (QList<Task*>{&done, &parent, &leaf}));
}

}  // namespace

#include "controls/outline_view_item_enumerator.h"

#include <QStandardItemModel>

#include <gtest/gtest.h>

namespace {

// A(A1(A1a), A2), B, C(C1)
void fill(QStandardItemModel& model) {
    auto* a = new QStandardItem(QStringLiteral("A"));
    auto* a1 = new QStandardItem(QStringLiteral("A1"));
    a1->appendRow(new QStandardItem(QStringLiteral("A1a")));
    a->appendRow(a1);
    a->appendRow(new QStandardItem(QStringLiteral("A2")));
    auto* c = new QStandardItem(QStringLiteral("C"));
    c->appendRow(new QStandardItem(QStringLiteral("C1")));
    model.appendRow(a);
    model.appendRow(new QStandardItem(QStringLiteral("B")));
    model.appendRow(c);
}

QStringList walk(TDOutlineViewItemEnumerator& items) {
    QStringList titles;
    for (QModelIndex item = items.nextObject(); item.isValid(); item = items.nextObject())
        titles.append(item.data().toString());
    return titles;
}

TEST(OutlineViewItemEnumerator, WalksEveryItemDepthFirstForwardAndExactlyBackward) {
    QStandardItemModel model;
    fill(model);
    QStringList forward;
    for (const char* title : {"A", "A1", "A1a", "A2", "B", "C", "C1"})
        forward.append(QString::fromLatin1(title));
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());

    TDOutlineViewItemEnumerator items(&model, false);
    EXPECT_FALSE(items.currentObject().isValid());
    EXPECT_EQ(walk(items), forward);
    // After the end, the walk starts over.
    EXPECT_EQ(walk(items), forward);

    TDOutlineViewItemEnumerator reversed(&model, true);
    EXPECT_EQ(walk(reversed), backward);
    EXPECT_EQ(walk(reversed), backward);
}

TEST(OutlineViewItemEnumerator, CurrentObjectIsTheLastAnswerAndResetStartsAgain) {
    QStandardItemModel model;
    fill(model);
    for (const bool reverse : {false, true}) {
        TDOutlineViewItemEnumerator items(&model, reverse);
        const QModelIndex first = items.nextObject();
        const QModelIndex second = items.nextObject();
        EXPECT_EQ(items.currentObject(), second);
        items.reset();
        EXPECT_FALSE(items.currentObject().isValid());
        EXPECT_EQ(items.nextObject(), first);
    }
}

TEST(OutlineViewItemEnumerator, AnEmptyModelEndsAtOnce) {
    QStandardItemModel model;
    TDOutlineViewItemEnumerator forward(&model, false);
    TDOutlineViewItemEnumerator backward(&model, true);
    EXPECT_FALSE(forward.nextObject().isValid());
    EXPECT_FALSE(backward.nextObject().isValid());
}

}  // namespace

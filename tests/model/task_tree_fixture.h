#pragma once

#include "model/folder.h"
#include "model/group.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "tests/model/library_fixture.h"

#include <ostream>

inline void PrintTo(const QString& text, std::ostream* out) {
    *out << '"' << text.toStdString() << '"';
}

namespace modeltest {

// A new library (the starter tree) in a temporary store, with helpers to grow task trees and an oracle
// that recomputes every aggregate from scratch.
class TaskTreeTest : public LibraryTest {
protected:
    void SetUp() override;

    TDList* inbox() const { return dynamic_cast<TDList*>(library->inboxGroup()); }
    // A task at the end of the parent's ordered tasks (a task or a list; none: an orphan).
    TDTask* task(const QString& title, TDLibraryObject* parent = nullptr, double estimate = 0);
    // Processes pending changes and recalculates what was scheduled, as the library manager does.
    void settle();
    // Fails the test where a kept aggregate differs from one computed from scratch.
    void expectAggregatesMatchRecompute(const char* when);
    // Fails the test where a collection a task or group keeps differs from its relationship.
    void expectCollectionsMatchRelationships(const char* when);
    // The aggregates of every task and group, by UID, as a text for comparison.
    static QMap<QString, QString> aggregatesByUID(platform::ManagedObjectContext* context);
    static QString describe(const TDAggregates& aggregates);
    static TDAggregates recomputedGroup(TDGroup* group);
};

}  // namespace modeltest

// Editing one member of a large list while an item model watches its ordered collection, against the
// same edit with nobody watching: the difference is what publishing the change costs.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"

#include <QObject>

#include <benchmark/benchmark.h>

#include <cstdlib>

#include <map>
#include <memory>

namespace {

struct ListLibrary : BenchNewLibrary {
    TDList* list = nullptr;
    QList<platform::ManagedObject*> members;

    explicit ListLibrary(int n) {
        if (!open()) return;
        list = library->createList(QStringLiteral("Large"), library->foldersGroup());
        for (int i = 0; i < n; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QStringLiteral("Task number %1 with a title of usual length").arg(i));
            members << task;
        }
        if (!list->orderedTasks()->insertObjects(members, 0).ok()) std::abort();
        context->processPendingChanges();
        context->setCreatingLibrary(false);
    }
};

ListLibrary& listLibrary(int n) {
    static std::map<int, std::unique_ptr<ListLibrary>> libraries;
    auto& library = libraries[n];
    if (!library) library = std::make_unique<ListLibrary>(n);
    return *library;
}

void editOneMember(benchmark::State& state, bool watched) {
    ListLibrary& library = listLibrary(int(state.range(0)));
    if (!library.list) {
        state.SkipWithError("could not build the library");
        return;
    }
    TDOrderedCollection* collection = library.list->orderedTasks();
    QObject view;
    qint64 rowChanges = 0;
    qint64 structuralChanges = 0;
    if (watched) {
        QObject::connect(collection, &TDOrderedCollection::memberChanged, &view, [&] { ++rowChanges; });
        QObject::connect(collection, &TDOrderedCollection::objectsInserted, &view,
                         [&] { ++structuralChanges; });
        QObject::connect(collection, &TDOrderedCollection::objectsRemoved, &view,
                         [&] { ++structuralChanges; });
        QObject::connect(collection, &TDOrderedCollection::objectsMoved, &view, [&] { ++structuralChanges; });
        QObject::connect(collection, &TDOrderedCollection::wasReset, &view, [&] { ++structuralChanges; });
    }
    auto* member = static_cast<TDTask*>(library.members.at(library.members.size() / 2));
    qint64 edits = 0;
    for (auto _ : state) {
        member->setTitle(QStringLiteral("Edited title %1").arg(++edits));
        library.context->processPendingChanges();
    }
    state.counters["rowChangesPerEdit"] = double(rowChanges) / double(edits);
    state.counters["structuralChanges"] = double(structuralChanges);
}

void BM_CollectionEditOneMember(benchmark::State& state) {
    editOneMember(state, true);
}
BENCHMARK(BM_CollectionEditOneMember)->Arg(10000)->Unit(benchmark::kMicrosecond);

void BM_CollectionEditOneMemberUnwatched(benchmark::State& state) {
    editOneMember(state, false);
}
BENCHMARK(BM_CollectionEditOneMemberUnwatched)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace

// Tag prediction over a library: retraining the library's classifier from its tasks, and the tags
// predicted for a title being typed.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_lsm_classifier.h"

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kTags = 50;

// n tasks, each with two common words and two of its tag's own words; one in ten untagged.
struct TaggedLibrary : BenchNewLibrary {
    QList<QStringList> tagWords;
    QStringList commonWords;

    explicit TaggedLibrary(int n) {
        if (!open()) return;
        std::mt19937 random(42);
        for (int i = 0; i < 200; ++i) commonWords.append(benchSyllableWord(random));
        QList<TDTag*> tags;
        for (int t = 0; t < kTags; ++t) {
            tags.append(library->createTagWithTitle(QStringLiteral("tag%1").arg(t)));
            QStringList words;
            for (int i = 0; i < 25; ++i) words.append(benchSyllableWord(random));
            tagWords.append(words);
        }
        for (int i = 0; i < n; ++i) {
            const int tag = static_cast<int>(random() % kTags);
            const QStringList title{
                commonWords[random() % commonWords.size()], tagWords[tag][random() % tagWords[tag].size()],
                commonWords[random() % commonWords.size()], tagWords[tag][random() % tagWords[tag].size()]};
            TDTask* task = library->createOrphanTask();
            task->setTitle(title.join(QLatin1Char(' ')), false);
            if (i % 10) task->addObject(QStringLiteral("tags"), tags[tag]);
        }
        context->processPendingChanges();
        context->setCreatingLibrary(false);
    }
};

void BM_RetrainLibraryTaskClassifier(benchmark::State& state) {
    TaggedLibrary fixture(static_cast<int>(state.range(0)));
    TDTaskLSMClassifier classifier(fixture.library, fixture.folder.path());
    for (auto _ : state) {
        classifier.retrain();
        benchmark::DoNotOptimize(classifier.map());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_RetrainLibraryTaskClassifier)->Arg(10000)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_PredictedTokensFromTitle(benchmark::State& state) {
    TaggedLibrary fixture(10000);
    TDTaskLSMClassifier classifier(fixture.library, fixture.folder.path());
    fixture.library->setTaskClassifier(&classifier);
    const QString title = fixture.commonWords[3] + QLatin1Char(' ') + fixture.tagWords[7][2] +
                          QLatin1Char(' ') + fixture.tagWords[7][5] + QStringLiteral(" tomorrow");
    for (auto _ : state) {
        auto tokens = TDTask::predictedTokensFromTitle(title, fixture.library);
        benchmark::DoNotOptimize(tokens);
    }
    fixture.library->setTaskClassifier(nullptr);
}
BENCHMARK(BM_PredictedTokensFromTitle)->Unit(benchmark::kMicrosecond);

}  // namespace

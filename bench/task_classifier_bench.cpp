// Tag prediction over a library: retraining the library's classifier from its tasks, and the tags
// predicted for a title being typed.
#include "foundation/default_settings.h"
#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_lsm_classifier.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/persistent_store_coordinator.h"

#include <QTemporaryDir>

#include <benchmark/benchmark.h>

#include <memory>
#include <random>

namespace {

constexpr int kTags = 50;

QString syllableWord(std::mt19937& random) {
    static const char* const syllables[] = {"ka",  "lo",  "mi",  "ne",  "ru",  "sa",  "te",
                                            "vo",  "zi",  "pa",  "dor", "fen", "gil", "har",
                                            "jun", "mar", "nos", "pel", "tor", "wen"};
    QString word;
    const int count = 2 + static_cast<int>(random() % 2);
    for (int i = 0; i < count; ++i) word += QString::fromLatin1(syllables[random() % std::size(syllables)]);
    return word;
}

// n tasks, each with two common words and two of its tag's own words; one in ten untagged.
struct TaggedLibrary {
    QTemporaryDir folder;
    std::unique_ptr<platform::UserDefaults> defaults;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<TDManagedObjectContext> context;
    TDLibrary* library = nullptr;
    QList<QStringList> tagWords;
    QStringList commonWords;

    explicit TaggedLibrary(int n) {
        defaults = std::make_unique<platform::UserDefaults>(folder.path() + QStringLiteral("/Ordello.conf"));
        registerDefaultSettings(*defaults);
        platform::UserDefaults::setStandard(defaults.get());
        coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*TDLibraryObjectModel());
        if (!coordinator->openStore(folder.path() + QStringLiteral("/library.sqlite3")).ok()) return;
        context = std::make_unique<TDManagedObjectContext>(coordinator.get());
        context->setCreatingLibrary(true);
        library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
        context->setLibrary(library);
        library->createObjectsForNewLibrary();
        std::mt19937 random(42);
        for (int i = 0; i < 200; ++i) commonWords.append(syllableWord(random));
        QList<TDTag*> tags;
        for (int t = 0; t < kTags; ++t) {
            tags.append(library->createTagWithTitle(QStringLiteral("tag%1").arg(t)));
            QStringList words;
            for (int i = 0; i < 25; ++i) words.append(syllableWord(random));
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
    ~TaggedLibrary() {
        context.reset();
        platform::UserDefaults::setStandard(nullptr);
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

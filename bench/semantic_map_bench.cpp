// Tag prediction's semantic map: training on a library's titles and predicting tags for one title.
#include "bench/bench_support.h"
#include "platform/lsm/semantic_map.h"

#include <QStringList>

#include <benchmark/benchmark.h>

#include <random>

namespace {

constexpr int kCategories = 50;

struct Corpus {
    QList<QStringList> categoryWords;
    QStringList commonWords;
    QList<std::pair<int, QString>> titles;  // category index, title
};

Corpus makeCorpus(int titleCount) {
    std::mt19937 random(42);
    Corpus corpus;
    for (int i = 0; i < 200; ++i) corpus.commonWords.append(benchSyllableWord(random));
    for (int c = 0; c < kCategories; ++c) {
        QStringList words;
        for (int i = 0; i < 25; ++i) words.append(benchSyllableWord(random));
        corpus.categoryWords.append(words);
    }
    for (int t = 0; t < titleCount; ++t) {
        const int category = static_cast<int>(random() % kCategories);
        QStringList words;
        for (int i = 0; i < 2; ++i) words.append(corpus.commonWords[random() % corpus.commonWords.size()]);
        for (int i = 0; i < 2; ++i) {
            words.append(corpus.categoryWords[category][random() % corpus.categoryWords[category].size()]);
        }
        corpus.titles.append({category, words.join(QLatin1Char(' '))});
    }
    return corpus;
}

platform::SemanticMap trainedMap(const Corpus& corpus) {
    platform::SemanticMap map;
    QList<quint32> categories;
    (void)map.addCategory();  // the untagged titles' category, empty here
    for (int c = 0; c < kCategories; ++c) categories.append(*map.addCategory());
    for (const auto& [category, title] : corpus.titles) (void)map.addText(categories[category], title);
    (void)map.compile();
    return map;
}

void BM_TrainTagPrediction(benchmark::State& state) {
    const Corpus corpus = makeCorpus(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        platform::SemanticMap map = trainedMap(corpus);
        benchmark::DoNotOptimize(map.isCompiled());
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TrainTagPrediction)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PredictTags(benchmark::State& state) {
    const Corpus corpus = makeCorpus(10000);
    const platform::SemanticMap map = trainedMap(corpus);
    const QString title = corpus.commonWords[3] + QLatin1Char(' ') + corpus.categoryWords[7][2] +
                          QLatin1Char(' ') + corpus.categoryWords[7][5] + QStringLiteral(" tomorrow");
    for (auto _ : state) {
        auto scores = map.evaluate(title, 3);
        benchmark::DoNotOptimize(scores);
    }
}
BENCHMARK(BM_PredictTags)->Unit(benchmark::kMicrosecond);

}  // namespace

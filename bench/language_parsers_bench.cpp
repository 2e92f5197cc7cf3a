// Reading typed dates against the floor of reading fixed-format dates.
#include "language/date_parser.h"
#include "platform/base/clock.h"

#include <QDate>
#include <QLocale>
#include <QStringList>

#include <benchmark/benchmark.h>

#include <ctime>

namespace {

constexpr int kPhraseCount = 10000;

// CPU time of this thread, so a phrase is not charged for the time the machine gave to others.
double threadMicroseconds() {
    timespec now{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return double(now.tv_sec) * 1e6 + double(now.tv_nsec) / 1e3;
}

const TDTestClock& fixedClock() {
    static const TDTestClock clock(QDateTime(QDate(2027, 3, 10), QTime(9, 30)));
    return clock;
}

QStringList mixedPhrases() {
    const char* forms[] = {
        "tomorrow",   "today",         "yesterday",  "tom",          "weekend",     "in %1 days", "%1d",
        "%1 weeks",   "1w %1d",        "three days", "a week ago",   "%1 days ago", "-%1 months", "jan %1",
        "%1 dec",     "March %1 2028", "%1 mar 27",  "friday",       "mon",         "12/%1",      "3/%1/28",
        "2027-01-%1", "%1/2030",       "soon",       "next tuesday", "2 wed",       "1.5 weeks",  "%1 years"};
    QStringList phrases;
    for (int i = 0; phrases.size() < kPhraseCount; ++i) {
        for (const char* form : forms) {
            QString phrase = QString::fromLatin1(form);
            if (phrase.contains(QLatin1String("%1"))) phrase = phrase.arg(i % 27 + 1);
            phrases << phrase;
        }
    }
    return phrases.mid(0, kPhraseCount);
}

QStringList isoDates() {
    QStringList dates;
    for (int i = 0; i < kPhraseCount; ++i) dates << QDate(2027, 1, 1).addDays(i % 700).toString(Qt::ISODate);
    return dates;
}

// The slowest phrase of one pass over all phrases, in CPU time of this thread.
double slowestPhrase(const TDDateParser& parser, const QStringList& phrases) {
    double slowest = 0;
    for (const QString& phrase : phrases) {
        const double start = threadMicroseconds();
        benchmark::DoNotOptimize(parser.parse(phrase));
        slowest = std::max(slowest, threadMicroseconds() - start);
    }
    return slowest;
}

void BM_ParseDatePhrases(benchmark::State& state) {
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    TDClock::setShared(&fixedClock());
    const TDDateParser& parser = TDDateParser::shared();
    const QStringList phrases = mixedPhrases();
    // The first pass also pays once for loading the locale's data, so it is reported apart.
    state.counters["first_pass_slowest_us"] = slowestPhrase(parser, phrases);
    state.counters["slowest_phrase_us"] = slowestPhrase(parser, phrases);
    int parsed = 0;
    for (auto _ : state) {
        for (const QString& phrase : phrases) {
            const std::optional<TDDateParser::Parsed> result = parser.parse(phrase);
            parsed += result ? 1 : 0;
            benchmark::DoNotOptimize(result);
        }
    }
    state.counters["read_share"] = double(parsed) / double(state.iterations() * phrases.size());
    state.SetItemsProcessed(state.iterations() * phrases.size());
    TDClock::setShared(nullptr);
}
BENCHMARK(BM_ParseDatePhrases)->Unit(benchmark::kMillisecond);

void BM_ParseIsoDates(benchmark::State& state) {
    const QStringList dates = isoDates();
    for (auto _ : state) {
        for (const QString& text : dates) benchmark::DoNotOptimize(QDate::fromString(text, Qt::ISODate));
    }
    state.SetItemsProcessed(state.iterations() * dates.size());
}
BENCHMARK(BM_ParseIsoDates)->Unit(benchmark::kMillisecond);

}  // namespace

// A keystroke in a long note while its spelling is checked: the edit, the marks of the paragraph typed
// in and any answers of the background check handled on the main thread, which is what typing waits on.
#include "bench/bench_support.h"
#include "platform/defaults/user_defaults.h"
#include "platform/spelling/spell_checker.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/notes_spelling_highlighter.h"
#include "taskviews/spelling_service.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTextCursor>

#include <benchmark/benchmark.h>

#include <random>

namespace {

// `words` words in paragraphs of a hundred: common words, one in twenty misspelt, and one in four made
// up, so that the background check has thousands of distinct words to judge while the keys come.
QString longNote(int words) {
    std::mt19937 random(7);
    static const QStringList vocabulary = {
        QStringLiteral("garden"),    QStringLiteral("water"),  QStringLiteral("the"),
        QStringLiteral("plants"),    QStringLiteral("before"), QStringLiteral("summer"),
        QStringLiteral("and"),       QStringLiteral("order"),  QStringLiteral("seeds"),
        QStringLiteral("tomorow"),   QStringLiteral("from"),   QStringLiteral("market"),
        QStringLiteral("neighbour"), QStringLiteral("fence"),  QStringLiteral("paint"),
        QStringLiteral("shed"),      QStringLiteral("tools"),  QStringLiteral("borrow"),
        QStringLiteral("ladder"),    QStringLiteral("roof")};
    QString text;
    for (int i = 0; i < words; ++i) {
        text += i % 4 == 3 ? benchSyllableWord(random) : vocabulary.at(i % vocabulary.size());
        text += (i % 100 == 99) ? QLatin1Char('\n') : QLatin1Char(' ');
    }
    return text;
}

void BM_SpellCheckKeystroke(benchmark::State& state) {
    const QString language = platform::SpellChecker::systemLanguage();
    TDSpellingService service(platform::SpellChecker::forLanguage(language) ? language
                                                                            : QStringLiteral("en_US"));
    if (!service.isAvailable()) return state.SkipWithError("no spelling dictionary installed");
    const QTemporaryDir folder;
    platform::UserDefaults defaults(folder.filePath(QStringLiteral("Ordello.conf")));
    defaults.setValue(QStringLiteral("checkSpellingContinuously"), true);
    platform::UserDefaults::setStandard(&defaults);
    TDNotesTextView editor;
    editor.setSpellingService(&service);
    editor.setPlainText(longNote(int(state.range(0))));
    QTextCursor caret(editor.document());
    caret.setPosition(editor.document()->characterCount() / 2);
    int typed = 0;
    // The keys come while the note's words are still being judged.
    state.counters["waiting_at_start"] = editor.spellingHighlighter()->isWaiting() ? 1 : 0;
    qint64 longestNs = 0;
    int slow = 0;
    QElapsedTimer clock;
    for (auto _ : state) {
        clock.start();
        // A new word every few keys: each one is unknown and goes to the background check.
        caret.insertText(typed % 6 == 5 ? QStringLiteral(" ") : QString(QChar(u'a' + typed % 26)));
        ++typed;
        QCoreApplication::processEvents();
        const qint64 took = clock.nsecsElapsed();
        longestNs = std::max(longestNs, took);
        if (took > 2'000'000) ++slow;
    }
    state.counters["keystrokes_over_2ms"] = slow;
    state.counters["longest_keystroke_ms"] = double(longestNs) / 1e6;
    state.counters["waiting_at_end"] = editor.spellingHighlighter()->isWaiting() ? 1 : 0;
    platform::UserDefaults::setStandard(nullptr);
}
BENCHMARK(BM_SpellCheckKeystroke)->Arg(20000)->Unit(benchmark::kMicrosecond);

}  // namespace

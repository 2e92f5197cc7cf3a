#include "taskviews/gui/notes_spelling_highlighter.h"

#include "taskviews/spelling_service.h"
#include "taskviews/spelling_words.h"

#include <QTextBlock>
#include <QTimer>

#include <QTextDocument>
#include <algorithm>

namespace {

// The misspelt words of one paragraph, in the paragraph's positions.
class MisspeltWords final : public QTextBlockUserData {
public:
    explicit MisspeltWords(QList<TDRange> words) : ranges(std::move(words)) {}
    QList<TDRange> ranges;
};

QList<TDRange> misspeltWordsOf(const QTextBlock& block) {
    const auto* words = dynamic_cast<const MisspeltWords*>(block.userData());
    return words ? words->ranges : QList<TDRange>();
}

// Links are addresses and names, not words of the language.
QList<TDRange> linkRangesOf(const QTextBlock& block) {
    QList<TDRange> links;
    for (auto it = block.begin(); !it.atEnd(); ++it) {
        const QTextFragment fragment = it.fragment();
        if (fragment.isValid() && fragment.charFormat().isAnchor())
            links.append(TDRange{fragment.position() - block.position(), fragment.length()});
    }
    return links;
}

QTextCharFormat misspeltFormat() {
    QTextCharFormat format;
    format.setUnderlineStyle(QTextCharFormat::SpellCheckUnderline);
    format.setUnderlineColor(QColor(0xd0, 0x1f, 0x1f));
    return format;
}

}  // namespace

TDNotesSpellingHighlighter::TDNotesSpellingHighlighter(QTextDocument* document, TDSpellingService* service)
    : QSyntaxHighlighter(document), m_service(service), m_readyTimer(new QTimer(this)) {
    m_readyTimer->setInterval(0);
    connect(m_readyTimer, &QTimer::timeout, this, &TDNotesSpellingHighlighter::p_rehighlightReady);
    connect(m_service, &TDSpellingService::verdictsArrived, this, &TDNotesSpellingHighlighter::p_noteAnswers);
    connect(m_service, &TDSpellingService::wordsAccepted, this, [this] {
        if (m_enabled) rehighlight();
    });
}

void TDNotesSpellingHighlighter::setEnabled(bool enabled) {
    if (m_enabled == enabled) return;
    m_enabled = enabled;
    m_waiting.clear();
    m_ready.clear();
    rehighlight();
}

void TDNotesSpellingHighlighter::highlightBlock(const QString& text) {
    const QTextBlock block = currentBlock();
    m_waiting.remove(block.blockNumber());
    if (!m_enabled || text.isEmpty()) {
        setCurrentBlockUserData(nullptr);
        return;
    }
    QList<TDRange> misspelt;
    QStringList unknown;
    for (const TDRange& range : TDSpellCheckedWords(text, linkRangesOf(block))) {
        const QString word = text.mid(range.location, range.length);
        const std::optional<bool> correct = m_service->isCorrect(word);
        if (!correct)
            unknown << word;
        else if (!*correct)
            misspelt << range;
    }
    static const QTextCharFormat format = misspeltFormat();
    for (const TDRange& range : misspelt) setFormat(int(range.location), int(range.length), format);
    setCurrentBlockUserData(misspelt.isEmpty() ? nullptr : new MisspeltWords(misspelt));
    if (!unknown.isEmpty()) {
        m_waiting.insert(block.blockNumber(), unknown);
        m_service->check(unknown);
    }
}

void TDNotesSpellingHighlighter::p_noteAnswers() {
    for (auto it = m_waiting.begin(); it != m_waiting.end();) {
        const QStringList& words = it.value();
        if (std::all_of(words.begin(), words.end(),
                        [this](const QString& word) { return m_service->isCorrect(word).has_value(); })) {
            m_ready.append(it.key());
            it = m_waiting.erase(it);
        } else {
            ++it;
        }
    }
    if (!m_ready.isEmpty()) m_readyTimer->start();
}

// A few paragraphs per turn of the event loop, so that a long note's answers never hold up a keystroke.
void TDNotesSpellingHighlighter::p_rehighlightReady() {
    constexpr int kParagraphsPerTurn = 8;
    for (int i = 0; i < kParagraphsPerTurn && !m_ready.isEmpty(); ++i) {
        const QTextBlock block = document()->findBlockByNumber(m_ready.takeFirst());
        if (block.isValid()) rehighlightBlock(block);
    }
    if (m_ready.isEmpty()) m_readyTimer->stop();
}

std::optional<TDRange> TDNotesSpellingHighlighter::misspeltWordAt(int position) const {
    const QTextBlock block = document()->findBlock(position);
    const qsizetype inBlock = position - block.position();
    for (const TDRange& range : misspeltWordsOf(block))
        if (range.location <= inBlock && inBlock <= range.end())
            return TDRange{block.position() + range.location, range.length};
    return std::nullopt;
}

QList<TDRange> TDNotesSpellingHighlighter::misspeltRanges() const {
    QList<TDRange> ranges;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        for (const TDRange& range : misspeltWordsOf(block))
            ranges.append(TDRange{block.position() + range.location, range.length});
    return ranges;
}

#pragma once

#include "foundation/range.h"

#include <QHash>
#include <QList>
#include <QStringList>
#include <QSyntaxHighlighter>

#include <optional>

class QTimer;
class TDSpellingService;

// Marks the misspelt words of notes with a wavy red line as they are typed. The marks are drawn over
// the text, never stored in it. Words of unknown verdict are asked of the service's background check
// and their paragraph is marked again when the answers come, so typing never waits for them.
class TDNotesSpellingHighlighter final : public QSyntaxHighlighter {
    Q_OBJECT

public:
    // The service is not owned.
    TDNotesSpellingHighlighter(QTextDocument* document, TDSpellingService* service);

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool enabled);
    TDSpellingService* service() const { return m_service; }
    // The misspelt word at the document position, as a document range.
    std::optional<TDRange> misspeltWordAt(int position) const;
    // Every misspelt word marked now, as document ranges in order.
    QList<TDRange> misspeltRanges() const;
    // Whether some paragraph waits for verdicts.
    bool isWaiting() const { return !m_waiting.isEmpty() || !m_ready.isEmpty(); }

protected:
    void highlightBlock(const QString& text) override;

private:
    void p_noteAnswers();
    void p_rehighlightReady();

    TDSpellingService* m_service;
    bool m_enabled = false;
    // Paragraphs (by number) with the words they wait for, and those whose words were all judged.
    QHash<int, QStringList> m_waiting;
    QList<int> m_ready;
    QTimer* m_readyTimer;
};

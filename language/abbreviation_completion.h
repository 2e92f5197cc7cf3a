#pragma once

#include <QList>
#include <QString>

// How a part of a completion field's text is drawn: the letters the user typed stand out, the rest of
// the name is quieter.
enum class TDCompletionStyle { Typed, Completion };

struct TDStyledRun {
    QString text;
    TDCompletionStyle style = TDCompletionStyle::Typed;
    bool operator==(const TDStyledRun&) const = default;
};

// The text of an abbreviation completion field for the typed letters and the best candidate name:
// the whole name, with the letters that the ranker matched for the typed letters (its mask) in the
// typed style and the others in the completion style ("wor" shows "Work Orders" with "Wor" typed).
// A name that cannot place every typed letter (a remembered choice whose name does not fit the
// letters) follows the typed letters after a dash, so no typed letter is ever hidden; without a
// name the text is the typed letters alone. The cursor stands only beside typed letters.
class TDAbbreviationCompletion final {
public:
    static const QString kNameSeparator;

    TDAbbreviationCompletion(const QString& typed, const QString& name);

    const QString& text() const { return m_text; }
    // Adjacent letters of one style form one run; the runs together spell the text.
    QList<TDStyledRun> styledRuns() const;
    // The positions of the text that show typed letters, ascending, one per typed letter.
    const QList<qsizetype>& typedPositions() const { return m_typedPositions; }

    // Where the cursor stands after the given number of typed letters: just after the last of them,
    // or for none just before the first typed letter.
    qsizetype textPosition(qsizetype typedPosition) const;
    // How many typed letters stand before a position of the text.
    qsizetype typedPosition(qsizetype textPosition) const;

private:
    QString m_text;
    QList<qsizetype> m_typedPositions;
};

#include "language/gui/abbreviation_complete_field.h"

#include <QFontDatabase>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRawFont>
#include <QTextCharFormat>

#include <algorithm>

TDAbbreviationCompleteField::TDAbbreviationCompleteField(QWidget* parent) : QLineEdit(parent) {
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_updating) p_adoptText();
    });
    // A click into the name puts the cursor after the typed letters before it.
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (!m_updating && !m_composing && !hasSelectedText()) p_show(m_completion.typedPosition(position));
    });
}

void TDAbbreviationCompleteField::updateMatchString(const QString& name) {
    const qsizetype cursor = typedCursorPosition();
    m_match = name;
    p_show(cursor);
}

qsizetype TDAbbreviationCompleteField::typedCursorPosition() const {
    return m_completion.typedPosition(cursorPosition());
}

void TDAbbreviationCompleteField::setTypedCursorPosition(qsizetype position) {
    if (position < 0 || position > m_typed.size()) return;
    p_show(position);
}

void TDAbbreviationCompleteField::insertTypedText(const QString& text) {
    const auto [start, end] = p_typedSelection();
    m_typed.replace(start, end - start, text);
    p_complete(start + text.size());
}

void TDAbbreviationCompleteField::keyPressEvent(QKeyEvent* event) {
    const qsizetype cursor = typedCursorPosition();
    const auto [start, end] = p_typedSelection();
    const bool collapsed = start == end;
    if (event->key() == Qt::Key_Backspace &&
        !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier))) {
        p_deleteBackward();
    } else if (event->matches(QKeySequence::Delete)) {
        p_deleteForward();
    } else if (event->matches(QKeySequence::MoveToPreviousChar)) {
        p_show(collapsed ? std::max<qsizetype>(cursor - 1, 0) : start);
    } else if (event->matches(QKeySequence::MoveToNextChar)) {
        p_show(collapsed ? std::min(cursor + 1, m_typed.size()) : end);
    } else if (event->matches(QKeySequence::MoveToStartOfLine) ||
               event->matches(QKeySequence::MoveToStartOfBlock) ||
               event->matches(QKeySequence::MoveToStartOfDocument)) {
        p_show(0);
    } else if (event->matches(QKeySequence::MoveToEndOfLine) ||
               event->matches(QKeySequence::MoveToEndOfBlock) ||
               event->matches(QKeySequence::MoveToEndOfDocument)) {
        p_show(m_typed.size());
    } else if (!event->text().isEmpty() && event->text().front().isPrint() &&
               !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier))) {
        insertTypedText(event->text());
    } else {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
}

void TDAbbreviationCompleteField::inputMethodEvent(QInputMethodEvent* event) {
    // The composition is shown after the typed letters alone; the committed text joins them.
    const auto [start, end] = p_typedSelection();
    const QString typed = m_typed;
    m_updating = true;
    setText(typed);
    if (start != end) {
        setSelection(int(start), int(end - start));
    } else {
        setCursorPosition(int(start));
    }
    QLineEdit::inputMethodEvent(event);
    m_typed = text();
    m_composing = !event->preeditString().isEmpty();
    m_updating = false;
    if (m_composing) {
        m_match.clear();
        m_completion = TDAbbreviationCompletion(m_typed, m_match);
    } else {
        p_complete(cursorPosition());
    }
}

std::pair<qsizetype, qsizetype> TDAbbreviationCompleteField::p_typedSelection() const {
    if (!hasSelectedText()) return {typedCursorPosition(), typedCursorPosition()};
    const qsizetype start = selectionStart();
    return {m_completion.typedPosition(start), m_completion.typedPosition(start + selectedText().size())};
}

void TDAbbreviationCompleteField::p_deleteBackward() {
    const auto [start, end] = p_typedSelection();
    if (start != end) {
        m_typed.remove(start, end - start);
        p_complete(start);
    } else if (start > 0) {
        m_typed.remove(start - 1, 1);
        p_complete(start - 1);
    }
}

void TDAbbreviationCompleteField::p_deleteForward() {
    const auto [start, end] = p_typedSelection();
    if (start != end) {
        m_typed.remove(start, end - start);
        p_complete(start);
    } else if (start < m_typed.size()) {
        m_typed.remove(start, 1);
        p_complete(start);
    }
}

void TDAbbreviationCompleteField::p_complete(qsizetype typedCursor) {
    m_match.clear();
    if (m_delegate && p_fontShowsTyped()) {
        const QStringList candidates = m_delegate->completionsForString(this, m_typed.toLower());
        if (!candidates.isEmpty()) m_match = candidates.first();
    }
    p_show(typedCursor);
}

void TDAbbreviationCompleteField::p_show(qsizetype typedCursor) {
    m_completion = TDAbbreviationCompletion(m_typed, m_match);
    m_updating = true;
    setText(m_completion.text());
    setCursorPosition(int(m_completion.textPosition(typedCursor)));
    p_applyStyles();
    m_updating = false;
}

void TDAbbreviationCompleteField::p_applyStyles() {
    // A line edit draws per-range formats only as an input method's attributes, placed relative to the
    // cursor; an event without text changes nothing else.
    QTextCharFormat typed;
    typed.setFontWeight(QFont::Bold);
    typed.setForeground(palette().text());
    QTextCharFormat completion;
    completion.setForeground(QColor::fromRgbF(0.4f, 0.4f, 0.4f));
    const qreal smallSize = QFontDatabase::systemFont(QFontDatabase::SmallestReadableFont).pointSizeF();
    if (smallSize > 0 && smallSize < font().pointSizeF()) completion.setFontPointSize(smallSize);

    QList<QInputMethodEvent::Attribute> attributes;
    qsizetype start = 0;
    for (const TDStyledRun& run : m_completion.styledRuns()) {
        attributes.append({QInputMethodEvent::TextFormat, int(start - cursorPosition()), int(run.text.size()),
                           run.style == TDCompletionStyle::Typed ? typed : completion});
        start += run.text.size();
    }
    QInputMethodEvent styling(QString(), attributes);
    QLineEdit::inputMethodEvent(&styling);
}

bool TDAbbreviationCompleteField::p_fontShowsTyped() const {
    // Letters the field's own font lacks come from an input method for another script; completing
    // them against names would only get in the way.
    const QRawFont rawFont = QRawFont::fromFont(font());
    if (!rawFont.isValid()) return true;
    for (const char32_t code : m_typed.toUcs4()) {
        if (QChar::isPrint(code) && !QChar::isSpace(code) && !rawFont.supportsCharacter(code)) return false;
    }
    return true;
}

void TDAbbreviationCompleteField::p_adoptText() {
    // An edit made around the field's own handling (paste from the menu, a drop, text the host sets)
    // changes the typed letters it covered and adds the letters it put in.
    const QString& before = m_completion.text();
    const QString after = text();
    qsizetype prefix = 0;
    while (prefix < before.size() && prefix < after.size() && before[prefix] == after[prefix]) ++prefix;
    qsizetype suffix = 0;
    while (suffix < before.size() - prefix && suffix < after.size() - prefix &&
           before[before.size() - 1 - suffix] == after[after.size() - 1 - suffix])
        ++suffix;
    const qsizetype from = m_completion.typedPosition(prefix);
    const qsizetype to = m_completion.typedPosition(before.size() - suffix);
    const QString inserted = after.mid(prefix, after.size() - suffix - prefix);
    m_typed.replace(from, to - from, inserted);
    m_composing = false;
    p_complete(from + inserted.size());
}

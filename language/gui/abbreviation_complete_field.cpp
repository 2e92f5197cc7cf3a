#include "language/gui/abbreviation_complete_field.h"

#include "language/string_purification.h"

#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QRawFont>

#include <algorithm>

namespace {

const QString kNameSeparator = QStringLiteral(" \u2014 ");

}  // namespace

TDAbbreviationCompleteField::TDAbbreviationCompleteField(QWidget* parent) : QLineEdit(parent) {
    // Edits that do not pass through the field's own handling (context menu, drops, programmatic
    // text) make the whole text the typed letters.
    connect(this, &QLineEdit::textChanged, this, [this] {
        if (!m_updating) p_adoptText();
    });
    // A click into the completion puts the cursor after the typed letters.
    connect(this, &QLineEdit::cursorPositionChanged, this, [this](int, int position) {
        if (!m_updating && !m_composing && !hasSelectedText() && position > m_typed.size())
            p_show(m_typed.size());
    });
}

void TDAbbreviationCompleteField::updateMatchString(const QString& name) {
    const qsizetype cursor = typedCursorPosition();
    m_match = name;
    p_show(cursor);
}

qsizetype TDAbbreviationCompleteField::typedCursorPosition() const {
    return std::min<qsizetype>(cursorPosition(), m_typed.size());
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
    } else {
        p_complete(cursorPosition());
    }
}

std::pair<qsizetype, qsizetype> TDAbbreviationCompleteField::p_typedSelection() const {
    const qsizetype length = m_typed.size();
    if (!hasSelectedText()) return {typedCursorPosition(), typedCursorPosition()};
    const qsizetype start = selectionStart();
    return {std::min(start, length), std::min(start + selectedText().size(), length)};
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
    const QString completion = p_completionText();
    m_updating = true;
    setText(m_typed + completion);
    if (!completion.isEmpty() && typedCursor == m_typed.size()) {
        // Selected from its end back to the typed letters, so the cursor stands after them.
        setSelection(int(m_typed.size() + completion.size()), -int(completion.size()));
    } else {
        setCursorPosition(int(typedCursor));
    }
    m_updating = false;
}

QString TDAbbreviationCompleteField::p_completionText() const {
    if (m_match.isEmpty()) return {};
    const QString typed = purifiedString(m_typed);
    if (typed.isEmpty()) return m_match;
    const PurifiedString name = PurifiedString::from(m_match);
    if (name.text.startsWith(typed, Qt::CaseInsensitive))
        return m_match.mid(name.origins[typed.size() - 1].second);
    return kNameSeparator + m_match;
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
    m_typed = text();
    m_composing = false;
    p_complete(cursorPosition());
}

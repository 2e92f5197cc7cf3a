#include "auxiliary/gui/shortcut_recorder.h"

#include <QKeyEvent>

TDShortcutRecorder::TDShortcutRecorder(QWidget* parent) : QKeySequenceEdit(parent) {
    setClearButtonEnabled(true);
    // Outside recording, an empty sequence can only come from the clear button.
    connect(this, &QKeySequenceEdit::keySequenceChanged, this, [this](const QKeySequence& sequence) {
        if (!m_quiet && sequence.isEmpty()) Q_EMIT cleared();
    });
}

void TDShortcutRecorder::showShortcut(const QKeySequence& sequence) {
    m_quiet = true;
    setKeySequence(sequence);
    m_quiet = false;
}

bool TDShortcutRecorder::event(QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool onlyShift = (key->modifiers() & ~Qt::ShiftModifier) == Qt::NoModifier;
        if ((key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab) && onlyShift) {
            focusNextPrevChild(key->key() == Qt::Key_Tab && key->modifiers() == Qt::NoModifier);
            return true;
        }
    }
    return QKeySequenceEdit::event(event);
}

void TDShortcutRecorder::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->ignore();
        return;
    }
    m_quiet = true;
    QKeySequenceEdit::keyPressEvent(event);
    const QKeySequence recorded = keySequence();
    if (!recorded.isEmpty()) {
        const QKeyCombination chord = recorded[0];
        // Setting the sequence stops the recording, so the next key starts a new one.
        setKeySequence(QKeySequence(chord));
        m_quiet = false;
        Q_EMIT chordRecorded(chord);
    }
    m_quiet = false;
}

void TDShortcutRecorder::focusInEvent(QFocusEvent* event) {
    QKeySequenceEdit::focusInEvent(event);
    Q_EMIT recordingChanged(true);
}

void TDShortcutRecorder::focusOutEvent(QFocusEvent* event) {
    m_quiet = true;
    QKeySequenceEdit::focusOutEvent(event);
    m_quiet = false;
    Q_EMIT recordingChanged(false);
}

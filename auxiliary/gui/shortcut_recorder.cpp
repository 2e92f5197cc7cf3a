#include "auxiliary/gui/shortcut_recorder.h"

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

void TDShortcutRecorder::keyPressEvent(QKeyEvent* event) {
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

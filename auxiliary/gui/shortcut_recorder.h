#pragma once

#include <QKeyCombination>
#include <QKeySequenceEdit>

// A recorder of one global shortcut: the first chord typed ends the recording (the next key starts a
// new one), and only what a person does is reported: a chord, or the clear button. Tab, Shift+Tab and
// Escape alone keep their usual meaning (they could never be a global shortcut), so the keyboard can
// leave the recorder and close the window.
class TDShortcutRecorder final : public QKeySequenceEdit {
    Q_OBJECT
public:
    explicit TDShortcutRecorder(QWidget* parent = nullptr);

    // Shows the shortcut without reporting it; none for an empty sequence.
    void showShortcut(const QKeySequence& sequence);

Q_SIGNALS:
    void chordRecorded(QKeyCombination chord);
    void cleared();
    // True while the recorder has the focus, so the hot keys can let their keys go.
    void recordingChanged(bool recording);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    // Set while the editor changes its sequence by itself (recording, showing, finishing).
    bool m_quiet = false;
};

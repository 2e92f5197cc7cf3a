#pragma once

#include "language/token.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTextEdit>
#include <QTextLayout>

#include <optional>

class QCompleter;
class QStringListModel;
class QTimer;
class TDTasksViewTextView;

// The commands a field editor of the outline offers its delegate before performing them itself.
enum class TDEditorCommand {
    InsertTab,
    InsertBacktab,
    MoveLeft,
    MoveRight,
    MoveUp,
    MoveDown,
    DeleteBackward,
    CancelOperation,
    InsertNewline,
    AddTaskBelow,  // Ctrl+Return
    AddChildTask,  // Shift+Return
};

// Whether the caret of a text editor stands on the text's first or last line as laid out: Up and Down
// there leave the text for the row or note beside it.
bool TDIsCaretOnFirstLine(const QTextEdit& editor);
bool TDIsCaretOnLastLine(const QTextEdit& editor);

// The view a field editor edits in: it takes commands, restyles the text, offers completions and
// predictions, and hears when the editor loses the keyboard.
class TDFieldEditorDelegate {
public:
    virtual ~TDFieldEditorDelegate() = default;
    // True when the delegate took the command; the editor then does nothing more.
    virtual bool doCommand(TDTasksViewTextView* editor, TDEditorCommand command) = 0;
    virtual void restyle(TDTasksViewTextView* editor) = 0;
    virtual void editorTextDidChange(TDTasksViewTextView* editor) = 0;
    virtual void editorDidResignFirstResponder(TDTasksViewTextView* editor) = 0;
    // The tag titles completing the partial token (marker included) at the caret.
    virtual QStringList completions(TDTasksViewTextView* editor, const QString& partialWord) = 0;
    virtual QList<TDToken> predictedTokens(const QString& title) = 0;
};

// The field editor of the outline's columns: plain text, no frame, no scroll bars, line wrapping, and
// the keys of the outline's editing flows handed to its delegate first.
class TDTasksViewTextView : public QTextEdit {
    Q_OBJECT

public:
    explicit TDTasksViewTextView(QWidget* parent = nullptr);

    TDFieldEditorDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDFieldEditorDelegate* delegate) { m_delegate = delegate; }

    // The text the user typed, without a suggestion that is not accepted.
    virtual QString editedText() const { return toPlainText(); }
    void setEditedText(const QString& text);
    // The height the text needs at the editor's width.
    int minHeightForContent() const;
    // Empty selection at the start, or at the end, of the text.
    bool isCaretAtStart() const;
    bool isCaretAtEnd() const;
    // The caret's x in the editor's coordinates.
    int caretX() const;
    // Places the caret on the current line as near to `x` as the text allows.
    void placeCaretAtX(int x, bool firstLine);

    // Gives the text these formats (runs over the edited text) where they differ from the document's,
    // as part of the last typing step, so undo takes text and look back together.
    void applyFormats(const QList<QTextLayout::FormatRange>& runs);

    static std::optional<TDEditorCommand> commandForKey(const QKeyEvent* event);

protected:
    bool event(QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    bool p_offerCommand(TDEditorCommand command);

private:
    TDFieldEditorDelegate* m_delegate = nullptr;
    bool m_settingText = false;
};

// The title editor: tag tokens as units that the delegate styles (a character property marks them),
// tag completion after a marker, a suggested suffix of predicted tags after a pause in typing that
// Tab, Right or a right click accept, tokens that Backspace and Delete remove whole, and its own
// typing undo, which the library never sees.
class TDTaskTitleTextView final : public TDTasksViewTextView {
    Q_OBJECT

public:
    explicit TDTaskTitleTextView(QWidget* parent = nullptr);
    ~TDTaskTitleTextView() override;

    QString editedText() const override;
    // The selected part of the typed title (no suggestion); empty without a selection.
    QString selectedTitleText() const;
    // The caret is in an unfinished tag: right after a lone marker, or in or just after a token that
    // is not closed by "/".
    bool isEditingTag() const;
    bool hasPredictedTokens() const;
    bool isSelectionAtPredictedToken() const;
    // Milliseconds of quiet after a keystroke before tags are predicted.
    void setPredictionDelay(int milliseconds);
    bool isPredictionPending() const;
    // Runs a pending prediction now.
    void firePredictionTimer();
    bool acceptPredictedTokens();
    void deletePredictedTokens();
    QCompleter* completer() const { return m_completer; }
    void complete();
    // Types the text after the end of the title, as the keyboard would: a marker at the end opens the
    // completion list.
    void insertTextAtEnd(const QString& text);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;

private:
    void p_predictionTimerFired();
    // Up and Down move in the open completion list; Return, Enter and Tab take its choice; Esc closes it.
    bool p_completionListTakesKey(const QKeyEvent* event);
    void p_insertCompletion(const QString& completion);
    void p_afterTyping(bool typedAtEnd);
    // Typing after a second of quiet becomes an undo step of its own.
    void p_breakUndoCoalescingAfterQuiet();
    void p_restyle();
    // The run carrying the predicted-token property that starts at `position`; (-1, 0) when none.
    std::pair<int, int> p_rangeOfPredictedTokensAtIndex(int position) const;
    std::pair<int, int> p_predictedRange() const;
    int p_partialWordStart() const;
    // Backspace after a token, or Delete before one, takes the whole token, unless the caret stands
    // where the user has just been typing or deleting letter by letter. True when it did.
    bool p_deleteTokenAtCaret(bool backwards);

    QTimer* m_predictionTimer = nullptr;
    QCompleter* m_completer = nullptr;
    QStringListModel* m_completions = nullptr;
    qint64 m_predictionTime = 0;
    bool m_dontStripPredictedTokens = false;
    // Where the caret stood after the last typed or singly deleted character; -1 after anything else.
    int m_letterEditPosition = -1;
    qint64 m_lastTextInsertionTime = 0;
};

#pragma once

#include "foundation/alias.h"
#include "taskviews/gui/title_editor.h"

#include <QTextEdit>

class QMenu;

#include <functional>
#include <memory>
#include <optional>

class TDAlertPrompter;
class TDFileAttachmentActions;
class TDFileAttachmentObject;
class TDNotesSpellingHighlighter;
class TDSpellingService;
namespace platform {
class Workspace;
}

// The editor of a task's notes: rich text with links and attached files. Files pasted or dropped in
// become attachments that refer to the file (its alias record), never copies; plain text pasted in gets
// its links; links open with a click. Notes copied from one editor paste into another with their
// attachments. The editor keeps its own typing undo (the document's), forgotten when it loses the
// focus; the library's undo is never touched here. Misspelt words are marked while
// "checkSpellingContinuously" is on, and their menu offers the dictionary's suggestions.
class TDNotesTextView final : public QTextEdit {
    Q_OBJECT

public:
    // The clipboard form of notes between editors: HTML in which attachments are their file links.
    static const QString NotesMimeType;

    explicit TDNotesTextView(QWidget* parent = nullptr);
    ~TDNotesTextView() override;

    // Not owned; without them the shared workspace and a message box are used.
    void setWorkspace(platform::Workspace* workspace) { m_workspace = workspace; }
    void setAlertPrompter(TDAlertPrompter* prompter) { m_prompter = prompter; }
    // The keys that leave the note, offered first to the view the editor stands in: MoveUp on the first
    // line, MoveDown on the last, DeleteBackward at the very start. The handler answers true when it took
    // the key (editing moved on); otherwise the editor handles it as text.
    using LeavingHandler = std::function<bool(TDEditorCommand)>;
    void setLeavingHandler(LeavingHandler handler) { m_leavingHandler = std::move(handler); }

    // Shows a copy of the text (nullptr: empty); its typing undo starts afresh.
    void setAttributedString(const QTextDocument* text);
    // A copy of the text edited.
    std::unique_ptr<QTextDocument> attributedString() const;

    // Inserts the files as attachments, side by side, at the caret.
    void insertFiles(const QStringList& paths);
    // The current paths of the attached files in the selection, in order; files not found are left out.
    QStringList pathsFromAttachmentsInSelection() const;
    // The attachment under the point (viewport coordinates), and what its menu does.
    std::optional<BDAlias> attachmentAt(const QPoint& point) const;
    std::unique_ptr<TDFileAttachmentActions> attachmentActions(const BDAlias& alias) const;
    // Shows the file of the one attachment selected in the preview window; false when the selection is
    // not exactly one attachment.
    bool previewSelectedAttachment();

    // Spelling: the user defaults "checkSpellingContinuously" and "checkGrammar" (no grammar checker
    // exists here; the choice is kept). Every editor follows the setting at once.
    bool isContinuousSpellCheckingEnabled() const;
    void toggleContinuousSpellChecking();
    static bool isGrammarCheckingEnabled();
    static void toggleGrammarChecking();
    // Not owned; the shared service of the system's language unless set. The highlighter exists while
    // spelling is or was on.
    void setSpellingService(TDSpellingService* service);
    TDNotesSpellingHighlighter* spellingHighlighter() const { return m_spelling; }
    // The menu of a misspelt word at the document position: suggestions, Ignore and Learn Spelling;
    // nullptr when no misspelt word is there.
    QMenu* spellingMenuAt(int position, QWidget* parent);

Q_SIGNALS:
    // The editor lost the focus; `byMouse` when a click elsewhere took it.
    void editingFinished(bool byMouse);

protected:
    bool canInsertFromMimeData(const QMimeData* source) const override;
    void insertFromMimeData(const QMimeData* source) override;
    QMimeData* createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void p_insertText(const QTextDocument& text);
    // Links are drawn blue and underlined over the text, not stored in it: the notes keep their formats.
    void p_showLinks();
    platform::Workspace* p_workspace() const;
    void p_followSpellingSetting();

    TDFileAttachmentObject* m_attachments;
    TDSpellingService* m_spellingService = nullptr;
    TDNotesSpellingHighlighter* m_spelling = nullptr;
    platform::Workspace* m_workspace = nullptr;
    TDAlertPrompter* m_prompter = nullptr;
    // The drag over the editor links to tasks: refused until it leaves.
    bool m_dragCarriesTaskLinks = false;
    std::unique_ptr<TDAlertPrompter> m_messageBoxPrompter;
    LeavingHandler m_leavingHandler;
    QString m_pressedLink;
};

#include "taskviews/gui/notes_editor.h"

#include "foundation/alert.h"
#include "foundation/attributed_string_additions.h"
#include "foundation/constants.h"
#include "foundation/file_attachment.h"
#include "model/task_notes.h"
#include "platform/base/log.h"
#include "platform/defaults/user_defaults.h"
#include "platform/files/workspace.h"
#include "taskviews/file_attachment_actions.h"
#include "taskviews/gui/file_attachment_object.h"
#include "taskviews/gui/notes_spelling_highlighter.h"
#include "taskviews/pasteboard_types.h"
#include "taskviews/spelling_service.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QContextMenuEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextDocumentFragment>

const QString TDNotesTextView::NotesMimeType = QStringLiteral("application/x-ordello-notes");

namespace {

class MessageBoxPrompter final : public TDAlertPrompter {
public:
    explicit MessageBoxPrompter(QWidget* parent) : m_parent(parent) {}
    int runModal(const TDAlert& alert) override {
        QMessageBox box(QMessageBox::Warning, alert.messageText, alert.messageText, QMessageBox::Ok,
                        m_parent ? m_parent->window() : nullptr);
        box.setInformativeText(alert.informativeText);
        box.exec();
        return 0;
    }

private:
    QWidget* m_parent;
};

// Links to the program's own tasks would be dead in notes: such drags are refused.
bool carriesTaskLinks(const QMimeData* source) {
    if (source->hasFormat(TDPasteboardTypes::TaskMOIDs) || source->hasFormat(TDPasteboardTypes::TaskPlist))
        return true;
    const QList<QUrl> urls = source->urls();
    return std::any_of(urls.cbegin(), urls.cend(),
                       [](const QUrl& url) { return url.scheme() == QLatin1String("ordello"); });
}

bool isTaskLink(const QString& href) {
    return QUrl(href).scheme() == QLatin1String("ordello");
}

// Rich text dragged in (from a mail, a web page, a copy of tasks) may link to tasks too.
bool richTextCarriesTaskLinks(const QMimeData* source) {
    if (source->hasHtml()) {
        QTextDocument html;
        html.setHtml(source->html());
        for (QTextBlock block = html.begin(); block.isValid(); block = block.next())
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextCharFormat format = it.fragment().charFormat();
                if (format.isAnchor() && isTaskLink(format.anchorHref())) return true;
            }
    }
    static const QRegularExpression rtfTaskLink(QStringLiteral(R"(HYPERLINK\s+"?\s*ordello:)"),
                                                QRegularExpression::CaseInsensitiveOption);
    for (const QString& type : {QStringLiteral("text/rtf"), QStringLiteral("application/rtf")}) {
        const QByteArray rtf = source->data(type);
        if (!rtf.isEmpty() && rtfTaskLink.match(QString::fromLatin1(rtf)).hasMatch()) return true;
    }
    return false;
}

QStringList localFiles(const QMimeData* source) {
    if (!source->hasUrls()) return {};
    QStringList paths;
    for (const QUrl& url : source->urls()) {
        if (!url.isLocalFile()) return {};
        paths << url.toLocalFile();
    }
    return paths;
}

// The characters of the range that are file attachments, in order.
QList<QTextCharFormat> attachmentsInRange(const QTextDocument& text, int start, int end) {
    QList<QTextCharFormat> attachments;
    for (QTextBlock block = text.findBlock(start); block.isValid() && block.position() < end;
         block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.position() + fragment.length() <= start) continue;
            if (fragment.position() >= end) break;
            if (fragment.charFormat().objectType() == QTextFormat::NoObject) continue;
            const int count =
                std::min(end, fragment.position() + fragment.length()) - std::max(start, fragment.position());
            for (int i = 0; i < count; ++i) {
                if (isFileAttachment(fragment.charFormat()))
                    attachments << fragment.charFormat();
                else
                    logWithLevel(TDLogWarning, "WARNING",
                                 "Found a text attachment with a cell that is is not our own custom class");
            }
        }
    }
    return attachments;
}

const QString kCheckSpellingKey = QStringLiteral("checkSpellingContinuously");
const QString kCheckGrammarKey = QStringLiteral("checkGrammar");
constexpr qsizetype kMostSuggestionsShown = 8;

}  // namespace

TDNotesTextView::TDNotesTextView(QWidget* parent)
    : QTextEdit(parent), m_attachments(new TDFileAttachmentObject(this)) {
    document()->documentLayout()->registerHandler(TDFileAttachmentObjectType, m_attachments);
    setFrameShape(QFrame::NoFrame);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(false);
    viewport()->setMouseTracking(true);
    if (const std::optional<QFont>& font = TDConstants::shared().TDTaskNoteFont) setFont(*font);
    QPalette colors = palette();
    colors.setColor(QPalette::Text, QColor::fromRgbF(0.3f, 0.3f, 0.3f));
    setPalette(colors);
    connect(this, &QTextEdit::textChanged, this, &TDNotesTextView::p_showLinks);
    connect(&platform::UserDefaults::standard(), &platform::UserDefaults::valueChanged, this,
            [this](const QString& key) {
                if (key == kCheckSpellingKey) p_followSpellingSetting();
            });
    p_followSpellingSetting();
}

void TDNotesTextView::setSpellingService(TDSpellingService* service) {
    m_spellingService = service;
    delete std::exchange(m_spelling, nullptr);
    p_followSpellingSetting();
}

// The dictionary and its thread are made only once someone wants the marks.
void TDNotesTextView::p_followSpellingSetting() {
    const bool enabled = platform::UserDefaults::standard().boolean(kCheckSpellingKey);
    if (!m_spelling && enabled)
        m_spelling = new TDNotesSpellingHighlighter(
            document(), m_spellingService ? m_spellingService : TDSpellingService::shared());
    if (m_spelling) m_spelling->setEnabled(enabled);
}

bool TDNotesTextView::isContinuousSpellCheckingEnabled() const {
    return m_spelling && m_spelling->isEnabled();
}

void TDNotesTextView::toggleContinuousSpellChecking() {
    platform::UserDefaults::standard().setValue(kCheckSpellingKey, !isContinuousSpellCheckingEnabled());
}

bool TDNotesTextView::isGrammarCheckingEnabled() {
    return platform::UserDefaults::standard().boolean(kCheckGrammarKey);
}

void TDNotesTextView::toggleGrammarChecking() {
    platform::UserDefaults::standard().setValue(kCheckGrammarKey, !isGrammarCheckingEnabled());
}

QMenu* TDNotesTextView::spellingMenuAt(int position, QWidget* parent) {
    const std::optional<TDRange> misspelt = m_spelling ? m_spelling->misspeltWordAt(position) : std::nullopt;
    if (!misspelt) return nullptr;
    QTextCursor word(document());
    word.setPosition(int(misspelt->location));
    word.setPosition(int(misspelt->end()), QTextCursor::KeepAnchor);
    const QString text = word.selectedText();
    TDSpellingService* service = m_spelling->service();
    auto* menu = new QMenu(parent);
    const QStringList suggestions = service->suggestions(text).mid(0, kMostSuggestionsShown);
    if (suggestions.isEmpty()) menu->addAction(tr("No Guesses Found"))->setEnabled(false);
    for (const QString& suggestion : suggestions)
        menu->addAction(suggestion, this, [this, word, suggestion]() mutable {
            // One typing step that the editor's own undo takes back.
            word.insertText(suggestion);
            setTextCursor(word);
        });
    menu->addSeparator();
    menu->addAction(tr("Ignore Spelling"), service, [service, text] { service->ignore(text); });
    menu->addAction(tr("Learn Spelling"), service, [service, text] { service->learn(text); });
    return menu;
}

void TDNotesTextView::p_showLinks() {
    QList<ExtraSelection> links;
    for (const TDLinkRange& link : linkRanges(*document())) {
        ExtraSelection selection;
        selection.cursor = QTextCursor(document());
        selection.cursor.setPosition(int(link.range.location));
        selection.cursor.setPosition(int(link.range.end()), QTextCursor::KeepAnchor);
        selection.format.setForeground(palette().color(QPalette::Link));
        selection.format.setFontUnderline(true);
        links << selection;
    }
    setExtraSelections(links);
}

TDNotesTextView::~TDNotesTextView() = default;

platform::Workspace* TDNotesTextView::p_workspace() const {
    return m_workspace ? m_workspace : platform::Workspace::shared();
}

void TDNotesTextView::setAttributedString(const QTextDocument* text) {
    document()->clear();
    if (text && !text->isEmpty()) QTextCursor(document()).insertFragment(QTextDocumentFragment(text));
    document()->clearUndoRedoStacks();
    moveCursor(QTextCursor::Start);
}

std::unique_ptr<QTextDocument> TDNotesTextView::attributedString() const {
    auto text = std::make_unique<QTextDocument>();
    if (!document()->isEmpty()) QTextCursor(text.get()).insertFragment(QTextDocumentFragment(document()));
    return text;
}

void TDNotesTextView::insertFiles(const QStringList& paths) {
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    for (const QString& path : paths) {
        const std::optional<BDAlias> alias = BDAlias::fromPath(path);
        if (!alias) {
            logWithLevel(TDLogWarning, "WARNING", "Cannot attach '%@': there is no such file.", path);
            continue;
        }
        insertFileAttachment(cursor, *alias);
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
}

QStringList TDNotesTextView::pathsFromAttachmentsInSelection() const {
    const QTextCursor cursor = textCursor();
    QStringList paths;
    for (const QTextCharFormat& format :
         attachmentsInRange(*document(), cursor.selectionStart(), cursor.selectionEnd())) {
        const std::optional<BDAlias> alias = fileAttachmentAlias(format);
        const QString path = alias ? alias->fullPath() : QString();
        if (!path.isEmpty()) paths << path;
    }
    return paths;
}

std::optional<BDAlias> TDNotesTextView::attachmentAt(const QPoint& point) const {
    const QPointF documentPoint =
        point + QPointF(horizontalScrollBar()->value(), verticalScrollBar()->value());
    const int position = document()->documentLayout()->hitTest(documentPoint, Qt::ExactHit);
    if (position < 0) return std::nullopt;
    QTextCursor cursor(document());
    cursor.setPosition(position);
    cursor.setPosition(position + 1, QTextCursor::KeepAnchor);
    if (cursor.selectedText() != QString(QChar::ObjectReplacementCharacter)) return std::nullopt;
    return fileAttachmentAlias(cursor.charFormat());
}

std::unique_ptr<TDFileAttachmentActions> TDNotesTextView::attachmentActions(const BDAlias& alias) const {
    TDAlertPrompter* prompter = m_prompter;
    if (!prompter) {
        auto* self = const_cast<TDNotesTextView*>(this);
        if (!self->m_messageBoxPrompter)
            self->m_messageBoxPrompter = std::make_unique<MessageBoxPrompter>(self);
        prompter = self->m_messageBoxPrompter.get();
    }
    return std::make_unique<TDFileAttachmentActions>(alias, p_workspace(), prompter);
}

// Pasting and dropping

bool TDNotesTextView::canInsertFromMimeData(const QMimeData* source) const {
    if (carriesTaskLinks(source)) return false;
    return source->hasFormat(NotesMimeType) || !localFiles(source).isEmpty() || source->hasHtml() ||
           source->hasText();
}

void TDNotesTextView::insertFromMimeData(const QMimeData* source) {
    if (carriesTaskLinks(source)) return;
    if (source->hasFormat(NotesMimeType)) {
        QTextDocument stored;
        stored.setHtml(QString::fromUtf8(source->data(NotesMimeType)));
        p_insertText(*TDTaskNotes::convertFileURLsToAttachmentsInAttributedString(stored));
        return;
    }
    if (const QStringList files = localFiles(source); !files.isEmpty()) {
        insertFiles(files);
        return;
    }
    QTextDocument text;
    if (source->hasHtml())
        text.setHtml(source->html());
    else if (source->hasText())
        text.setPlainText(source->text());
    else
        return;
    p_insertText(*linkifiedString(text));
}

void TDNotesTextView::p_insertText(const QTextDocument& text) {
    QTextCursor cursor = textCursor();
    cursor.insertFragment(QTextDocumentFragment(&text));
    setTextCursor(cursor);
}

QMimeData* TDNotesTextView::createMimeDataFromSelection() const {
    QMimeData* data = QTextEdit::createMimeDataFromSelection();
    const QTextCursor cursor = textCursor();
    if (!cursor.hasSelection()) return data;
    QTextDocument selection;
    QTextCursor(&selection).insertFragment(cursor.selection());
    data->setData(NotesMimeType,
                  TDTaskNotes::convertAttachmentsToFileURLsInAttributedString(selection)->toHtml().toUtf8());
    // Other programs take the attached files themselves.
    QList<QUrl> files;
    for (const QString& path : pathsFromAttachmentsInSelection()) files << QUrl::fromLocalFile(path);
    if (!files.isEmpty()) data->setUrls(files);
    return data;
}

void TDNotesTextView::dragEnterEvent(QDragEnterEvent* event) {
    // Read once per drag: rich text can be long.
    m_dragCarriesTaskLinks =
        carriesTaskLinks(event->mimeData()) || richTextCarriesTaskLinks(event->mimeData());
    if (m_dragCarriesTaskLinks) return event->ignore();
    QTextEdit::dragEnterEvent(event);
    if (!localFiles(event->mimeData()).isEmpty() && (event->possibleActions() & Qt::LinkAction)) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    }
}

void TDNotesTextView::dragMoveEvent(QDragMoveEvent* event) {
    if (m_dragCarriesTaskLinks) return event->ignore();
    QTextEdit::dragMoveEvent(event);
    if (!localFiles(event->mimeData()).isEmpty() && (event->possibleActions() & Qt::LinkAction)) {
        event->setDropAction(Qt::LinkAction);
        event->accept();
    }
}

// Mouse

void TDNotesTextView::contextMenuEvent(QContextMenuEvent* event) {
    if (!document()->isEmpty()) {
        if (const std::optional<BDAlias> alias = attachmentAt(event->pos())) {
            QMenu* menu = TDFileAttachmentObject::menuForAttachment(attachmentActions(*alias), this);
            menu->setAttribute(Qt::WA_DeleteOnClose);
            menu->popup(event->globalPos());
            return;
        }
    }
    if (QMenu* spelling = spellingMenuAt(cursorForPosition(event->pos()).position(), this)) {
        spelling->addSeparator();
        QMenu* standard = createStandardContextMenu(event->pos());
        for (QAction* action : standard->actions()) {
            action->setParent(spelling);
            spelling->addAction(action);
        }
        delete standard;
        spelling->setAttribute(Qt::WA_DeleteOnClose);
        spelling->popup(event->globalPos());
        return;
    }
    QTextEdit::contextMenuEvent(event);
}

bool TDNotesTextView::previewSelectedAttachment() {
    const QTextCursor selection = textCursor();
    if (selection.selectionEnd() - selection.selectionStart() != 1) return false;
    const QList<QTextCharFormat> attachments =
        attachmentsInRange(*document(), selection.selectionStart(), selection.selectionEnd());
    if (attachments.size() != 1) return false;
    const std::optional<BDAlias> alias = fileAttachmentAlias(attachments.first());
    if (!alias) return false;
    TDFileAttachmentObject::showPreviewOfAttachment(attachmentActions(*alias));
    return true;
}

void TDNotesTextView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        if (const std::optional<BDAlias> alias = attachmentAt(event->position().toPoint())) {
            attachmentActions(*alias)->open();
            return;
        }
    QTextEdit::mouseDoubleClickEvent(event);
}

void TDNotesTextView::mousePressEvent(QMouseEvent* event) {
    m_pressedLink = event->button() == Qt::LeftButton ? anchorAt(event->position().toPoint()) : QString();
    QTextEdit::mousePressEvent(event);
}

void TDNotesTextView::mouseReleaseEvent(QMouseEvent* event) {
    QTextEdit::mouseReleaseEvent(event);
    const QString link = std::exchange(m_pressedLink, QString());
    // A click on a link opens it; a drag across it selects.
    if (link.isEmpty() || textCursor().hasSelection() || anchorAt(event->position().toPoint()) != link)
        return;
    if (platform::Workspace* workspace = p_workspace()) workspace->openURL(QUrl(link));
}

void TDNotesTextView::mouseMoveEvent(QMouseEvent* event) {
    QTextEdit::mouseMoveEvent(event);
    const bool overLink = !anchorAt(event->position().toPoint()).isEmpty();
    viewport()->setCursor(overLink ? Qt::PointingHandCursor : Qt::IBeamCursor);
}

void TDNotesTextView::keyPressEvent(QKeyEvent* event) {
    // Esc ends editing: the view the editor stands in takes the keyboard back.
    if (event->key() == Qt::Key_Escape && parentWidget()) {
        parentWidget()->setFocus(Qt::OtherFocusReason);
        return;
    }
    // Space on one selected attachment looks at the file instead of typing over it.
    if (event->key() == Qt::Key_Space && event->modifiers() == Qt::NoModifier && previewSelectedAttachment())
        return event->accept();
    if (m_leavingHandler && (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier) {
        const QTextCursor caret = textCursor();
        std::optional<TDEditorCommand> leaving;
        if (event->key() == Qt::Key_Up && TDIsCaretOnFirstLine(*this)) leaving = TDEditorCommand::MoveUp;
        if (event->key() == Qt::Key_Down && TDIsCaretOnLastLine(*this)) leaving = TDEditorCommand::MoveDown;
        if (event->key() == Qt::Key_Backspace && !caret.hasSelection() && caret.position() == 0)
            leaving = TDEditorCommand::DeleteBackward;
        if (leaving && m_leavingHandler(*leaving)) return event->accept();
    }
    QTextEdit::keyPressEvent(event);
}

// Losing the focus ends editing: the caret goes to the selection's start and the typing undo is forgotten.
void TDNotesTextView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    // A menu of the editor's own (the attachment menu, the context menu) does not end editing, nor does
    // another window or program taking the keyboard for a while.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    QTextCursor cursor = textCursor();
    cursor.setPosition(cursor.selectionStart());
    setTextCursor(cursor);
    document()->clearUndoRedoStacks();
    Q_EMIT editingFinished(event->reason() == Qt::MouseFocusReason);
}

#include "taskviews/gui/title_editor.h"

#include "controls/gui/transient_window.h"
#include "language/title_parser.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/task_title_styling.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QDateTime>
#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpression>
#include <QScrollBar>
#include <QStringListModel>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <algorithm>
#include <cmath>

namespace {

// A prediction shown for less than this is removed together with the character before it.
constexpr qint64 kPredictionGraceMilliseconds = 250;
// Typing after this much quiet starts a new undo step.
constexpr qint64 kUndoBreakMilliseconds = 1000;

bool isPlainKey(const QKeyEvent* event) {
    return (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
}

// The caret's line in its block, and the number of lines of the block.
std::pair<int, int> caretLine(const QTextEdit& editor) {
    const QTextCursor cursor = editor.textCursor();
    const QTextLayout* layout = cursor.block().layout();
    if (!layout || layout->lineCount() == 0) return {0, 1};
    return {layout->lineForTextPosition(cursor.positionInBlock()).lineNumber(), layout->lineCount()};
}

}  // namespace

bool TDIsCaretOnFirstLine(const QTextEdit& editor) {
    return editor.textCursor().block() == editor.document()->firstBlock() && caretLine(editor).first <= 0;
}

bool TDIsCaretOnLastLine(const QTextEdit& editor) {
    const auto [line, lines] = caretLine(editor);
    return editor.textCursor().block() == editor.document()->lastBlock() && line >= lines - 1;
}

// --- TDTasksViewTextView

TDTasksViewTextView::TDTasksViewTextView(QWidget* parent) : QTextEdit(parent) {
    setFrameShape(QFrame::NoFrame);
    setAcceptRichText(false);
    setTabChangesFocus(false);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    document()->setDocumentMargin(0);
    setAutoFillBackground(true);
    // The caret is drawn by paintEvent, steadily: a blinking one is easily lost among the rows.
    setCursorWidth(0);
    connect(this, &QTextEdit::cursorPositionChanged, viewport(), qOverload<>(&QWidget::update));
    hide();
    connect(this, &QTextEdit::textChanged, this, [this] {
        if (m_delegate && isVisible() && !m_settingText) m_delegate->editorTextDidChange(this);
    });
}

std::optional<TDEditorCommand> TDTasksViewTextView::commandForKey(const QKeyEvent* event) {
    const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
    const bool plain = modifiers == Qt::NoModifier;
    switch (event->key()) {
        case Qt::Key_Tab:
            if (plain) return TDEditorCommand::InsertTab;
            break;
        case Qt::Key_Backtab:
            if (modifiers == Qt::ShiftModifier || plain) return TDEditorCommand::InsertBacktab;
            break;
        case Qt::Key_Left:
            if (plain) return TDEditorCommand::MoveLeft;
            break;
        case Qt::Key_Right:
            if (plain) return TDEditorCommand::MoveRight;
            break;
        case Qt::Key_Up:
            if (plain) return TDEditorCommand::MoveUp;
            break;
        case Qt::Key_Down:
            if (plain) return TDEditorCommand::MoveDown;
            break;
        case Qt::Key_Backspace:
            if (plain) return TDEditorCommand::DeleteBackward;
            break;
        case Qt::Key_Escape:
            return TDEditorCommand::CancelOperation;
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (modifiers == Qt::ControlModifier) return TDEditorCommand::AddTaskBelow;
            if (modifiers == Qt::ShiftModifier) return TDEditorCommand::AddChildTask;
            if (plain) return TDEditorCommand::InsertNewline;
            break;
        default:
            break;
    }
    return std::nullopt;
}

bool TDTasksViewTextView::p_offerCommand(TDEditorCommand command) {
    return m_delegate && m_delegate->doCommand(this, command);
}

bool TDTasksViewTextView::event(QEvent* event) {
    // Ctrl+Return and Shift+Return add a task while a title is edited, before the menu items that
    // share the keys (Open Link) would take them.
    if (event->type() == QEvent::ShortcutOverride) {
        const std::optional<TDEditorCommand> command = commandForKey(static_cast<QKeyEvent*>(event));
        if (command == TDEditorCommand::AddTaskBelow || command == TDEditorCommand::AddChildTask) {
            event->accept();
            return true;
        }
    }
    return QTextEdit::event(event);
}

void TDTasksViewTextView::keyPressEvent(QKeyEvent* event) {
    if (const std::optional<TDEditorCommand> command = commandForKey(event)) {
        if (p_offerCommand(*command)) return event->accept();
        switch (*command) {
            // Titles and cells hold one paragraph: these keys never reach the text.
            case TDEditorCommand::InsertTab:
            case TDEditorCommand::InsertBacktab:
            case TDEditorCommand::CancelOperation:
            case TDEditorCommand::InsertNewline:
            case TDEditorCommand::AddTaskBelow:
            case TDEditorCommand::AddChildTask:
                return event->accept();
            default:
                break;
        }
    }
    QTextEdit::keyPressEvent(event);
}

void TDTasksViewTextView::focusOutEvent(QFocusEvent* event) {
    QTextEdit::focusOutEvent(event);
    // A completion list or a menu takes the keyboard for a moment only.
    if (event->reason() == Qt::PopupFocusReason || event->reason() == Qt::ActiveWindowFocusReason) return;
    if (m_delegate && isVisible()) m_delegate->editorDidResignFirstResponder(this);
}

void TDTasksViewTextView::paintEvent(QPaintEvent* event) {
    QTextEdit::paintEvent(event);
    if (!hasFocus() || textCursor().hasSelection()) return;
    QPainter painter(viewport());
    const QRect caret = cursorRect();
    painter.fillRect(QRect(caret.x(), caret.y(), 1, caret.height()), palette().color(QPalette::Text));
}

void TDTasksViewTextView::setEditedText(const QString& text) {
    m_settingText = true;
    setPlainText(text);
    if (m_delegate) m_delegate->restyle(this);
    m_settingText = false;
    // The text it starts from is no step to undo.
    document()->clearUndoRedoStacks();
}

int TDTasksViewTextView::minHeightForContent() const {
    document()->setTextWidth(viewport()->width() > 0 ? viewport()->width() : width());
    return int(std::ceil(document()->size().height()));
}

bool TDTasksViewTextView::isCaretAtStart() const {
    const QTextCursor cursor = textCursor();
    return !cursor.hasSelection() && cursor.position() == 0;
}

bool TDTasksViewTextView::isCaretAtEnd() const {
    const QTextCursor cursor = textCursor();
    return !cursor.hasSelection() && cursor.position() == editedText().size();
}

int TDTasksViewTextView::caretX() const {
    return cursorRect().x();
}

void TDTasksViewTextView::placeCaretAtX(int x, bool firstLine) {
    const QRect caret = cursorRect();
    const int y = firstLine ? 1 : caret.center().y();
    QTextCursor cursor = cursorForPosition(QPoint(x, y));
    cursor.setPosition(qMin(cursor.position(), int(editedText().size())));
    setTextCursor(cursor);
}

void TDTasksViewTextView::applyFormats(const QList<QTextLayout::FormatRange>& runs) {
    QTextCursor reader(document());
    QTextCursor writer(document());
    bool editing = false;
    const int length = document()->characterCount() - 1;
    for (const QTextLayout::FormatRange& run : runs) {
        int at = run.start;
        const int end = qMin(run.start + run.length, length);
        while (at < end) {
            reader.setPosition(at + 1);
            if (reader.charFormat() == run.format) {
                ++at;
                continue;
            }
            int spanEnd = at + 1;
            for (; spanEnd < end; ++spanEnd) {
                reader.setPosition(spanEnd + 1);
                if (reader.charFormat() == run.format) break;
            }
            if (!editing) {
                writer.joinPreviousEditBlock();
                editing = true;
            }
            writer.setPosition(at);
            writer.setPosition(spanEnd, QTextCursor::KeepAnchor);
            writer.setCharFormat(run.format);
            at = spanEnd;
        }
    }
    if (editing) writer.endEditBlock();
}

// --- TDTaskTitleTextView

TDTaskTitleTextView::TDTaskTitleTextView(QWidget* parent) : TDTasksViewTextView(parent) {
    m_predictionTimer = new QTimer(this);
    m_predictionTimer->setSingleShot(true);
    const double delay = platform::UserDefaults::standard().real(QStringLiteral("tagPredictionDelay"));
    m_predictionTimer->setInterval(int(std::lround((delay > 0 ? delay : 0.25) * 1000)));
    connect(m_predictionTimer, &QTimer::timeout, this, &TDTaskTitleTextView::p_predictionTimerFired);

    m_completions = new QStringListModel(this);
    m_completer = new QCompleter(m_completions, this);
    m_completer->setWidget(this);
    // The delegate's list is already the tags that fit, diacritics ignored.
    m_completer->setCompletionMode(QCompleter::UnfilteredPopupCompletion);
    m_completer->setCaseSensitivity(Qt::CaseInsensitive);
    connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
            &TDTaskTitleTextView::p_insertCompletion);
    // The list leaves the keyboard with the title, as a tooltip beside it: its keys are read here.
    QAbstractItemView* list = m_completer->popup();
    list->setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
    list->setAttribute(Qt::WA_ShowWithoutActivating);
    // Ahead of the completer's own filter, which holds the keyboard in the title while its list shows.
    installEventFilter(this);
}

bool TDTaskTitleTextView::eventFilter(QObject* watched, QEvent* event) {
    // A list that is no pop-up closes as the title loses the keyboard, which may then leave.
    if (watched == this && event->type() == QEvent::FocusOut &&
        static_cast<QFocusEvent*>(event)->reason() != Qt::PopupFocusReason)
        m_completer->popup()->hide();
    return TDTasksViewTextView::eventFilter(watched, event);
}

TDTaskTitleTextView::~TDTaskTitleTextView() {
    m_predictionTimer->stop();
}

void TDTaskTitleTextView::setPredictionDelay(int milliseconds) {
    m_predictionTimer->setInterval(milliseconds);
}

bool TDTaskTitleTextView::isPredictionPending() const {
    return m_predictionTimer->isActive();
}

void TDTaskTitleTextView::firePredictionTimer() {
    if (!m_predictionTimer->isActive()) return;
    m_predictionTimer->stop();
    p_predictionTimerFired();
}

std::pair<int, int> TDTaskTitleTextView::p_predictedRange() const {
    int start = -1;
    int end = -1;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.charFormat().boolProperty(TDPredictedTokenProperty)) continue;
            if (start < 0) start = fragment.position();
            end = fragment.position() + fragment.length();
        }
    }
    return start < 0 ? std::pair{-1, 0} : std::pair{start, end - start};
}

std::pair<int, int> TDTaskTitleTextView::p_rangeOfPredictedTokensAtIndex(int position) const {
    const auto range = p_predictedRange();
    return range.first == position ? range : std::pair{-1, 0};
}

bool TDTaskTitleTextView::hasPredictedTokens() const {
    return p_predictedRange().first >= 0;
}

QString TDTaskTitleTextView::selectedTitleText() const {
    const QTextCursor cursor = textCursor();
    const int typed = int(editedText().size());
    const int start = std::min(cursor.selectionStart(), typed);
    return editedText().mid(start, std::min(cursor.selectionEnd(), typed) - start);
}

QString TDTaskTitleTextView::editedText() const {
    const QString text = toPlainText();
    const auto predicted = p_predictedRange();
    return predicted.first < 0 ? text
                               : text.left(predicted.first) + text.mid(predicted.first + predicted.second);
}

bool TDTaskTitleTextView::isSelectionAtPredictedToken() const {
    return p_rangeOfPredictedTokensAtIndex(textCursor().selectionEnd()).first >= 0;
}

bool TDTaskTitleTextView::isEditingTag() const {
    const QTextCursor cursor = textCursor();
    if (cursor.hasSelection()) return false;
    const QString text = editedText();
    const int caret = qMin(cursor.position(), int(text.size()));
    for (const TDTitleParser::Range& range : TDTitleParser::tokenRangesFromEditingString(text)) {
        if (range.location <= caret && caret <= range.location + range.length)
            return !text.mid(range.location, range.length).endsWith(QLatin1Char('/'));
    }
    static const QRegularExpression loneMarker(QStringLiteral("(^|\\s)[/@]$"));
    return loneMarker.match(text.left(caret)).hasMatch();
}

int TDTaskTitleTextView::p_partialWordStart() const {
    const QString text = editedText();
    const int caret = qMin(textCursor().position(), int(text.size()));
    int start = caret;
    while (start > 0 && !text.at(start - 1).isSpace() && text.at(start - 1) != QLatin1Char('/') &&
           text.at(start - 1) != QLatin1Char('@'))
        --start;
    // Inside "/several words": the token's own start.
    for (const TDTitleParser::Range& range : TDTitleParser::tokenRangesFromEditingString(text))
        if (range.location < caret && caret <= range.location + range.length) return int(range.location) + 1;
    return start;
}

void TDTaskTitleTextView::complete() {
    const int start = p_partialWordStart();
    const QString text = editedText();
    const int caret = qMin(textCursor().position(), int(text.size()));
    if (start == 0 || !delegate()) return m_completer->popup()->hide();
    const QString partial = text.mid(start - 1, caret - start + 1);
    const QStringList titles = delegate()->completions(this, partial);
    if (titles.isEmpty()) return m_completer->popup()->hide();
    m_completions->setStringList(titles);
    QRect rect = cursorRect();
    rect.setWidth(qMax(160, m_completer->popup()->sizeHintForColumn(0) + 24));
    TDSetTransientParent(*m_completer->popup(), *this);
    m_completer->complete(rect);
    m_completer->popup()->setCurrentIndex(m_completions->index(0, 0));
}

bool TDTaskTitleTextView::p_completionListTakesKey(const QKeyEvent* event) {
    QAbstractItemView* list = m_completer->popup();
    if (!list->isVisible() || !isPlainKey(event)) return false;
    const int rows = list->model()->rowCount();
    const QModelIndex current = list->currentIndex();
    switch (event->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down: {
            const int step = event->key() == Qt::Key_Down ? 1 : -1;
            const int row = current.isValid() ? (current.row() + step + rows) % rows
                            : step > 0        ? 0
                                              : rows - 1;
            list->setCurrentIndex(list->model()->index(row, 0));
            return true;
        }
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Tab:
            list->hide();
            if (current.isValid()) p_insertCompletion(current.data().toString());
            return true;
        case Qt::Key_Escape:
            list->hide();
            return true;
        default:
            return false;
    }
}

void TDTaskTitleTextView::p_insertCompletion(const QString& completion) {
    const int start = p_partialWordStart();
    if (start == 0) return;
    const QString text = editedText();
    const QChar marker = text.at(start - 1);
    QTextCursor cursor = textCursor();
    cursor.beginEditBlock();
    cursor.setPosition(start);
    cursor.setPosition(qMin(textCursor().position(), int(text.size())), QTextCursor::KeepAnchor);
    const bool singleWord = !completion.contains(QRegularExpression(QStringLiteral("\\s")));
    cursor.insertText(singleWord ? completion : completion + QLatin1Char('/'));
    if (!singleWord && marker == QLatin1Char('@')) {
        const int end = cursor.position();
        cursor.setPosition(start - 1);
        cursor.insertText(QStringLiteral("/"), QTextCharFormat());
        cursor.setPosition(end + 1);
    }
    cursor.endEditBlock();
    setTextCursor(cursor);
    p_restyle();
}

void TDTaskTitleTextView::p_predictionTimerFired() {
    if (!delegate() || !isVisible()) return;
    const QString text = editedText();
    const QList<TDToken> tokens = delegate()->predictedTokens(text);
    if (tokens.isEmpty()) return;
    TDStyledTitle title;
    title.text = text;
    TDAppendPredictedTokens(title, tokens);
    // Positions, not a cursor: a cursor would move along with the inserted text.
    const int anchor = textCursor().anchor();
    const int position = textCursor().position();
    QTextCursor cursor(document());
    m_dontStripPredictedTokens = true;
    cursor.beginEditBlock();
    cursor.movePosition(QTextCursor::End);
    for (const QTextLayout::FormatRange& run : title.formats)
        if (run.start >= text.size()) cursor.insertText(title.text.mid(run.start, run.length), run.format);
    cursor.endEditBlock();
    QTextCursor selection = textCursor();
    selection.setPosition(anchor);
    selection.setPosition(position, QTextCursor::KeepAnchor);
    setTextCursor(selection);
    m_dontStripPredictedTokens = false;
    m_predictionTime = QDateTime::currentMSecsSinceEpoch();
}

bool TDTaskTitleTextView::acceptPredictedTokens() {
    const auto range = p_rangeOfPredictedTokensAtIndex(textCursor().selectionEnd());
    if (range.first < 0) return false;
    m_dontStripPredictedTokens = true;
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    for (int at = range.first; at < range.first + range.second; ++at) {
        cursor.setPosition(at);
        cursor.setPosition(at + 1, QTextCursor::KeepAnchor);
        QTextCharFormat format = cursor.charFormat();
        format.clearProperty(TDPredictedTokenProperty);
        format.clearBackground();
        cursor.setCharFormat(format);
    }
    cursor.endEditBlock();
    cursor.setPosition(range.first + range.second);
    setTextCursor(cursor);
    m_dontStripPredictedTokens = false;
    p_restyle();
    return true;
}

void TDTaskTitleTextView::deletePredictedTokens() {
    if (m_dontStripPredictedTokens) return;
    for (auto range = p_predictedRange(); range.first >= 0; range = p_predictedRange()) {
        QTextCursor cursor(document());
        cursor.setPosition(range.first);
        cursor.setPosition(range.first + range.second, QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
    }
}

void TDTaskTitleTextView::p_restyle() {
    if (delegate()) delegate()->restyle(this);
}

void TDTaskTitleTextView::p_afterTyping(bool typedAtEnd) {
    if (isEditingTag()) return complete();
    m_completer->popup()->hide();
    if (!typedAtEnd || editedText().isEmpty() || !isCaretAtEnd()) return;
    m_predictionTimer->stop();
    const bool hasToken = !TDTitleParser::tokenRangesFromEditingString(editedText()).isEmpty();
    if (!hasToken && platform::UserDefaults::standard().boolean(QStringLiteral("predictTags")))
        m_predictionTimer->start();
}

void TDTaskTitleTextView::p_breakUndoCoalescingAfterQuiet() {
    const qint64 now = TDClock::currentDateTime().toMSecsSinceEpoch();
    // The document merges a typed character into the step before only while it counts as modified.
    if (now - m_lastTextInsertionTime > kUndoBreakMilliseconds) document()->setModified(false);
    m_lastTextInsertionTime = now;
}

void TDTaskTitleTextView::insertTextAtEnd(const QString& text) {
    deletePredictedTokens();
    p_breakUndoCoalescingAfterQuiet();
    moveCursor(QTextCursor::End);
    insertPlainText(text);
    m_letterEditPosition = textCursor().position();
    p_restyle();
    p_afterTyping(true);
}

void TDTaskTitleTextView::keyPressEvent(QKeyEvent* event) {
    if (p_completionListTakesKey(event)) return event->accept();
    const std::optional<TDEditorCommand> command = commandForKey(event);
    const bool hasPrediction = hasPredictedTokens();
    if (hasPrediction && (command == TDEditorCommand::InsertTab || command == TDEditorCommand::MoveRight) &&
        acceptPredictedTokens())
        return event->accept();
    if (event->matches(QKeySequence::Undo) || event->matches(QKeySequence::Redo)) {
        // The formats come back with the text: no restyle, which would end the redo chain.
        m_dontStripPredictedTokens = true;
        event->matches(QKeySequence::Undo) ? document()->undo() : document()->redo();
        m_dontStripPredictedTokens = false;
        return event->accept();
    }
    if (command == TDEditorCommand::DeleteBackward && hasPrediction) {
        const bool covered = isSelectionAtPredictedToken();
        deletePredictedTokens();
        if (covered && QDateTime::currentMSecsSinceEpoch() - m_predictionTime > kPredictionGraceMilliseconds)
            return event->accept();
    }
    const QString typed = event->text();
    const bool typing = !typed.isEmpty() && typed.at(0).isPrint() &&
                        !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
    const bool deleteForward = event->key() == Qt::Key_Delete && isPlainKey(event);
    if (hasPrediction && (typing || command || event->key() == Qt::Key_Delete)) deletePredictedTokens();
    if (typing) {
        p_breakUndoCoalescingAfterQuiet();
        const bool atEnd = textCursor().position() == editedText().size() || textCursor().hasSelection();
        // A marker goes in as text at once, whatever the keyboard layout makes of it.
        if (isPlainKey(event) && (typed == QLatin1String("/") || typed == QLatin1String("@")))
            insertPlainText(typed);
        else
            TDTasksViewTextView::keyPressEvent(event);
        m_letterEditPosition = textCursor().position();
        p_restyle();
        p_afterTyping(atEnd);
        return;
    }
    const bool deleting = command == TDEditorCommand::DeleteBackward || deleteForward;
    if (deleting && p_deleteTokenAtCaret(!deleteForward)) return event->accept();
    TDTasksViewTextView::keyPressEvent(event);
    m_letterEditPosition = deleting && isVisible() ? textCursor().position() : -1;
    if (command == TDEditorCommand::DeleteBackward && isVisible()) p_restyle();
}

bool TDTaskTitleTextView::p_deleteTokenAtCaret(bool backwards) {
    const QTextCursor caret = textCursor();
    if (caret.hasSelection() || caret.position() == m_letterEditPosition) return false;
    const QString text = editedText();
    const int at = caret.position();
    for (const TDTitleParser::Range& range : TDTitleParser::tokenRangesFromEditingString(text)) {
        const int start = int(range.location);
        const int end = int(range.location + range.length);
        if ((backwards ? end : start) != at) continue;
        QTextCursor token(document());
        token.setPosition(start);
        token.setPosition(end, QTextCursor::KeepAnchor);
        token.removeSelectedText();
        setTextCursor(token);
        p_restyle();
        return true;
    }
    return false;
}

void TDTaskTitleTextView::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton && hasPredictedTokens()) {
        const int index = cursorForPosition(event->position().toPoint()).position();
        const auto range = p_rangeOfPredictedTokensAtIndex(textCursor().selectionEnd());
        if (range.first >= 0 && index >= range.first && index <= range.first + range.second) {
            acceptPredictedTokens();
            return event->accept();
        }
    }
    deletePredictedTokens();
    m_letterEditPosition = -1;
    TDTasksViewTextView::mousePressEvent(event);
}

void TDTaskTitleTextView::focusOutEvent(QFocusEvent* event) {
    if (event->reason() != Qt::PopupFocusReason) {
        m_letterEditPosition = -1;
        m_predictionTimer->stop();
        deletePredictedTokens();
    }
    TDTasksViewTextView::focusOutEvent(event);
}

void TDTaskTitleTextView::insertFromMimeData(const QMimeData* source) {
    deletePredictedTokens();
    TDTasksViewTextView::insertFromMimeData(source);
    p_restyle();
}

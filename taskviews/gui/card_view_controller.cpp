#include "taskviews/gui/card_view_controller.h"

#include "model/library_notifications.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "platform/notifications/notification_center.h"
#include "platform/undo/undo_manager.h"
#include "taskviews/card_facts.h"
#include "taskviews/gui/card_view.h"
#include "taskviews/gui/notes_editor.h"
#include "taskviews/gui/priority_box_cell.h"
#include "taskviews/gui/recurrence_edit_view.h"
#include "taskviews/gui/task_info_text_field.h"
#include "taskviews/notes_comparison.h"
#include "taskviews/task_cell_values.h"
#include "taskviews/task_info_controller.h"
#include "taskviews/task_row_facts.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/tasks_controller.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>

#include <cmath>

namespace {

using Field = TDTaskInfoViewController::Field;

Field infoField(int field) {
    return field == TDCardView::StartField ? Field::StartDate
           : field == TDCardView::DueField ? Field::DueDate
                                           : Field::Estimate;
}

QFont bigTitleFont() {
    const TDStyledTitle styled = TDBigAttributedTitle(TDTaskRowFacts());
    return styled.formats.isEmpty() ? QFont() : styled.formats.first().format.font();
}

}  // namespace

TDCardController::TDCardController(TDTasksController& tasksController, QWidget* parent)
    : QObject(parent),
      m_tasksController(tasksController),
      m_view(new TDCardView(tasksController, parent)),
      m_fields(std::make_unique<TDTaskInfoViewController>(tasksController)) {
    TDTaskTitleTextView* title = m_view->titleField();
    title->setDelegate(this);
    title->setFont(bigTitleFont());
    m_view->setTitleHeight(p_baseTitleHeight());
    connect(m_view, &TDCardView::resized, this, [this] {
        if (task()) heightOfTitleFieldChanged();
    });
    m_view->notesTextView()->installEventFilter(this);
    connect(m_view->notesTextView(), &TDNotesTextView::editingFinished, this, [this](bool) {
        TDTask* shown = task();
        if (!shown) return;
        const std::unique_ptr<QTextDocument> edited = m_view->notesTextView()->attributedString();
        if (!TDNotesDiffer(shown->attributedNotes().get(), edited.get())) return;
        shown->setAttributedNotes(edited.get());
        if (platform::UndoManager* undo = m_tasksController.undoManager())
            undo->setActionName(tr("Edit Note"));
    });
    for (int field = 0; field < TDCardView::FieldCount; ++field) {
        QLineEdit* edit = m_view->field(TDCardView::Field(field));
        edit->installEventFilter(this);
        connect(edit, &QLineEdit::editingFinished, this, [this, field] { p_commitField(field); });
        auto* balloonField = qobject_cast<TDInspectorTextField*>(edit);
        if (!balloonField) continue;
        connect(balloonField, &TDInspectorTextField::completionFinished, this,
                [this, field, edit](const QVariant& value) {
                    // A slider's seconds are stored as they are, not read back from their words.
                    if (field == TDCardView::EstimateField && task()) {
                        m_fields->setEstimatedTime(value.toDouble());
                        edit->setText(m_fields->value(infoField(field)).text);
                    }
                    m_view->setFocus();
                });
        connect(balloonField, &TDInspectorTextField::recurrenceToggled, this, [this, balloonField] {
            if (balloonField->datePanel())
                TDRecurrenceEditView::showInBalloon(*balloonField->datePanel(), m_tasksController);
        });
    }
    connect(m_fields.get(), &TDTaskInfoViewController::changed, this, &TDCardController::p_showFields);
    connect(m_view->priorityPopUpButton(), &TDPriorityButton::priorityChosen, this, [this](qint64 priority) {
        if (!task()) return;
        m_tasksController.assignPriority(priority);
        p_refresh();
    });
    // The card follows the library's changes: the outline's edits, undo and redo.
    platform::NotificationCenter::defaultCenter().addObserver(
        this, TDLibraryMOCDidChangeNotification, nullptr,
        [this](const platform::Notification&) { p_refresh(); });
}

TDCardController::~TDCardController() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

TDTask* TDCardController::task() const {
    return m_task && !m_task->isDeleted() ? m_task : nullptr;
}

void TDCardController::setTask(TDTask* task) {
    if (task == m_task) {
        p_refresh();
        return;
    }
    m_task = task;
    m_view->setTask(task);
    m_view->setControlsVisible(task != nullptr);
    if (task) {
        p_showTitle();
        p_showNotes();
    }
    p_refresh();
}

void TDCardController::p_refresh() {
    TDTask* shown = task();
    if (!shown) {
        if (m_task) setTask(nullptr);
        return;
    }
    m_view->checkboxButton()->setState(shown->checkboxState(), shown->isRecurring());
    m_view->priorityPopUpButton()->setPriority(shown->priority());
    setSubtaskCount(quint64(shown->objects(QStringLiteral("subtasks")).size()));
    if (!isEditingTitle()) p_showTitle();
    if (!isEditingNote()) p_showNotes();
    m_fields->reload();
    m_view->update();
}

void TDCardController::p_showTitle() {
    TDTask* shown = task();
    TDTaskTitleTextView* title = m_view->titleField();
    const QString text = shown ? shown->title() : QString();
    if (title->editedText() != text) title->setEditedText(text);
    restyle(title);
    heightOfTitleFieldChanged();
}

void TDCardController::p_showNotes() {
    TDTask* shown = task();
    m_view->notesTextView()->setAttributedString(shown ? shown->attributedNotes().get() : nullptr);
}

void TDCardController::p_showFields() {
    for (int field = 0; field < TDCardView::FieldCount; ++field) {
        QLineEdit* edit = m_view->field(TDCardView::Field(field));
        if (edit->hasFocus()) continue;
        const TDTaskInfoViewController::FieldValue value = m_fields->value(infoField(field));
        edit->setText(value.text);
        edit->setPlaceholderText(value.text.isEmpty() ? tr("None") : QString());
        edit->setReadOnly(!value.editable);
    }
}

void TDCardController::p_commitField(int field) {
    QLineEdit* edit = m_view->field(TDCardView::Field(field));
    if (!task() || edit->isReadOnly()) return;
    const TDTaskInfoViewController::FieldValue shown = m_fields->value(infoField(field));
    if (edit->text() != shown.text && !m_fields->setText(infoField(field), edit->text())) {
        edit->setText(shown.text);
        return;
    }
    // The typed words come back as the stored value reads.
    edit->setText(m_fields->value(infoField(field)).text);
}

void TDCardController::setSubtaskCount(quint64 count) {
    m_subtaskCount = count;
    m_view->subtaskCountLabel()->setText(subtaskCountDisplayString());
}

QString TDCardController::subtaskCountDisplayString() const {
    return TDCardSubtaskCountDisplayString(m_subtaskCount);
}

bool TDCardController::isEditingTitle() const {
    return m_view->titleField()->hasFocus();
}

bool TDCardController::isEditingNote() const {
    return m_view->notesTextView()->hasFocus();
}

bool TDCardController::isEditingStartDate() const {
    return m_view->field(TDCardView::StartField)->hasFocus();
}

bool TDCardController::isEditingDueDate() const {
    return m_view->field(TDCardView::DueField)->hasFocus();
}

bool TDCardController::isEditingEstimate() const {
    return m_view->field(TDCardView::EstimateField)->hasFocus();
}

bool TDCardController::isEditing() const {
    return isEditingTitle() || isEditingNote() || isEditingStartDate() || isEditingDueDate() ||
           isEditingEstimate();
}

void TDCardController::editTitle() {
    if (!task()) return;
    TDTaskTitleTextView* title = m_view->titleField();
    title->setFocus(Qt::OtherFocusReason);
    title->selectAll();
}

void TDCardController::editNote() {
    if (!task()) return;
    TDNotesTextView* notes = m_view->notesTextView();
    notes->setFocus(Qt::OtherFocusReason);
    notes->moveCursor(QTextCursor::End);
}

void TDCardController::endEditing() {
    if (isEditingTitle()) p_commitTitle();
    // Losing the focus commits the notes and the fields.
    Q_EMIT editingEnded();
}

void TDCardController::insertTextAtEndOfTitle(const QString& text) {
    editTitle();
    TDTaskTitleTextView* title = m_view->titleField();
    title->moveCursor(QTextCursor::End);
    title->insertPlainText(text);
}

int TDCardController::p_baseTitleHeight() const {
    return QFontMetrics(m_view->titleField()->font()).lineSpacing() + 10;
}

void TDCardController::heightOfTitleFieldChanged() {
    const int base = p_baseTitleHeight();
    // Measured at the field's own width: its viewport may not have its new size yet.
    QTextDocument* text = m_view->titleField()->document();
    text->setTextWidth(m_view->titleField()->width());
    const int needed = int(std::ceil(text->size().height())) + 6;
    m_view->setTitleHeight(int(TDCardTitleHeight(needed, base)));
}

void TDCardController::p_commitTitle() {
    TDTask* shown = task();
    if (!shown || m_committing) return;
    m_committing = true;
    const QString text = m_view->titleField()->editedText();
    if (text != shown->title()) TDSetTaskCellValue(shown, TDTaskColumn::Task, text);
    m_committing = false;
}

bool TDCardController::doCommand(TDTasksViewTextView* editor, TDEditorCommand command) {
    if (editor != m_view->titleField()) return false;
    switch (command) {
        case TDEditorCommand::CancelOperation:
            // The title goes back to the stored one.
            p_showTitle();
            Q_EMIT editingEnded();
            return true;
        case TDEditorCommand::InsertNewline:
            p_commitTitle();
            Q_EMIT editingEnded();
            return true;
        case TDEditorCommand::AddTaskBelow:
        case TDEditorCommand::AddChildTask:
            // As in the outline: the title is kept and the new task's title is edited next.
            p_commitTitle();
            Q_EMIT editingEnded();
            if (command == TDEditorCommand::AddChildTask)
                m_tasksController.addChildTask();
            else
                m_tasksController.addTaskBelow();
            return true;
        case TDEditorCommand::InsertTab:
            p_commitTitle();
            m_view->notesTextView()->setFocus(Qt::TabFocusReason);
            return true;
        default:
            return false;
    }
}

void TDCardController::restyle(TDTasksViewTextView* editor) {
    if (editor != m_view->titleField()) return;
    TDTask* shown = task();
    TDTaskRowFacts facts = shown ? TDTaskRowFacts::fromTask(shown) : TDTaskRowFacts();
    facts.title = m_view->titleField()->editedText();
    m_view->titleField()->applyFormats(TDBigAttributedTitle(facts).flattenedFormats());
}

void TDCardController::editorTextDidChange(TDTasksViewTextView* editor) {
    if (editor == m_view->titleField()) heightOfTitleFieldChanged();
}

void TDCardController::editorDidResignFirstResponder(TDTasksViewTextView* editor) {
    if (editor == m_view->titleField()) p_commitTitle();
}

QStringList TDCardController::completions(TDTasksViewTextView*, const QString& partialWord) {
    return TDCardTitleCompletions(m_tasksController.library(), partialWord);
}

QList<TDToken> TDCardController::predictedTokens(const QString& title) {
    return TDTask::predictedTokensFromTitle(title, m_tasksController.library());
}

bool TDCardController::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() != QEvent::KeyPress) return QObject::eventFilter(watched, event);
    const auto* key = static_cast<QKeyEvent*>(event);
    if (key->key() == Qt::Key_Escape) {
        // A date or estimate field drops what was typed: the stored value is back before the focus
        // leaves, so leaving stores nothing.
        for (int field = 0; field < TDCardView::FieldCount; ++field)
            if (watched == m_view->field(TDCardView::Field(field)))
                m_view->field(TDCardView::Field(field))->setText(m_fields->value(infoField(field)).text);
        Q_EMIT editingEnded();
        return true;
    }
    // Return keeps what a field holds and gives the keyboard back to the cards; it makes no new task.
    if (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)
        for (int field = 0; field < TDCardView::FieldCount; ++field)
            if (watched == m_view->field(TDCardView::Field(field))) {
                p_commitField(field);
                Q_EMIT editingEnded();
                return true;
            }
    if (watched == m_view->notesTextView() && platform::UserDefaults::standard().boolean(QStringLiteral(
                                                  "moveKeyboardFocusOnTabWhenEditingNoteInCard"))) {
        if (key->key() == Qt::Key_Tab) {
            m_view->field(TDCardView::StartField)->setFocus(Qt::TabFocusReason);
            return true;
        }
        if (key->key() == Qt::Key_Backtab) {
            editTitle();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}

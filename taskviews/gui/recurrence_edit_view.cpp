#include "taskviews/gui/recurrence_edit_view.h"

#include "controls/balloon_geometry.h"
#include "controls/gui/balloon_panel.h"
#include "controls/gui/linked_text_field.h"
#include "controls/gui/raised_text_view.h"
#include "language/natural_language_date_value_transformer.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/recurrence_edit_controller.h"
#include "taskviews/tasks_controller.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QSignalBlocker>
#include <QVBoxLayout>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

QString dateText(const QDateTime& date) {
    return date.isValid() ? TDNaturalLanguageDateValueTransformer::shared()->transformedValue(date).toString()
                          : QString();
}

QLineEdit* smallField(QWidget* parent, int width) {
    auto* field = new QLineEdit(parent);
    field->setFixedWidth(width);
    return field;
}

}  // namespace

TDRecurrenceEditView::TDRecurrenceEditView(TDRecurrenceEditViewController& controller, QWidget* parent)
    : TDCompletionViewController(parent), m_controller(controller) {
    m_ruleField = new QLineEdit(this);
    m_ruleField->setPlaceholderText(localized("Repeat every…"));
    m_ruleField->setMinimumWidth(300);
    // The whole line leads to the help on rules.
    m_exampleField = new TDLinkedTextField(this);
    m_exampleField->setTextFormat(Qt::RichText);
    m_exampleField->setText(
        localized("Type a rule such as <i>every 2 weeks on monday</i> or "
                  "<i>the last friday of the month</i>."));
    m_exampleField->setWordWrap(true);
    m_exampleField->setHoverColor(QColor(0x1a, 0x5f, 0xb4));
    connect(m_exampleField, &TDLinkedTextField::activated, this, [this] { m_controller.showHelp(); });

    m_containerView = new QWidget(this);
    auto* form = new QFormLayout(m_containerView);
    form->setContentsMargins(0, 0, 0, 0);
    form->setLabelAlignment(Qt::AlignRight);

    m_nextStartDateLabel = new QLabel(localized("Next start:"), m_containerView);
    m_nextStartDateField = smallField(m_containerView, 160);
    form->addRow(m_nextStartDateLabel, m_nextStartDateField);

    m_repeatAfterCompletionCheckbox = new QCheckBox(localized("Repeat after completion"), m_containerView);
    form->addRow(QString(), m_repeatAfterCompletionCheckbox);

    auto* endRow = new QHBoxLayout;
    m_endTypePopUpButton = new QComboBox(m_containerView);
    m_endTypePopUpButton->addItem(localized("Never"), int(TDRecurrenceEditViewController::EndNever));
    m_endTypePopUpButton->addItem(localized("After"),
                                  int(TDRecurrenceEditViewController::EndAfterOccurrences));
    m_endTypePopUpButton->addItem(localized("On"), int(TDRecurrenceEditViewController::EndOnDate));
    m_endAfterOccurrencesField = smallField(m_containerView, 50);
    m_endAfterOccurrencesLabel = new QLabel(localized("times"), m_containerView);
    m_endDateField = smallField(m_containerView, 140);
    endRow->addWidget(m_endTypePopUpButton);
    endRow->addWidget(m_endAfterOccurrencesField);
    endRow->addWidget(m_endAfterOccurrencesLabel);
    endRow->addWidget(m_endDateField);
    endRow->addStretch();
    form->addRow(localized("Ends:"), endRow);

    auto* dueRow = new QHBoxLayout;
    m_dueDatePopUpButton = new QComboBox(m_containerView);
    m_dueDatePopUpButton->addItem(localized("No due date"), 0);
    m_dueDatePopUpButton->addItem(localized("Due after"), 1);
    m_startDueGapDaysField = smallField(m_containerView, 50);
    m_startDueGapDaysLabel = new QLabel(localized("days"), m_containerView);
    dueRow->addWidget(m_dueDatePopUpButton);
    dueRow->addWidget(m_startDueGapDaysField);
    dueRow->addWidget(m_startDueGapDaysLabel);
    dueRow->addStretch();
    form->addRow(localized("Due:"), dueRow);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 10);
    layout->setSpacing(6);
    auto* title = new QLabel(localized("Repeat:"), this);
    QFont titleFont = title->font();
    titleFont.setBold(true);
    title->setFont(titleFont);
    layout->addWidget(title);
    layout->addWidget(m_ruleField);
    layout->addWidget(m_exampleField);
    layout->addWidget(m_containerView);
    layout->addStretch();

    connect(m_ruleField, &QLineEdit::textEdited, &m_controller, &TDRecurrenceEditViewController::setRuleText);
    connect(m_ruleField, &QLineEdit::editingFinished, this, [this] {
        m_ruleField->setModified(false);
        m_controller.changeRecurrenceRule();
    });
    connect(m_ruleField, &QLineEdit::returnPressed, this, &TDRecurrenceEditView::okay);
    connect(m_nextStartDateField, &QLineEdit::editingFinished, this, [this] {
        m_nextStartDateField->setModified(false);
        m_controller.setNextStartDateText(m_nextStartDateField->text());
    });
    connect(m_repeatAfterCompletionCheckbox, &QCheckBox::toggled, &m_controller,
            &TDRecurrenceEditViewController::changeRepeatAfterCompletion);
    connect(m_endTypePopUpButton, &QComboBox::activated, this, [this](int index) {
        m_controller.setEndMode(m_endTypePopUpButton->itemData(index).toInt());
        if (m_controller.showsEndDate()) m_endDateField->setFocus();
        if (m_controller.showsOccurrenceCount()) m_endAfterOccurrencesField->setFocus();
    });
    connect(m_endAfterOccurrencesField, &QLineEdit::editingFinished, this, [this] {
        m_endAfterOccurrencesField->setModified(false);
        m_controller.setOccurrenceCount(m_endAfterOccurrencesField->text().toLongLong());
    });
    connect(m_endDateField, &QLineEdit::editingFinished, this, [this] {
        m_endDateField->setModified(false);
        const QVariant date =
            TDNaturalLanguageDateValueTransformer::shared()->reverseTransformedValue(m_endDateField->text());
        m_controller.setEndDate(date.toDateTime());
    });
    connect(m_dueDatePopUpButton, &QComboBox::activated, this, [this](int index) {
        m_controller.setHasDueDate(m_dueDatePopUpButton->itemData(index).toInt() == 1);
        if (m_controller.hasDueDate()) m_startDueGapDaysField->setFocus();
    });
    connect(m_startDueGapDaysField, &QLineEdit::editingFinished, this, [this] {
        m_startDueGapDaysField->setModified(false);
        bool isNumber = false;
        const qint64 days = m_startDueGapDaysField->text().trimmed().toLongLong(&isNumber);
        m_controller.setStartDueGapDays(isNumber ? std::optional<qint64>(days) : std::nullopt);
    });
    connect(&m_controller, &TDRecurrenceEditViewController::changed, this, &TDRecurrenceEditView::p_updateUI);
    connect(&m_controller, &TDRecurrenceEditViewController::finished, this, [this] {
        if (TDBalloonPanel* balloon = p_balloon())
            balloon->orderOut();
        else
            hide();
    });
    // The task list taking the focus confirms, as a click back into the list should.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget*, QWidget* now) {
        if (qobject_cast<TDTasksView*>(now) && isVisible()) okay();
    });
    p_updateUI();
}

TDRecurrenceEditView::~TDRecurrenceEditView() {
    // Fields losing the focus as the window closes have nothing left to commit to.
    for (QLineEdit* field : {m_ruleField, m_nextStartDateField, m_endAfterOccurrencesField, m_endDateField,
                             m_startDueGapDaysField})
        field->disconnect(this);
}

TDRecurrenceEditView* TDRecurrenceEditView::showInBalloon(TDBalloonPanel& balloon,
                                                          TDTasksController& tasksController) {
    // Ending the editing that opened the balloon must not close it.
    balloon.setChangingViewController(true);
    TDRecurrenceEditViewController* editor = tasksController.loadRecurrenceEditor();
    if (!editor) {
        balloon.setChangingViewController(false);
        return nullptr;
    }
    // The click on the toggle is the input event the pop-up opens from. The type changes before the editor
    // moves in: the window made anew hides its content first, and the editor takes hiding as confirming.
    balloon.setCanBecomeKeyWindow(true);
    auto* view = new TDRecurrenceEditView(*editor);
    balloon.setViewController(view);
    balloon.updateFrame();
    balloon.orderFront();
    view->editRule();
    balloon.setChangingViewController(false);
    return view;
}

void TDRecurrenceEditView::editRule() {
    // The balloon's editor raises the field being typed in.
    if (TDBalloonPanel* balloon = p_balloon())
        for (QLineEdit* field : {m_ruleField, m_nextStartDateField, m_endAfterOccurrencesField,
                                 m_endDateField, m_startDueGapDaysField})
            balloon->raisedTextView(true)->serve(field);
    p_updateUI();
    m_ruleField->setFocus(Qt::OtherFocusReason);
    m_ruleField->selectAll();
}

QSize TDRecurrenceEditView::sizeHint() const {
    return layout() ? layout()->sizeHint() : TDCompletionViewController::sizeHint();
}

TDBalloonPanel* TDRecurrenceEditView::p_balloon() const {
    return qobject_cast<TDBalloonPanel*>(parentWidget());
}

bool TDRecurrenceEditView::cancelOperation() {
    okay();
    return true;
}

// Another window of the program taking the keyboard confirms; the program going to the background only
// commits what is being typed.
void TDRecurrenceEditView::windowDidResignKey() {
    if (!m_controller.task()) return;
    if (QApplication::activeWindow())
        okay();
    else
        p_finishEditing();
}

void TDRecurrenceEditView::changeEvent(QEvent* event) {
    TDCompletionViewController::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isVisible() && !isActiveWindow()) windowDidResignKey();
}

// A field being typed in keeps its text; the others follow the editor.
void TDRecurrenceEditView::p_setText(QLineEdit* field, const QString& text) {
    if (field->isModified()) return;
    if (field->text() != text) field->setText(text);
}

void TDRecurrenceEditView::p_updateUI() {
    const TDRecurrenceEditViewController& c = m_controller;
    p_setText(m_ruleField, c.ruleText());
    const bool options = c.showsOptions();
    m_exampleField->setVisible(!options);
    m_containerView->setVisible(options);
    m_nextStartDateLabel->setVisible(c.showsNextStartDate());
    m_nextStartDateField->setVisible(c.showsNextStartDate());
    p_setText(m_nextStartDateField, dateText(c.nextStartDate()));
    {
        const QSignalBlocker blocker(m_repeatAfterCompletionCheckbox);
        m_repeatAfterCompletionCheckbox->setVisible(c.showsRepeatAfterCompletion());
        m_repeatAfterCompletionCheckbox->setChecked(c.repeatAfterCompletion());
    }
    m_endTypePopUpButton->setCurrentIndex(m_endTypePopUpButton->findData(c.endMode()));
    m_endAfterOccurrencesField->setVisible(c.showsOccurrenceCount());
    m_endAfterOccurrencesLabel->setVisible(c.showsOccurrenceCount());
    p_setText(m_endAfterOccurrencesField, QString::number(c.occurrenceCount()));
    m_endDateField->setVisible(c.showsEndDate());
    p_setText(m_endDateField, dateText(c.endDate()));
    m_dueDatePopUpButton->setCurrentIndex(c.hasDueDate() ? 1 : 0);
    m_startDueGapDaysField->setVisible(c.hasDueDate());
    m_startDueGapDaysLabel->setVisible(c.hasDueDate());
    p_setText(m_startDueGapDaysField, c.hasStartDueGap() ? QString::number(c.startDueGapDays()) : QString());
    // The balloon follows the rows shown and hidden.
    if (layout()) layout()->activate();
    if (TDBalloonPanel* balloon = p_balloon(); balloon && balloon->viewController() == this) {
        const QSize content = sizeHint();
        balloon->setFrameSize(QSize(content.width(), content.height() + TDBalloonGeometry::kArrowHeight),
                              true);
    }
}

// What is typed in a field counts even when the field was not left.
void TDRecurrenceEditView::p_finishEditing() {
    for (QLineEdit* field : {m_ruleField, m_nextStartDateField, m_endAfterOccurrencesField, m_endDateField,
                             m_startDueGapDaysField})
        if (field->isModified()) Q_EMIT field->editingFinished();
}

void TDRecurrenceEditView::okay() {
    if (m_confirming || !m_controller.task()) return;
    m_confirming = true;
    p_finishEditing();
    m_controller.okay();
    m_confirming = false;
    if (TDBalloonPanel* balloon = p_balloon())
        balloon->orderOut();
    else
        hide();
}

void TDRecurrenceEditView::keyPressEvent(QKeyEvent* event) {
    // No cancel: Esc confirms.
    if (event->key() == Qt::Key_Escape) return okay();
    TDCompletionViewController::keyPressEvent(event);
}

void TDRecurrenceEditView::hideEvent(QHideEvent* event) {
    TDCompletionViewController::hideEvent(event);
    // The balloon closing by any way confirms too.
    okay();
}

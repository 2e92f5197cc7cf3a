#include "taskviews/gui/task_info_view.h"

#include "controls/gui/balloon_panel.h"
#include "controls/gui/raised_text_view.h"
#include "controls/gui/resize_grip.h"
#include "taskviews/gui/recurrence_edit_view.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {

using Field = TDTaskInfoViewController::Field;

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

QColor controlTextColor(const QWidget* widget, bool enabledLook) {
    return widget->palette().color(enabledLook ? QPalette::Active : QPalette::Disabled, QPalette::ButtonText);
}

}  // namespace

TDTaskInfoView::TDTaskInfoView(TDTaskInfoViewController& controller, QWidget* parent)
    : QWidget(parent), m_controller(controller), m_raisedTextView(new TDRaisedTextView(this)) {
    setFocusPolicy(Qt::ClickFocus);
    setAutoFillBackground(true);
    QPalette colors = palette();
    colors.setColor(QPalette::Window, QColor::fromRgbF(0.9f, 0.9f, 0.9f));
    setPalette(colors);

    m_resizeHandle = new QWidget(this);
    m_resizeHandle->setCursor(Qt::SplitVCursor);
    auto* header = new QLabel(localized("INFORMATION"), m_resizeHandle);
    QFont headerFont = header->font();
    headerFont.setPointSizeF(12);
    header->setFont(headerFont);
    header->setStyleSheet(QStringLiteral("color: #555;"));
    auto* headerLayout = new QHBoxLayout(m_resizeHandle);
    headerLayout->setContentsMargins(12, 6, 8, 2);
    headerLayout->addWidget(header);
    headerLayout->addStretch(1);
    headerLayout->addWidget(new TDResizeGrip(Qt::Vertical, m_resizeHandle));

    // The header reaches the pane's top and sides, so that all of it can be taken.
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(m_resizeHandle);
    auto* grid = new QGridLayout;
    outer->addLayout(grid, 1);
    grid->setContentsMargins(12, 4, 12, 12);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    struct Row {
        Field field;
        const char* title;
        int type;
    };
    const Row rows[] = {{Field::StartDate, "Start", TDInspectorTextField::Date},
                        {Field::DueDate, "Due", TDInspectorTextField::Date},
                        {Field::Estimate, "Estimate", TDInspectorTextField::Estimate},
                        {Field::ActualTime, "Actual", TDInspectorTextField::PlainText}};
    int row = 0;
    for (const auto& [field, title, type] : rows) {
        auto* edit = new TDInspectorTextField(this);
        edit->setFieldType(type);
        edit->installEventFilter(this);
        auto* label = new TDInspectorTextField(this);
        label->setText(localized(title));
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        label->setTargetField(edit);
        edit->setAccessibleName(localized(title));
        m_fields.insert(int(field), edit);
        m_raisedTextView->serve(edit);
        connect(edit, &QLineEdit::editingFinished, this, [this, field = field] { p_commit(field); });
        connect(edit, &TDInspectorTextField::completionFinished, this,
                [this, field = field](const QVariant& value) { p_storePickedValue(field, value); });
        connect(edit, &TDInspectorTextField::recurrenceToggled, this, [this, edit] {
            if (edit->datePanel())
                TDRecurrenceEditView::showInBalloon(*edit->datePanel(), m_controller.tasksController());
        });
        grid->addWidget(label, row, 0);
        grid->addWidget(edit, row, 1);
        ++row;
    }
    auto* contextLabel = new QLabel(localized("Context"), this);
    contextLabel->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    contextLabel->setContentsMargins(0, 0, 2, 0);
    m_contextPopUpButton = new QPushButton(this);
    m_contextPopUpButton->setAccessibleName(localized("Context"));
    m_contextPopUpButton->setFlat(true);
    // Its title lines up with the values of the fields above it.
    m_contextPopUpButton->setStyleSheet(QStringLiteral("text-align: left; padding: 2px 4px 2px 1px;"));
    auto* menu = new QMenu(m_contextPopUpButton);
    m_contextPopUpButton->setMenu(menu);
    // The menu is made when it opens: the placeholders are never among its choices.
    connect(menu, &QMenu::aboutToShow, this, [this, menu] {
        menu->clear();
        const QList<TDTaskInfoViewController::ContextItem> items = m_controller.contextMenuItems();
        for (const TDTaskInfoViewController::ContextItem& item : items) {
            if (!item.tag) menu->addSeparator();
            TDTag* tag = item.tag;
            connect(menu->addAction(item.title), &QAction::triggered, this,
                    [this, tag] { m_controller.setContext(tag); });
        }
    });
    grid->addWidget(contextLabel, row, 0);
    grid->addWidget(m_contextPopUpButton, row, 1, Qt::AlignLeft);
    grid->setRowStretch(row + 1, 1);
    grid->setColumnStretch(1, 1);

    connect(&m_controller, &TDTaskInfoViewController::changed, this, &TDTaskInfoView::p_update);
    p_update();
}

TDTaskInfoView::~TDTaskInfoView() {
    // A field losing the focus as the window closes has nothing left to commit to.
    for (QLineEdit* edit : std::as_const(m_fields)) edit->disconnect(this);
}

// What a balloon picked is stored as it is (a slider's seconds are not read back from their words), and
// editing ends.
void TDTaskInfoView::p_storePickedValue(Field field, const QVariant& value) {
    TDInspectorTextField* edit = m_fields.value(int(field));
    if (field == Field::Estimate) {
        edit->setModified(false);
        m_controller.setEstimatedTime(value.toDouble());
    }
    setFocus();
    p_showValue(field);
}

void TDTaskInfoView::p_update() {
    for (auto it = m_fields.cbegin(); it != m_fields.cend(); ++it)
        if (!it.value()->hasFocus()) p_showValue(Field(it.key()));
    p_updateContextPopUp();
}

void TDTaskInfoView::p_showValue(Field field) {
    TDInspectorTextField* edit = m_fields.value(int(field));
    const TDTaskInfoViewController::FieldValue value = m_controller.value(field);
    edit->setText(value.text);
    edit->setPlaceholderText(value.placeholder);
    edit->setReadOnly(!value.editable);
    edit->setFocusPolicy(value.editable ? Qt::StrongFocus : Qt::NoFocus);
    edit->setModified(false);
}

void TDTaskInfoView::p_commit(Field field) {
    QLineEdit* edit = m_fields.value(int(field));
    if (!edit->isModified()) return p_showValue(field);
    edit->setModified(false);
    // Refused text leaves the task as it was; the field shows its value again.
    m_controller.setText(field, edit->text());
    p_showValue(field);
}

void TDTaskInfoView::p_updateContextPopUp() {
    m_contextPopUpButton->setText(m_controller.contextTitle());
    m_contextPopUpButton->setEnabled(m_controller.contextEnabled());
    QPalette colors = m_contextPopUpButton->palette();
    colors.setColor(QPalette::ButtonText, controlTextColor(this, m_controller.contextIsTag()));
    m_contextPopUpButton->setPalette(colors);
}

bool TDTaskInfoView::eventFilter(QObject* watched, QEvent* event) {
    const auto found =
        std::find_if(m_fields.cbegin(), m_fields.cend(), [&](QLineEdit* e) { return e == watched; });
    if (found == m_fields.cend()) return QWidget::eventFilter(watched, event);
    QLineEdit* edit = found.value();
    const Field field = Field(found.key());
    if (event->type() == QEvent::FocusIn && !edit->isReadOnly()) {
        // The actual time is edited as a plain duration.
        edit->setText(m_controller.editingText(field));
        edit->setModified(false);
    } else if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
        // Esc puts back the value from before editing, then editing ends.
        edit->setModified(false);
        p_showValue(field);
        setFocus();
        return true;
    } else if (event->type() == QEvent::KeyPress &&
               (static_cast<QKeyEvent*>(event)->key() == Qt::Key_Return ||
                static_cast<QKeyEvent*>(event)->key() == Qt::Key_Enter)) {
        p_commit(field);
        setFocus();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void TDTaskInfoView::mousePressEvent(QMouseEvent* event) {
    // A click on the background ends editing.
    setFocus();
    QWidget::mousePressEvent(event);
}

#include "auxiliary/gui/smart_folder_edit_sheet.h"

#include "auxiliary/gui/rule_editor.h"
#include "auxiliary/smart_folder_edit_window_controller.h"
#include "language/localized_string.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>

TDSmartFolderEditSheet::TDSmartFolderEditSheet(TDSmartFolderEditWindowController& controller, QWidget* window)
    : QDialog(window), m_controller(controller) {
    setObjectName(QStringLiteral("SmartFolderEdit"));
    setWindowTitle(controller.group() ? TDLocalizedString("Edit Smart Folder")
                                      : TDLocalizedString("New Smart Folder"));
    setWindowModality(Qt::WindowModal);
    setAttribute(Qt::WA_DeleteOnClose);
    auto* layout = new QVBoxLayout(this);
    m_match = new QLabel(TDLocalizedString("Show the tasks that match these rules:"), this);
    layout->addWidget(m_match);
    m_editor = new TRRuleEditor(controller.ruleEditor(), this);
    m_scroll = new QScrollArea(this);
    m_scroll->setWidget(m_editor);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scroll->setFrameShape(QFrame::StyledPanel);
    layout->addWidget(m_scroll, 1);
    m_buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    QDialogButtonBox* buttons = m_buttons;
    m_okButton = buttons->button(QDialogButtonBox::Ok);
    m_okButton->setEnabled(controller.ruleEditor().isOKEnabled());
    layout->addWidget(buttons);
    connect(&controller.ruleEditor(), &TRRuleEditorModel::okEnabledChanged, m_okButton,
            &QPushButton::setEnabled);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        // A value still being typed belongs to the rule.
        m_editor->commitEditing();
        accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(this, &QDialog::finished, this, [this](int result) {
        // The main window takes the keyboard back first: a new folder's title opens for editing in it.
        if (QWidget* window = parentWidget()) window->activateWindow();
        result == QDialog::Accepted ? m_controller.okay() : m_controller.cancel();
    });
    connect(m_editor, &TRRuleEditor::rowCountChanged, this, &TDSmartFolderEditSheet::p_fitHeightToRows);
    p_fitHeightToRows();
}

void TDSmartFolderEditSheet::p_fitHeightToRows() {
    const int rowsHeight = m_editor->numberOfRows() * m_editor->rowHeight() + 2 * m_scroll->frameWidth();
    const QMargins margins = layout()->contentsMargins();
    const int chrome = margins.top() + margins.bottom() + 2 * layout()->spacing() +
                       m_match->sizeHint().height() + m_buttons->sizeHint().height();
    int height = chrome + rowsHeight;
    if (QScreen* screen = parentWidget() ? parentWidget()->screen() : this->screen())
        height = qMin(height, screen->availableGeometry().height());
    m_scroll->setMinimumHeight(qMin(rowsHeight, height - chrome));
    // The window's minimum follows the layout's at once, or a shrinking window would stop at the old one.
    layout()->activate();
    resize(qMax(width(), m_editor->sizeHint().width() + 40), height);
}

#include "auxiliary/gui/rule_editor.h"

#include "app/option_key_notifications.h"
#include "auxiliary/gui/rule_row_view.h"
#include "auxiliary/rule_editor_model.h"
#include "platform/notifications/notification_center.h"

#include <QGuiApplication>
#include <QVBoxLayout>

TRRuleEditor::TRRuleEditor(TRRuleEditorModel& model, QWidget* parent) : QWidget(parent), m_model(model) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addStretch(1);
    connect(&model, &TRRuleEditorModel::rowsReset, this, &TRRuleEditor::p_rebuildRows);
    connect(&model, &TRRuleEditorModel::rowsInserted, this, &TRRuleEditor::p_rebuildRows);
    connect(&model, &TRRuleEditorModel::rowRemoved, this, &TRRuleEditor::p_rebuildRows);
    auto& center = platform::NotificationCenter::defaultCenter();
    center.addObserver(this, TDOptionKeyDown, nullptr,
                       [this](const platform::Notification&) { m_model.setOptionKeyDown(true); });
    center.addObserver(this, TDOptionKeyUp, nullptr,
                       [this](const platform::Notification&) { m_model.setOptionKeyDown(false); });
    // Alt already held when the sheet opens shows the ellipsis at once.
    m_model.setOptionKeyDown(QGuiApplication::queryKeyboardModifiers() & Qt::AltModifier);
    p_rebuildRows();
}

TRRuleEditor::~TRRuleEditor() {
    platform::NotificationCenter::defaultCenter().removeObserver(this);
}

bool TRRuleEditor::commitEditing() {
    for (TRRuleRowView* row : m_rows) row->commitEditing();
    return true;
}

QSize TRRuleEditor::sizeHint() const {
    return QSize(560, numberOfRows() * m_rowHeight);
}

void TRRuleEditor::p_rebuildRows() {
    // A row may be rebuilt from within its own button's click, so old rows go later.
    for (TRRuleRowView* row : m_rows) {
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    auto* layout = static_cast<QVBoxLayout*>(this->layout());
    for (int index = 0; index < m_model.numberOfRows(); ++index) {
        auto* row = new TRRuleRowView(m_model, index, this);
        row->setFixedHeight(m_rowHeight);
        layout->insertWidget(index, row);
        m_rows.push_back(row);
    }
    setMinimumHeight(numberOfRows() * m_rowHeight);
    updateGeometry();
    Q_EMIT rowCountChanged(numberOfRows());
}

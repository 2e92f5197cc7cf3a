#include "auxiliary/gui/rule_row_view.h"

#include "auxiliary/rule_editor_model.h"
#include "language/localized_string.h"

#include <QComboBox>
#include <QCompleter>
#include <QDateEdit>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QSpinBox>
#include <QToolButton>

#include <climits>
#include <functional>

namespace {

constexpr int kButtonSize = 22;

QComboBox* popup(QWidget* parent) {
    auto* box = new QComboBox(parent);
    box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    box->setMinimumContentsLength(6);
    return box;
}

void selectData(QComboBox* box, const QVariant& data) {
    const int index = box->findData(data);
    box->setCurrentIndex(index >= 0 ? index : 0);
}

// A quantity and its unit, as relative dates and time amounts are entered.
QWidget* quantityAndUnit(QWidget* parent, int minimum, qint64 quantity,
                         const QList<std::pair<const char*, QString>>& units, const QString& unit,
                         std::function<void(qint64, const QString&)> changed) {
    auto* box = new QWidget(parent);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(8);
    auto* amount = new QSpinBox(box);
    amount->setRange(minimum, 99999);
    amount->setValue(int(quantity));
    amount->setAlignment(Qt::AlignRight);
    auto* unitPopup = popup(box);
    for (const auto& [name, letter] : units) unitPopup->addItem(TDLocalizedString(name), letter);
    selectData(unitPopup, unit);
    layout->addWidget(amount, 36);
    layout->addWidget(unitPopup, 64);
    auto report = [amount, unitPopup, changed] {
        changed(amount->value(), unitPopup->currentData().toString());
    };
    QObject::connect(amount, &QSpinBox::valueChanged, box, report);
    QObject::connect(unitPopup, &QComboBox::activated, box, report);
    return box;
}

}  // namespace

TRRuleRowView::TRRuleRowView(TRRuleEditorModel& model, int row, QWidget* parent)
    : QWidget(parent),
      m_model(model),
      m_row(row),
      m_fieldsPopup(popup(this)),
      m_conditionPopup(popup(this)),
      m_removeButton(new QToolButton(this)),
      m_addButton(new QToolButton(this)) {
    setAutoFillBackground(false);
    auto* layout = new QHBoxLayout(this);
    const int indent = model.row(row).depth * 30;
    layout->setContentsMargins(8 + indent, 3, 4, 3);
    layout->setSpacing(8);
    layout->addWidget(m_fieldsPopup, 1);
    m_removeButton->setText(QStringLiteral("\u2212"));
    m_removeButton->setToolTip(TDLocalizedString("Remove this rule"));
    m_addButton->setToolTip(TDLocalizedString("Add a rule; with Alt held, a group of rules"));
    for (QToolButton* button : {m_removeButton, m_addButton}) {
        button->setFixedSize(kButtonSize, kButtonSize);
        button->setAutoRaise(false);
    }

    const TRRuleEditorModel::Row& data = model.row(row);
    if (data.rule->isCompoundRule()) {
        m_fieldsPopup->addItem(TDLocalizedString("All"), int(TRRuleTypeAll));
        m_fieldsPopup->addItem(TDLocalizedString("Any"), int(TRRuleTypeAny));
        m_fieldsPopup->addItem(TDLocalizedString("None"), int(TRRuleTypeNone));
        m_fieldsPopup->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        layout->setStretch(0, 0);
        auto* label = new QLabel(TDLocalizedString("of the following are true"), this);
        layout->addWidget(label, 1);
        m_conditionPopup->hide();
        connect(m_fieldsPopup, &QComboBox::activated, this, [this](int index) {
            m_model.setCompoundTypeOfRow(m_row, m_fieldsPopup->itemData(index).toInt());
        });
    } else {
        const auto& fields = model.fields();
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i)->isSeparator())
                m_fieldsPopup->insertSeparator(m_fieldsPopup->count());
            else
                m_fieldsPopup->addItem(fields.at(i)->name(), i);
        }
        layout->addWidget(m_conditionPopup, 1);
        connect(m_fieldsPopup, &QComboBox::activated, this, [this](int index) {
            const int field = m_fieldsPopup->itemData(index).toInt();
            m_model.setFieldOfRow(m_row, m_model.fields().value(field).get());
            if (m_valueText) m_valueText->setFocus();
        });
        connect(m_conditionPopup, &QComboBox::activated, this, [this](int index) {
            m_model.setConditionOfRow(m_row, m_conditionPopup->itemData(index).toInt());
        });
    }
    layout->addWidget(m_removeButton);
    layout->addWidget(m_addButton);
    m_removeButton->setVisible(!data.removeHidden);
    m_removeButton->setEnabled(data.canRemove);
    connect(m_removeButton, &QToolButton::clicked, this, [this] { m_model.removeRow(m_row); });
    connect(m_addButton, &QToolButton::clicked, this, [this] { m_model.addAfterRow(m_row); });
    connect(&model, &TRRuleEditorModel::optionKeyChanged, this, &TRRuleRowView::p_updateAddButton);
    connect(&model, &TRRuleEditorModel::rowChanged, this, [this](int changed) {
        if (changed == m_row) p_updateForRule();
    });
    p_updateAddButton(model.isOptionKeyDown());
    p_updateForRule();
}

void TRRuleRowView::commitEditing() {
    if (m_valueText && m_valueText->isModified()) Q_EMIT m_valueText->textEdited(m_valueText->text());
}

void TRRuleRowView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_row % 2 ? palette().alternateBase() : palette().base());
}

void TRRuleRowView::p_updateAddButton(bool optionDown) {
    m_addButton->setText(optionDown ? QStringLiteral("\u2026") : QStringLiteral("+"));
}

void TRRuleRowView::p_updateForRule() {
    const TRRuleEditorModel::Row& data = m_model.row(m_row);
    if (data.rule->isCompoundRule()) {
        selectData(m_fieldsPopup, data.rule->ruleType());
        return;
    }
    const TRRuleField* field = m_model.fieldOfRow(m_row);
    int fieldIndex = -1;
    for (int i = 0; i < m_model.fields().size(); ++i)
        if (m_model.fields().at(i).get() == field) fieldIndex = i;
    selectData(m_fieldsPopup, fieldIndex);
    m_conditionPopup->clear();
    for (const TRRuleCondition& condition : m_model.conditionsOfRow(m_row)) {
        if (condition.isSeparator())
            m_conditionPopup->insertSeparator(m_conditionPopup->count());
        else
            m_conditionPopup->addItem(condition.name(), condition.conditionType());
    }
    selectData(m_conditionPopup, static_cast<const TRComparisonRule&>(*data.rule).conditionType());
    p_updateValueView();
}

void TRRuleRowView::p_updateValueView() {
    const auto& rule = static_cast<const TRComparisonRule&>(*m_model.row(m_row).rule);
    const QString signature =
        QStringLiteral("%1 %2").arg(int(m_model.valueKindOfRow(m_row))).arg(rule.keyPath());
    if (signature != m_valueSignature || !m_valueView) {
        if (m_valueView) {
            m_valueView->hide();
            m_valueView->deleteLater();
        }
        m_valueText = nullptr;
        m_valueView = p_makeValueView();
        // A hidden value keeps its column, so the pop-ups stay aligned with the other rows.
        QSizePolicy policy = m_valueView->sizePolicy();
        policy.setRetainSizeWhenHidden(true);
        m_valueView->setSizePolicy(policy);
        m_valueSignature = signature;
        static_cast<QHBoxLayout*>(layout())->insertWidget(2, m_valueView, 1);
    }
    m_valueView->setVisible(!m_model.valueHiddenInRow(m_row));
}

QWidget* TRRuleRowView::p_makeValueView() {
    const auto& rule = static_cast<const TRComparisonRule&>(*m_model.row(m_row).rule);
    const TRRuleValueKind kind = m_model.valueKindOfRow(m_row);
    switch (kind) {
        case TRRuleValueKind::Date: {
            auto* date = new QDateEdit(rule.value().toDate(), this);
            date->setCalendarPopup(true);
            date->setDisplayFormat(QStringLiteral("yyyy-MM-dd"));
            connect(date, &QDateEdit::dateChanged, this,
                    [this](const QDate& day) { m_model.setValueOfRow(m_row, QDateTime(day, QTime(0, 0))); });
            return date;
        }
        case TRRuleValueKind::RelativeDate:
            return quantityAndUnit(this, 1, rule.relativeDateQuantity(),
                                   {{"days", QStringLiteral("d")},
                                    {"weeks", QStringLiteral("w")},
                                    {"months", QStringLiteral("m")},
                                    {"years", QStringLiteral("y")}},
                                   rule.relativeDateUnit(), [this](qint64 quantity, const QString& unit) {
                                       m_model.setRelativeDateOfRow(m_row, quantity, unit);
                                   });
        case TRRuleValueKind::TimeAmount:
            return quantityAndUnit(this, 0, qint64(rule.timeAmount()),
                                   {{"minutes", QStringLiteral("m")},
                                    {"hours", QStringLiteral("h")},
                                    {"days", QStringLiteral("d")},
                                    {"weeks", QStringLiteral("w")}},
                                   rule.timeAmountUnit(), [this](qint64 amount, const QString& unit) {
                                       m_model.setTimeAmountOfRow(m_row, double(amount), unit);
                                   });
        case TRRuleValueKind::List: {
            auto* list = popup(this);
            for (const QVariantMap& item : m_model.listItemsOfRow(m_row)) {
                const QVariant object = item.value(QStringLiteral("object"));
                if (object.isNull()) {
                    list->insertSeparator(list->count());
                    continue;
                }
                const int level = item.value(QStringLiteral("indentationLevel")).toInt();
                list->addItem(QString(level * 3, QLatin1Char(' ')) +
                                  item.value(QStringLiteral("displayValue")).toString(),
                              object);
            }
            selectData(list, rule.value());
            connect(list, &QComboBox::activated, this,
                    [this, list](int index) { m_model.setValueOfRow(m_row, list->itemData(index)); });
            return list;
        }
        default: {
            auto* text = new QLineEdit(rule.value().toString(), this);
            const bool number = kind == TRRuleValueKind::Number || kind == TRRuleValueKind::DataSize;
            if (number)
                text->setValidator(
                    new QIntValidator(kind == TRRuleValueKind::DataSize ? 1 : 0, INT_MAX, text));
            if (kind == TRRuleValueKind::Token)
                text->setCompleter(new QCompleter(m_model.completionsForRow(m_row, QString()), text));
            connect(text, &QLineEdit::textEdited, this, [this, number](const QString& typed) {
                m_model.setValueOfRow(m_row, number ? QVariant(typed.toLongLong()) : QVariant(typed));
            });
            m_valueText = text;
            return text;
        }
    }
}

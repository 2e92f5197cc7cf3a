#include "controls/gui/date_completion_view_controller.h"

#include "controls/gui/date_picker.h"
#include "language/date_additions.h"
#include "platform/base/clock.h"
#include "platform/transformers/value_transformer.h"

#include <QPushButton>
#include <QVBoxLayout>

TDDateCompletionViewController::TDDateCompletionViewController(QWidget* parent)
    : TDCompletionViewController(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(6, 4, 6, 6);
    layout->setSpacing(2);
    m_datePicker = new ODLDatePicker(this);
    m_datePicker->setMinimumSize(m_datePicker->sizeHint());
    layout->addWidget(m_datePicker);
    m_recurrenceToggleButton = new QPushButton(tr("Repeat…"), this);
    m_recurrenceToggleButton->setFocusPolicy(Qt::NoFocus);
    m_recurrenceToggleButton->setFlat(true);
    m_recurrenceToggleButton->setCursor(Qt::PointingHandCursor);
    m_recurrenceToggleButton->setStyleSheet(
        QStringLiteral("QPushButton { color: #2a62c9; padding: 1px 6px; border: none; }"
                       "QPushButton:hover { text-decoration: underline; }"));
    layout->addWidget(m_recurrenceToggleButton, 0, Qt::AlignRight);
    connect(m_datePicker, &ODLDatePicker::dateSelected, this, &TDDateCompletionViewController::p_selectDate);
    connect(m_recurrenceToggleButton, &QPushButton::clicked, this,
            &TDDateCompletionViewController::recurrenceToggled);
}

QSize TDDateCompletionViewController::sizeHint() const {
    return QSize(208, m_recurrenceToggleButton->isHidden() ? 206 : 230);
}

void TDDateCompletionViewController::hideRecurringButton() {
    m_recurrenceToggleButton->hide();
}

void TDDateCompletionViewController::setStringValue(const QString& text) {
    if (text.trimmed().isEmpty()) {
        m_date = TDClock::currentDateTime();
        m_datePicker->setDateValue(m_date.date());
        return;
    }
    const auto transformer = platform::valueTransformerForName(QStringLiteral("TDNaturalLanguageFutureDate"));
    if (!transformer) return;
    const QDateTime date = transformer->reverseTransformedValue(text).toDateTime();
    if (!date.isValid() || date == m_date) return;
    m_date = date;
    m_datePicker->setDateValue(date.date());
}

void TDDateCompletionViewController::p_selectDate(const QDate& day) {
    if (!day.isValid()) return;
    m_date = dates::dateAtStartOfDay(QDateTime(day, QTime(12, 0)));
    p_tellDelegate(m_date, true);
}

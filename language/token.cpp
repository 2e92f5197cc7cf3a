#include "language/token.h"

#include "language/natural_language_future_date_value_transformer.h"
#include "language/natural_language_time_interval_value_transformer.h"
#include "platform/base/log.h"

QString TDToken::editingString() const {
    if (m_value.isValid()) return formatString("%@[%@]", m_title, m_value);
    return m_title;
}

QString TDToken::displayString() const {
    if (m_title.isNull()) {
        logWithLevel(TDLogWarning, "WARNING", "token has nil title: %@", description());
        return formatString("%@", m_value);
    }
    if (m_title == TDDueTokenTitle && m_value.typeId() == QMetaType::QDateTime)
        return TDNaturalLanguageFutureDateValueTransformer::shared()->transformedValue(m_value).toString();
    if (m_title == TDPriorityTokenTitle) return formatString("%@", m_value);
    if (m_title == TDEstimateTokenTitle)
        return TDNaturalLanguageTimeIntervalValueTransformer::shared()->transformedValue(m_value).toString();
    return editingString();
}

QString TDToken::description() const {
    return formatString("<TDToken: title: %@ value: %@>", m_title, m_value);
}

// Archived recurrence rules from outside: a dictionary of any shape must be read or refused, and a rule
// that reads must describe itself, validate and step without crashing or hanging.
#include "model/recurrence_rule.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QVariantMap>

#include <cmath>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 4096) return 0;
    const QJsonDocument json =
        QJsonDocument::fromJson(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
    QVariantMap map = json.object().toVariantMap();
    // JSON has no dates; a number under "nextStartDate" stands for seconds since 2001.
    const QDateTime base(QDate(2001, 1, 1), QTime(0, 0), Qt::UTC);
    const QVariant seconds = map.value(QStringLiteral("nextStartDate"));
    if (seconds.metaType().id() == QMetaType::Double || seconds.metaType().id() == QMetaType::LongLong) {
        const double value = seconds.toDouble();
        const bool usable = std::isfinite(value) && std::fabs(value) < 1.0e10;
        map.insert(QStringLiteral("nextStartDate"), base.addSecs(usable ? qint64(value) : 0));
    }
    const Result<TDRecurrenceRule> rule = TDRecurrenceRule::fromVariantMap(map);
    if (!rule) return 0;
    rule->validate();
    rule->recurrenceDescription();
    QDateTime start, due;
    rule->getNextRecurringStartDate(&start, &due, QDateTime(QDate(2024, 6, 12), QTime(9, 0)));
    rule->predictedNextStartDateOnOrAfterDate(QDateTime(QDate(2024, 6, 12), QTime(9, 0)));
    return 0;
}

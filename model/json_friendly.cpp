#include "model/json_friendly.h"

#include "foundation/data_additions.h"

#include <QTimeZone>

#include <cmath>

namespace {

qint64 referenceDateMSecs() {
    static const qint64 msecs =
        QDateTime(QDate(2001, 1, 1), QTime(0, 0), QTimeZone::utc()).toMSecsSinceEpoch();
    return msecs;
}

// Far beyond any date a task carries, and well inside what a double holds exactly in milliseconds.
constexpr double kMaximumSeconds = 1.0e12;

}  // namespace

double TDTimeIntervalSinceReferenceDate(const QDateTime& date) {
    return double(date.toMSecsSinceEpoch() - referenceDateMSecs()) / 1000.0;
}

std::optional<QDateTime> TDDateWithTimeIntervalSinceReferenceDate(double seconds) {
    if (!std::isfinite(seconds) || std::fabs(seconds) > kMaximumSeconds) return std::nullopt;
    const QDateTime date = QDateTime::fromMSecsSinceEpoch(
        referenceDateMSecs() + qint64(std::llround(seconds * 1000.0)), QTimeZone::utc());
    if (!date.isValid()) return std::nullopt;
    return date;
}

QVariant TDMakeJSONFriendly(const QVariant& value) {
    switch (value.metaType().id()) {
        case QMetaType::QVariantMap: {
            QVariantMap map = value.toMap();
            for (auto it = map.begin(); it != map.end(); ++it) *it = TDMakeJSONFriendly(*it);
            return map;
        }
        case QMetaType::QVariantList: {
            QVariantList list = value.toList();
            for (qsizetype i = list.size() - 1; i >= 0; --i) list[i] = TDMakeJSONFriendly(list[i]);
            return list;
        }
        case QMetaType::QDateTime: {
            const QDateTime date = value.toDateTime();
            return date.isValid() ? QVariant(TDTimeIntervalSinceReferenceDate(date))
                                  : QVariant::fromValue(nullptr);
        }
        case QMetaType::QByteArray:
            return base64EncodedString(value.toByteArray());
        default:
            return value;
    }
}

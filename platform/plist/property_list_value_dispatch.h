#pragma once

#include "platform/plist/property_list.h"

#include <QDateTime>
#include <QVariantHash>
#include <QVariantList>
#include <QVariantMap>

#include <limits>
#include <type_traits>

namespace platform {

inline TDError unsupportedPropertyListValue(const QString& what) {
    return propertyListError(
        TDPropertyListErrorUnsupportedValue,
        QStringLiteral("A value of type %1 cannot be written to a property list.").arg(what));
}

namespace detail {

template <typename R, typename Call>
R propertyListSinkResult(Call&& call) {
    if constexpr (std::is_void_v<std::invoke_result_t<Call>>) {
        call();
        return R();
    } else {
        return call();
    }
}

}  // namespace detail

// Which kind of property-list element a value of the QVariant form (property_list.h) is, told apart
// once for every writer so that the writers cannot come to disagree. The sink is called with `args`
// first and then the value as its kind holds it: dictionary (QVariantMap or QVariantHash), array,
// string, boolean, integer (qint64), real, date (QDateTime), data; refused with the error for a value
// of no kind. A sink member that returns nothing counts as R().
template <typename R, typename Sink, typename... Args>
R dispatchPropertyListValue(const QVariant& value, Sink& sink, Args... args) {
    using detail::propertyListSinkResult;
    switch (value.metaType().id()) {
        case QMetaType::QVariantMap:
            return propertyListSinkResult<R>([&] { return sink.dictionary(args..., value.toMap()); });
        case QMetaType::QVariantHash:
            return propertyListSinkResult<R>([&] { return sink.dictionary(args..., value.toHash()); });
        case QMetaType::QVariantList:
        case QMetaType::QStringList:
            return propertyListSinkResult<R>([&] { return sink.array(args..., value.toList()); });
        case QMetaType::QString:
            return propertyListSinkResult<R>([&] { return sink.string(args..., value.toString()); });
        case QMetaType::Bool:
            return propertyListSinkResult<R>([&] { return sink.boolean(args..., value.toBool()); });
        case QMetaType::Int:
        case QMetaType::Long:
        case QMetaType::LongLong:
        case QMetaType::Short:
            return propertyListSinkResult<R>([&] { return sink.integer(args..., value.toLongLong()); });
        case QMetaType::UInt:
        case QMetaType::ULong:
        case QMetaType::UShort:
        case QMetaType::ULongLong:
            // Integers are read back signed; a larger value would come back negative.
            if (value.toULongLong() > quint64(std::numeric_limits<qint64>::max()))
                return sink.refused(unsupportedPropertyListValue(
                    QStringLiteral("an unsigned integer above the signed range")));
            return propertyListSinkResult<R>(
                [&] { return sink.integer(args..., qint64(value.toULongLong())); });
        case QMetaType::Double:
        case QMetaType::Float:
            return propertyListSinkResult<R>([&] { return sink.real(args..., value.toDouble()); });
        case QMetaType::QDateTime:
            return propertyListSinkResult<R>([&] { return sink.date(args..., value.toDateTime()); });
        case QMetaType::QByteArray:
            return propertyListSinkResult<R>([&] { return sink.data(args..., value.toByteArray()); });
        default:
            return sink.refused(unsupportedPropertyListValue(
                QString::fromLatin1(value.metaType().name() ? value.metaType().name() : "(none)")));
    }
}

}  // namespace platform

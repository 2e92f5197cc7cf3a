#include "model/property_list_value_transformer.h"

#include "platform/base/log.h"
#include "platform/plist/property_list.h"

QVariant TDPropertyListValueTransformer::transformedValue(const QVariant& value) const {
    if (!value.isValid()) return {};
    const auto data = platform::writePropertyList(value, platform::PropertyListFormat::Binary);
    if (!data) {
        logWithLevel(TDLogError, "ERROR", "Could not store property list: %@",
                     data.error().detailedDescription());
        return {};
    }
    return *data;
}

QVariant TDPropertyListValueTransformer::reverseTransformedValue(const QVariant& value) const {
    const QByteArray data = value.toByteArray();
    if (data.isEmpty()) return {};
    const auto plist = platform::readPropertyList(data);
    if (!plist) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read stored property list: %@",
                     plist.error().detailedDescription());
        return {};
    }
    return *plist;
}

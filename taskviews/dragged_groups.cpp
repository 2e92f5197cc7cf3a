#include "taskviews/dragged_groups.h"

#include "model/group.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"

#include <QMimeData>

namespace {

// Far more than the UIDs of any library's groups.
constexpr qsizetype kMaximumUIDListBytes = 64 * 1024 * 1024;

}  // namespace

QStringList TDDraggedGroupUIDs(const QMimeData* data) {
    if (!data || !data->hasFormat(TDPasteboardTypes::GroupUIDs)) return {};
    const Result<QVariant> list =
        platform::readPropertyList(data->data(TDPasteboardTypes::GroupUIDs), kMaximumUIDListBytes);
    if (!list || list->typeId() != QMetaType::QVariantList) return {};
    QStringList uids;
    for (const QVariant& element : list->toList()) {
        if (element.typeId() != QMetaType::QString) return {};
        uids.append(element.toString());
    }
    return uids;
}

QMimeData* TDMimeDataForGroups(const QList<TDGroup*>& groups) {
    QVariantList uids;
    for (const TDGroup* group : groups) uids.append(group->uid());
    const Result<QByteArray> plist = platform::writePropertyList(uids);
    if (!plist) return nullptr;
    auto* data = new QMimeData;
    data->setData(TDPasteboardTypes::GroupUIDs, *plist);
    return data;
}

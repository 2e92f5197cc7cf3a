#include "taskviews/drag_badge.h"

TDDragBadge TDDragBadgeForCount(qint64 count) {
    // Beyond five digits the badge says so rather than growing further.
    const QString text = count > 99999 ? QStringLiteral("99999+") : QString::number(count);
    if (count <= 99) return {QStringLiteral("countBadge1&2"), text, 2};
    if (count <= 999) return {QStringLiteral("countBadge3"), text, 3};
    if (count <= 9999) return {QStringLiteral("countBadge4"), text, 4};
    return {QStringLiteral("countBadge5"), text, 5};
}

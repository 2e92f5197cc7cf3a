#include "store/group_view_options.h"

#include "model/group.h"
#include "store/library_manager.h"

namespace {
const QString kGroupViewOptionsKey = QStringLiteral("groupViewOptions");
const QString kSortingAttributeKey = QStringLiteral("sortingAttribute");
const QString kReverseSortKey = QStringLiteral("reverseSort");
}  // namespace

QVariantMap TDGroupViewOptions(const QString& groupUID) {
    return TDLibraryManager::sharedManager()
        .optionForKey(kGroupViewOptionsKey)
        .toMap()
        .value(groupUID)
        .toMap();
}

QString TDGroupSavedSortingAttribute(const QString& groupUID) {
    const QVariant attribute = TDGroupViewOptions(groupUID).value(kSortingAttributeKey);
    return attribute.isValid() ? attribute.toString() : QString();
}

QString TDGroupSortingAttribute(const TDGroup& group) {
    const QString saved = TDGroupSavedSortingAttribute(group.uid());
    return saved.isNull() ? group.defaultSortingAttribute() : saved;
}

bool TDGroupSavedReverseSort(const QString& groupUID) {
    return TDGroupViewOptions(groupUID).value(kReverseSortKey).toBool();
}

void TDSetGroupSavedSorting(const QString& groupUID, const QString& attribute, bool reverseSort) {
    TDLibraryManager& manager = TDLibraryManager::sharedManager();
    QVariantMap options = manager.optionForKey(kGroupViewOptionsKey).toMap();
    QVariantMap entry = options.value(groupUID).toMap();
    if (attribute.isNull())
        entry.remove(kSortingAttributeKey);
    else
        entry.insert(kSortingAttributeKey, attribute);
    if (reverseSort)
        entry.insert(kReverseSortKey, true);
    else
        entry.remove(kReverseSortKey);
    options.insert(groupUID, entry);
    manager.setOption(options, kGroupViewOptionsKey);
    manager.saveOptionsDictionary();
}

#include "store/group_view_options.h"

#include "model/group.h"
#include "model/library_options.h"

namespace {
const QString kGroupViewOptionsKey = QStringLiteral("groupViewOptions");
const QString kSortingAttributeKey = QStringLiteral("sortingAttribute");
const QString kReverseSortKey = QStringLiteral("reverseSort");
}  // namespace

QVariantMap TDGroupViewOptions(TDLibraryOptions& options, const QString& groupUID) {
    return options.optionForKey(kGroupViewOptionsKey).toMap().value(groupUID).toMap();
}

QString TDGroupSavedSortingAttribute(TDLibraryOptions& options, const QString& groupUID) {
    const QVariant attribute = TDGroupViewOptions(options, groupUID).value(kSortingAttributeKey);
    return attribute.isValid() ? attribute.toString() : QString();
}

QString TDGroupSortingAttribute(TDLibraryOptions& options, const TDGroup& group) {
    const QString saved = TDGroupSavedSortingAttribute(options, group.uid());
    return saved.isNull() ? group.defaultSortingAttribute() : saved;
}

bool TDGroupSavedReverseSort(TDLibraryOptions& options, const QString& groupUID) {
    return TDGroupViewOptions(options, groupUID).value(kReverseSortKey).toBool();
}

void TDSetGroupSavedSorting(TDLibraryOptions& options, const QString& groupUID, const QString& attribute,
                            bool reverseSort) {
    QVariantMap all = options.optionForKey(kGroupViewOptionsKey).toMap();
    QVariantMap entry = all.value(groupUID).toMap();
    if (attribute.isNull())
        entry.remove(kSortingAttributeKey);
    else
        entry.insert(kSortingAttributeKey, attribute);
    if (reverseSort)
        entry.insert(kReverseSortKey, true);
    else
        entry.remove(kReverseSortKey);
    all.insert(groupUID, entry);
    options.setOption(all, kGroupViewOptionsKey);
    options.saveOptionsDictionary();
}

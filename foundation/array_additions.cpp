#include "foundation/array_additions.h"

#include "foundation/string_additions.h"
#include "platform/kvc/key_value_coding.h"

#include <QCoreApplication>

#include <algorithm>
#include <utility>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

// Negative, zero or positive as a sorts before, with or after b; no value sorts first.
int compareValues(const QVariant& a, const QVariant& b, bool ignoringCase) {
    if (!a.isValid() || a.isNull()) return (!b.isValid() || b.isNull()) ? 0 : -1;
    if (!b.isValid() || b.isNull()) return 1;
    if (ignoringCase && a.typeId() == QMetaType::QString && b.typeId() == QMetaType::QString)
        return a.toString().compare(b.toString(), Qt::CaseInsensitive);
    const QPartialOrdering order = QVariant::compare(a, b);
    if (order == QPartialOrdering::Less) return -1;
    if (order == QPartialOrdering::Greater) return 1;
    return 0;
}

}  // namespace

QVariantList sortedArrayUsingKey(const QVariantList& list, const QString& keyPath, bool ascending,
                                 bool ignoringCase) {
    QList<std::pair<QVariant, QVariant>> keyed;  // (sort value, element)
    keyed.reserve(list.size());
    for (const QVariant& element : list) keyed.append({platform::valueForKeyPath(element, keyPath), element});
    std::stable_sort(keyed.begin(), keyed.end(), [&](const auto& a, const auto& b) {
        const int order = compareValues(a.first, b.first, ignoringCase);
        return ascending ? order < 0 : order > 0;
    });
    QVariantList sorted;
    sorted.reserve(keyed.size());
    for (const auto& entry : std::as_const(keyed)) sorted.append(entry.second);
    return sorted;
}

QStringList arrayByRemovingEmptyStrings(const QStringList& list) {
    QStringList kept;
    for (const QString& text : list) {
        if (!stringByTrimming(text).isEmpty()) kept.append(text);
    }
    return kept;
}

QString componentsJoinedByConjunction(const QStringList& list) {
    if (list.isEmpty()) return {};
    if (list.size() == 1) return list.first();
    const QString conjunction = localized("and ");
    if (list.size() == 2) return list.first() + QLatin1Char(' ') + conjunction + list.last();
    QString joined;
    for (qsizetype i = 0; i + 1 < list.size(); ++i) joined += list.at(i) + localized(", ");
    if (!joined.endsWith(QLatin1Char(' '))) joined += QLatin1Char(' ');
    return joined + conjunction + list.last();
}

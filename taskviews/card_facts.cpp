#include "taskviews/card_facts.h"

#include "foundation/string_additions.h"
#include "language/title_parser.h"
#include "model/library.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/plist/property_list.h"
#include "taskviews/pasteboard_types.h"

#include <QCoreApplication>
#include <QMimeData>

#include <algorithm>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

// A list of UIDs dragged from the source list is small; a larger one is not read.
constexpr qsizetype kMaximumUIDListBytes = 16 * 1024 * 1024;

QStringList groupUIDs(const QMimeData* data) {
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

}  // namespace

QString TDCardSubtaskCountDisplayString(quint64 count) {
    if (count == 0) return {};
    return stringWithQuantity(count, localized("subtask"), localized("subtasks"));
}

qreal TDCardTitleHeight(qreal needed, qreal baseHeight) {
    return std::clamp(needed, baseHeight, 3 * baseHeight);
}

QStringList TDCardTitleCompletions(TDLibrary* library, const QString& partialWord) {
    if (!library || !TDTitleParser::hasTagPrefix(partialWord)) return {};
    const QString typed = TDTitleParser::tagTitleFromEditingString(partialWord);
    QStringList titles;
    const QList<TDTag*> tags = typed.isEmpty() ? library->tagsWithoutTitlePrefix(QStringLiteral("@"))
                                               : library->tagsWithTitlePrefix(typed);
    for (TDTag* tag : tags) titles << tag->title();
    titles.sort(Qt::CaseSensitive);
    if (!typed.isEmpty())
        for (QString& title : titles)
            if (title.startsWith(QLatin1Char('@'))) title.remove(0, 1);
    return titles;
}

TDCardTagDrop TDCardTagDropForData(TDLibrary* library, const TDTask* task, const QMimeData* data) {
    TDCardTagDrop drop;
    const QStringList uids = groupUIDs(data);
    if (!library || !task || uids.isEmpty()) return drop;
    const QList<TDGroup*> owned = task->tags();
    for (qsizetype i = uids.size() - 1; i >= 0; --i) {
        TDGroup* group = library->groupWithUID(uids.at(i));
        auto* tag = dynamic_cast<TDTag*>(group);
        if (!tag || owned.contains(group)) return {};
        drop.tags.prepend(tag);
    }
    drop.accepted = true;
    return drop;
}

bool TDCardPerformTagDrop(TDLibrary* library, TDTask* task, const QMimeData* data) {
    if (!library || !task) return false;
    bool added = false;
    for (const QString& uid : groupUIDs(data))
        if (auto* tag = dynamic_cast<TDTag*>(library->groupWithUID(uid));
            tag && !task->tags().contains(tag)) {
            task->addTagsObject(tag);
            added = true;
        }
    return added;
}

#include "taskviews/card_facts.h"

#include "foundation/string_additions.h"
#include "language/title_parser.h"
#include "model/library.h"
#include "model/tag.h"
#include "model/task.h"
#include "taskviews/dragged_groups.h"

#include <QCoreApplication>

#include <algorithm>

namespace {

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
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
    const QStringList uids = TDDraggedGroupUIDs(data);
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
    for (const QString& uid : TDDraggedGroupUIDs(data))
        if (auto* tag = dynamic_cast<TDTag*>(library->groupWithUID(uid));
            tag && !task->tags().contains(tag)) {
            task->addTagsObject(tag);
            added = true;
        }
    return added;
}

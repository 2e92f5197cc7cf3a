#include "taskviews/task_drop_validation.h"

#include "model/group.h"
#include "model/task.h"

namespace {

using Kind = TDTaskRowItem::Kind;

constexpr TDTaskDropVerdict refused() {
    return {};
}

bool isCollectionOrTask(const TDTaskRowItem& item) {
    return item.kind == Kind::Task || item.kind == Kind::Section || item.kind == Kind::Header;
}

// Grouping by lists shows nothing at the root to drop between; grouping by anything but priority shows
// sections a task cannot be put into by hand.
bool groupingRefuses(const TDTaskDropFacts& facts, const TDTaskDrop& target) {
    if (!facts.grouping) return false;
    const bool intoSection = target.item.kind == Kind::Section;
    if (intoSection && facts.groupingLimit != 0 && target.childIndex >= qsizetype(facts.groupingLimit))
        return true;
    const QString& attribute = facts.groupingAttribute;
    if (attribute == QLatin1String("subgroup") || attribute == QLatin1String("list"))
        return target.item.isRoot();
    return intoSection && attribute != QLatin1String("priority");
}

TDTaskDropVerdict validateTaskMove(const TDTaskDropFacts& facts, TDTaskDrop target) {
    const bool sorted =
        !facts.sortingAttribute.isEmpty() && facts.sortingAttribute != QLatin1String("priority");
    TDTask* targetTask = target.item.task();
    for (auto it = facts.draggedTasks.crbegin(); it != facts.draggedTasks.crend(); ++it) {
        TDTask* task = *it;
        if (targetTask && targetTask->isDescendantOf(task)) return refused();
        if (target.item.isRoot() && facts.grouping) return refused();
        if (!sorted) continue;
        // A sorted list puts the task where its values say: only a new parent is a change.
        if (facts.parentOf && facts.parentOf(task) == target.item) return refused();
        if (facts.sortedIndex) target.childIndex = facts.sortedIndex(task, target.item);
    }
    return {facts.sourceAllowsMove ? Qt::MoveAction : Qt::CopyAction, target};
}

TDTaskDropVerdict validateTagging(const TDTaskDropFacts& facts) {
    TDTask* task = facts.pointerItem.task();
    if (!task || facts.draggedGroups.isEmpty()) return refused();
    const QList<TDGroup*> carried = task->tags();
    for (TDGroup* group : facts.draggedGroups)
        if (!group->isTag() || carried.contains(group)) return refused();
    return {Qt::LinkAction, {facts.pointerItem, -1}};
}

}  // namespace

TDTaskDropVerdict TDValidateTaskDrop(const TDTaskDropFacts& facts, const TDTaskDrop& proposed) {
    TDTaskDrop target = proposed;
    if (!target.item.isRoot() && !isCollectionOrTask(target.item)) return refused();
    if (target.item.isRoot() && target.childIndex < 0) return refused();
    if (facts.hasDummyHeader) {
        // Nothing goes above the list's own row; onto it means the top of the list.
        if (target.item.isRoot() && target.childIndex == 0) return refused();
        if (target.item.kind == Kind::Header) target = {TDTaskRowItem::root(), 1};
    }
    if (facts.type == TDTaskDropType::None) return refused();
    if (!target.item.isRoot() && target.childIndex < 0) target.childIndex = 0;
    if (target.item.isRoot() && facts.group && facts.group->isSmartFolder()) return refused();
    if (groupingRefuses(facts, target)) return refused();

    switch (facts.type) {
        case TDTaskDropType::TaskIDs:
            return validateTaskMove(facts, target);
        case TDTaskDropType::GroupUIDs:
            return validateTagging(facts);
        case TDTaskDropType::Files:
            return facts.fileCount > 0 ? TDTaskDropVerdict{Qt::LinkAction, target} : refused();
        case TDTaskDropType::TaskPlist:
        case TDTaskDropType::Other:
            return {Qt::CopyAction, target};
        case TDTaskDropType::None:
            break;
    }
    return refused();
}

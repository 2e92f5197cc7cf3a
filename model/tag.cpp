#include "model/tag.h"

#include "language/title_parser.h"
#include "model/task.h"

const QSet<QString>* TDTag::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys =
        *TDGroup::keysNotAffectingModifiedDate() + QSet<QString>{QStringLiteral("tasks")};
    return &keys;
}

QString TDTag::editingString() const {
    return TDTitleParser::tagEditingStringFromTitle(title());
}

void TDTag::setTitle(const QString& title, bool triggerChanges) {
    // A blank title has no token to write into the tasks' titles.
    if (title.trimmed().isEmpty()) return;
    if (triggerChanges) {
        const QString oldToken = editingString();
        const QString newToken = TDTitleParser::tagEditingStringFromTitle(title);
        for (TDTask* task : tasks()) {
            QString renamed = task->title();
            const QList<TDTitleParser::Range> ranges = TDTitleParser::tokenRangesFromEditingString(renamed);
            for (auto range = ranges.crbegin(); range != ranges.crend(); ++range)
                if (TDTitleParser::tagEditingStringIsEquivalentToString(
                        oldToken, renamed.mid(range->location, range->length)))
                    renamed.replace(range->location, range->length, newToken);
            // The task keeps this tag under its new name, so its tags are not derived again.
            task->setTitle(renamed, false);
        }
    }
    TDLibraryObject::setValue(QStringLiteral("title"), title);
}

void TDTag::mergeWithTag(TDTag* other) {
    if (!other || other == this) return;
    const QList<TDTask*> tasks = other->tasks();
    other->removeTasks(tasks);
    addTasks(tasks);
    other->deleteObject();
}

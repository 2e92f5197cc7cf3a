#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QMimeData;
class TDLibrary;
class TDTag;
class TDTask;

// The rules of one card that need no window: its subtask count, how far its title grows, what the
// title editor completes and which tag drops it takes.

// "1 subtask", "3 subtasks"; null for none.
QString TDCardSubtaskCountDisplayString(quint64 count);

// The title field's height for the height its text needs: never below the base height, at most three
// times it.
qreal TDCardTitleHeight(qreal needed, qreal baseHeight);

// The tag titles that complete the word before the caret: after a lone "/" every tag not beginning
// with "@"; after "@" and letters the tags beginning so, each without its "@"; sorted, case-sensitive.
QStringList TDCardTitleCompletions(TDLibrary* library, const QString& partialWord);

// A drop of groups on a card: taken only when every group is a tag the task does not have yet; the
// tags to add.
struct TDCardTagDrop {
    bool accepted = false;
    QList<TDTag*> tags;
};
TDCardTagDrop TDCardTagDropForData(TDLibrary* library, const TDTask* task, const QMimeData* data);
// The tags of the drop, added to the task; false when none was.
bool TDCardPerformTagDrop(TDLibrary* library, TDTask* task, const QMimeData* data);

#include "taskviews/task_find.h"

namespace TDTaskFind {

qsizetype nextMatch(const QStringList& titles, qsizetype selected, const QString& text, bool backwards,
                    bool selectedFirst) {
    if (text.isEmpty() || titles.isEmpty()) return -1;
    auto holds = [&](qsizetype index) { return titles.at(index).contains(text, Qt::CaseInsensitive); };
    const qsizetype count = titles.size();
    const bool hasSelection = selected >= 0 && selected < count;
    if (!backwards && selectedFirst && hasSelection && holds(selected)) return selected;
    const qsizetype step = backwards ? -1 : 1;
    qsizetype index = hasSelection ? selected + step : (backwards ? count - 1 : 0);
    for (; index >= 0 && index < count; index += step)
        if (holds(index)) return index;
    // Round again from the start of the direction.
    for (index = backwards ? count - 1 : 0; index >= 0 && index < count; index += step)
        if (holds(index)) return index;
    return -1;
}

}  // namespace TDTaskFind

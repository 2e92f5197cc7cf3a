#pragma once

#include <QString>
#include <QStringList>

// Find in task titles, case-insensitive: the index of the title to show next among `titles` (the task
// rows in order), -1 when none holds the text. Forwards, the selected title comes first when it holds
// the text and `selectedFirst` (nothing of it was searched yet); otherwise the walk starts after the selected
// one (from the first row when none is selected) and wraps around to the start of the walk's direction.
namespace TDTaskFind {
qsizetype nextMatch(const QStringList& titles, qsizetype selected, const QString& text, bool backwards,
                    bool selectedFirst = true);
}

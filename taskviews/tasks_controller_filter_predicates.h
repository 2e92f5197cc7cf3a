#pragma once

#include "platform/predicates/predicate.h"

#include <QList>
#include <QSet>

class TDTag;

// The two filters the tasks controller switches in and out, evaluated on tasks directly (they read a
// task's whole tree, which no key path of the model offers).

// "(ALL %@ IN tags) OR (orderedTasks.@count > 0 AND ALL %@ IN allTagsInTree)": the task carries every
// tag, or it has subtasks and its tree carries every tag (so a parent stays above a matching subtask).
platform::PredicatePtr TDMakeTagFilterPredicate(const QSet<TDTag*>& tags);
// "combinedTitlesFromTree contains[cd] %@": the text is in the titles of the task's tree, ignoring
// case and diacritics.
platform::PredicatePtr TDMakeTitleFilterPredicate(const QString& text);

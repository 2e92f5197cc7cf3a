#pragma once

#include "model/rule_field.h"

#include <QList>

#include <memory>

// The fields a smart folder's rule can test, in the editor's menu order with separators. The "Tag" field
// offers "is" and "is not" only when the library has tags. The lists and tags offered as values of
// "group" and "tag" are the editor's to fill; the priorities 1 to 9 are given here.
QList<std::shared_ptr<TRRuleField>> TDSmartFolderRuleFields(bool libraryHasTags);

#pragma once

#include <Qt>

// Roles an item model answers for the outline views of the controls kit.
enum TDOutlineItemRole : int {
    // A string that names the item across model resets and program runs (a uid, say); the saved
    // expanded, selection and editing states hold these strings.
    TDOutlinePersistentObjectRole = Qt::UserRole + 64,
    // The QColor a coloured checkbox cell tints its box with.
    TDOutlineCheckboxColorRole = Qt::UserRole + 65,
};

#pragma once

#include <QString>
#include <QVariantMap>

class TDGroup;

// A group's saved view options: its entry, keyed by the group's UID, in the open library's option
// "groupViewOptions". The tasks view reads a group's sorting from here.

// The group's entry; empty when none is saved.
QVariantMap TDGroupViewOptions(const QString& groupUID);
// The saved sorting attribute; a null string when none is saved (the group's default applies).
QString TDGroupSavedSortingAttribute(const QString& groupUID);
// The saved sorting attribute, else the group's default (a null string when it has none).
QString TDGroupSortingAttribute(const TDGroup& group);
// False when nothing is saved.
bool TDGroupSavedReverseSort(const QString& groupUID);
// Stores the sorting (a null attribute removes it; false removes the reverse flag) and writes the
// options file at once.
void TDSetGroupSavedSorting(const QString& groupUID, const QString& attribute, bool reverseSort);

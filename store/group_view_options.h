#pragma once

#include <QString>
#include <QVariantMap>

class TDGroup;
class TDLibraryOptions;

// A group's saved view options: its entry, keyed by the group's UID, in the library option
// "groupViewOptions" of the options given. The tasks view reads a group's sorting from here.

// The group's entry; empty when none is saved.
QVariantMap TDGroupViewOptions(TDLibraryOptions& options, const QString& groupUID);
// The saved sorting attribute; a null string when none is saved (the group's default applies).
QString TDGroupSavedSortingAttribute(TDLibraryOptions& options, const QString& groupUID);
// The saved sorting attribute, else the group's default (a null string when it has none).
QString TDGroupSortingAttribute(TDLibraryOptions& options, const TDGroup& group);
// False when nothing is saved.
bool TDGroupSavedReverseSort(TDLibraryOptions& options, const QString& groupUID);
// Stores the sorting (a null attribute removes it; false removes the reverse flag) and writes the
// options file at once.
void TDSetGroupSavedSorting(TDLibraryOptions& options, const QString& groupUID, const QString& attribute,
                            bool reverseSort);

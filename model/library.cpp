#include "model/library.h"

const QSet<QString>* TDLibrary::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys = baseKeysNotAffectingModifiedDate() +
                                      QSet<QString>{QStringLiteral("dockBadgeCount"), QStringLiteral("modifiedGroups"),
                                                    QStringLiteral("modifiedTasks")};
    return &keys;
}

// The group tree, smart folders and recurring copies fill these in; until then a new library is an
// empty root and there is nothing to process.
void TDLibrary::createObjectsForNewLibrary() {}
void TDLibrary::processModifiedObjects() {}
void TDLibrary::reloadAllSmartFolders() {}
void TDLibrary::createRecurringTasksIfNecessary() {}

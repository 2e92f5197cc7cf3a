#include "model/library.h"

const QSet<QString>* TDLibrary::keysNotAffectingModifiedDate() const {
    static const QSet<QString> keys = baseKeysNotAffectingModifiedDate() +
                                      QSet<QString>{QStringLiteral("dockBadgeCount"), QStringLiteral("modifiedGroups"),
                                                    QStringLiteral("modifiedTasks")};
    return &keys;
}

#pragma once

#include <QString>

// The four timings of a change of the library's context, and the clean-ups the splitter uses itself.
inline const QString TDLibraryMOCDidChangePriorityNotification =
    QStringLiteral("TDLibraryMOCDidChangePriorityNotification");
inline const QString TDLibraryMOCDidChangeNotification = QStringLiteral("TDLibraryMOCDidChangeNotification");
inline const QString TDLibraryMOCDidChangeDelayedNotification =
    QStringLiteral("TDLibraryMOCDidChangeDelayedNotification");
inline const QString TDLibraryMOCDidChangeDelayedUntilIdleNotification =
    QStringLiteral("TDLibraryMOCDidChangeDelayedUntilIdleNotification");
inline const QString TDLibraryMOCDidChangeDelayedCleanUpNotification =
    QStringLiteral("TDLibraryMOCDidChangeDelayedCleanUpNotification");
inline const QString TDLibraryMOCDidChangeDelayedUntilIdleCleanUpNotification =
    QStringLiteral("TDLibraryMOCDidChangeDelayedUntilIdleCleanUpNotification");

// The change sets of a context notification's user info, each a QVariantList of objects.
inline const QString TDInsertedObjectsKey = QStringLiteral("inserted");
inline const QString TDUpdatedObjectsKey = QStringLiteral("updated");
inline const QString TDDeletedObjectsKey = QStringLiteral("deleted");
inline const QString TDRefreshedObjectsKey = QStringLiteral("refreshed");
inline const QString TDInvalidatedObjectsKey = QStringLiteral("invalidated");
inline const QString TDInvalidatedAllObjectsKey = QStringLiteral("invalidatedAll");
// Beside the sets: the keys each updated or refreshed object changed (platform::ChangedKeys).
inline const QString TDUpdatedKeysKey = QStringLiteral("updatedKeys");

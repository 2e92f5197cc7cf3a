#pragma once

#include "platform/base/error.h"

#include <QString>

// Codes of TDErrorDomain that belong to the sync service. 606, 609, 613 and 614 are not used.
enum TDSyncErrorCode : int {
    TDSyncErrorUnexpectedServerError = 600,  // also every answer that is not what the protocol says
    TDSyncErrorCommunication = 601,
    TDSyncErrorAuthentication = 602,
    TDSyncErrorLibraryLocked = 603,
    TDSyncErrorLibraryBeingProcessed = 604,
    TDSyncErrorFullSyncRequired = 605,
    TDSyncErrorServiceMaintenance = 607,
    TDSyncErrorRequestTooBig = 608,
    TDSyncErrorVersionTooOld = 610,
    TDSyncErrorKeychain = 615,
};

// User-information key of the sync errors the user must see.
inline const QString TDSyncImportantError = QStringLiteral("TDSyncImportantError");

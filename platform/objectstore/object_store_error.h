#pragma once

#include "platform/base/error.h"

namespace platform {

inline const QString ObjectStoreErrorDomain = QStringLiteral("ObjectStoreErrorDomain");

// Codes of ObjectStoreErrorDomain.
enum ObjectStoreErrorCode : int {
    ObjectStoreErrorModelInvalid = 1,        // a model resource that cannot be read
    ObjectStoreErrorStoreCannotOpen = 10,    // missing, unreadable or corrupt file
    ObjectStoreErrorNotAStore = 11,          // an SQLite file that is not one of our stores
    ObjectStoreErrorIncompatibleModel = 12,  // a store made by another model version
    ObjectStoreErrorStoreIO = 13,            // reading or writing the store failed
    ObjectStoreErrorNoStore = 14,            // the coordinator has no open store
    ObjectStoreErrorValidation = 20,         // a validator refused a value
    ObjectStoreErrorMissingValue = 21,       // a non-optional property without value
    ObjectStoreErrorWrongType = 22,          // a value of the wrong type for its attribute
    ObjectStoreErrorDeleteDenied = 23,       // a deleted object still has objects under a deny rule
    ObjectStoreErrorDanglingReference = 24,  // a live object refers to a deleted one
    ObjectStoreErrorTransformFailed = 25,    // a transformable value its codec cannot encode
    ObjectStoreErrorNoSuchObject = 30,       // an object ID that names no object
    ObjectStoreErrorScratchContext = 31,     // a save of a context that is never saved
    ObjectStoreErrorMigrationFailed = 40,    // a migration step that could not be completed
};

// In an error's user information: the SQLite result code behind it, when there is one.
inline const QString ObjectStoreSQLiteCodeKey = QStringLiteral("sqliteCode");

inline TDError makeObjectStoreError(int code, const QString& description, const QVariantMap& userInfo = {}) {
    TDError error;
    error.domain = ObjectStoreErrorDomain;
    error.code = code;
    error.description = description;
    error.userInfo = userInfo;
    return error;
}

}  // namespace platform

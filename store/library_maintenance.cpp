#include "store/library_maintenance.h"

#include "store/library_fix_operation.h"
#include "store/library_validate_operation.h"

bool TDValidateLibrary(TDLibrary* library) {
    TDLibraryValidateOperation operation(library);
    operation.start();
    return operation.isValid();
}

quint64 TDFixLibrary(TDLibrary* library) {
    TDLibraryFixOperation operation(library);
    operation.start();
    return operation.numberOfProblemsFixed();
}

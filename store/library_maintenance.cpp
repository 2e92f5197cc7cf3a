// The library root's maintenance entry points; the checks and repairs live with the store.
#include "model/library.h"
#include "store/library_fix_operation.h"
#include "store/library_validate_operation.h"

bool TDLibrary::validateLibrary() {
    TDLibraryValidateOperation operation(this);
    operation.start();
    return operation.isValid();
}

quint64 TDLibrary::fixLibrary() {
    TDLibraryFixOperation operation(this);
    operation.start();
    return operation.numberOfProblemsFixed();
}

#include "store/library_version.h"

#include <cmath>

qint64 scaledLibraryVersion(double version) {
    return static_cast<qint64>(std::round(version * 100000.0));
}

int compareLibraryVersions(double a, double b) {
    const qint64 sa = scaledLibraryVersion(a);
    const qint64 sb = scaledLibraryVersion(b);
    return sb > sa ? -1 : (sa > sb ? 1 : 0);
}

bool libraryVersionIsNewer(double a, double b) {
    return compareLibraryVersions(a, b) < 0;
}

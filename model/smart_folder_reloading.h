#pragma once

#include <QList>

class TDLibrary;
class TDSmartFolder;

// Reloads ordinary smart folders against one fetch of the library's unarchived tasks, shared by all
// of them. A failed fetch is logged and leaves every membership as it was.
void TDReloadOrdinarySmartFolders(TDLibrary* library, const QList<TDSmartFolder*>& smartFolders);

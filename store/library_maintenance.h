#pragma once

#include <QtGlobal>

class TDLibrary;

// Consistency checks of an open library, each problem logged: true when none was found. Changes nothing.
bool TDValidateLibrary(TDLibrary* library);
// Repairs what the checks find, without saving; answers how many objects were changed.
quint64 TDFixLibrary(TDLibrary* library);

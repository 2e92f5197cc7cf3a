#pragma once

#include <QCoreApplication>
#include <QString>

// A word of the program's own string table: the English word is the key, and without a translation
// the key stands for itself.
inline QString TDLocalizedString(const char* key) {
    return QCoreApplication::translate("Localizable", key);
}

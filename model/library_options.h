#pragma once

#include <QString>
#include <QVariant>

// The per-library options ("options.plist") as the library's objects see them. The library manager
// keeps them and hands them to the library it opens, so model code asks its own library, never a
// shared manager.
class TDLibraryOptions {
public:
    virtual ~TDLibraryOptions() = default;

    virtual QVariant optionForKey(const QString& key) = 0;
    // An invalid value removes the key; kept in memory until saveOptionsDictionary.
    virtual void setOption(const QVariant& value, const QString& key) = 0;
    virtual void saveOptionsDictionary() = 0;
};

#pragma once

#include <QString>
#include <QStringList>

#include <functional>

class TDLibraryManager;

namespace platform {
class UserDefaults;
}

// The preferences' Reset: the library's options and the application's own (the tabs) are cleared, then
// every key of the settings file but the library's location and the declined move offer. The settings
// of this machine and the keyring are not touched. The identifiers of the hot keys whose shortcuts were
// removed, which must let go of their keys at once.
QStringList TDResetPreferences(platform::UserDefaults& defaults, TDLibraryManager& manager,
                               const std::function<void()>& clearApplicationOptions);

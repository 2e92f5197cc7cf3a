#pragma once

#include <QVariantMap>

namespace platform {
class UserDefaults;
}

// The 64 default settings, by key. They are the user defaults' registered values (answering every read
// for which nothing is stored, never written) and the initial values the user interface binds to.
QVariantMap defaultSettings();

// Registers defaultSettings() with the user defaults. The program calls it first thing in main, before
// anything reads a setting.
void registerDefaultSettings(platform::UserDefaults& defaults);

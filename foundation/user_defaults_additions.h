#pragma once

#include <QFont>
#include <QString>

#include <optional>

namespace platform {
class UserDefaults;
}

// A font setting is a pair of keys: key + "Name" holds the fontconfig name, key + "Size" the size in
// points. An absent size reads as 0, the default size.
std::optional<QFont> fontForKey(const platform::UserDefaults& defaults, const QString& key);
// Stores the font's name and its point size cut to an integer.
void setFont(platform::UserDefaults& defaults, const QFont& font, const QString& key);

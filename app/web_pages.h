#pragma once

#include <QString>
#include <QUrl>

namespace platform {
class UserDefaults;
}

// The web pages the Help menu opens. Each address is a setting; until one is stored the page's
// placeholder address stands.
enum class TDWebPage { Website, FrequentlyAskedQuestions, UserForum, ReleaseNotes };

// The setting that holds the page's address ("websiteURL", ...).
QString TDWebPageSettingKey(TDWebPage page);
// The stored address, else the placeholder; "%VERSION%" in it becomes the program's version.
QUrl TDWebPageURL(const platform::UserDefaults& defaults, TDWebPage page, const QString& version);

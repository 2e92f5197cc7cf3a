#include "app/web_pages.h"

#include "platform/defaults/user_defaults.h"

namespace {

struct WebPageEntry {
    TDWebPage page;
    const char* key;
    const char* placeholder;
};

// Placeholders under the reserved example domain until the settings name real pages.
constexpr WebPageEntry kWebPages[] = {
    {TDWebPage::Website, "websiteURL", "https://ordello.example.org/"},
    {TDWebPage::FrequentlyAskedQuestions, "faqWebPageURL", "https://ordello.example.org/faq"},
    {TDWebPage::UserForum, "userForumWebPageURL", "https://ordello.example.org/forum"},
    {TDWebPage::ReleaseNotes, "releaseNotesWebPageURL", "https://ordello.example.org/releases/%VERSION%"},
};

const WebPageEntry& entry(TDWebPage page) {
    for (const WebPageEntry& candidate : kWebPages)
        if (candidate.page == page) return candidate;
    return kWebPages[0];
}

}  // namespace

QString TDWebPageSettingKey(TDWebPage page) {
    return QString::fromLatin1(entry(page).key);
}

QUrl TDWebPageURL(const platform::UserDefaults& defaults, TDWebPage page, const QString& version) {
    QString address = defaults.string(TDWebPageSettingKey(page));
    if (address.isEmpty()) address = QString::fromLatin1(entry(page).placeholder);
    address.replace(QStringLiteral("%VERSION%"), version);
    const QUrl url(address, QUrl::StrictMode);
    // Only web addresses: a setting never opens a local file or runs a handler.
    const bool web = url.scheme() == QStringLiteral("https") || url.scheme() == QStringLiteral("http");
    return url.isValid() && web ? url : QUrl();
}

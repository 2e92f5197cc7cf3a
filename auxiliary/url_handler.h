#pragma once

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QVariantMap>

#include <optional>

class TDLibraryObject;
class TDScriptingHost;

// Where a path of an "ordello:" link leads: an object, or the ordered tasks of `object` when the path
// ended in "tasks".
struct TDURLTarget {
    TDLibraryObject* object = nullptr;
    bool isTasks = false;

    explicit operator bool() const { return object != nullptr; }
    bool operator==(const TDURLTarget&) const = default;
};

// Opens "ordello:" links: a path of UIDs or titles names a list, folder or task, which is revealed in
// the main window; a path ending in "tasks" with the query "method=POST" adds a task made from the
// query's keys there instead. Main thread.
class TDURLHandler final {
public:
    explicit TDURLHandler(TDScriptingHost& host);

    // Resolves and acts; failures are logged, never reported to the caller.
    void handleURL(const QUrl& url);

    // The walk of the path's components; a component that names nothing makes the next one start again
    // from the top.
    TDURLTarget objectForPathComponents(const QStringList& components) const;
    TDURLTarget objectForPathComponent(const QString& component, const TDURLTarget& parent) const;

    // The raw query (percent escapes as they came) as a dictionary: parameters split at "&", the key up
    // to the first "=" as it stands, the rest the value with "+" as a blank and escapes decoded as UTF-8;
    // a bare key is true; a value that does not decode is left out; a later key replaces an earlier one.
    static QVariantMap dictionaryFromURLQueryString(const QString& query);
    // Percent escapes decoded as UTF-8; nothing when an escape is malformed or the bytes are not UTF-8.
    static std::optional<QString> decodedQueryValue(QStringView value);

private:
    TDScriptingHost& m_host;
};

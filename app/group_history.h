#pragma once

#include <QStringList>
#include <QVariant>

#include <functional>

// The groups visited in one tab, oldest first, by UID, and where in them the tab stands. Moving back
// or forward skips (and forgets) entries whose group is gone or is the one shown already.
class TDGroupHistory {
public:
    // What a move finds for an entry: whether it can be shown.
    using EntryCheck = std::function<bool(const QString& uid)>;

    const QStringList& stack() const { return m_stack; }
    qsizetype index() const { return m_index; }

    // Drops every entry after the current one and appends the UID unless it is the last entry.
    void insert(const QString& uid);
    bool canGoBack() const { return m_index >= 1 && m_stack.size() > 1; }
    bool canGoForward() const { return m_index < m_stack.size() - 1 && m_stack.size() > 1; }
    // -1 back, +1 forward: the UID now current, or an empty string when the move cannot be made.
    // Entries the check refuses are removed on the way.
    QString move(int direction, const EntryCheck& canShow);

    // {"stack": UIDs, "index": number}, as a tab keeps it.
    QVariantMap state() const;
    // A state that is not such a dictionary, or has no entries, becomes `currentUID` alone.
    void setState(const QVariant& state, const QString& currentUID);

private:
    QStringList m_stack;
    qsizetype m_index = 0;
};

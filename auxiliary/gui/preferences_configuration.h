#pragma once

#include <QIcon>
#include <QList>
#include <QString>

#include <functional>
#include <memory>

class TDPreferencePane;

// One pane of the preferences window: its identifier (stored as the pane shown last), the title of its
// toolbar item and of the window, its icon, and the factory that makes it on first use.
struct TDPreferencePaneEntry {
    QString identifier;
    QString name;
    QIcon icon;
    std::function<std::unique_ptr<TDPreferencePane>()> makePane;
};

// The panes in display order; a toolbar over the panes, or tabs when `useTabs`.
struct TDPreferencesConfiguration {
    QList<TDPreferencePaneEntry> panes;
    bool useTabs = false;

    // The position of the pane with the identifier; -1 when none has it.
    int indexOf(const QString& identifier) const {
        for (int i = 0; i < panes.size(); ++i)
            if (panes.at(i).identifier == identifier) return i;
        return -1;
    }
    // The entry with the identifier; nullptr when none has it.
    const TDPreferencePaneEntry* entry(const QString& identifier) const {
        const int index = indexOf(identifier);
        return index < 0 ? nullptr : &panes.at(index);
    }
};

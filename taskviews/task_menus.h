#pragma once

#include <QList>
#include <QString>

// One item of a task menu, as the tasks controller prepares and validates it and a view shows it: the
// action it sends (the controller's command name, "addTask", "moveTasksVertically", ...) with its tag,
// and what the menu shows. An item without action and title is a separator.
struct TDTaskMenuItem {
    QString action;
    qint64 tag = 0;
    QString title;
    // In QKeySequence's portable text ("Ctrl+Alt+Up"); empty for none.
    QString shortcut;
    bool checkable = false;
    bool checked = false;
    bool hidden = false;
    bool enabled = true;

    static TDTaskMenuItem separator() { return {}; }
    bool isSeparator() const { return action.isEmpty() && title.isEmpty(); }
};

struct TDTaskMenu {
    // "Task", "Sort By", "Sort", "Columns": the controller prepares a menu by its title.
    QString title;
    QList<TDTaskMenuItem> items;

    TDTaskMenuItem* itemWithTag(qint64 tag, const QString& action = {});
    TDTaskMenuItem* itemWithAction(const QString& action);
};

// The tags of the menus' special items.
inline constexpr qint64 TDSortByManualOrderTag = 1;
inline constexpr qint64 TDSortInformationTag = 411;
// The distances of the far moves: the whole list.
inline constexpr qint64 TDMoveToTopDistance = -1000000000;
inline constexpr qint64 TDMoveToBottomDistance = 1000000000;

// The menus as the main window offers them.
TDTaskMenu TDTaskMenuTemplate();
TDTaskMenu TDSortByMenuTemplate();
TDTaskMenu TDSortMenuTemplate();
// The column items, then the Sort By items (the Columns menu holds both).
TDTaskMenu TDColumnsMenuTemplate();

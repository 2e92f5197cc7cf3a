#include "taskviews/task_menus.h"

#include <QCoreApplication>

namespace {

QString tr(const char* text) {
    return QCoreApplication::translate("TDTaskMenu", text);
}

TDTaskMenuItem item(const char* title, const char* action, qint64 tag = 0, const char* shortcut = "") {
    TDTaskMenuItem made;
    made.title = tr(title);
    made.action = QLatin1String(action);
    made.tag = tag;
    made.shortcut = QLatin1String(shortcut);
    return made;
}

TDTaskMenuItem checkable(TDTaskMenuItem made) {
    made.checkable = true;
    return made;
}

QList<TDTaskMenuItem> sortByItems() {
    QList<TDTaskMenuItem> items{checkable(item("Manual Order", "sortBy", TDSortByManualOrderTag))};
    for (const char* title : {"List", "Due", "Start", "Priority", "Estimated Time", "Actual Time",
                              "Completed", "Modified", "Added"})
        items.append(checkable(item(title, "sortBy")));
    return items;
}

}  // namespace

TDTaskMenuItem* TDTaskMenu::itemWithTag(qint64 tag, const QString& action) {
    for (TDTaskMenuItem& entry : items)
        if (entry.tag == tag && (action.isEmpty() || entry.action == action)) return &entry;
    return nullptr;
}

TDTaskMenuItem* TDTaskMenu::itemWithAction(const QString& action) {
    for (TDTaskMenuItem& entry : items)
        if (entry.action == action) return &entry;
    return nullptr;
}

// Items 0 and 1 are the completion and cancellation items: the controller retitles them.
TDTaskMenu TDTaskMenuTemplate() {
    return {tr("Task"),
            {
                item("Mark as Completed", "toggleCompleted", 0, "Ctrl+K"),
                item("Cancel", "toggleCanceled", 0, "Ctrl+Shift+K"),
                TDTaskMenuItem::separator(),
                item("New Task", "addTask", 0, "Ctrl+N"),
                item("New Task Below", "addTaskBelow"),
                item("New Child Task", "addChildTask", 0, "Ctrl+Shift+N"),
                TDTaskMenuItem::separator(),
                item("Edit Task", "edit", 0, "Ctrl+E"),
                item("Edit Note", "editNote", 0, "Ctrl+'"),
                item("Edit Estimate", "editEstimate"),
                item("Edit Start Date", "editStartDate"),
                item("Edit Due Date", "editDueDate"),
                item("Edit Recurrence...", "editRecurrence", 0, "Ctrl+Shift+E"),
                item("Tag", "tag", 0, "Ctrl+/"),
                item("Context", "tagContext", 0, "Ctrl+Shift+2"),
                TDTaskMenuItem::separator(),
                item("Highest Priority", "assignPriority", 1, "Ctrl+1"),
                item("High Priority", "assignPriority", 3, "Ctrl+3"),
                item("Medium Priority", "assignPriority", 5, "Ctrl+5"),
                item("Low Priority", "assignPriority", 9, "Ctrl+9"),
                item("No Priority", "assignPriority", 0, "Ctrl+0"),
                item("Raise Priority", "adjustPriority", 1, "Ctrl+="),
                item("Lower Priority", "adjustPriority", -1, "Ctrl+-"),
                TDTaskMenuItem::separator(),
                item("Start Today", "toggleStartToday", 0, "Ctrl+Alt+T"),
                item("Due Today", "toggleDueToday", 0, "Ctrl+Alt+D"),
                item("Start a Day Later", "adjustStartDate", 1),
                item("Start a Day Earlier", "adjustStartDate", -1),
                item("Due a Day Later", "adjustDueDate", 1),
                item("Due a Day Earlier", "adjustDueDate", -1),
                item("Add 15 Minutes to Estimate", "adjustEstimatedTime", 15 * 60),
                item("Take 15 Minutes from Estimate", "adjustEstimatedTime", -15 * 60),
                TDTaskMenuItem::separator(),
                // Ctrl+Up and Ctrl+Down scroll the outline; desktops switch workspaces with Ctrl+Alt+arrows.
                item("Move Up", "moveTasksVertically", -1, "Alt+Shift+Up"),
                item("Move Down", "moveTasksVertically", 1, "Alt+Shift+Down"),
                item("Move Up 5 Rows", "moveTasksVertically", -5, "Ctrl+Shift+Up"),
                item("Move Down 5 Rows", "moveTasksVertically", 5, "Ctrl+Shift+Down"),
                item("Move to Top", "moveTasksVertically", TDMoveToTopDistance, "Alt+Shift+Home"),
                item("Move to Bottom", "moveTasksVertically", TDMoveToBottomDistance, "Alt+Shift+End"),
                item("Move Left", "moveTasksLeft", 0, "Ctrl+Left"),
                item("Move Right", "moveTasksRight", 0, "Ctrl+Right"),
                TDTaskMenuItem::separator(),
                item("Open Link", "openLink", 0, "Ctrl+Return"),
                item("Open Link in Background", "openLinkInBackground", 0, "Ctrl+Shift+Return"),
                item("Reveal in List", "revealInList", 0, "Ctrl+Shift+R"),
                item("Select Earliest Start", "selectEarliestStartDateTask"),
                item("Select Earliest Due", "selectEarliestDueDateTask"),
                item("File Task", "showFileToGroupWindow", 0, "Ctrl+Shift+M"),
                item("Begin Timing", "beginTiming"),
                item("Stop Timing", "stopTiming"),
                TDTaskMenuItem::separator(),
                item("Delete", "remove", 0, "Ctrl+Backspace"),
                item("Hide Completed Tasks", "hideCompletedTasks", 0, "Ctrl+Shift+H"),
            }};
}

TDTaskMenu TDSortByMenuTemplate() {
    return {tr("Sort By"), sortByItems()};
}

TDTaskMenu TDSortMenuTemplate() {
    return {tr("Sort"),
            {item("By Due", "sort"), item("By Start", "sort"), item("By Priority", "sort"),
             item("By Estimated Time", "sort"), item("By Added", "sort"), item("Reverse Order", "sort")}};
}

TDTaskMenu TDColumnsMenuTemplate() {
    TDTaskMenu menu{
        tr("Columns"),
        {checkable(item("List", "toggleColumn", 0)), checkable(item("Priority", "toggleColumn", 1)),
         checkable(item("Start", "toggleColumn", 3)), checkable(item("Due", "toggleColumn", 4)),
         checkable(item("Estimate", "toggleColumn", 5)), TDTaskMenuItem::separator(),
         item("Expand Notes", "toggleNotes"), checkable(item("Show Completed Tasks", "toggleCompletedTasks")),
         TDTaskMenuItem::separator()}};
    menu.items.append(sortByItems());
    return menu;
}

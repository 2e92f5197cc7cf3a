#pragma once

#include "taskviews/task_menus.h"

class QMenu;
class QMenuBar;
class QWidget;
class TDTasksController;

// Shows the tasks controller's menus in a menu bar: each menu is made again from its template and
// prepared by the controller as it opens, and its items send their commands to the controller.
class TDTaskMenuBuilder {
public:
    using Template = TDTaskMenu (*)();

    // Adds the Task, Sort By, Sort and Columns menus.
    static void installMenus(QMenuBar& bar, TDTasksController& controller);
    static QMenu* addMenu(QMenuBar& bar, TDTasksController& controller, Template make);
    // The same menu on its own, for a context menu.
    static QMenu* makeMenu(TDTasksController& controller, Template make, QWidget* parent);

private:
    static void p_fill(QMenu& menu, TDTasksController& controller, Template make, bool prepare);
};

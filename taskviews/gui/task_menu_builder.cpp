#include "taskviews/gui/task_menu_builder.h"

#include "taskviews/tasks_controller.h"

#include <QGuiApplication>
#include <QKeySequence>
#include <QMenu>
#include <QMenuBar>

void TDTaskMenuBuilder::installMenus(QMenuBar& bar, TDTasksController& controller) {
    addMenu(bar, controller, &TDTaskMenuTemplate);
    addMenu(bar, controller, &TDSortByMenuTemplate);
    addMenu(bar, controller, &TDSortMenuTemplate);
    addMenu(bar, controller, &TDColumnsMenuTemplate);
}

QMenu* TDTaskMenuBuilder::addMenu(QMenuBar& bar, TDTasksController& controller, Template make) {
    QMenu* menu = makeMenu(controller, make, &bar);
    bar.addMenu(menu);
    return menu;
}

QMenu* TDTaskMenuBuilder::makeMenu(TDTasksController& controller, Template make, QWidget* parent) {
    auto* menu = new QMenu(make().title, parent);
    // Filled at once so that the key equivalents work before the menu first opens; the commands check
    // themselves when sent.
    p_fill(*menu, controller, make, false);
    QObject::connect(menu, &QMenu::aboutToShow, menu,
                     [menu, &controller, make] { p_fill(*menu, controller, make, true); });
    return menu;
}

void TDTaskMenuBuilder::p_fill(QMenu& menu, TDTasksController& controller, Template make, bool prepare) {
    TDTaskMenu model = make();
    if (prepare) {
        if (model.title == TDTaskMenuTemplate().title)
            controller.setupTaskMenu(model);
        else if (model.title == TDSortByMenuTemplate().title)
            controller.setupSortByMenu(model);
        else if (model.title == TDSortMenuTemplate().title)
            controller.setupSortMenu(model);
        else if (model.title == TDColumnsMenuTemplate().title)
            controller.setupColumnsMenu(model);
    }
    menu.clear();
    for (const TDTaskMenuItem& item : std::as_const(model.items)) {
        if (item.isSeparator()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.title);
        action->setShortcut(QKeySequence(item.shortcut));
        action->setCheckable(item.checkable);
        action->setChecked(item.checked);
        action->setVisible(!item.hidden);
        action->setEnabled(item.enabled && !item.action.isEmpty());
        QObject::connect(action, &QAction::triggered, &menu, [&controller, item] {
            controller.perform(item, QGuiApplication::queryKeyboardModifiers().testFlag(Qt::AltModifier));
        });
    }
}

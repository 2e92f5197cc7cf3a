#include "app/gui/group_menu_actions.h"

#include "app/group_menu.h"

#include <QAction>
#include <QMenu>
#include <QPointer>
#include <QWidget>

namespace {

const char* const kCommandProperty = "groupCommand";

}  // namespace

void TDFillGroupMenu(QMenu& menu, TDGroupsController& controller,
                     const QList<TDGroupsController::MenuEntry>& entries, bool withShortcuts) {
    QPointer<TDGroupsController> target(&controller);
    for (const TDGroupsController::MenuEntry& entry : entries) {
        if (!entry) {
            menu.addSeparator();
            continue;
        }
        const TDGroupsController::Command command = *entry;
        QAction* action = menu.addAction(TDGroupsController::titleForCommand(command));
        action->setProperty(kCommandProperty, int(command));
        if (withShortcuts) action->setShortcut(TDGroupMenuShortcut(command));
        // After the menu has gone, with its window active again: a command that opens a title for
        // editing must not lose it to the window's activation coming back.
        QPointer<QWidget> owner = menu.parentWidget();
        QObject::connect(
            action, &QAction::triggered, &controller,
            [target, owner, command] {
                if (owner) owner->window()->activateWindow();
                if (target) target->perform(command);
            },
            Qt::QueuedConnection);
    }
    QObject::connect(&menu, &QMenu::aboutToShow, &controller, [&menu, target] {
        for (QAction* action : menu.actions()) {
            const QVariant command = action->property(kCommandProperty);
            if (command.isValid() && target)
                action->setEnabled(target->validate(TDGroupsController::Command(command.toInt())));
        }
    });
    QObject::connect(&menu, &QMenu::aboutToHide, &controller, [&menu] {
        for (QAction* action : menu.actions()) action->setEnabled(true);
    });
}

QAction* TDGroupMenuAction(const QMenu& menu, TDGroupsController::Command command) {
    for (QAction* action : menu.actions())
        if (action->property(kCommandProperty) == QVariant(int(command))) return action;
    return nullptr;
}

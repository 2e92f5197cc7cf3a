#include "taskviews/gui/task_edit_menu.h"

#include "taskviews/tasks_controller.h"

#include <QAction>
#include <QMenu>

#include <functional>

void TDAddTaskEditActions(QMenu* menu, TDTasksController& controller) {
    using Command = TDTasksController::PasteboardCommand;
    QList<std::pair<QAction*, Command>> items;
    // A command that names its undo action takes the item's title.
    auto add = [&](const QString& title, const QKeySequence& keys, Command command,
                   std::function<void(const QString&)> run) {
        QAction* action = menu->addAction(title);
        action->setShortcut(keys);
        QObject::connect(action, &QAction::triggered, menu, [action, run] { run(action->text()); });
        items.append({action, command});
    };
    add(QMenu::tr("Cut"), QKeySequence::Cut, Command::Cut,
        [&controller](const QString& name) { controller.cut(name); });
    add(QMenu::tr("Copy"), QKeySequence::Copy, Command::Copy,
        [&controller](const QString&) { controller.copy(); });
    add(QMenu::tr("Copy with Notes"), QKeySequence(), Command::CopyWithNotes,
        [&controller](const QString&) { controller.copyWithNotes(); });
    add(QMenu::tr("Copy as Link"), QKeySequence(), Command::CopyAsLink,
        [&controller](const QString&) { controller.copyAsLink(); });
    add(QMenu::tr("Paste"), QKeySequence::Paste, Command::Paste,
        [&controller](const QString& name) { controller.paste(name); });
    add(QMenu::tr("Duplicate"), QKeySequence(Qt::CTRL | Qt::Key_D), Command::Duplicate,
        [&controller](const QString&) { controller.duplicate(); });

    QObject::connect(menu, &QMenu::aboutToShow, menu, [&controller, items] {
        for (const auto& [action, command] : items)
            action->setEnabled(controller.validatePasteboardCommand(command));
    });
    QObject::connect(menu, &QMenu::aboutToHide, menu, [items] {
        for (const auto& item : items) item.first->setEnabled(true);
    });
}

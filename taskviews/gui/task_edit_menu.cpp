#include "taskviews/gui/task_edit_menu.h"

#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/tasks_controller.h"

#include <QAction>
#include <QApplication>
#include <QInputDialog>
#include <QMenu>
#include <QPointer>

#include <functional>
#include <memory>

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

void TDAddTaskFindActions(QMenu* menu, TDTasksView& view) {
    // The text searched for, shared by the three items.
    auto findString = std::make_shared<QString>();
    QPointer<TDTasksView> outline(&view);
    auto find = [outline, findString](bool backwards) {
        if (outline && !findString->isEmpty()) outline->editing().findString(*findString, backwards);
    };
    menu->addSeparator();
    QAction* ask = menu->addAction(QMenu::tr("Find..."));
    ask->setShortcut(QKeySequence::Find);
    QObject::connect(ask, &QAction::triggered, menu, [outline, findString, find] {
        if (!outline) return;
        auto* dialog = new QInputDialog(outline->window());
        dialog->setAttribute(Qt::WA_DeleteOnClose);
        dialog->setWindowTitle(QMenu::tr("Find"));
        dialog->setLabelText(QMenu::tr("Find in task titles:"));
        dialog->setTextValue(*findString);
        QObject::connect(dialog, &QInputDialog::textValueSelected, dialog,
                         [findString, find](const QString& text) {
                             *findString = text;
                             find(false);
                         });
        dialog->open();
    });
    QAction* next = menu->addAction(QMenu::tr("Find Next"));
    next->setShortcut(QKeySequence::FindNext);
    QObject::connect(next, &QAction::triggered, menu, [find] { find(false); });
    QAction* previous = menu->addAction(QMenu::tr("Find Previous"));
    previous->setShortcut(QKeySequence::FindPrevious);
    QObject::connect(previous, &QAction::triggered, menu, [find] { find(true); });
    // Ctrl+E already edits the task.
    QAction* useSelection = menu->addAction(QMenu::tr("Use Selection for Find"));
    useSelection->setShortcut(QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_E));
    QObject::connect(useSelection, &QAction::triggered, menu, [findString] {
        const auto* editor = qobject_cast<const TDTaskTitleTextView*>(QApplication::focusWidget());
        const QString selected = editor ? editor->selectedTitleText() : QString();
        if (!selected.isEmpty()) *findString = selected;
    });
}

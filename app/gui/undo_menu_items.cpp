#include "app/gui/undo_menu_items.h"

#include "platform/undo/undo_manager.h"
#include "store/library_manager.h"

#include <QAction>
#include <QKeySequence>
#include <QMenu>

void TDAddUndoActions(QMenu& menu, TDLibraryManager& manager) {
    // The library, and with it the undo manager, may change while the menu lives.
    QAction* undo = menu.addAction(QMenu::tr("Undo"), QKeySequence::Undo, &menu, [&manager] {
        if (platform::UndoManager* undoManager = manager.undoManager(); undoManager && undoManager->canUndo())
            undoManager->undo();
    });
    QAction* redo = menu.addAction(QMenu::tr("Redo"), &menu, [&manager] {
        if (platform::UndoManager* undoManager = manager.undoManager(); undoManager && undoManager->canRedo())
            undoManager->redo();
    });
    // The original's Shift-Command-Z, and the key other programs here redo with.
    redo->setShortcuts({QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z), QKeySequence(Qt::CTRL | Qt::Key_Y)});
    QObject::connect(&menu, &QMenu::aboutToShow, undo, [&manager, undo, redo] {
        const platform::UndoManager* undoManager = manager.undoManager();
        undo->setText(undoManager ? undoManager->undoMenuItemTitle() : QMenu::tr("Undo"));
        redo->setText(undoManager ? undoManager->redoMenuItemTitle() : QMenu::tr("Redo"));
        undo->setEnabled(undoManager && undoManager->canUndo());
        redo->setEnabled(undoManager && undoManager->canRedo());
    });
    QObject::connect(&menu, &QMenu::aboutToHide, undo, [undo, redo] {
        undo->setEnabled(true);
        redo->setEnabled(true);
    });
}

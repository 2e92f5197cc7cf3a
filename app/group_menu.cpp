#include "app/group_menu.h"

using Command = TDGroupsController::Command;
using Entry = TDGroupsController::MenuEntry;

QList<Entry> TDGroupMenuEntries() {
    return {Command::GoBack,
            Command::GoForward,
            std::nullopt,
            Command::SelectPreviousGroup,
            Command::SelectNextGroup,
            Command::SwitchSourceListView,
            std::nullopt,
            Command::AddList,
            Command::AddFolder,
            Command::AddSmartFolder,
            std::nullopt,
            Command::AddTag,
            Command::AddTagBundle,
            std::nullopt,
            Command::RenameGroup,
            Command::EditSmartFolder,
            Command::DuplicateGroup,
            Command::ArchiveList,
            Command::RemoveGroup};
}

QList<Entry> TDGroupActionsMenuEntries() {
    QList<Entry> actions;
    int separators = 0;
    for (const Entry& entry : TDGroupMenuEntries()) {
        if (separators >= 2) actions.append(entry);
        if (!entry) ++separators;
    }
    return actions;
}

QKeySequence TDGroupMenuShortcut(Command command) {
    switch (command) {
        case Command::GoBack:
            return QKeySequence(Qt::CTRL | Qt::Key_BracketLeft);
        case Command::GoForward:
            return QKeySequence(Qt::CTRL | Qt::Key_BracketRight);
        case Command::AddList:
            return QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_N);
        case Command::AddFolder:
            return QKeySequence(Qt::CTRL | Qt::ALT | Qt::SHIFT | Qt::Key_N);
        default:
            return {};
    }
}

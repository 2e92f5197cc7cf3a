#include "controls/menu_search.h"

#include <QAction>

QAction* TDFindActionWithKeyEquivalent(const QList<QAction*>& actions, const QKeySequence& key,
                                       const TDSubmenuActions& submenuActions) {
    if (key.isEmpty()) return nullptr;
    for (QAction* action : actions) {
        if (action->shortcuts().contains(key)) return action;
        if (!submenuActions) continue;
        if (QAction* found = TDFindActionWithKeyEquivalent(submenuActions(action), key, submenuActions))
            return found;
    }
    return nullptr;
}

QKeySequence TDUnmodifiedKeyEquivalent(int key, Qt::KeyboardModifiers modifiers, const QString& text) {
    if (modifiers & (Qt::ControlModifier | Qt::MetaModifier)) return {};
    if (text.size() != 1 || !text.at(0).isPrint()) return {};
    const Qt::KeyboardModifiers kept = modifiers & (Qt::ShiftModifier | Qt::AltModifier);
    return QKeySequence(QKeyCombination(kept, Qt::Key(key)));
}

#include "controls/menu_search.h"

#include <QAction>
#include <QHash>

#include <gtest/gtest.h>

namespace {

// Menus as a table: the actions of each submenu by the action that opens it.
struct MenuTree {
    QAction* add(const QString& title, const QKeySequence& key = {}, QAction* parent = nullptr) {
        auto* action = new QAction(title);
        action->setShortcut(key);
        owned.emplace_back(action);
        (parent ? submenus[parent] : top).append(action);
        return action;
    }
    TDSubmenuActions submenuActions() const {
        return [this](const QAction* action) { return submenus.value(const_cast<QAction*>(action)); };
    }
    QList<QAction*> top;
    QHash<QAction*, QList<QAction*>> submenus;
    std::vector<std::unique_ptr<QAction>> owned;
};

TEST(MenuSearch, FindsTheFirstActionDepthFirst) {
    MenuTree menus;
    QAction* file = menus.add(QStringLiteral("File"));
    QAction* edit = menus.add(QStringLiteral("Edit"));
    QAction* view = menus.add(QStringLiteral("View"));
    QAction* sort = menus.add(QStringLiteral("Sort"), {}, edit);
    QAction* byDate = menus.add(QStringLiteral("By Date"), QKeySequence(Qt::Key_D), sort);
    menus.add(QStringLiteral("Duplicate"), QKeySequence(Qt::Key_D), view);
    QAction* close = menus.add(QStringLiteral("Close"), QKeySequence(Qt::CTRL | Qt::Key_W), file);
    menus.add(QStringLiteral("Plain W"), QKeySequence(Qt::Key_W), view);

    // A submenu is searched before the next action of its menu.
    EXPECT_EQ(TDFindActionWithKeyEquivalent(menus.top, QKeySequence(Qt::Key_D), menus.submenuActions()),
              byDate);
    // Modifiers must match exactly.
    EXPECT_EQ(
        TDFindActionWithKeyEquivalent(menus.top, QKeySequence(Qt::CTRL | Qt::Key_W), menus.submenuActions()),
        close);
    EXPECT_EQ(
        TDFindActionWithKeyEquivalent(menus.top, QKeySequence(Qt::SHIFT | Qt::Key_D), menus.submenuActions()),
        nullptr);
    EXPECT_EQ(TDFindActionWithKeyEquivalent(menus.top, QKeySequence(), menus.submenuActions()), nullptr);
}

TEST(MenuSearch, OnlyKeysTypedWithoutCtrlOrMetaStandForMenuShortcuts) {
    const struct {
        int key;
        Qt::KeyboardModifiers modifiers;
        QString text;
        QKeySequence expected;
    } cases[] = {
        {Qt::Key_D, Qt::NoModifier, QStringLiteral("d"), QKeySequence(Qt::Key_D)},
        {Qt::Key_D, Qt::ShiftModifier, QStringLiteral("D"), QKeySequence(Qt::SHIFT | Qt::Key_D)},
        {Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "), QKeySequence(Qt::Key_Space)},
        {Qt::Key_D, Qt::ShiftModifier | Qt::KeypadModifier, QStringLiteral("D"),
         QKeySequence(Qt::SHIFT | Qt::Key_D)},
        {Qt::Key_D, Qt::ControlModifier, QStringLiteral("\x04"), QKeySequence()},
        {Qt::Key_D, Qt::MetaModifier, QStringLiteral("d"), QKeySequence()},
        {Qt::Key_Left, Qt::NoModifier, QString(), QKeySequence()},
        {Qt::Key_Return, Qt::NoModifier, QStringLiteral("\r"), QKeySequence()},
    };
    for (const auto& entry : cases)
        EXPECT_EQ(TDUnmodifiedKeyEquivalent(entry.key, entry.modifiers, entry.text), entry.expected)
            << entry.text.toStdString();
}

}  // namespace

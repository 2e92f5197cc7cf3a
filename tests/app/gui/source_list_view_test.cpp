#include "app/gui/groups_view.h"
#include "app/gui/item_count_cell.h"
#include "app/gui/option_key_watcher.h"
#include "app/gui/source_list_cell.h"
#include "app/gui/source_list_pane.h"
#include "controls/gui/function_pop_up_button.h"
#include "controls/gui/source_list_gradient_bar_segmented_cell.h"
#include "model/ordered_collection.h"
#include "platform/undo/undo_manager.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <QApplication>
#include <QDir>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

namespace apptest {
namespace {

// The source list in a window of its own, clicked and typed at as a person would.
class SourceListViewTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        work = list(QStringLiteral("Work"));
        home = list(QStringLiteral("Home"));
        processChanges();
        pane = std::make_unique<TDSourceListPane>(*groups, &prompter);
        pane->resize(230, 480);
        pane->show();
        QApplication::setActiveWindow(pane.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
        view()->doItemsLayout();
    }
    void TearDown() override {
        pane.reset();
        GroupsControllerTest::TearDown();
    }

    TDGroupsView* view() const { return pane->groupsView(); }
    QPoint centreOf(const TDGroup* group) const {
        return view()->visualRect(model()->indexForGroup(group)).center();
    }
    void click(const TDGroup* group, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
        QTest::mouseClick(view()->viewport(), Qt::LeftButton, modifiers, centreOf(group));
    }
    QLineEdit* editor() const { return view()->viewport()->findChild<QLineEdit*>(); }
    void rename(const TDGroup* group, const QString& title) {
        QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(group));
        ASSERT_TRUE(view()->isEditingTitle());
        ASSERT_NE(editor(), nullptr);
        editor()->selectAll();
        QTest::keyClicks(editor(), title);
        QTest::keyClick(editor(), Qt::Key_Return);
        // The editor commits on the next turn of the event loop.
        testsupport::drainEvents();
    }

    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<TDSourceListPane> pane;
    TDList* work = nullptr;
    TDList* home = nullptr;
};

TEST_F(SourceListViewTest, ClicksSelectGroupsAndGiveTheKeyboardBack) {
    QSignalSpy focusReturns(view(), &TDGroupsView::focusReturnRequested);
    click(work);
    EXPECT_EQ(tasks->group(), work);
    EXPECT_EQ(window.tabs, QStringList{work->uid()});
    EXPECT_GE(focusReturns.count(), 1);

    // A header takes no click.
    click(library()->foldersGroup());
    EXPECT_EQ(tasks->group(), work);
    EXPECT_EQ(groups->selectedGroup(), work);

    // Ctrl-click: a new tab, in front.
    click(home, Qt::ControlModifier);
    EXPECT_EQ(window.tabs, (QStringList{work->uid(), home->uid()}));
    EXPECT_EQ(window.selected, 1);
    EXPECT_EQ(tasks->group(), home);
}

TEST_F(SourceListViewTest, TheBarsSwitchChangesTheModeAndShowsTheChosenSegmentPressedIn) {
    TDSourceListGradientBarSegmentedCell& modes = pane->modeSwitch();
    EXPECT_EQ(modes.selectedSegment(), 0);
    QTest::mouseClick(&modes, Qt::LeftButton, {}, modes.segmentRect(1).center());
    EXPECT_EQ(groups->mode(), 1);
    EXPECT_EQ(modes.selectedSegment(), 1);
    groups->setMode(0);
    EXPECT_EQ(modes.selectedSegment(), 0);

    // The recess lies one point left of the selected segment, its dark wall just outside the segment;
    // the other segment has none.
    const QImage drawn = modes.grab().toImage();
    const QImage& recess = TDSourceListGradientBarSegmentedCell::highlightImage();
    const qreal scale = recess.devicePixelRatio();
    const QRect chosen = modes.segmentRect(0);
    const QRect other = modes.segmentRect(1);
    const int y = chosen.height() - 2;
    const QColor wall = recess.pixelColor(0, int(y * scale));
    EXPECT_EQ(drawn.pixelColor(chosen.x() - 1, y), wall);
    EXPECT_EQ(drawn.pixelColor(chosen.right() + 1, y), wall);
    EXPECT_NE(drawn.pixelColor(other.right() + 1, y), wall);
    EXPECT_EQ(recess.size() / scale, QSize(chosen.width() + 2, chosen.height()));
}

TEST_F(SourceListViewTest, ArrowKeysStepOverHeaders) {
    click(library()->inboxGroup());
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(tasks->group(), library()->todayGroup());
    QTest::keyClick(view(), Qt::Key_Down);
    QTest::keyClick(view(), Qt::Key_Down);
    EXPECT_EQ(tasks->group(), group(QStringLiteral("Projects")));
    QTest::keyClick(view(), Qt::Key_Up);
    EXPECT_EQ(tasks->group(), library()->upcomingGroup());
}

TEST_F(SourceListViewTest, TheTriangleOpensAFolderAndTheAlwaysOpenSectionsHaveNone) {
    TDGroup* projects = group(QStringLiteral("Projects"));
    const QModelIndex row = model()->indexForGroup(projects);
    const QRect cell = view()->visualRect(row);
    const QPoint triangle(cell.x() - 7, cell.center().y());
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, triangle);
    EXPECT_TRUE(view()->isExpanded(row));
    EXPECT_TRUE(model()->isExpanded(row));
    EXPECT_TRUE(model()->indexForGroup(group(QStringLiteral("Learn Ordello"))).isValid());
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, triangle);
    EXPECT_FALSE(model()->isExpanded(row));
    // The click on the triangle selected nothing.
    EXPECT_EQ(tasks->group(), library()->todayGroup());

    // The Inbox's section cannot be closed from its row.
    const QModelIndex inboxSection = model()->indexForGroup(library()->inboxGroup()->parentGroup());
    const QRect sectionCell = view()->visualRect(inboxSection);
    QTest::mouseClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier,
                      QPoint(sectionCell.x() - 7, sectionCell.center().y()));
    EXPECT_TRUE(model()->isExpanded(inboxSection));
}

TEST_F(SourceListViewTest, DoubleClickRenamesExceptSpecialGroups) {
    QTest::mouseDClick(view()->viewport(), Qt::LeftButton, Qt::NoModifier, centreOf(library()->inboxGroup()));
    EXPECT_FALSE(view()->isEditingTitle());

    rename(work, QStringLiteral("  Job "));
    EXPECT_FALSE(view()->isEditingTitle());
    EXPECT_EQ(work->title(), QStringLiteral("Job"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Rename Folder"));
}

TEST_F(SourceListViewTest, ATakenTagTitleIsRefusedAndTheEditorStaysOpen) {
    TDTag* urgent = tag(QStringLiteral("urgent"));
    tag(QStringLiteral("later"));
    processChanges();
    groups->setMode(1);
    view()->doItemsLayout();

    rename(urgent, QStringLiteral("later"));
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("A tag named \"later\" already exists."));
    EXPECT_EQ(prompter.shown.first().informativeText, QStringLiteral("Please pick a different name."));
    EXPECT_TRUE(view()->isEditingTitle());
    EXPECT_EQ(urgent->title(), QStringLiteral("urgent"));

    editor()->selectAll();
    QTest::keyClicks(editor(), QStringLiteral("soon"));
    QTest::keyClick(editor(), Qt::Key_Return);
    testsupport::drainEvents();
    EXPECT_FALSE(view()->isEditingTitle());
    EXPECT_EQ(urgent->title(), QStringLiteral("soon"));
    EXPECT_EQ(prompter.shown.size(), 1);
}

TEST_F(SourceListViewTest, TheContextMenuOffersTheCommandsAndRenamesInPlace) {
    const QPoint header = view()->visualRect(model()->indexForGroup(library()->foldersGroup())).center();
    EXPECT_EQ(view()->contextMenuAt(header), nullptr);

    std::unique_ptr<QMenu> menu = view()->contextMenuAt(centreOf(work));
    ASSERT_NE(menu, nullptr);
    QStringList items;
    for (const QAction* action : menu->actions())
        items << (action->isSeparator()
                      ? QStringLiteral("-")
                      : action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
    EXPECT_EQ(items,
              (QStringList{QStringLiteral("Open in New Tab"), QStringLiteral("-"), QStringLiteral("New List"),
                           QStringLiteral("New Folder"), QStringLiteral("New Smart Folder"),
                           QStringLiteral("-"), QStringLiteral("Rename"), QStringLiteral("Duplicate"),
                           QStringLiteral("Archive List"), QStringLiteral("Delete")}));
    EXPECT_EQ(groups->clickedGroup(), work);

    // Rename: the clicked row's title opens, and what is typed becomes the title.
    menu->actions().at(6)->trigger();
    menu.reset();
    EXPECT_EQ(groups->clickedGroup(), nullptr);
    ASSERT_TRUE(view()->isEditingTitle());
    ASSERT_NE(editor(), nullptr);
    EXPECT_EQ(editor()->selectedText(), QStringLiteral("Work"));
    QTest::keyClicks(editor(), QStringLiteral("Job"));
    QTest::keyClick(editor(), Qt::Key_Return);
    testsupport::drainEvents();
    EXPECT_FALSE(view()->isEditingTitle());
    EXPECT_EQ(work->title(), QStringLiteral("Job"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Rename Folder"));

    // New List: the new list's title opens for its name.
    menu = view()->contextMenuAt(centreOf(home));
    menu->actions().at(2)->trigger();
    menu.reset();
    ASSERT_TRUE(view()->isEditingTitle());
    QTest::keyClicks(editor(), QStringLiteral("Groceries"));
    QTest::keyClick(editor(), Qt::Key_Return);
    testsupport::drainEvents();
    TDGroup* groceries = group(QStringLiteral("Groceries"));
    ASSERT_NE(groceries, nullptr);
    EXPECT_EQ(groceries->parentGroup(), home->parentGroup());
    EXPECT_EQ(tasks->group(), groceries);
}

TEST_F(SourceListViewTest, TheActionsButtonOpensTheGroupCommandsAndMakesAListByClicks) {
    click(work);
    TDFunctionPopUpButton& button = pane->actionsButton();
    EXPECT_FALSE(button.isHidden());
    EXPECT_EQ(button.mapTo(pane.get(), QPoint(0, 0)).x(), 0);
    // The menu runs its own loop while it is open: look at it and choose from it there.
    QStringList items;
    QTimer::singleShot(0, pane.get(), [&items] {
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        for (const QAction* action : popup->actions())
            items << (action->isSeparator()
                          ? QStringLiteral("-")
                          : action->text() + (action->isEnabled() ? QString() : QStringLiteral(" (off)")));
        auto* menu = qobject_cast<QMenu*>(popup);
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().first()).center());
    });
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(items,
              (QStringList{QStringLiteral("New List"), QStringLiteral("New Folder"),
                           QStringLiteral("New Smart Folder"), QStringLiteral("-"), QStringLiteral("New Tag"),
                           QStringLiteral("New Tag Bundle"), QStringLiteral("-"), QStringLiteral("Rename"),
                           QStringLiteral("Edit Smart Folder (off)"), QStringLiteral("Duplicate"),
                           QStringLiteral("Archive List"), QStringLiteral("Delete")}));

    // The new list, just after the selected one, opens its title for the name typed.
    testsupport::drainEvents();
    ASSERT_TRUE(view()->isEditingTitle());
    QTest::keyClicks(editor(), QStringLiteral("Groceries"));
    QTest::keyClick(editor(), Qt::Key_Return);
    testsupport::drainEvents();
    TDGroup* groceries = group(QStringLiteral("Groceries"));
    ASSERT_NE(groceries, nullptr);
    const QList<platform::ManagedObject*> siblings = work->parentGroup()->orderedSubgroups()->objects();
    EXPECT_EQ(siblings.indexOf(groceries), siblings.indexOf(work) + 1);
    EXPECT_EQ(tasks->group(), groceries);

    // With a special group selected, the commands that change it are off.
    click(library()->inboxGroup());
    QTimer::singleShot(0, pane.get(), [&items] {
        items.clear();
        QWidget* popup = QApplication::activePopupWidget();
        ASSERT_NE(popup, nullptr);
        for (const QAction* action : popup->actions())
            if (!action->isSeparator() && !action->isEnabled()) items << action->text();
        QTest::keyClick(popup, Qt::Key_Escape);
    });
    QTest::mouseClick(&button, Qt::LeftButton, {}, button.rect().center());
    EXPECT_EQ(items, (QStringList{QStringLiteral("Rename"), QStringLiteral("Edit Smart Folder"),
                                  QStringLiteral("Duplicate"), QStringLiteral("Archive List"),
                                  QStringLiteral("Delete")}));
}

TEST_F(SourceListViewTest, TheSecondarySelectionAndTheSelectionAreApart) {
    click(work);
    view()->setSecondarySelectedItem(model()->indexForGroup(home));
    EXPECT_EQ(view()->secondarySelectedItem(), model()->indexForGroup(home));
    EXPECT_EQ(groups->selectedGroup(), work);
    const QImage picture = view()->viewport()->grab().toImage();
    // The outline's left edge at the home row is drawn in the outline colour, not the background.
    const QRect homeRow = view()->visualRect(model()->indexForGroup(home));
    EXPECT_NE(picture.pixelColor(1, homeRow.center().y()), view()->backgroundColor());
}

TEST_F(SourceListViewTest, HoldingAltShowsEveryCountUntilItComesUpOrTheProgramLosesFocus) {
    addTask(work, QStringLiteral("plan"));
    processChanges();
    TDOptionKeyWatcher watcher;
    qApp->installEventFilter(&watcher);
    const QModelIndex workRow = model()->indexForGroup(work);
    EXPECT_EQ(workRow.data(TDSourceListModel::ItemCountRole).toLongLong(), 0);

    QTest::keyPress(view(), Qt::Key_Alt, Qt::AltModifier);
    EXPECT_TRUE(groups->isOptionKeyDown());
    EXPECT_EQ(workRow.data(TDSourceListModel::ItemCountRole).toLongLong(), 1);
    QTest::keyRelease(view(), Qt::Key_Alt);
    EXPECT_FALSE(groups->isOptionKeyDown());
    EXPECT_EQ(workRow.data(TDSourceListModel::ItemCountRole).toLongLong(), 0);

    QTest::keyPress(view(), Qt::Key_Alt, Qt::AltModifier);
    QEvent deactivate(QEvent::ApplicationDeactivate);
    QCoreApplication::sendEvent(qApp, &deactivate);
    EXPECT_FALSE(groups->isOptionKeyDown());
    qApp->removeEventFilter(&watcher);
}

struct BadgeCase {
    const char* name;
    qint64 count;
    bool badge;
    bool widerThanMinimum;
};

class SourceListCellLayout : public ::testing::TestWithParam<BadgeCase> {};

TEST_P(SourceListCellLayout, TheBadgeSitsAtTheRightAndTheTitleEndsBeforeIt) {
    const BadgeCase& badge = GetParam();
    const QRectF frame(30, 40, 180, 20);
    const auto layout =
        TDSourceListCell::layoutForFrame(frame, true, badge.count, TDItemCountCell::defaultFont(), false);
    EXPECT_EQ(layout.imageRect, QRectF(33, 40, 16, 20));
    if (!badge.badge) {
        EXPECT_TRUE(layout.countRect.isEmpty());
        EXPECT_EQ(layout.titleRect.right(), 30 + 16 + 6 + 180 - 16 - 7);
        return;
    }
    EXPECT_EQ(layout.countRect.height(), 14);
    EXPECT_EQ(layout.countRect.y(), 43);
    EXPECT_EQ(layout.countRect.right(), frame.right() - 3);
    EXPECT_EQ(layout.countRect.width() > 20, badge.widerThanMinimum);
    EXPECT_GE(layout.countRect.width(), 20);
    EXPECT_EQ(layout.titleRect.right(), layout.countRect.left());
    // The editor reaches over the badge.
    EXPECT_EQ(TDSourceListCell::titleRectForEditing(layout).right(), layout.countRect.right());
}

INSTANTIATE_TEST_SUITE_P(Table, SourceListCellLayout,
                         ::testing::Values(BadgeCase{"none", 0, false, false},
                                           BadgeCase{"one", 1, true, false},
                                           BadgeCase{"many", 12345, true, true}),
                         [](const ::testing::TestParamInfo<BadgeCase>& info) {
                             return std::string(info.param.name);
                         });

TEST(SourceListCellLayoutTest, ACheckboxPushesTheImageAndTitleRight) {
    const QRectF frame(0, 0, 200, 20);
    const auto plain =
        TDSourceListCell::layoutForFrame(frame, true, 0, TDItemCountCell::defaultFont(), false);
    const auto checked =
        TDSourceListCell::layoutForFrame(frame, true, 0, TDItemCountCell::defaultFont(), true);
    ASSERT_FALSE(checked.checkboxRect.isEmpty());
    const qreal shift = checked.checkboxRect.right();
    EXPECT_EQ(checked.imageRect.x(), plain.imageRect.x() + shift);
    EXPECT_EQ(checked.titleRect.x(), plain.titleRect.x() + shift);
    EXPECT_EQ(checked.titleRect.right(), plain.titleRect.right());
    EXPECT_LE(checked.checkboxRect.bottom(), frame.bottom());
}

TEST(ItemCountCellTest, ColoursFollowSelectionAndWindow) {
    TDItemCountCell::Look look;
    EXPECT_EQ(TDItemCountCell::fillColor(look), QColor(0x7e, 0x99, 0xaa));
    EXPECT_EQ(TDItemCountCell::textColor(look), QColor(Qt::white));
    look.windowIsMain = false;
    EXPECT_EQ(TDItemCountCell::fillColor(look), QColor::fromRgbF(0.6f, 0.6f, 0.6f));
    look.highlighted = true;
    EXPECT_EQ(TDItemCountCell::fillColor(look), QColor(Qt::white));
    look.viewHasFocus = false;
    EXPECT_EQ(TDItemCountCell::textColor(look), QColor::fromRgbF(0.53f, 0.53f, 0.53f));
    look.windowIsMain = true;
    EXPECT_EQ(TDItemCountCell::textColor(look), QColor(131, 160, 196));
}

}  // namespace
}  // namespace apptest

#include "app/group_tabs.h"
#include "app/gui/group_tab_control.h"
#include "app/gui/tab_image_factory.h"
#include "model/folder.h"
#include "model/group.h"
#include "platform/defaults/user_defaults.h"
#include "tests/app/group_library_fixture.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QTest>
#include <QVBoxLayout>

namespace {

class TabControlTest : public apptest::GroupLibraryTest {
protected:
    void SetUp() override {
        GroupLibraryTest::SetUp();
        tabs = std::make_unique<TDGroupTabs>(defaults());
        QObject::connect(tabs.get(), &TDGroupTabs::currentGroupChanged, tabs.get(),
                         [this](TDGroup* group, const QVariantMap&) { shown = group; });
        tabs->restoreTabs();
        tabs->setLibrary(library());
        window = std::make_unique<QWidget>();
        auto* layout = new QVBoxLayout(window.get());
        layout->setContentsMargins(0, 0, 0, 0);
        control = new TDGroupTabControl(*tabs, window.get());
        layout->addWidget(control);
        layout->addStretch();
        window->resize(700, 80);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    }
    void TearDown() override {
        window.reset();
        tabs.reset();
        GroupLibraryTest::TearDown();
    }
    // Lists opened in tabs after the Today tab; the first tab stays selected.
    void openLists(const QStringList& titles) {
        for (const QString& title : titles) {
            TDList* made = list(title);
            settle();
            tabs->addTabWithGroup(made);
            tabs->setGroup(made, tabs->numberOfTabs() - 1);
        }
        control->finishAnimations();
    }
    QPoint centreOf(int index) const { return control->tabRect(index).center().toPoint(); }
    QStringList titles() const {
        QStringList list;
        for (const TDTab& tab : tabs->tabs()) list << tab.title;
        return list;
    }
    void send(QEvent::Type type, const QPoint& at, Qt::MouseButtons buttons) {
        QMouseEvent event(type, at, control->mapToGlobal(at), Qt::LeftButton, buttons, Qt::NoModifier);
        QApplication::sendEvent(control, &event);
    }
    // A press on the tab, moves of `step` points to `to`, and a release there.
    void drag(const QPoint& from, const QPoint& to, int step = 10) {
        send(QEvent::MouseButtonPress, from, Qt::LeftButton);
        QPoint at = from;
        const int direction = to.x() > from.x() ? step : -step;
        while (std::abs(to.x() - at.x()) > step) {
            at.rx() += direction;
            send(QEvent::MouseMove, at, Qt::LeftButton);
        }
        send(QEvent::MouseMove, to, Qt::LeftButton);
        send(QEvent::MouseButtonRelease, to, Qt::NoButton);
        control->finishAnimations();
    }

    std::unique_ptr<TDGroupTabs> tabs;
    std::unique_ptr<QWidget> window;
    TDGroupTabControl* control = nullptr;
    TDGroup* shown = nullptr;
};

TEST_F(TabControlTest, TabsOverlapAndTakeTheWidthOfTheirTitles) {
    openLists({QStringLiteral("Garden"),
               QStringLiteral("A list whose title is far too long to fit on any tab of the bar")});
    EXPECT_EQ(control->tabRect(0), QRectF(53, control->height() - 26, 122, 26));
    EXPECT_EQ(control->tabRect(1).x(), 53 + 122 - 15);
    EXPECT_EQ(control->tabWidth(1), 122);
    EXPECT_EQ(control->tabWidth(2), 200);
    EXPECT_EQ(control->tabRect(2).x(), control->tabRect(1).right() - 15);
}

TEST_F(TabControlTest, ClickingATabSelectsItAndShowsItsGroup) {
    openLists({QStringLiteral("Garden"), QStringLiteral("Errands")});
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(2));
    EXPECT_EQ(tabs->selectedTabIndex(), 2);
    EXPECT_EQ(shown->title(), QStringLiteral("Errands"));
    // Where tabs overlap, the one on the left is in front.
    const QPoint overlap(int(control->tabRect(1).x()) + 5, centreOf(1).y());
    EXPECT_EQ(control->indexOfTabAtPoint(overlap), 0);
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(0));
    EXPECT_EQ(shown, library()->todayGroup());
    // Now the selected tab stands in front of its left neighbour.
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(1));
    EXPECT_EQ(control->indexOfTabAtPoint(overlap), 1);
}

TEST_F(TabControlTest, DraggingATabPastItsNeighbourReordersTheTabs) {
    openLists({QStringLiteral("Garden"), QStringLiteral("Errands")});
    drag(centreOf(0), centreOf(0) + QPoint(6, 0));
    EXPECT_EQ(titles(),
              (QStringList{QStringLiteral("Today"), QStringLiteral("Garden"), QStringLiteral("Errands")}));

    drag(centreOf(0), centreOf(1) + QPoint(40, 0));
    EXPECT_EQ(titles(),
              (QStringList{QStringLiteral("Garden"), QStringLiteral("Today"), QStringLiteral("Errands")}));
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_EQ(control->tabRect(1).x(), 53 + 122 - 15);

    // The last tab goes back to the front, and the new order is what is saved.
    drag(centreOf(2), QPoint(5, centreOf(2).y()));
    EXPECT_EQ(titles(),
              (QStringList{QStringLiteral("Errands"), QStringLiteral("Garden"), QStringLiteral("Today")}));
    EXPECT_EQ(control->tabRect(0).x(), 53);
    tabs->saveTabs();
    EXPECT_EQ(defaults().value(QStringLiteral("TDTabControl tabs objects")).toList().constLast(),
              QVariant(TDGroupTabs::TodayTabObject));
}

TEST_F(TabControlTest, ADoubleClickOnEmptySpaceOrTheOnlyTabOpensANewTab) {
    QTest::mouseDClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(0));
    EXPECT_EQ(tabs->numberOfTabs(), 2);
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    QTest::mouseDClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(0));
    EXPECT_EQ(tabs->numberOfTabs(), 2);
    QTest::mouseDClick(control, Qt::LeftButton, Qt::NoModifier, QPoint(control->width() - 10, 20));
    EXPECT_EQ(tabs->numberOfTabs(), 3);
}

TEST_F(TabControlTest, TheContextMenuClosesTheTabUnderIt) {
    auto actionTitles = [](const QMenu& menu) {
        QStringList list;
        for (const QAction* action : menu.actions()) list << action->text();
        return list;
    };
    EXPECT_EQ(actionTitles(*control->menuForPosition(centreOf(0))), QStringList{QStringLiteral("New Tab")});
    openLists({QStringLiteral("Garden"), QStringLiteral("Errands")});
    EXPECT_EQ(actionTitles(*control->menuForPosition(QPoint(control->width() - 10, 20))),
              QStringList{QStringLiteral("New Tab")});
    const auto menu = control->menuForPosition(centreOf(1));
    ASSERT_EQ(actionTitles(*menu), (QStringList{QStringLiteral("Close Tab"), QStringLiteral("New Tab")}));
    menu->actions().at(0)->trigger();
    EXPECT_EQ(titles(), (QStringList{QStringLiteral("Today"), QStringLiteral("Errands")}));
    EXPECT_EQ(tabs->selectedTabIndex(), 0);
}

TEST_F(TabControlTest, ControlTabMovesBetweenTabs) {
    openLists({QStringLiteral("Garden"), QStringLiteral("Errands")});
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    QTest::keyClick(window.get(), Qt::Key_Tab, Qt::ControlModifier);
    EXPECT_EQ(tabs->selectedTabIndex(), 1);
    EXPECT_EQ(shown->title(), QStringLiteral("Garden"));
    QTest::keyClick(window.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    QTest::keyClick(window.get(), Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(tabs->selectedTabIndex(), 2);
}

TEST_F(TabControlTest, SelectingATabOutOfViewScrollsItIn) {
    window->resize(420, 80);
    openLists(
        {QStringLiteral("One"), QStringLiteral("Two"), QStringLiteral("Three"), QStringLiteral("Four")});
    EXPECT_EQ(control->scrollOffset(), 0);
    tabs->selectTabAtIndex(4);
    control->finishAnimations();
    EXPECT_EQ(control->tabRect(4).right(), control->width() - 51);
    tabs->selectTabAtIndex(0);
    control->finishAnimations();
    EXPECT_EQ(control->scrollOffset(), 0);
    EXPECT_EQ(control->tabRect(0).x(), 53);
}

TEST_F(TabControlTest, ClosingTheWindowSavesTheTabs) {
    openLists({QStringLiteral("Garden")});
    QTest::mouseClick(control, Qt::LeftButton, Qt::NoModifier, centreOf(1));
    window->close();
    EXPECT_EQ(defaults().value(QStringLiteral("TDTabControl tabs objects")).toList().size(), 2);
    EXPECT_EQ(defaults().integer(QStringLiteral("TDTabControl tabs selected index")), 1);
}

TEST(TabImageFactory, DrawsEachTypeAndStateOnce) {
    TDTabImageFactory& factory = TDTabImageFactory::sharedFactory();
    const TDTabImages& selected = factory.tabImagesForTabType(QStringLiteral("list"), true);
    EXPECT_EQ(&selected, &factory.tabImagesForTabType(QStringLiteral("list"), true));
    EXPECT_EQ(selected[0].size(), QSize(46, 52));
    EXPECT_EQ(selected[1].size(), QSize(2, 52));
    // Unselected: the same shape, darker.
    const TDTabImages& unselected = factory.tabImagesForTabType(QStringLiteral("list"), false);
    const QColor bright = selected[1].pixelColor(0, 30);
    const QColor dark = unselected[1].pixelColor(0, 30);
    EXPECT_LT(dark.lightness(), bright.lightness() - 10);
    EXPECT_EQ(unselected[0].pixelColor(2, 50).alpha(), selected[0].pixelColor(2, 50).alpha());
    // The right cap mirrors the left one.
    EXPECT_EQ(selected[2].pixelColor(45 - 10, 20), selected[0].pixelColor(10, 20));
    // No type draws the default colours.
    EXPECT_EQ(&factory.tabImagesForTabType(QString(), true), &factory.tabImagesForTabType(QString(), true));
    EXPECT_EQ(factory.tabImagesForTabType(QString(), true)[1].pixelColor(0, 30), bright);
    EXPECT_NE(factory.tabImagesForTabType(QStringLiteral("today"), true)[1].pixelColor(0, 30), bright);
}

TEST_F(TabControlTest, Screenshot) {
    openLists({QStringLiteral("Errands"), QStringLiteral("Home renovation and the garden shed before winter"),
               QStringLiteral("Reading")});
    TDGroup* folder = library()->createFolder(QStringLiteral("Work"), library()->foldersGroup());
    settle();
    tabs->addTabWithGroup(folder);
    tabs->setGroup(folder, tabs->numberOfTabs() - 1);
    tabs->selectTabAtIndex(2);
    window->resize(820, 80);
    control->finishAnimations();

    const qreal scale = 2;
    QImage shot(QSize(control->width(), control->height() + 24) * scale, QImage::Format_ARGB32_Premultiplied);
    shot.setDevicePixelRatio(scale);
    shot.fill(Qt::white);
    QPainter painter(&shot);
    control->render(&painter);
    // Below the bar, the top of the task list in the selected tab's colours.
    const QVariantMap colours = TDGroup::displayOptionsForTabType(tabs->tabTypeAtIndex(2));
    QLinearGradient header(0, control->height(), 0, control->height() + 24);
    header.setColorAt(
        0, colours.value(QStringLiteral("tasksViewHeaderBackgroundGradientTopColor")).value<QColor>());
    header.setColorAt(
        1, colours.value(QStringLiteral("tasksViewHeaderBackgroundGradientBottomColor")).value<QColor>());
    painter.fillRect(QRectF(0, control->height(), control->width(), 24), header);
    painter.end();
    const QString folderPath = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folderPath));
    ASSERT_TRUE(shot.save(folderPath + QStringLiteral("/group_tabs.png")));
}

}  // namespace

#include "app/gui/groups_view.h"
#include "app/gui/source_list_pane.h"
#include "controls/gui/function_pop_up_button.h"
#include "model/ordered_collection.h"
#include "platform/defaults/user_defaults.h"
#include "tests/app/groups_controller_fixture.h"
#include "tests/support/core/scripted_alert_prompter.h"

#include <QApplication>
#include <QDir>
#include <QMenu>
#include <QPainter>
#include <QTest>

namespace apptest {
namespace {

// Pictures of the source list over a library with folders, lists, smart folders, tags and counts, in
// both modes, for a person to look at.
class SourceListScreenshotTest : public GroupsControllerTest {
protected:
    void SetUp() override {
        GroupsControllerTest::SetUp();
        const QDateTime today = clock->now();
        TDGroup* projects = group(QStringLiteral("Projects"));
        TDList* website = list(QStringLiteral("Website Redesign"), projects);
        TDList* report = list(QStringLiteral("Quarterly Report for the Board of Directors"), projects);
        TDFolder* household = folder(QStringLiteral("Household"));
        TDList* groceries = list(QStringLiteral("Groceries"), household);
        TDList* garden = list(QStringLiteral("Garden"), household);
        TDList* reading = list(QStringLiteral("Reading"));
        smartFolder(QStringLiteral("Due This Week"));
        TDList* oldTrip = list(QStringLiteral("Trip to Lisbon"));
        TDTag* phone = tag(QStringLiteral("@phone"));
        TDTag* errands = tag(QStringLiteral("errands"));
        tag(QStringLiteral("waiting"));
        TDFolder* people = library()->createFolder(QStringLiteral("People"), library()->tagsGroup());
        tag(QStringLiteral("Anna"), people);
        tag(QStringLiteral("Marc"), people);

        for (int i = 0; i < 12; ++i) addTask(website, QStringLiteral("Page %1").arg(i + 1));
        for (int i = 0; i < 2; ++i)
            addTask(report, QStringLiteral("Section %1").arg(i + 1))->setDueDate(today);
        for (const char* item : {"Milk", "Bread", "Apples", "Coffee"})
            addTask(groceries, QString::fromLatin1(item))->addTags({errands});
        addTask(garden, QStringLiteral("Prune the roses"));
        for (int i = 0; i < 3; ++i) addTask(reading, QStringLiteral("Book %1").arg(i + 1));
        for (const char* item : {"Call the plumber", "Renew passport", "Answer Marc"})
            addTask(library()->inboxGroup(), QString::fromLatin1(item))->addTags({phone});
        addTask(oldTrip, QStringLiteral("Book flights"))->setCompleted(true);
        processChanges();
        oldTrip->archive();
        processChanges();
        defaults().setValue(QStringLiteral("showIncompleteTaskCount"), true);

        pane = std::make_unique<TDSourceListPane>(*groups, &prompter);
        pane->resize(240, 560);
        pane->show();
        QApplication::setActiveWindow(pane.get());
        ASSERT_TRUE(QTest::qWaitForWindowExposed(pane.get()));
        groups->expandGroup(projects);
        groups->expandGroup(household);
        groups->selectGroup(website);
    }
    void TearDown() override {
        pane.reset();
        GroupsControllerTest::TearDown();
    }

    void shoot(const QString& name) {
        pane->groupsView()->doItemsLayout();
        QCoreApplication::processEvents();
        const QImage picture = pane->grab().toImage();
        const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
        QDir().mkpath(folder);
        EXPECT_TRUE(picture.save(QDir(folder).filePath(name)));
    }

    testsupport::ScriptedAlertPrompter prompter;
    std::unique_ptr<TDSourceListPane> pane;
};

TEST_F(SourceListScreenshotTest, BothModes) {
    EXPECT_TRUE(rows().contains(QStringLiteral("    Website Redesign 12 [x]")));
    shoot(QStringLiteral("source_list.png"));
    ASSERT_TRUE(groups->selectGroup(group(QStringLiteral("errands"))));
    groups->expandGroup(group(QStringLiteral("People")));
    EXPECT_TRUE(rows().contains(QStringLiteral("errands 4 [x]")));
    shoot(QStringLiteral("source_list_tags.png"));
}

TEST_F(SourceListScreenshotTest, TheContextMenuOverAList) {
    TDGroup* groceries = group(QStringLiteral("Groceries"));
    pane->groupsView()->doItemsLayout();
    const QRect row = pane->groupsView()->visualRect(model()->indexForGroup(groceries));
    std::unique_ptr<QMenu> menu = pane->groupsView()->contextMenuAt(row.center());
    ASSERT_NE(menu, nullptr);
    menu->adjustSize();
    const QImage list = pane->grab().toImage();
    const QImage items = menu->grab().toImage();
    // The menu where it opens, beside the click, on a picture wide enough for both.
    const QPoint at = pane->groupsView()->viewport()->mapTo(pane.get(), row.center());
    QImage picture(qMax(list.width(), at.x() + items.width()), qMax(list.height(), at.y() + items.height()),
                   QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(0, 0, list);
    painter.drawImage(at, items);
    painter.end();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("source_list_context_menu.png"))));
}

TEST_F(SourceListScreenshotTest, TheActionsMenuOpenUnderTheBar) {
    QMenu& menu = pane->actionsMenu();
    Q_EMIT menu.aboutToShow();
    menu.adjustSize();
    const QImage list = pane->grab().toImage();
    const QImage items = menu.grab().toImage();
    // The menu where the button opens it: under the button's left end.
    const QWidget& button = pane->actionsButton();
    const QPoint at = button.mapTo(pane.get(), QPoint(0, button.height()));
    QImage picture(qMax(list.width(), at.x() + items.width()), qMax(list.height(), at.y() + items.height()),
                   QImage::Format_ARGB32);
    picture.fill(Qt::white);
    QPainter painter(&picture);
    painter.drawImage(0, 0, list);
    painter.drawImage(at, items);
    painter.end();
    Q_EMIT menu.aboutToHide();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(picture.save(QDir(folder).filePath(QStringLiteral("source_list_actions_menu.png"))));
}

}  // namespace
}  // namespace apptest

#include "auxiliary/gui/about_window.h"
#include "auxiliary/gui/about_window_controller.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QTest>

namespace {

class AboutWindowTest : public testsupport::TempFoldersTest {
protected:
    void TearDown() override {
        TDAboutWindowController::releaseSharedController();
        TempFoldersTest::TearDown();
    }
    TDAboutWindow& open() {
        TDAboutWindowController& controller = TDAboutWindowController::sharedController();
        controller.showWindow();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&controller.window()));
        return controller.window();
    }
};

TEST_F(AboutWindowTest, SpacePausesAndResumesTheCrawlWhereItStoodAndOnlySpaceAloneDoes) {
    TDAboutWindow& window = open();
    EXPECT_TRUE(window.isCrawling());
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_FALSE(window.isCrawling());
    const double position = window.creditView().scrollPosition();
    QTest::keyClick(&window, Qt::Key_Space);
    EXPECT_TRUE(window.isCrawling());
    EXPECT_EQ(window.creditView().scrollPosition(), position) << "no step was taken by the toggling";
    for (Qt::KeyboardModifiers held :
         {Qt::ShiftModifier, Qt::ControlModifier, Qt::AltModifier, Qt::MetaModifier}) {
        QTest::keyClick(&window, Qt::Key_Space, held);
        EXPECT_TRUE(window.isCrawling()) << int(held);
    }
}

TEST_F(AboutWindowTest, TheCrawlTicksOnItsOwnAndBackwardsWithAlt) {
    TDAboutWindow& window = open();
    const double start = window.creditView().scrollPosition();
    ASSERT_TRUE(testsupport::spinUntil([&] { return window.creditView().scrollPosition() > start + 1; }));
    window.stopCrawl();
    const double reached = window.creditView().scrollPosition();
    // Each step shows the position the last one moved to.
    const struct {
        bool reverse;
        double shown;
    } steps[] = {{false, reached + 1}, {true, reached + 2}, {true, reached + 1}, {true, reached}};
    for (const auto& step : steps) {
        window.crawlStep(step.reverse);
        EXPECT_EQ(window.creditView().scrollPosition(), step.shown);
    }
}

TEST_F(AboutWindowTest, OpeningAgainLeavesTheWindowAsItIsAndEscapeClosesIt) {
    TDAboutWindow& window = open();
    EXPECT_TRUE(window.findChild<QLabel*>(QStringLiteral("versionDescription"))
                    ->text()
                    .startsWith(QStringLiteral("Version ")));
    window.move(window.pos() + QPoint(30, 0));
    const QPoint moved = window.pos();
    window.stopCrawl();
    TDAboutWindowController::sharedController().showWindow();
    EXPECT_EQ(window.pos(), moved);
    EXPECT_FALSE(window.isCrawling()) << "the crawl is not restarted";

    QTest::keyClick(&window, Qt::Key_Escape);
    EXPECT_FALSE(TDAboutWindowController::isAboutWindowOpen());
    ASSERT_TRUE(testsupport::spinUntil([] { return !TDAboutWindowController::isAboutWindowOpen(); }));
}

TEST_F(AboutWindowTest, Screenshot) {
    TDAboutWindow& window = open();
    window.stopCrawl();
    for (int step = 0; step < 170; ++step) window.crawlStep(false);
    QCoreApplication::processEvents();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    EXPECT_TRUE(window.grab().toImage().save(QDir(folder).filePath(QStringLiteral("about_window.png"))));
}

}  // namespace

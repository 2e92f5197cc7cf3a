#include "auxiliary/gui/timer_window.h"
#include "app/main_window_layout.h"
#include "auxiliary/gui/timer_lcd_view.h"
#include "auxiliary/gui/timer_status_item.h"
#include "auxiliary/gui/timer_window_controls.h"
#include "controls/gui/floating_panel.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "taskviews/gui/single_task_view.h"
#include "tests/auxiliary/timer_fixture.h"

#include <QApplication>
#include <QDir>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTest>

namespace timertest {
namespace {

const QString kDisplayMode = QStringLiteral("timerDisplayMode");

QString screenshotPath(const QString& name) {
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    return QDir(folder).filePath(name + QStringLiteral(".png"));
}

// The timer with its real panel.
class TimerWindowTest : public TimerTest {
protected:
    void SetUp() override {
        TimerTest::SetUp();
        defaults().setValue(QStringLiteral("blinkTimerDots"), false);
        timer->setPanelMaker([this](TDTimerWindowController& controller) {
            auto made = std::make_unique<TDTimerWindow>(controller, defaults());
            window = made.get();
            return made;
        });
    }

    // The panel on a plain dark desktop, as a person sees it; a frozen pulse is caught a quarter in.
    void shoot(const QString& name, bool freezeAnimations = true) {
        QCoreApplication::processEvents();
        if (freezeAnimations) window->lcdView().setAnimationProgressForTesting(0.25);
        QImage picture(window->size() + QSize(24, 24), QImage::Format_ARGB32_Premultiplied);
        picture.fill(QColor(0x6b, 0x7b, 0x8c));
        QPainter painter(&picture);
        window->render(&painter, QPoint(12, 12), QRegion(),
                       QWidget::DrawWindowBackground | QWidget::DrawChildren);
        painter.end();
        EXPECT_TRUE(picture.save(screenshotPath(name)));
    }

    TDTimerWindow* window = nullptr;
};

TEST_F(TimerWindowTest, ThePanelShowsTheTimedTaskAndItsTime) {
    TDTask* task = makeTask(QStringLiteral("Write the quarterly report /work"), 45 * 60);
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->taskView().task(), task);
    EXPECT_EQ(window->taskView().style(), 0);
    clock.advanceSeconds(75 * 60 + 20);
    timer->timerFired();
    EXPECT_EQ(window->lcdView().digits().totalMinutes, 75u);
    EXPECT_EQ(window->pauseButton().glyph(), TDTimerButton::Glyph::Pause);
    shoot(QStringLiteral("timer_panel_running"));

    defaults().setValue(kDisplayMode, 1);
    EXPECT_TRUE(window->lcdView().digits().tinted) << "30 minutes past the estimate";
    EXPECT_EQ(window->lcdView().modeCaption(), QStringLiteral("REMAINING"));
    shoot(QStringLiteral("timer_panel_past_estimate"));
    defaults().setValue(kDisplayMode, 0);

    window->pauseButton().click();
    EXPECT_TRUE(timer->isPaused());
    EXPECT_EQ(window->pauseButton().glyph(), TDTimerButton::Glyph::Play);
    EXPECT_TRUE(window->lcdView().isPulsing());
    shoot(QStringLiteral("timer_panel_paused_narrow"));
    defaults().setValue(QStringLiteral("taskTimerWindowWidth"), 420.0);
    window->toggleWidth();
    EXPECT_EQ(window->width(), 420);
    shoot(QStringLiteral("timer_panel_paused_wide"));
}

TEST_F(TimerWindowTest, SpaceTogglesThePauseAndEscStops) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(timer->isPaused());
    QTest::keyClick(window, Qt::Key_Space);
    EXPECT_TRUE(timer->isTimingTask(task));
    QTest::keyClick(window, Qt::Key_Space, Qt::ControlModifier);
    EXPECT_TRUE(timer->isTimingTask(task)) << "only a plain space pauses";
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_EQ(timer->task(), nullptr);
}

TEST_F(TimerWindowTest, TheWidthTogglesBetweenTheMinimumAndTheRememberedWidthOnTheScreen) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    const QRect screen = window->screen()->geometry();
    const int minimum = TDTimerWindow::kMinimumWidth;
    const struct {
        const char* what;
        int stored;
        int x;
        int width;
        int expectedX;
        int expectedWidth;
    } cases[] = {
        {"never stored: the expansion keeps the minimum", 0, 100, minimum, 100, minimum},
        {"expands to the remembered width", 400, 100, minimum, 100, 400},
        {"expanding near the right edge shifts left", 400, screen.right() - 300, minimum,
         screen.right() + 1 - 400, 400},
        {"collapsing remembers and keeps the left edge", 0, 100, 380, 100, minimum},
        {"collapsing at the right edge stays there", 0, screen.right() + 1 - 380, 380,
         screen.right() + 1 - minimum, minimum},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.stored) defaults().setValue(QStringLiteral("taskTimerWindowWidth"), double(c.stored));
        window->setGeometry(c.x, 100, c.width, window->height());
        window->toggleWidth();
        EXPECT_EQ(window->x(), c.expectedX);
        EXPECT_EQ(window->width(), c.expectedWidth);
        if (c.width > minimum) {
            EXPECT_EQ(defaults().real(QStringLiteral("taskTimerWindowWidth")), c.width);
        }
    }
}

// A left-button drag in one move, as the window system reports it: the positions are global.
void drag(QWidget* widget, const QPoint& from, const QPoint& by) {
    const QPoint global = widget->mapToGlobal(from);
    QMouseEvent press(QEvent::MouseButtonPress, from, global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent move(QEvent::MouseMove, from + by, global + by, Qt::NoButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &move);
    QMouseEvent release(QEvent::MouseButtonRelease, from + by, global + by, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

// The grip sets the width from the panel's fixed left edge; the background moves the panel. Either way
// the frame is kept under "timer" at once, and the panel opens there the next time.
TEST_F(TimerWindowTest, TheGripWidensThePanelItsBackgroundMovesItAndTheFrameIsKept) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    const int minimum = window->minimumWidth();
    const int height = window->height();
    window->setGeometry(200, 150, minimum, height);
    auto* grip = window->findChild<TDTimerWindowResizeHandle*>();
    ASSERT_NE(grip, nullptr);
    // A point of the background: no control lies under it.
    QPoint background(-1, -1);
    for (int y = 1; y < height - 1 && background.x() < 0; ++y)
        for (int x = 1; x < window->width() - 12 && background.x() < 0; ++x)
            if (!window->childAt(x, y)) background = QPoint(x, y);
    ASSERT_GE(background.x(), 0);
    const QPoint gripMiddle = grip->rect().center();

    const struct {
        const char* what;
        QWidget* dragged;
        QPoint at;
        QPoint by;
        QRect expected;
    } steps[] = {
        {"the grip dragged right widens the panel",
         grip,
         gripMiddle,
         {120, 7},
         {200, 150, minimum + 120, height}},
        {"the grip dragged left narrows it", grip, gripMiddle, {-40, 0}, {200, 150, minimum + 80, height}},
        {"never below the minimum", grip, gripMiddle, {-300, 0}, {200, 150, minimum, height}},
        {"the background moves it, its size kept",
         window,
         background,
         {-50, 40},
         {150, 190, minimum, height}},
    };
    for (const auto& step : steps) {
        SCOPED_TRACE(step.what);
        drag(step.dragged, step.at, step.by);
        EXPECT_EQ(window->geometry(), step.expected);
        EXPECT_EQ(TDMainWindowLayout::frameFromString(defaults().string(TDTimerWindow::FrameKey)),
                  step.expected);
    }
    EXPECT_EQ(defaults().real(QStringLiteral("taskTimerWindowWidth")), 0)
        << "only a collapse remembers a width";

    QTest::keyClick(window, Qt::Key_Escape);
    ASSERT_EQ(timer->task(), nullptr);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !window->isVisible(); }, 3000));
    window->setGeometry(0, 0, minimum, height);
    task->beginTiming();
    EXPECT_EQ(window->geometry(), QRect(150, 190, minimum, height));
}

// A task started today draws its title in the past-start font, which has no colour of its own: running
// or paused it reads in the text colour, as in the outline, not in the row's faint frame line.
TEST_F(TimerWindowTest, APastStartTitleReadsInTheTextColourRunningAndPaused) {
    TDTask* task = makeTask(QStringLiteral("Call the plumber about the boiler"));
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(task->isPastStart());
    QImage pictures[2];
    for (const bool paused : {false, true}) {
        SCOPED_TRACE(paused ? "paused" : "running");
        if (paused != timer->isPaused()) window->pauseButton().click();
        const QImage row = window->taskView().grab().toImage();
        const QRect title = window->taskView().cellFrame().intersected(row.rect());
        int darkest = 255;
        for (int y = title.top(); y <= title.bottom(); ++y)
            for (int x = title.left(); x <= title.right(); ++x)
                darkest = std::min(darkest, qGray(row.pixel(x, y)));
        EXPECT_LT(darkest, 80);
        QCoreApplication::processEvents();
        window->lcdView().setAnimationProgressForTesting(0.25);
        pictures[paused] = window->grab().toImage();
    }
    // Running above paused, on the desktop's grey.
    QImage both(pictures[0].width() + 24, pictures[0].height() * 2 + 36, QImage::Format_ARGB32_Premultiplied);
    both.fill(QColor(0x6b, 0x7b, 0x8c));
    QPainter painter(&both);
    painter.drawImage(12, 12, pictures[0]);
    painter.drawImage(12, pictures[0].height() + 24, pictures[1]);
    painter.end();
    EXPECT_TRUE(both.save(screenshotPath(QStringLiteral("timer_panel_running_and_paused"))));
}

TEST_F(TimerWindowTest, AlwaysOnTopFollowsTheSettingAtOnce) {
    makeTask(QStringLiteral("timed"))->beginTiming();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->windowLevel(), TDFloatingPanel::WindowLevel::Floating);
    defaults().setValue(QStringLiteral("timerAlwaysOnTop"), false);
    EXPECT_EQ(window->windowLevel(), TDFloatingPanel::WindowLevel::Normal);
    EXPECT_TRUE(window->isVisible()) << "shown again after the change of flags";
    defaults().setValue(QStringLiteral("timerAlwaysOnTop"), true);
    EXPECT_EQ(window->windowLevel(), TDFloatingPanel::WindowLevel::Floating);
}

TEST_F(TimerWindowTest, TheCheckboxCompletesAndRenamingRedrawsTheRow) {
    TDTask* task = makeTask(QStringLiteral("timed"));
    task->beginTiming();
    ASSERT_NE(window, nullptr);
    task->setTitle(QStringLiteral("renamed"));
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_EQ(window->taskView().task(), task);
    QTest::mouseClick(&window->checkboxButton(), Qt::LeftButton);
    manager->managedObjectContext()->processPendingChanges();
    EXPECT_TRUE(task->isCompleted());
    EXPECT_EQ(timer->task(), nullptr);
    EXPECT_EQ(window->taskView().task(), nullptr);
}

// A quick click on the display switches the mode; a task without an estimate refuses, and the display
// says why.
TEST_F(TimerWindowTest, AQuickClickOnTheDisplaySwitchesTheModeOrWarns) {
    TDTask* estimated = makeTask(QStringLiteral("estimated"), 600);
    estimated->beginTiming();
    ASSERT_NE(window, nullptr);
    TDTimerLCDView& lcd = window->lcdView();
    QTest::mouseClick(&lcd, Qt::LeftButton);
    EXPECT_EQ(timer->displayMode(), 1);
    EXPECT_EQ(lcd.modeCaption(), QStringLiteral("REMAINING"));
    QTest::mouseClick(&lcd, Qt::LeftButton);
    EXPECT_EQ(timer->displayMode(), 0);
    EXPECT_EQ(lcd.modeCaption(), QStringLiteral("ELAPSED"));
    QTest::mousePress(&lcd, Qt::LeftButton);
    QTest::qWait(250);
    QTest::mouseRelease(&lcd, Qt::LeftButton);
    EXPECT_EQ(timer->displayMode(), 0) << "a held press does not switch";

    makeTask(QStringLiteral("no estimate"))->beginTiming();
    QTest::mouseClick(&lcd, Qt::LeftButton);
    EXPECT_EQ(timer->displayMode(), 0);
    EXPECT_TRUE(lcd.isShowingWarning());
    EXPECT_EQ(lcd.modeCaption(), QStringLiteral("REMAINING"));
    shoot(QStringLiteral("timer_panel_no_estimate"), false);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !lcd.isShowingWarning(); }, 3000));
    EXPECT_EQ(lcd.modeCaption(), QStringLiteral("ELAPSED"));
}

TEST(TimerLCDView, DigitsChangeOnlyWithTheMinuteAndTheColonBlinks) {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    defaults.setValue(QStringLiteral("blinkTimerDots"), true);
    TDTimerLCDView lcd(defaults);
    lcd.resize(lcd.sizeHint());
    lcd.setTime(59 * 60 + 58);
    const TDTimerLCDDigits before = lcd.digits();
    EXPECT_EQ(lcd.colonOpacity(), 0.25);
    lcd.setTime(59 * 60 + 59);
    EXPECT_EQ(lcd.colonOpacity(), 0.0) << "odd seconds hide the colon";
    EXPECT_EQ(lcd.digits().digits, before.digits);
    lcd.setTime(3600);
    EXPECT_EQ(lcd.colonOpacity(), 1.0);
    EXPECT_TRUE(lcd.digits().digits.at(2).lit);
    defaults.setValue(QStringLiteral("blinkTimerDots"), false);
    lcd.setTime(3601);
    EXPECT_EQ(lcd.colonOpacity(), 1.0) << "steady without blinking";

    int added = 0;
    QObject::connect(&lcd, &TDTimerLCDView::digitAdded, &lcd, [&](int width) { added += width; });
    lcd.setTime(1000.0 * 3600);
    EXPECT_EQ(lcd.digits().digits.size(), 6);
    EXPECT_EQ(added, 30) << "two more hour digits widen the display by two";
    EXPECT_EQ(lcd.minimumSizeHint().width(), 86 + 30);
    defaults.removeValue(QStringLiteral("blinkTimerDots"));
}

TEST(TimerLCDView, WithoutADelegateEverySwitchIsRefused) {
    TDTimerLCDView lcd(platform::UserDefaults::standard());
    lcd.toggleDisplayMode();
    EXPECT_TRUE(lcd.isShowingWarning());
    EXPECT_EQ(platform::UserDefaults::standard().integer(kDisplayMode), 0);
}

TEST(TimerTrayIcon, TheMinutesAreDrawnIntoTheIcon) {
    const struct {
        double seconds;
        const char* name;
    } cases[] = {{5 * 60, "5m"}, {59 * 60, "59m"}, {60 * 60, "1h00"}, {-60, "minus_1m"}};
    QImage sheet(4 * 52, 52, QImage::Format_ARGB32_Premultiplied);
    sheet.fill(QColor(0x30, 0x30, 0x33));
    QPainter painter(&sheet);
    for (int i = 0; i < 4; ++i) {
        const TDTimerStatusTitle title = TDTimerStatusTitleForSeconds(cases[i].seconds);
        const QImage icon = TDTrayTimerStatusItem::iconImage(title);
        EXPECT_EQ(icon.size(), QSize(44, 44));
        EXPECT_NE(icon, TDTrayTimerStatusItem::iconImage({})) << cases[i].name;
        EXPECT_TRUE(icon.save(screenshotPath(QStringLiteral("timer_tray_") + QLatin1String(cases[i].name))));
        painter.drawImage(QPoint(i * 52 + 4, 4), icon);
    }
    painter.end();
    EXPECT_TRUE(sheet.save(screenshotPath(QStringLiteral("timer_tray_icons"))));
    EXPECT_NE(TDTrayTimerStatusItem::iconImage(TDTimerStatusTitleForSeconds(-60)),
              TDTrayTimerStatusItem::iconImage({QStringLiteral("-1′"), false}))
        << "past the estimate the figures turn dark red";
}

// The tray's menu, as it reads when it opens.
TEST_F(TimerWindowTest, TheTrayMenuFollowsTheTimer) {
    TDTask* task = makeTask(QStringLiteral("no estimate"));
    task->beginTiming();
    TDTrayTimerStatusItem tray(*timer);
    auto item = [&tray](int index) { return tray.menu().actions().at(index); };
    tray.updateMenu();
    EXPECT_EQ(item(0)->text(), QStringLiteral("Pause"));
    EXPECT_EQ(item(1)->text(), QStringLiteral("Hide Timer"));
    EXPECT_TRUE(item(3)->isChecked()) << "elapsed";
    EXPECT_FALSE(item(4)->isEnabled()) << "no remaining time without an estimate";

    item(0)->trigger();
    item(1)->trigger();
    tray.updateMenu();
    EXPECT_TRUE(timer->isPaused());
    EXPECT_EQ(item(0)->text(), QStringLiteral("Resume"));
    EXPECT_EQ(item(1)->text(), QStringLiteral("Show Timer"));
    EXPECT_TRUE(timer->task()) << "hiding the panel keeps the timer";
}

TEST_F(TimerTest, ADraggedTaskShowsItsRowAtSixtyPercent) {
    TDTask* task = makeTask(QStringLiteral("Buy a birthday present for Anna /shopping"));
    const QPixmap picture = TDSingleTaskView::dragPicture(task, 320);
    EXPECT_EQ(picture.size(), QSize(320, 30));
    const QImage image = picture.toImage();
    EXPECT_LT(qAlpha(image.pixel(160, 15)), 255) << "the picture lets what is below show through";
    EXPECT_GT(qAlpha(image.pixel(160, 15)), 0);
    QImage shown(image.size() + QSize(20, 20), QImage::Format_ARGB32_Premultiplied);
    shown.fill(Qt::white);
    QPainter painter(&shown);
    painter.drawImage(QPoint(10, 10), image);
    painter.end();
    EXPECT_TRUE(shown.save(screenshotPath(QStringLiteral("task_drag_picture"))));
}

}  // namespace
}  // namespace timertest

#include "controls/gui/floating_panel.h"

#include "controls/menu_bar_events.h"

#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

#include <functional>

namespace {

using Level = TDFloatingPanel::WindowLevel;

TEST(FloatingPanelTest, FloatsOnlyWhileTheTopBarShows) {
    struct Step {
        const char* what;
        std::function<void(TDFloatingPanel&, TDMenuBarEvents&)> act;
        Level level;
    };
    const auto floating = [](bool on) {
        return [on](TDFloatingPanel& p, TDMenuBarEvents&) { p.setFloatingPanel(on); };
    };
    const auto hidden = [](TDFloatingPanel&, TDMenuBarEvents& bar) { Q_EMIT bar.menuBarHidden(); };
    const auto shown = [](TDFloatingPanel&, TDMenuBarEvents& bar) { Q_EMIT bar.menuBarShown(); };
    const Step steps[] = {
        {"floating", floating(true), Level::Floating},
        {"bar hidden", hidden, Level::Normal},
        {"bar hidden again", hidden, Level::Normal},
        {"bar shown", shown, Level::Floating},
        {"not floating", floating(false), Level::Normal},
        {"bar shown, not floating", shown, Level::Normal},
        {"bar hidden, not floating", hidden, Level::Normal},
        {"floating again", floating(true), Level::Floating},
    };
    TDMenuBarEvents bar;
    TDFloatingPanel panel(nullptr, &bar);
    panel.resize(120, 40);
    panel.show();
    EXPECT_EQ(panel.windowLevel(), Level::Normal);
    for (const Step& step : steps) {
        step.act(panel, bar);
        EXPECT_EQ(panel.windowLevel(), step.level) << step.what;
        // A change of level takes a new native window: the panel must stay on screen all the same.
        EXPECT_TRUE(panel.isVisible()) << step.what;
    }
    EXPECT_TRUE(panel.isFloatingPanel());
}

TEST(FloatingPanelTest, WithoutWordOfTheTopBarItKeepsFloating) {
    TDFloatingPanel panel;
    panel.setFloatingPanel(true);
    EXPECT_EQ(panel.windowLevel(), Level::Floating);
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::Tool));
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::FramelessWindowHint));
}

class CancellingPanel : public TDFloatingPanel {
public:
    using TDFloatingPanel::TDFloatingPanel;
    int cancels = 0;

protected:
    void cancelOperation() override { ++cancels; }
};

TEST(FloatingPanelTest, EscCancelsAndTheKeyboardIsTakenOnlyWhenAllowed) {
    TDFloatingPanel panel;
    EXPECT_FALSE(panel.canBecomeKeyWindow());
    EXPECT_TRUE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));
    panel.setCanBecomeKeyWindow(true);
    EXPECT_FALSE(panel.windowFlags().testFlag(Qt::WindowDoesNotAcceptFocus));

    // By default Esc closes the panel; other keys are not the panel's.
    panel.show();
    QKeyEvent other(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&panel, &other);
    EXPECT_FALSE(other.isAccepted());
    EXPECT_TRUE(panel.isVisible());
    QTest::keyClick(&panel, Qt::Key_Escape);
    EXPECT_FALSE(panel.isVisible());

    // A panel with a cancel of its own gets Esc from a field inside it, and only plain Esc.
    CancellingPanel timer;
    timer.setCanBecomeKeyWindow(true);
    auto* field = new QLineEdit(&timer);
    (new QVBoxLayout(&timer))->addWidget(field);
    timer.show();
    QTest::keyClick(field, Qt::Key_Escape);
    QTest::keyClick(field, Qt::Key_Escape, Qt::ShiftModifier);
    EXPECT_EQ(timer.cancels, 1);
    EXPECT_TRUE(timer.isVisible());
}

TEST(FloatingPanelTest, DraggingTheBackgroundMovesThePanel) {
    TDFloatingPanel panel;
    panel.setGeometry(200, 150, 160, 60);
    panel.show();
    const QPoint start = panel.pos();
    QTest::mousePress(&panel, Qt::LeftButton, {}, QPoint(20, 20));
    QTest::mouseMove(&panel, QPoint(50, 35));
    QTest::mouseRelease(&panel, Qt::LeftButton, {}, QPoint(50, 35));
    EXPECT_EQ(panel.pos(), start + QPoint(30, 15));
}

}  // namespace

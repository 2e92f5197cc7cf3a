// A balloon at a field of a window, under a real compositor that lets no window place itself: it shows
// at its window as a tooltip while typing goes on in the field, and as a pop-up once it takes the keys.
#include "controls/gui/balloon_panel.h"
#include "controls/gui/date_completion_view_controller.h"
#include "tests/scenarios/wayland/wayland_session.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QLineEdit>
#include <QTest>
#include <QVBoxLayout>
#include <QWindow>

#include <gtest/gtest.h>

namespace {

class BalloonPanelWaylandTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        const QString reason = waylandtest::unavailableReason();
        if (!reason.isEmpty()) GTEST_SKIP() << qPrintable(reason);
        TempFoldersTest::SetUp();
        ASSERT_EQ(QGuiApplication::platformName(), QStringLiteral("wayland"));
        window = std::make_unique<QWidget>();
        field = new QLineEdit(window.get());
        (new QVBoxLayout(window.get()))->addWidget(field);
        window->resize(320, 200);
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        // The headless compositor has no seat to give the window the keyboard.
        QApplication::setActiveWindow(window.get());
        field->setFocus();
    }

    std::unique_ptr<QWidget> window;
    QLineEdit* field = nullptr;
};

TEST_F(BalloonPanelWaylandTest, ShowsAtItsWindowWithoutTakingTheKeysUntilToldTo) {
    const QRect target(field->mapToGlobal(QPoint(0, 0)), field->size());
    // The window's child: it goes with it.
    auto* balloon = new TDBalloonPanel(field, QPoint(target.center().x(), target.bottom()), 2, target,
                                       new TDDateCompletionViewController);
    balloon->orderFront();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(balloon));
    EXPECT_EQ(balloon->windowType(), Qt::ToolTip);
    EXPECT_EQ(balloon->windowHandle()->transientParent(), window->windowHandle());

    QTest::keyClicks(QApplication::focusWidget(), QStringLiteral("tomorrow"));
    EXPECT_EQ(field->text(), QStringLiteral("tomorrow"));
    EXPECT_EQ(QApplication::focusWidget(), field);
    EXPECT_TRUE(balloon->isVisible());

    balloon->setCanBecomeKeyWindow(true);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(balloon)) << "shown again as a pop-up";
    EXPECT_EQ(balloon->windowType(), Qt::Popup);
    EXPECT_EQ(balloon->windowHandle()->transientParent(), window->windowHandle());
    EXPECT_EQ(QApplication::activePopupWidget(), balloon);
    QTest::keyClick(balloon, Qt::Key_Escape);
    EXPECT_FALSE(balloon->isVisible());
}

}  // namespace

#include "taskviews/gui/tasks_window.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

// A window with a background to drag by and a button that takes its own clicks.
class TasksWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        auto* content = new QWidget;
        auto* layout = new QVBoxLayout(content);
        button = new QPushButton(QStringLiteral("Add"), content);
        layout->addWidget(button);
        layout->addStretch();
        window.setCentralWidget(content);
        window.setGeometry(100, 100, 400, 300);
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    }

    // A press on the background, one move of the mouse and the release.
    void drag(QWidget* widget, QPoint from, QPoint by) {
        QTest::mousePress(widget, Qt::LeftButton, {}, from);
        QTest::mouseMove(widget, from + by);
        QTest::mouseRelease(widget, Qt::LeftButton, {}, from + by);
    }

    QPoint background() const { return window.centralWidget()->rect().bottomRight() - QPoint(20, 20); }

    TDTasksWindow window;
    QPushButton* button = nullptr;
};

TEST_F(TasksWindowTest, DraggingTheBackgroundMovesTheWindowByTheMouse) {
    const QPoint start = window.pos();
    drag(window.centralWidget(), background(), QPoint(35, -12));
    EXPECT_EQ(window.pos(), start + QPoint(35, -12));

    // Released, the mouse moves alone.
    QTest::mouseMove(window.centralWidget(), background() + QPoint(5, 5));
    EXPECT_EQ(window.pos(), start + QPoint(35, -12));

    // A widget that takes the press keeps the window where it is.
    drag(button, button->rect().center(), QPoint(40, 40));
    EXPECT_EQ(window.pos(), start + QPoint(35, -12));
}

TEST_F(TasksWindowTest, InFullScreenDraggingMovesNothing) {
    window.showFullScreen();
    ASSERT_TRUE(window.isFullScreen());
    const QPoint start = window.pos();
    drag(window.centralWidget(), background(), QPoint(35, 20));
    EXPECT_EQ(window.pos(), start);
}

TEST_F(TasksWindowTest, FloatsAboveOtherWindowsAndBack) {
    EXPECT_FALSE(window.isFloatingWindow());
    window.makeFloatingWindow();
    EXPECT_TRUE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    // The window stays on screen through the change of its flags.
    EXPECT_TRUE(window.isVisible());
    window.makeNormalWindow();
    EXPECT_FALSE(window.windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    EXPECT_TRUE(window.isVisible());
    EXPECT_EQ(window.windowFlags() & Qt::WindowType_Mask, Qt::Window);
}

}  // namespace

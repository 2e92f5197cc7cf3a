#include "foundation/gui/animation_additions.h"
#include "foundation/gui/font_additions.h"
#include "foundation/gui/key_event_additions.h"
#include "foundation/gui/paragraph_style_additions.h"
#include "foundation/gui/tooltip_shortcut.h"
#include "foundation/gui/view_additions.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QHelpEvent>
#include <QPushButton>
#include <QTest>
#include <QToolTip>
#include <QVariantAnimation>
#include <QWidget>
#include <QWindow>

namespace {

TEST(WidgetAdditions, ButtonTooltipsShowTheirShortcut) {
    QPushButton button;
    button.setToolTip(QStringLiteral("Close the window"));
    EXPECT_EQ(tooltipWithShortcut(button), QStringLiteral("Close the window"));  // no shortcut

    const struct {
        QKeySequence shortcut;
        QString shown;
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_W), QStringLiteral("Ctrl+W")},
        {QKeySequence(Qt::META | Qt::ALT | Qt::SHIFT | Qt::CTRL | Qt::Key_K),
         QStringLiteral("Meta+Ctrl+Alt+Shift+K")},
        {QKeySequence(Qt::Key_Escape), QStringLiteral("esc")},
        {QKeySequence(Qt::Key_Return), QStringLiteral("\u21a9")},
        {QKeySequence(Qt::Key_Tab), QStringLiteral("tab")},
        {QKeySequence(Qt::ALT | Qt::Key_Space), QStringLiteral("Alt+spc")},
    };
    for (const auto& c : cases) {
        button.setShortcut(c.shortcut);
        EXPECT_EQ(shortcutText(button), c.shown) << c.shortcut.toString().toStdString();
    }
    button.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_W));
    EXPECT_EQ(tooltipWithShortcut(button), QStringLiteral("Close the window - Ctrl+W "));
    EXPECT_EQ(button.toolTip(), QStringLiteral("Close the window"));  // the stored tooltip stays plain

    // Through the application's filter the shown tooltip carries the shortcut of the moment.
    TDTooltipShortcutFilter filter;
    qApp->installEventFilter(&filter);
    button.show();
    button.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_D));
    QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), button.mapToGlobal(QPoint(5, 5)));
    QApplication::sendEvent(&button, &help);
    EXPECT_EQ(QToolTip::text(), QStringLiteral("Close the window - Ctrl+D "));
    QToolTip::hideText();
    qApp->removeEventFilter(&filter);
}

TEST(WidgetAdditions, RectanglesConvertToTheScreenOnceShown) {
    QWidget window;
    QWidget child(&window);
    child.move(30, 40);
    EXPECT_EQ(convertRectToScreen(child, QRect(1, 2, 10, 10)), QRect());
    window.move(100, 200);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    EXPECT_EQ(convertRectToScreen(child, QRect(1, 2, 10, 10)),
              QRect(child.mapToGlobal(QPoint(1, 2)), QSize(10, 10)));
    EXPECT_EQ(convertRectToScreen(child, QRect(1, 2, 10, 10)).topLeft() -
                  convertRectToScreen(window, QRect()).topLeft(),
              QPoint(31, 42));
}

TEST(WidgetAdditions, FontsAndParagraphs) {
    QFont font(QStringLiteral("DejaVu Sans"), 11);
    EXPECT_TRUE(boldFont(font).bold());
    EXPECT_EQ(boldFont(font).family(), font.family());
    EXPECT_EQ(fontWithSize(font, 0), font);
    EXPECT_EQ(fontWithSize(font, 18).pointSizeF(), 18);
    EXPECT_EQ(fontWithSize(font, 18).family(), font.family());
    EXPECT_EQ(centeredParagraphStyle().alignment(), Qt::AlignHCenter);
}

TEST(WidgetAdditions, AnimationsSlowDownWhileShiftIsHeld) {
    QWidget window;
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QVariantAnimation animation;

    QTest::keyPress(window.windowHandle(), Qt::Key_Shift, Qt::ShiftModifier);
    EXPECT_TRUE(isShiftKeyDown());
    beginGroupingAndSetDuration(animation);
    EXPECT_EQ(animation.duration(), 3000);

    QTest::keyRelease(window.windowHandle(), Qt::Key_Shift, Qt::NoModifier);
    EXPECT_FALSE(isShiftKeyDown());
    beginGroupingAndSetDuration(animation);
    EXPECT_EQ(animation.duration(), 150);
}

}  // namespace

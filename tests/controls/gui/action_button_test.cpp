#include "controls/gui/action_button.h"

#include <QFontMetricsF>
#include <QWidget>

#include <gtest/gtest.h>

#include <cmath>

namespace {

TEST(ActionButton, ShortcutLabelsShowModifierNamesNamedKeysAndLetters) {
    const struct {
        QKeyCombination key;
        const char* text;
        bool bold;
        QColor color;
    } cases[] = {
        {QKeyCombination(Qt::Key_Escape), "esc", true, QColor::fromRgbF(0.75f, 0.75f, 0.75f)},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Escape), "Ctrl+esc", true, Qt::white},
        {QKeyCombination(Qt::Key_Return), "\u21A9", false, QColor::fromRgbF(0.9f, 0.9f, 0.9f)},
        {QKeyCombination(Qt::ShiftModifier | Qt::ControlModifier, Qt::Key_E), "Ctrl+Shift+E", true,
         Qt::white},
        {QKeyCombination(Qt::MetaModifier | Qt::AltModifier, Qt::Key_T), "Meta+Alt+T", true, Qt::white},
        {QKeyCombination(Qt::Key_Tab), "tab", true, QColor::fromRgbF(0.75f, 0.75f, 0.75f)},
        {QKeyCombination(Qt::Key_Space), "spc", true, QColor::fromRgbF(0.75f, 0.75f, 0.75f)},
        {QKeyCombination(Qt::Key_K), "K", false, QColor::fromRgbF(0.9f, 0.9f, 0.9f)},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.text);
        TDActionButton button;
        button.setKeyEquivalent(entry.key);
        const TDActionButton::Label label = button.keyEquivalentLabel();
        EXPECT_EQ(label.text, QString::fromUtf8(entry.text));
        EXPECT_EQ(label.font.bold(), entry.bold);
        EXPECT_EQ(label.color, entry.color);
    }
    // A disabled named key is dimmer.
    TDActionButton disabled;
    disabled.setKeyEquivalent(QKeyCombination(Qt::Key_Escape));
    disabled.setEnabled(false);
    EXPECT_EQ(disabled.keyEquivalentLabel().color, QColor::fromRgbF(0.6f, 0.6f, 0.6f));
}

TEST(ActionButton, BoxesAndOptimalSize) {
    TDActionButton button;
    button.resize(100, 20);
    // Without a key the shortcut box stays 20 wide and empty.
    const TDActionButton::DrawInfo info = button.calcDrawInfo(QRectF(0, 0, 100, 19));
    EXPECT_EQ(info.shortcutBox, QRectF(0, 0, 20, 19));
    EXPECT_EQ(info.titleBox, QRectF(20, 0, 80, 19));
    EXPECT_EQ(info.titleString, QRectF(19, 0, 80, 19));
    EXPECT_TRUE(button.keyEquivalentLabel().text.isEmpty());
    EXPECT_EQ(button.optimalSizeWithTitle(QString()).width(), 29);

    button.setText(QStringLiteral("Complete"));
    button.setKeyEquivalent(QKeyCombination(Qt::ControlModifier, Qt::Key_K));
    const TDActionButton::Label label = button.keyEquivalentLabel();
    const qreal parts = QFontMetricsF(button.titleFont()).horizontalAdvance(button.text()) +
                        QFontMetricsF(label.font).horizontalAdvance(label.text);
    EXPECT_EQ(button.optimalSize().width(), int(std::round(parts)) + 29);
    EXPECT_EQ(button.optimalSize().height(), 20);
    // Glyphs wider than the box widen it rather than run into the title.
    button.setKeyEquivalent(
        QKeyCombination(Qt::ShiftModifier | Qt::AltModifier | Qt::ControlModifier, Qt::Key_K));
    const qreal glyphs =
        QFontMetricsF(button.keyEquivalentLabel().font).horizontalAdvance(button.keyEquivalentText());
    const TDActionButton::DrawInfo wide = button.calcDrawInfo(QRectF(0, 0, 100, 19));
    EXPECT_GE(wide.shortcutBox.width(), glyphs + 8);
    EXPECT_EQ(wide.titleBox.left(), wide.shortcutBox.right());
}

TEST(ActionButton, SlidesOutOfItsParentInEachDirectionAndBack) {
    const struct {
        int direction;
        QRect hidden;
    } cases[] = {
        {TDActionButton::SlideUp, {50, -20, 60, 20}},
        {TDActionButton::SlideRight, {300, 10, 60, 20}},
        {TDActionButton::SlideDown, {50, 40, 60, 20}},
        {TDActionButton::SlideLeft, {-60, 10, 60, 20}},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.direction);
        QWidget parent;
        parent.resize(300, 40);
        auto* button = new TDActionButton(&parent);
        const QRect shown(50, 10, 60, 20);
        button->setGeometry(shown);

        button->unhide();  // a shown button stays as it is
        EXPECT_EQ(button->geometry(), shown);
        EXPECT_TRUE(button->isEnabled());

        button->hideToDirection(entry.direction);
        EXPECT_EQ(button->geometry(), entry.hidden);
        EXPECT_FALSE(button->isEnabled());
        EXPECT_EQ(button->savedFrame(), shown);
        // Hiding again keeps the frame to come back to.
        button->hideToDirection((entry.direction + 1) % 4);
        EXPECT_EQ(button->savedFrame(), shown);

        button->unhide();
        EXPECT_EQ(button->geometry(), shown);
        EXPECT_TRUE(button->isEnabled());
        EXPECT_TRUE(button->savedFrame().isNull());
    }
    QWidget parent;
    auto* button = new TDActionButton(&parent);
    button->setGeometry(5, 5, 10, 10);
    button->hideToDirection(7);
    EXPECT_EQ(button->geometry(), QRect(5, 5, 10, 10));
    EXPECT_TRUE(button->savedFrame().isNull());
}

}  // namespace

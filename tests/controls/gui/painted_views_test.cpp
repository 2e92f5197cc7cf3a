#include "controls/gui/box.h"
#include "controls/gui/color_view.h"
#include "controls/gui/function_bar.h"
#include "controls/gui/function_pop_up_button.h"
#include "controls/gui/gradient_view.h"

#include <QApplication>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QImage render(QWidget& widget) {
    return widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
}

TEST(GradientView, ANewHeightDrawsTheBandAgainAndANewWidthStretchesIt) {
    TDGradientView view;
    view.setGradient(Qt::white, Qt::black);
    view.resize(40, 20);
    const qint64 first = view.image().cacheKey();
    view.resize(80, 20);
    EXPECT_EQ(view.image().cacheKey(), first);
    view.resize(80, 30);
    EXPECT_NE(view.image().cacheKey(), first);
    EXPECT_EQ(view.image().size(), QSize(80, 30));
    const qint64 second = view.image().cacheKey();
    view.setBottomBorderColor(Qt::red);
    EXPECT_NE(view.image().cacheKey(), second);
}

TEST(GradientView, BorderLinesLieAlongTheirEdgesAndTheBandBetween) {
    TDGradientView view;
    view.resize(10, 12);
    view.setGradient(QColor(200, 200, 200), QColor(100, 100, 100));
    view.setBottomBorderColor(Qt::red);
    view.setTopBorderColor(Qt::blue);
    view.setSideBorderColor(Qt::green);
    const QImage image = view.image();
    EXPECT_EQ(image.pixelColor(5, 11), QColor(Qt::red));
    EXPECT_EQ(image.pixelColor(5, 0), QColor(Qt::blue));
    EXPECT_EQ(image.pixelColor(0, 5), QColor(Qt::green));
    EXPECT_EQ(image.pixelColor(9, 5), QColor(Qt::green));
    // The band fades from its top colour down to its bottom one.
    EXPECT_GT(image.pixelColor(5, 1).red(), image.pixelColor(5, 10).red());
}

TEST(Box, FormByHeightAndStyle) {
    const struct {
        TDBox::Style style;
        int height;
        bool bezel;
    } cases[] = {
        {TDBox::Style::Automatic, 5, false},
        {TDBox::Style::Automatic, 6, true},
        {TDBox::Style::Lines, 6, false},
        {TDBox::Style::Bezel, 3, true},
    };
    for (const auto& entry : cases) {
        TDBox box;
        box.setStyle(entry.style);
        box.resize(30, entry.height);
        EXPECT_EQ(box.drawsBezel(), entry.bezel) << entry.height;
    }
    // A line box of height 5 draws one engraved pair at the bottom only.
    TDBox lines;
    lines.setStyle(TDBox::Style::Lines);
    lines.resize(30, 5);
    lines.setAutoFillBackground(true);
    lines.setPalette(QPalette(QColor(128, 128, 128)));
    const QImage image = render(lines);
    EXPECT_GT(image.pixelColor(10, 4).red(), 128);
    EXPECT_LT(image.pixelColor(10, 3).red(), 128);
    EXPECT_EQ(image.pixelColor(10, 0).red(), 128);
}

TEST(ColorView, PaintsWhiteWithoutAColour) {
    TDColorView view;
    view.resize(8, 8);
    EXPECT_EQ(render(view).pixelColor(4, 4), QColor(Qt::white));
    view.setBackground(QColor(10, 20, 30));
    EXPECT_EQ(render(view).pixelColor(4, 4), QColor(10, 20, 30));
}

TEST(FunctionBar, TheEndLineFollowsTheLastVisibleButton) {
    TDFunctionBar bar;
    bar.resize(300, TDFunctionBar::kHeight);
    auto* first = new TDFunctionButton(&bar);
    auto* second = new TDFunctionButton(&bar);
    first->setGeometry(0, 0, 60, TDFunctionBar::kHeight);
    second->setGeometry(60, 0, 60, TDFunctionBar::kHeight);
    EXPECT_EQ(bar.buttonsEnd(), 120);
    second->hide();
    EXPECT_EQ(bar.buttonsEnd(), 60);
    first->hide();
    EXPECT_EQ(bar.buttonsEnd(), 0);
    // A pop-up counts as a function button; another widget on the bar does not.
    auto* popUp = new TDFunctionPopUpButton(&bar);
    popUp->setGeometry(0, 0, 80, TDFunctionBar::kHeight);
    auto* other = new QWidget(&bar);
    other->setGeometry(0, 0, 200, TDFunctionBar::kHeight);
    EXPECT_EQ(bar.buttonsEnd(), 80);
}

TEST(FunctionBar, APopUpDrawsItsEngravedArrowAtItsRightEnd) {
    TDFunctionPopUpButton button;
    button.setText(QStringLiteral("Action"));
    button.resize(80, TDFunctionBar::kHeight);
    const QPolygonF arrow = TDFunctionPopUpButton::arrowPolygon(80);
    EXPECT_EQ(arrow.boundingRect(), QRectF(69, 12, 5, 3));
    const QImage image = render(button);
    // Dark in the arrow's upper copy (dimmed or not, as the window may be inactive here), the plain band
    // left of it.
    EXPECT_LT(image.pixelColor(71, 12).red(), 0xe6 - 40);
    EXPECT_EQ(image.pixelColor(60, 18), QColor(0xe6, 0xe6, 0xe6));
}

TEST(FunctionBar, AFooterAtTheResizeCornerDrawsNoRightLines) {
    QWidget window;
    window.resize(200, 40);
    auto* footer = new TDFunctionBarColumnFooterButton(&window);
    const QColor band(0xe6, 0xe6, 0xe6);
    const struct {
        int x;
        bool rightEdge;
    } cases[] = {{100, true}, {140, false}, {120, false}, {119, true}};
    for (const auto& entry : cases) {
        footer->setGeometry(entry.x, 0, 60, TDFunctionBar::kHeight);
        EXPECT_EQ(footer->drawsRightEdge(), entry.rightEdge) << entry.x;
        const QImage image = render(*footer);
        EXPECT_EQ(image.pixelColor(59, 12) != band, entry.rightEdge) << entry.x;
        // Short lines: none near the top or the bottom.
        EXPECT_EQ(image.pixelColor(0, 3), image.pixelColor(30, 3));
        EXPECT_NE(image.pixelColor(0, 12), band);
    }
    footer->setGeometry(0, 0, 60, TDFunctionBar::kHeight);
    footer->setBordered(false);
    EXPECT_EQ(render(*footer).pixelColor(0, 12), band);
}

TEST(FunctionBar, APressedButtonIsTheBandDarkened) {
    TDFunctionButton button;
    button.resize(60, TDFunctionBar::kHeight);
    const QColor normal = render(button).pixelColor(30, 18);
    button.setDown(true);
    const QColor pressed = render(button).pixelColor(30, 18);
    EXPECT_EQ(pressed.red(), qRound(normal.red() * 0.65));
    // The band's lower half is the plain grey, its top line darker.
    EXPECT_EQ(normal, QColor(0xe6, 0xe6, 0xe6));
    EXPECT_EQ(TDFunctionBarGradientImage().pixelColor(0, 0), QColor(0xb0, 0xb0, 0xb0));
}

}  // namespace

#include "controls/gui/linked_text_field.h"

#include <QApplication>
#include <QEnterEvent>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void hover(TDLinkedTextField& field, bool inside) {
    if (inside) {
        QEnterEvent enter(QPointF(2, 2), QPointF(2, 2), field.mapToGlobal(QPointF(2, 2)));
        QApplication::sendEvent(&field, &enter);
    } else {
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(&field, &leave);
    }
}

// Over the field the text is underlined in the hover colour, or in its own colour without one; leaving
// it takes both away again.
TEST(LinkedTextField, HoverUnderlinesInTheHoverColourAndLeavingRestoresTheText) {
    const QColor own(60, 60, 60);
    for (const QColor& hoverColor : {QColor(0x1a, 0x5f, 0xb4), QColor()}) {
        TDLinkedTextField field;
        field.setText(QStringLiteral("Type a rule such as every week"));
        QPalette colors = field.palette();
        colors.setColor(QPalette::WindowText, own);
        field.setPalette(colors);
        field.setHoverColor(hoverColor);
        field.show();
        EXPECT_EQ(field.cursor().shape(), Qt::PointingHandCursor);

        hover(field, true);
        EXPECT_TRUE(field.font().underline());
        EXPECT_EQ(field.palette().color(QPalette::WindowText), hoverColor.isValid() ? hoverColor : own);
        hover(field, false);
        EXPECT_FALSE(field.font().underline());
        EXPECT_EQ(field.palette().color(QPalette::WindowText), own);
    }
}

TEST(LinkedTextField, AClickOnItSendsItsAction) {
    TDLinkedTextField field;
    field.setText(QStringLiteral("Help"));
    field.resize(120, 20);
    field.show();
    QSignalSpy activated(&field, &TDLinkedTextField::activated);
    QTest::mouseClick(&field, Qt::LeftButton, {}, QPoint(10, 10));
    EXPECT_EQ(activated.count(), 1);
    QTest::mouseClick(&field, Qt::RightButton, {}, QPoint(10, 10));
    EXPECT_EQ(activated.count(), 1);
}

}  // namespace

#include "controls/gui/raised_text_view.h"

#include "controls/gui/floating_panel.h"

#include <QApplication>
#include <QDir>
#include <QFormLayout>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

namespace {

// A panel with fields as an inspector has them: three the editor serves, one of them only read, and a
// button it does not serve.
class RaisedTextViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        panel = std::make_unique<TDFloatingPanel>();
        panel->setCanBecomeKeyWindow(true);
        panel->setAutoFillBackground(true);
        QPalette grey = panel->palette();
        grey.setColor(QPalette::Window, QColor(232, 232, 232));
        panel->setPalette(grey);
        auto* form = new QFormLayout(panel.get());
        form->setContentsMargins(16, 14, 16, 14);
        form->setVerticalSpacing(12);
        start = field(form, QStringLiteral("Start"), QStringLiteral("today"));
        due = field(form, QStringLiteral("Due"), QStringLiteral("Friday at noon"));
        estimate = field(form, QStringLiteral("Estimate"), QStringLiteral("2 hours"));
        estimate->setReadOnly(true);
        button = new QPushButton(QStringLiteral("Done"), panel.get());
        form->addRow(button);
        for (QLineEdit* served : {start, due, estimate}) editor.serve(served);
        panel->resize(300, 150);
        panel->show();
        QApplication::setActiveWindow(panel.get());
    }

    QLineEdit* field(QFormLayout* form, const QString& label, const QString& text) {
        auto* edit = new QLineEdit(text, panel.get());
        // Fields of an inspector read as text on the panel until they are edited.
        edit->setFrame(false);
        QPalette clear = edit->palette();
        clear.setColor(QPalette::Base, Qt::transparent);
        edit->setPalette(clear);
        edit->setMinimumHeight(20);
        form->addRow(label, edit);
        return edit;
    }

    static QRect grownByMargin(const QRect& frame) {
        const int margin = TDRaisedTextShadowView::kMargin;
        return frame.adjusted(-margin, -margin, margin, margin);
    }

    // The plate lies directly under its field among the field's siblings.
    static bool liesJustBelow(const QWidget* plate, const QWidget* field) {
        const QObjectList siblings = field->parentWidget()->children();
        return siblings.indexOf(plate) >= 0 && siblings.indexOf(plate) + 1 == siblings.indexOf(field);
    }

    std::unique_ptr<TDFloatingPanel> panel;
    TDRaisedTextView editor;
    QLineEdit* start = nullptr;
    QLineEdit* due = nullptr;
    QLineEdit* estimate = nullptr;
    QPushButton* button = nullptr;
};

TEST_F(RaisedTextViewTest, APlateStandsBehindTheEditedFieldWhileItIsEdited) {
    button->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(editor.shadowView(), nullptr);
    start->setFocus(Qt::TabFocusReason);
    ASSERT_NE(editor.shadowView(), nullptr);
    EXPECT_EQ(editor.editedField(), start);
    EXPECT_EQ(editor.shadowView()->parentWidget(), panel.get());
    EXPECT_EQ(editor.shadowView()->geometry(), grownByMargin(start->geometry()));
    EXPECT_TRUE(liesJustBelow(editor.shadowView(), start));
    EXPECT_TRUE(editor.shadowView()->isVisible());

    // The plate follows its field.
    start->setGeometry(start->geometry().translated(4, 2).adjusted(0, 0, 10, 0));
    EXPECT_EQ(editor.shadowView()->geometry(), grownByMargin(start->geometry()));

    // A menu over the field leaves the edit as it is.
    QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
    QCoreApplication::sendEvent(start, &popup);
    EXPECT_EQ(editor.editedField(), start);

    // The next field takes the one plate; a field only read gets none; a control not served ends it.
    QPointer<TDRaisedTextShadowView> first = editor.shadowView();
    due->setFocus(Qt::TabFocusReason);
    EXPECT_TRUE(first.isNull());
    ASSERT_NE(editor.shadowView(), nullptr);
    EXPECT_EQ(editor.shadowView()->geometry(), grownByMargin(due->geometry()));
    for (QWidget* other : {static_cast<QWidget*>(estimate), static_cast<QWidget*>(button)}) {
        due->setFocus(Qt::TabFocusReason);
        other->setFocus(Qt::TabFocusReason);
        EXPECT_EQ(editor.shadowView(), nullptr) << other->metaObject()->className();
        EXPECT_EQ(panel->findChildren<TDRaisedTextShadowView*>().size(), 0);
    }
}

TEST_F(RaisedTextViewTest, TheClickThatGivesTheFocusSelectsAllLaterClicksPlaceTheCaret) {
    // Within the words, not past their end.
    const QPoint middle(due->fontMetrics().horizontalAdvance(QStringLiteral("Friday")),
                        due->rect().center().y());
    QTest::mouseClick(due, Qt::LeftButton, {}, middle);
    ASSERT_TRUE(due->hasFocus());
    EXPECT_EQ(due->selectedText(), QStringLiteral("Friday at noon"));

    QTest::mouseClick(due, Qt::LeftButton, {}, middle);
    EXPECT_FALSE(due->hasSelectedText());
    EXPECT_GT(due->cursorPosition(), 0);
    EXPECT_LT(due->cursorPosition(), due->text().size());

    // Dragging on with the first click still leaves everything selected.
    start->setFocus(Qt::TabFocusReason);
    QTest::mousePress(due, Qt::LeftButton, {}, QPoint(2, middle.y()));
    QTest::mouseMove(due, middle);
    QTest::mouseRelease(due, Qt::LeftButton, {}, middle);
    EXPECT_EQ(due->selectedText(), QStringLiteral("Friday at noon"));
}

TEST_F(RaisedTextViewTest, NoPlateOutlivesItsField) {
    due->setFocus(Qt::TabFocusReason);
    ASSERT_NE(editor.shadowView(), nullptr);
    delete due;
    EXPECT_EQ(editor.shadowView(), nullptr);
    EXPECT_EQ(panel->findChildren<TDRaisedTextShadowView*>().size(), 0);
}

TEST_F(RaisedTextViewTest, ScreenshotOfAFieldBeingEdited) {
    due->setFocus(Qt::TabFocusReason);
    due->setCursorPosition(6);
    const QImage image = panel->grab().toImage();
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(image.save(folder + QStringLiteral("/raised_field_editor.png")));

    // White inside, a grey rim just outside the field, and the shadow falls below rather than above.
    const QRect frame = due->geometry();
    const qreal ratio = image.devicePixelRatio();
    const auto at = [&](int x, int y) { return QColor(image.pixel(QPoint(x, y) * ratio)); };
    EXPECT_EQ(at(frame.right() - 3, frame.center().y()), QColor(Qt::white));
    EXPECT_EQ(at(frame.center().x(), frame.top() - 1), QColor(191, 191, 191));
    EXPECT_LT(at(frame.center().x(), frame.bottom() + 3).lightness(),
              at(frame.center().x(), frame.top() - 3).lightness());
}

}  // namespace

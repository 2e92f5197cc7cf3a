#include "controls/gui/checkbox_button_cell.h"
#include "controls/gui/colored_checkbox_button_cell.h"
#include "controls/gui/dark_search_field.h"
#include "controls/gui/extended_outline_view.h"
#include "controls/gui/image_and_text_cell.h"
#include "controls/gui/key_window_based_color.h"
#include "controls/gui/pop_up_button.h"
#include "controls/gui/text_field_cell.h"
#include "controls/outline_item_roles.h"

#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QStandardItemModel>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

namespace {

TEST(TextFieldCell, TextFrameByVerticalAlignment) {
    const QRectF frame(10, 20, 100, 30);
    const QSizeF text(50.5, 15.3);
    const struct {
        int alignment;
        QRectF expected;
    } cases[] = {
        {TDTextFieldCell::Top, QRectF(10, 23, 100, 30)},     // moved down 3, not made whole
        {TDTextFieldCell::Center, QRectF(10, 27, 51, 16)},   // 27.35 ... 42.65, made whole
        {TDTextFieldCell::Bottom, QRectF(10, 31, 100, 16)},  // 3 above the bottom: 31.7 ... 47
        {7, QRectF(10, 31, 100, 16)},                        // any other value is bottom
    };
    for (const auto& entry : cases)
        EXPECT_EQ(TDTextFieldCell::textFrame(frame, entry.alignment, text), entry.expected)
            << entry.alignment;
}

TEST(ImageAndTextCell, ImageSliceBesideAnInsetTitle) {
    const QRectF frame(0, 0, 200, 20);
    const TDImageAndTextCell::Layout withImage = TDImageAndTextCell::layoutForFrame(frame, true);
    EXPECT_EQ(withImage.imageRect, QRectF(3, 0, 16, 20));
    EXPECT_EQ(withImage.titleRect, QRectF(22, 3, 200 - 16 - 7, 14));
    const TDImageAndTextCell::Layout without = TDImageAndTextCell::layoutForFrame(frame, false);
    EXPECT_TRUE(without.imageRect.isEmpty());
    EXPECT_EQ(without.titleRect, QRectF(0, 3, 200, 14));

    EXPECT_EQ(TDImageAndTextCell::hitTest(QPointF(30, 10), frame, true),
              TDImageAndTextCell::EditableTextArea);
    EXPECT_EQ(TDImageAndTextCell::hitTest(QPointF(8, 10), frame, true), TDImageAndTextCell::ContentArea);
    EXPECT_TRUE(TDImageAndTextCell::expansionFrame(frame, true, 100.2).isEmpty());
    EXPECT_EQ(TDImageAndTextCell::expansionFrame(frame, true, 300.2), QRectF(22, 3, 303, 14));
}

TEST(PopUpButton, SeparatorPassesTheSelectionOnAndTheContainerGrowsLeftward) {
    QWidget container;
    container.setGeometry(100, 10, 300, 30);
    auto* left = new QLabel(QStringLiteral("Show:"), &container);
    left->move(0, 5);
    auto* button = new TDPopUpButton(&container);
    button->setGeometry(60, 0, 80, 26);
    auto* right = new QLabel(QStringLiteral("tasks"), &container);
    right->move(200, 5);
    button->addItems({QStringLiteral("All"), QStringLiteral("Alm")});
    button->insertSeparator(2);
    button->addItem(QStringLiteral("Everything not yet completed"));
    button->setAutoResizes(true);
    button->setAutoResizesSuperview(true);

    button->selectItemAtIndex(2);  // the separator
    EXPECT_EQ(button->currentIndex(), 3);
    const int grown = button->width() - 80;
    EXPECT_EQ(button->width(), button->widthForCurrentItem());
    ASSERT_GT(grown, 1);
    EXPECT_EQ(container.geometry(), QRect(100 - grown, 10, 300 + grown, 30));
    EXPECT_EQ(left->x(), 0);
    EXPECT_EQ(right->x(), 200 + grown);
    EXPECT_EQ(button->x(), 60);

    // Items of the same width change the button by less than a pixel: the container stays.
    button->addItem(QStringLiteral("Everything not yet completed"));
    const QRect before = container.geometry();
    button->selectItemAtIndex(4);
    EXPECT_EQ(container.geometry(), before);
}

TEST(CheckboxCells, DisabledCheckboxIsGreyAndTheMarkLeavesTheBox) {
    EXPECT_EQ(TDCheckboxButtonCell::titleColor(QPalette(), false, false), QColor::fromRgbF(0.4f, 0.4f, 0.4f));
    QImage on(18, 18, QImage::Format_ARGB32_Premultiplied);
    on.fill(Qt::transparent);
    QImage off = on;
    {
        QPainter painter(&on);
        TDCheckboxButtonCell::drawCheckbox(painter, QRectF(0, 0, 18, 18), true, true, false);
    }
    {
        QPainter painter(&off);
        TDCheckboxButtonCell::drawCheckbox(painter, QRectF(0, 0, 18, 18), false, true, false);
    }
    // The outline's top-right corner is drawn only while the box is off; the mark crosses it when on.
    EXPECT_GT(qAlpha(off.pixel(4, 4)), 0);
    EXPECT_GT(qAlpha(on.pixel(4, 4)), 0);
    EXPECT_GT(qAlpha(on.pixel(9, 11)), qAlpha(off.pixel(9, 11)));
}

TEST(KeyWindowBasedColor, SourceListColorFollowsTheActiveWindow) {
    auto window = std::make_unique<QWidget>();
    const TDSourceListColor color(window.get());
    EXPECT_EQ(color.currentColor(), color.inactiveColor());
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
    EXPECT_EQ(color.currentColor(), QColor::fromRgbF(209 / 255.0f, 221 / 255.0f, 229 / 255.0f));
    window->close();
    EXPECT_EQ(color.currentColor(), QColor::fromRgbF(232 / 255.0f, 232 / 255.0f, 232 / 255.0f));
    window.reset();
    EXPECT_EQ(color.currentColor(), color.inactiveColor());
}

TEST(DarkSearchField, CancelClearsAndEscapeHandsTheFocusBack) {
    QWidget window;
    auto* outline = new QWidget(&window);
    outline->setFocusPolicy(Qt::StrongFocus);
    auto* field = new TDDarkSearchField(&window);
    field->setInitialFocusWidget(outline);
    window.show();
    window.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(field->focusPolicy(), Qt::ClickFocus);
    field->setFocus();
    QTest::keyClicks(field, QStringLiteral("milk"));
    EXPECT_TRUE(field->cancelAction()->isVisible());
    field->cancelAction()->trigger();
    EXPECT_TRUE(field->text().isEmpty());
    EXPECT_FALSE(field->cancelAction()->isVisible());
    QTest::keyClick(field, Qt::Key_Escape);
    EXPECT_TRUE(outline->hasFocus());
}

QIcon swatch(const QColor& color) {
    QPixmap pixmap(32, 32);
    pixmap.setDevicePixelRatio(2.0);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(color);
    painter.setPen(color.darker(130));
    painter.drawRoundedRect(QRectF(1.5, 2.5, 13, 11), 2.5, 2.5);
    return QIcon(pixmap);
}

TEST(ControlsScreenshot, OutlineWithTheCells) {
    QWidget window;
    window.resize(560, 330);
    auto* layout = new QVBoxLayout(&window);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    auto* bar = new QWidget(&window);
    bar->setAutoFillBackground(true);
    QPalette dark = bar->palette();
    dark.setColor(QPalette::Window, QColor(58, 62, 68));
    dark.setColor(QPalette::WindowText, Qt::white);
    bar->setPalette(dark);
    auto* barLayout = new QHBoxLayout(bar);
    barLayout->setContentsMargins(10, 7, 10, 7);
    auto* show = new QLabel(QStringLiteral("Show"), bar);
    auto* popUp = new TDPopUpButton(bar);
    popUp->addItems({QStringLiteral("All tasks"), QStringLiteral("Open tasks")});
    popUp->setAutoResizes(true);
    auto* search = new TDDarkSearchField(bar);
    search->setPlaceholderText(QStringLiteral("Search"));
    search->setText(QStringLiteral("report"));
    search->setFixedWidth(180);
    barLayout->addWidget(show);
    barLayout->addWidget(popUp);
    barLayout->addStretch();
    barLayout->addWidget(search);
    layout->addWidget(bar);

    QStandardItemModel model;
    model.setHorizontalHeaderLabels({QStringLiteral("Group"), QStringLiteral("Calendar"),
                                     QStringLiteral("Done"), QStringLiteral("Note")});
    const auto row = [](const QString& title, const QColor& color, bool calendar, bool done,
                        const QString& note, bool selectable = true) {
        auto* name = new QStandardItem(swatch(color), title);
        name->setData(title, TDOutlinePersistentObjectRole);
        if (!selectable) name->setFlags(name->flags() & ~Qt::ItemIsSelectable);
        auto* check = new QStandardItem(QStringLiteral("Sync"));
        check->setCheckable(true);
        check->setCheckState(calendar ? Qt::Checked : Qt::Unchecked);
        check->setData(color, TDOutlineCheckboxColorRole);
        auto* plain = new QStandardItem(done ? QStringLiteral("Archived") : QStringLiteral("Active"));
        plain->setCheckable(true);
        plain->setCheckState(done ? Qt::Checked : Qt::Unchecked);
        if (title == QLatin1String("Errands")) plain->setEnabled(false);
        return QList<QStandardItem*>{name, check, plain, new QStandardItem(note)};
    };
    const QList<QStandardItem*> lists =
        row(QStringLiteral("Lists"), QColor(150, 150, 150), false, false, QString(), false);
    model.appendRow(lists);
    lists.first()->appendRow(
        row(QStringLiteral("Inbox"), QColor(80, 140, 220), true, false, QStringLiteral("3 new")));
    const QList<QStandardItem*> work =
        row(QStringLiteral("Work"), QColor(230, 150, 40), true, false, QStringLiteral("due Friday"));
    lists.first()->appendRow(work);
    work.first()->appendRow(
        row(QStringLiteral("Quarterly report"), QColor(220, 80, 70), false, true, QStringLiteral("sent")));
    work.first()->appendRow(row(QStringLiteral("Hiring"), QColor(120, 180, 90), true, false, QString()));
    lists.first()->appendRow(
        row(QStringLiteral("Errands"), QColor(160, 110, 200), false, false, QStringLiteral("weekend")));
    lists.first()->appendRow(row(QStringLiteral("Home"), QColor(70, 170, 170), true, true, QString()));

    auto* outline = new TDExtendedOutlineView(&window);
    outline->setModel(&model);
    TDImageAndTextCell imageAndText;
    TDColoredCheckboxButtonCell colored;
    TDCheckboxButtonCell checkbox;
    TDTextFieldCell text;
    text.setVerticalAlignment(TDTextFieldCell::Center);
    outline->setItemDelegateForColumn(0, &imageAndText);
    outline->setItemDelegateForColumn(1, &colored);
    outline->setItemDelegateForColumn(2, &checkbox);
    outline->setItemDelegateForColumn(3, &text);
    outline->setAlternatingRowColors(true);
    outline->setExpandedState(QVariant());
    layout->addWidget(outline);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    outline->noteHeightOfAllRowsChanged();
    for (int column = 0; column < 3; ++column) outline->autosizeColumn(column);
    outline->selectItems({QPersistentModelIndex(work.first()->index())});
    ASSERT_EQ(outline->selectedItems().size(), 1);

    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    ASSERT_TRUE(QDir().mkpath(folder));
    EXPECT_TRUE(window.grab().save(folder + QStringLiteral("/controls_outline.png")));
}

}  // namespace

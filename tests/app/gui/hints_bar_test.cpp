#include "app/gui/dark_button.h"
#include "app/gui/hints_command_view_controller.h"
#include "taskviews/task_menus.h"
#include "taskviews/task_window_context.h"
#include "tests/app/gui/command_bar_views_fixture.h"

#include <QCoreApplication>
#include <QFontMetricsF>
#include <QLineEdit>
#include <QTest>

#include <memory>

namespace apptest {
namespace {

using Button = TDHintsCommandViewController::Button;

class HintsBarTest : public CommandBarViewsTest {
protected:
    void SetUp() override {
        CommandBarViewsTest::SetUp();
        errands = list(QStringLiteral("Errands"));
        open = addTask(errands, QStringLiteral("Post the letter"));
        done = addTask(errands, QStringLiteral("Water the plants"));
        done->setCompleted(true);
        processChanges();
        groups->selectGroup(errands);

        hints = std::make_unique<TDHintsCommandViewController>();
        hints->setTasksController(tasks.get());
        hints->view()->resize(1000, 38);
        hints->view()->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(hints->view()));
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        hints.reset();
        CommandBarViewsTest::TearDown();
    }

    QStringList visibleButtons() {
        QStringList titles;
        for (int which = Button::Complete; which <= Button::Archive; ++which)
            if (!hints->button(Button(which))->isHidden()) titles << hints->button(Button(which))->text();
        return titles;
    }
    bool menuValidates(const char* action) {
        TDTaskMenu menu = TDTaskMenuTemplate();
        return tasks->validateMenuItem(*menu.itemWithAction(QLatin1String(action)));
    }
    void select(TDTask* task) {
        tasks->setSelection({task});
        QCoreApplication::processEvents();
    }

    TDList* errands = nullptr;
    TDTask* open = nullptr;
    TDTask* done = nullptr;
    std::unique_ptr<TDHintsCommandViewController> hints;
};

TEST(DarkButton, KeysAreWrittenShortAndTheButtonIsNoWiderThanItsParts) {
    const struct {
        QKeyCombination key;
        QString text;
    } cases[] = {
        {QKeyCombination(Qt::ControlModifier, Qt::Key_K), QStringLiteral("^K")},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K), QStringLiteral("^\u21E7K")},
        {QKeyCombination(Qt::ControlModifier | Qt::AltModifier, Qt::Key_T), QStringLiteral("Alt\u2009^T")},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Slash), QStringLiteral("^/")},
        {QKeyCombination(Qt::Key_Tab), QStringLiteral("tab")},
        {QKeyCombination(Qt::Key_unknown), QString()},
    };
    for (const auto& entry : cases) {
        SCOPED_TRACE(entry.text.toStdString());
        EXPECT_EQ(TDDarkButton::shortKeyText(entry.key), entry.text);
    }
    // The button is just as wide as its key's box and its title need.
    TDDarkButton button;
    button.setText(QStringLiteral("Complete"));
    button.setKeyEquivalent(QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K));
    EXPECT_LT(button.compactSize().width(), button.optimalSize().width());
    const TDActionButton::DrawInfo drawn = button.calcDrawInfo(QRectF(QPointF(), button.compactSize()));
    EXPECT_GE(drawn.titleBox.width(), QFontMetricsF(button.titleFont()).horizontalAdvance(button.text()));
}

// A command without a key gets no key box: the title has the whole button, with the margins the keyed
// buttons leave around their titles.
TEST_F(HintsBarTest, OnlyButtonsWithAKeyShowAKeyBox) {
    const qreal keyedMargins = [&] {
        const TDDarkButton* complete = hints->button(Button::Complete);
        return complete->width() - complete->shortcutBoxWidth() -
               QFontMetricsF(complete->titleFont()).horizontalAdvance(complete->text());
    }();
    for (int which = Button::Complete; which <= Button::Archive; ++which) {
        const TDDarkButton* button = hints->button(Button(which));
        SCOPED_TRACE(button->text().toStdString());
        const bool keyless = which == Button::BeginTiming || which == Button::Estimate;
        EXPECT_EQ(button->hasKeyBox(), !keyless);
        const TDActionButton::DrawInfo drawn = button->calcDrawInfo(QRectF(button->rect()));
        const qreal title = QFontMetricsF(button->titleFont()).horizontalAdvance(button->text());
        if (keyless) {
            EXPECT_EQ(drawn.shortcutBox.width(), 0);
            EXPECT_EQ(drawn.titleBox, QRectF(button->rect()));
            EXPECT_NEAR(button->width() - title, keyedMargins, 1);
        } else {
            EXPECT_GE(drawn.shortcutBox.width(), TDActionButton::kShortcutBoxWidth);
            EXPECT_GE(drawn.titleBox.width(), title);
        }
    }
}

TEST_F(HintsBarTest, NarrowingHidesButtonsThatWouldTouchTheFieldAndWideningShowsThem) {
    QStringList all;
    for (const char* title : {"Complete", "Cancel", "Begin Timing", "Start Today", "Tag", "Edit", "Estimate",
                              "File Task", "Archive"})
        all << QString::fromLatin1(title);
    hints->view()->resize(1400, 38);
    EXPECT_EQ(visibleButtons(), all);

    for (int width : {900, 700, 560, 420, 300, 120}) {
        SCOPED_TRACE(width);
        hints->view()->resize(width, 38);
        const int fieldLeft = hints->searchField()->x();
        for (int which = Button::Complete; which < Button::Archive; ++which) {
            const QWidget* button = hints->button(Button(which));
            // Hidden exactly when it would come within 6 points of the field.
            EXPECT_EQ(button->isHidden(), button->geometry().right() + 1 + 6 > fieldLeft) << which;
        }
        EXPECT_FALSE(hints->button(Button::Archive)->isHidden());
        EXPECT_FALSE(hints->searchField()->isHidden());
    }
    hints->view()->resize(420, 38);
    const QStringList narrow = visibleButtons();
    EXPECT_LT(narrow.size(), all.size());
    EXPECT_EQ(narrow.last(), QStringLiteral("Archive"));
    // They go from the right: what is left is the start of the row.
    EXPECT_EQ(narrow.mid(0, narrow.size() - 1), all.mid(0, narrow.size() - 1));

    hints->view()->resize(1400, 38);
    EXPECT_EQ(visibleButtons(), all);
}

TEST_F(HintsBarTest, ButtonStatesFollowTheTaskMenuOnTheNextTurnAfterASelectionChange) {
    // Nothing selected: the task buttons are off, as their menu items.
    EXPECT_FALSE(hints->completeButtonEnabled());
    EXPECT_FALSE(hints->button(Button::Complete)->isEnabled());
    EXPECT_FALSE(hints->button(Button::BeginTiming)->isEnabled());

    tasks->setSelection({open});
    // The change reaches the buttons on the next turn of the event loop, not at once.
    EXPECT_FALSE(hints->button(Button::Complete)->isEnabled());
    QCoreApplication::processEvents();
    const struct {
        Button button;
        const char* action;
        bool (TDHintsCommandViewController::*property)() const;
    } items[] = {
        {Button::Complete, "toggleCompleted", &TDHintsCommandViewController::completeButtonEnabled},
        {Button::Cancel, "toggleCanceled", &TDHintsCommandViewController::cancelButtonEnabled},
        {Button::BeginTiming, "beginTiming", &TDHintsCommandViewController::beginButtonEnabled},
        {Button::StartToday, "toggleStartToday", &TDHintsCommandViewController::todayButtonEnabled},
        {Button::Tag, "tag", &TDHintsCommandViewController::tagButtonEnabled},
        {Button::FileTask, "showFileToGroupWindow", &TDHintsCommandViewController::fileButtonEnabled},
    };
    for (TDTask* task : {open, done}) {
        select(task);
        for (const auto& item : items) {
            SCOPED_TRACE(task->title().toStdString() + " " + item.action);
            EXPECT_EQ((hints.get()->*item.property)(), menuValidates(item.action));
            EXPECT_EQ(hints->button(item.button)->isEnabled(), menuValidates(item.action));
        }
    }
    // A completed task can be reopened but not timed.
    EXPECT_TRUE(hints->button(Button::Complete)->isEnabled());
    EXPECT_FALSE(hints->button(Button::BeginTiming)->isEnabled());
    select(open);
    EXPECT_TRUE(hints->button(Button::BeginTiming)->isEnabled());
}

TEST_F(HintsBarTest, ButtonsSendTheirCommandsAndTheFieldFiltersByTitle) {
    select(open);
    QTest::mouseClick(hints->button(Button::Complete), Qt::LeftButton);
    EXPECT_TRUE(open->isCompleted());

    QTest::keyClicks(hints->searchField(), QStringLiteral("plants"));
    EXPECT_EQ(tasks->titleFilterString(), QStringLiteral("plants"));
    hints->searchField()->clear();
    EXPECT_FALSE(tasks->isFilteringByTitle());
}

// The window's side of File Task: which tasks it was asked to file.
class FilingWindow final : public TDTaskWindowContext {
public:
    bool isWindowKey() const override { return true; }
    bool isTitleFilterFieldFirstResponder() const override { return false; }
    void focusInitialFirstResponder() override {}
    bool isEditingGroupTitle() const override { return false; }
    QString selectedTabGroupUID() const override { return {}; }
    QVariantMap selectedTabViewOptions() const override { return {}; }
    void selectGroup(TDGroup*) override {}
    void tasksControllerDidEnableTaskFilter(bool) override {}
    void tasksModeDidChange(int) override {}
    bool isQuickEntry() const override { return quickEntry; }
    void showFileToGroupWindow(const QList<TDTask*>& tasks, int) override { filed << tasks; }

    QList<QList<TDTask*>> filed;
    bool quickEntry = false;
};

TEST_F(HintsBarTest, FileTaskOpensThePanelForTheSelectionAndIsOffWhereTheMenuRefusesIt) {
    FilingWindow filingWindow;
    tasks->setWindowContext(&filingWindow);
    TDDarkButton* file = hints->button(Button::FileTask);
    EXPECT_FALSE(file->isEnabled());

    select(open);
    ASSERT_TRUE(file->isEnabled());
    QTest::mouseClick(file, Qt::LeftButton);
    EXPECT_EQ(filingWindow.filed, QList<QList<TDTask*>>{{open}});

    // Quick entry files its own way: the button follows the menu item there too.
    filingWindow.quickEntry = true;
    tasks->setSelection({done});
    QCoreApplication::processEvents();
    EXPECT_FALSE(file->isEnabled());
    EXPECT_FALSE(hints->fileButtonEnabled());
    tasks->setWindowContext(nullptr);
}

TEST_F(HintsBarTest, EachHelpStripReplacesTheButtonsAndAskingAgainChangesNothing) {
    EXPECT_EQ(hints->shownStrip(), hints->mainButtonsView());
    const struct {
        void (TDHintsCommandViewController::*show)();
    } strips[] = {{&TDHintsCommandViewController::showTitleHelp},
                  {&TDHintsCommandViewController::showNoteHelp},
                  {&TDHintsCommandViewController::showDateHelp},
                  {&TDHintsCommandViewController::showEstimateHelp},
                  {&TDHintsCommandViewController::showMainButtons}};
    QList<QWidget*> seen;
    for (const auto& strip : strips) {
        (hints.get()->*strip.show)();
        QWidget* shown = hints->shownStrip();
        ASSERT_TRUE(shown);
        EXPECT_FALSE(seen.contains(shown));
        seen << shown;
        EXPECT_EQ(shown->geometry(), hints->view()->rect());
        (hints.get()->*strip.show)();
        EXPECT_EQ(hints->shownStrip(), shown);
        EXPECT_TRUE(shown->isVisible());
    }
    EXPECT_EQ(hints->shownStrip(), hints->mainButtonsView());
}

}  // namespace
}  // namespace apptest

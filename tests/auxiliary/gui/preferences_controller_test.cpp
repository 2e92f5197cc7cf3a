#include "auxiliary/gui/preferences_controller.h"
#include "auxiliary/gui/preference_pane.h"
#include "auxiliary/gui/preferences_window.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QToolBar>
#include <QVBoxLayout>

namespace {

const QString kSelected = QStringLiteral("selectedPreferencePaneIdentifier");

// A pane of a fixed size whose answers the test sets.
class FakePane final : public TDPreferencePane {
public:
    explicit FakePane(QSize size) : m_view(std::make_unique<QWidget>()) {
        auto* layout = new QVBoxLayout(m_view.get());
        field = new QLineEdit(m_view.get());
        layout->addWidget(field);
        layout->addStretch(1);
        m_view->setFixedSize(size);
    }
    QWidget* view() override { return m_view.get(); }
    QString helpAnchor() const override { return QStringLiteral("fake"); }
    void setupPreferencePaneController(TDPreferencesController&) override { ++setUps; }
    bool shouldOrderOutPreferencePane(TDPreferencesController&, std::function<void()> again) override {
        if (defers) retry = std::move(again);
        return !defers;
    }
    bool canSwitchOutPreferencePane(TDPreferencesController&) override { return canSwitchOut; }

    QLineEdit* field = nullptr;
    int setUps = 0;
    bool defers = false;
    bool canSwitchOut = true;
    std::function<void()> retry;

private:
    std::unique_ptr<QWidget> m_view;
};

class PreferencesControllerTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        controller = std::make_unique<TDPreferencesController>(
            defaults(), [this](const QString& anchor) { helpAnchors << anchor; });
        controller->setAnimatesResize(false);
    }
    void TearDown() override {
        controller.reset();
        TempFoldersTest::TearDown();
    }

    TDPreferencesConfiguration configuration(bool useTabs = false) {
        TDPreferencesConfiguration result;
        result.useTabs = useTabs;
        const struct {
            const char* identifier;
            QSize size;
        } panes[] = {{"Small", {420, 160}}, {"Tall", {520, 380}}, {"Third", {460, 200}}};
        for (const auto& pane : panes) {
            const QString identifier = QString::fromLatin1(pane.identifier);
            const QSize size = pane.size;
            result.panes.append({identifier, identifier, QIcon(), [this, identifier, size] {
                                     auto pane = std::make_unique<FakePane>(size);
                                     made[identifier] = pane.get();
                                     return pane;
                                 }});
        }
        return result;
    }
    void open(bool useTabs = false) {
        controller->setConfiguration(configuration(useTabs));
        controller->showWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    }
    QAction* toolbarItem(const QString& identifier) const {
        return controller->window()->findChild<QToolBar*>()->findChild<QAction*>(identifier);
    }

    std::unique_ptr<TDPreferencesController> controller;
    QHash<QString, FakePane*> made;
    QStringList helpAnchors;
};

TEST_F(PreferencesControllerTest, TheWindowOpensOnThePaneStoredOrElseTheFirst) {
    const struct {
        QVariant stored;
        QString shown;
    } cases[] = {{QStringLiteral("Tall"), QStringLiteral("Tall")},
                 {QStringLiteral("Update"), QStringLiteral("Small")},
                 {QVariant(), QStringLiteral("Small")}};
    for (const auto& entry : cases) {
        controller = std::make_unique<TDPreferencesController>(defaults());
        controller->setAnimatesResize(false);
        made.clear();
        if (entry.stored.isValid())
            defaults().setValue(kSelected, entry.stored);
        else
            defaults().removeValue(kSelected);
        open();
        EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), entry.shown)
            << entry.stored.toString().toStdString();
        EXPECT_EQ(controller->window()->windowTitle(), entry.shown);
        EXPECT_TRUE(toolbarItem(entry.shown)->isChecked());
        EXPECT_EQ(made.keys(), QStringList{entry.shown}) << "only the pane shown is made";
        EXPECT_EQ(defaults().string(kSelected), entry.shown);
    }
}

TEST_F(PreferencesControllerTest, SwitchingShowsThePaneAtItsSizeKeepsTheTopEdgeAndIsRemembered) {
    open();
    TDPreferencesWindow* window = controller->window();
    const QRect before = window->geometry();
    toolbarItem(QStringLiteral("Tall"))->trigger();
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Tall"));
    EXPECT_EQ(window->windowTitle(), QStringLiteral("Tall"));
    EXPECT_EQ(window->geometry().top(), before.top());
    EXPECT_EQ(window->geometry().left(), before.left());
    EXPECT_GT(window->geometry().height(), before.height());
    EXPECT_TRUE(made[QStringLiteral("Tall")]->view()->isVisible());
    EXPECT_FALSE(made[QStringLiteral("Small")]->view()->isVisible());
    EXPECT_EQ(QApplication::focusWidget(), made[QStringLiteral("Tall")]->field) << "the pane's first control";
    EXPECT_EQ(defaults().string(kSelected), QStringLiteral("Tall"));

    // Panes are made once and set up every time they are shown.
    toolbarItem(QStringLiteral("Small"))->trigger();
    toolbarItem(QStringLiteral("Tall"))->trigger();
    EXPECT_EQ(made[QStringLiteral("Tall")]->setUps, 2);
    EXPECT_EQ(made.size(), 2);
}

TEST_F(PreferencesControllerTest, TheResizeIsAnimatedAndKeepsTheTopEdge) {
    controller->setAnimatesResize(true);
    open();
    TDPreferencesWindow* window = controller->window();
    const QRect before = window->geometry();
    QSignalSpy shown(controller.get(), &TDPreferencesController::paneShown);
    toolbarItem(QStringLiteral("Tall"))->trigger();
    EXPECT_FALSE(made[QStringLiteral("Tall")]->view()->isVisible()) << "the blank view while resizing";
    ASSERT_TRUE(shown.wait());
    EXPECT_EQ(window->geometry().topLeft(), before.topLeft());
    EXPECT_TRUE(made[QStringLiteral("Tall")]->view()->isVisible());
}

TEST_F(PreferencesControllerTest, ADeferringPaneKeepsTheWindowUntilItsRetry) {
    open();
    FakePane* small = made[QStringLiteral("Small")];
    small->defers = true;
    toolbarItem(QStringLiteral("Third"))->trigger();
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Small"));
    EXPECT_TRUE(toolbarItem(QStringLiteral("Small"))->isChecked());
    EXPECT_FALSE(toolbarItem(QStringLiteral("Third"))->isChecked());
    EXPECT_EQ(defaults().string(kSelected), QStringLiteral("Small"));
    ASSERT_TRUE(small->retry);

    small->defers = false;
    small->retry();
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Third"));
    EXPECT_TRUE(toolbarItem(QStringLiteral("Third"))->isChecked());
    EXPECT_EQ(defaults().string(kSelected), QStringLiteral("Third"));
}

TEST_F(PreferencesControllerTest, APaneThatCannotSwitchOutLeavesOnlyItselfSelectable) {
    defaults().setValue(kSelected, QStringLiteral("Tall"));
    open();
    made[QStringLiteral("Tall")]->canSwitchOut = false;
    controller->validateSelectableItems();
    EXPECT_EQ(controller->selectableIdentifiers(), QStringList{QStringLiteral("Tall")});
    EXPECT_FALSE(toolbarItem(QStringLiteral("Small"))->isEnabled());
    EXPECT_TRUE(toolbarItem(QStringLiteral("Tall"))->isEnabled());

    made[QStringLiteral("Tall")]->canSwitchOut = true;
    controller->validateSelectableItems();
    EXPECT_TRUE(toolbarItem(QStringLiteral("Small"))->isEnabled());
}

// The toolbar's buttons take no focus: Ctrl+PageDown and Ctrl+PageUp step through the panes from the
// focused control, round the ends, past a pane that cannot be left.
TEST_F(PreferencesControllerTest, ControlPageDownAndUpStepThroughThePanesFromTheKeyboard) {
    open();
    const struct {
        Qt::Key key;
        QString shown;
    } steps[] = {{Qt::Key_PageDown, QStringLiteral("Tall")},
                 {Qt::Key_PageDown, QStringLiteral("Third")},
                 {Qt::Key_PageDown, QStringLiteral("Small")},
                 {Qt::Key_PageUp, QStringLiteral("Third")},
                 {Qt::Key_PageUp, QStringLiteral("Tall")}};
    for (const auto& step : steps) {
        ASSERT_TRUE(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), step.key, Qt::ControlModifier);
        EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), step.shown);
        EXPECT_EQ(QApplication::focusWidget(), made[step.shown]->field) << "the pane's first control";
    }

    made[QStringLiteral("Tall")]->canSwitchOut = false;
    controller->validateSelectableItems();
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_PageDown, Qt::ControlModifier);
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Tall"));
}

TEST_F(PreferencesControllerTest, EscapeClosesUnlessThePaneDefersAndTheRetryCloses) {
    open();
    QSignalSpy closed(controller.get(), &TDPreferencesController::windowClosed);
    made[QStringLiteral("Small")]->defers = true;
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(controller->window()->isVisible());
    EXPECT_EQ(closed.count(), 0);

    made[QStringLiteral("Small")]->defers = false;
    made[QStringLiteral("Small")]->retry();
    EXPECT_FALSE(controller->window()->isVisible());
    EXPECT_EQ(closed.count(), 1);

    controller->showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller->window()));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(controller->window()->isVisible());
}

TEST_F(PreferencesControllerTest, TheHelpButtonOpensThePanesAnchor) {
    open();
    auto* help = controller->window()
                     ->findChild<QWidget*>(QStringLiteral("SmallPage"))
                     ->findChild<QAbstractButton*>(QStringLiteral("helpButton"));
    ASSERT_NE(help, nullptr);
    help->click();
    EXPECT_EQ(helpAnchors, QStringList{QStringLiteral("fake")});
}

TEST_F(PreferencesControllerTest, TabsSwitchPanesAndADeferringPaneKeepsItsTab) {
    open(true);
    auto* tabs = controller->window()->findChild<QTabWidget*>();
    ASSERT_NE(tabs, nullptr);
    EXPECT_EQ(controller->window()->windowTitle(), QStringLiteral("Preferences"));
    tabs->setCurrentIndex(1);
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Tall"));
    EXPECT_EQ(defaults().string(kSelected), QStringLiteral("Tall"));

    made[QStringLiteral("Tall")]->defers = true;
    tabs->setCurrentIndex(2);
    EXPECT_EQ(tabs->currentIndex(), 1);
    made[QStringLiteral("Tall")]->defers = false;
    made[QStringLiteral("Tall")]->retry();
    EXPECT_EQ(tabs->currentIndex(), 2);
    EXPECT_EQ(controller->selectedPreferencePaneIdentifier(), QStringLiteral("Third"));
}

TEST_F(PreferencesControllerTest, TheSharedControllerIsForgottenWhenItsWindowCloses) {
    TDPreferencesController& shared = TDPreferencesController::sharedController();
    EXPECT_EQ(&TDPreferencesController::sharedController(), &shared);
    shared.setAnimatesResize(false);
    shared.setConfiguration(configuration());
    shared.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(shared.window()));
    shared.close();
    ASSERT_TRUE(testsupport::spinUntil([] { return !TDPreferencesController::hasSharedController(); }));
}

}  // namespace

#include "app/gui/main_window.h"
#include "auxiliary/gui/about_window.h"
#include "auxiliary/gui/about_window_controller.h"
#include "auxiliary/gui/support_window.h"
#include "platform/defaults/user_defaults.h"
#include "tests/scenarios/scenario_test.h"

#include <QApplication>

namespace {

// The preferences, about and support windows as a person opens and uses them from the main window.
class PreferencesScenario : public scenario::ScenarioTest {
protected:
    QWidget* mainWindow() const { return &window(); }
    // The settings file as the next start reads it.
    QVariant storedSetting(const QString& key) {
        defaults().synchronize();
        return platform::UserDefaults(defaults().filePath()).value(key);
    }
};

TEST_F(PreferencesScenario, ASettingChangedInTheGeneralPaneIsStoredAndTheWindowReopensOnIt) {
    launch();
    press(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("dockBadgeMode")) << "the General pane's first control";
    press(Qt::Key_Tab);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("predictTags"));
    press(Qt::Key_Space);
    EXPECT_EQ(storedSetting(QStringLiteral("predictTags")), QVariant(false));
    EXPECT_EQ(storedSetting(QStringLiteral("selectedPreferencePaneIdentifier")),
              QVariant(QStringLiteral("General")));

    press(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activeWindow(), mainWindow()) << "the preferences window closed";
    press(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("dockBadgeMode"));
    press(Qt::Key_Escape);
}

TEST_F(PreferencesScenario, ResetPreferencesKeepsOnlyTheLibraryLocation) {
    defaults().setValue(QStringLiteral("predictTags"), false);
    defaults().setValue(QStringLiteral("ShortcutRecorder QuickEntry"),
                        QVariantMap{{QStringLiteral("keySequence"), QStringLiteral("Ctrl+Alt+Space")}});
    launch();
    const QVariant libraryURL = storedSetting(QStringLiteral("libraryURL"));
    ASSERT_TRUE(libraryURL.isValid());
    press(Qt::Key_Comma, Qt::ControlModifier);
    // The button follows the pane's switches, however many there are.
    for (int control = 0; control < 20 && focusedWidgetName() != QStringLiteral("resetPreferences");
         ++control)
        press(Qt::Key_Tab);
    ASSERT_EQ(focusedWidgetName(), QStringLiteral("resetPreferences"));
    prompter.answers = {0};
    press(Qt::Key_Space);
    ASSERT_FALSE(prompter.shown.isEmpty());
    EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("Reset preferences?"));

    EXPECT_EQ(storedSetting(QStringLiteral("libraryURL")), libraryURL);
    EXPECT_FALSE(storedSetting(QStringLiteral("predictTags")).isValid());
    EXPECT_FALSE(storedSetting(QStringLiteral("ShortcutRecorder QuickEntry")).isValid());
    EXPECT_TRUE(defaults().boolean(QStringLiteral("predictTags"))) << "the registered value again";
    press(Qt::Key_Escape);
}

TEST_F(PreferencesScenario, AShortcutRecordedInTheShortcutsPaneIsStored) {
    defaults().setValue(QStringLiteral("selectedPreferencePaneIdentifier"), QStringLiteral("Keyboard"));
    launch();
    press(Qt::Key_Comma, Qt::ControlModifier);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("QuickEntry")) << "reopened on the pane shown last";
    press(Qt::Key_Space, Qt::ControlModifier | Qt::AltModifier);
    press(Qt::Key_Tab);
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("QuickEntryContext"));
    press(Qt::Key_E);
    press(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activeWindow(), mainWindow());

    EXPECT_EQ(storedSetting(QStringLiteral("ShortcutRecorder QuickEntry"))
                  .toMap()
                  .value(QStringLiteral("keySequence")),
              QVariant(QStringLiteral("Ctrl+Alt+Space")));
    EXPECT_FALSE(storedSetting(QStringLiteral("ShortcutRecorder QuickEntryContext")).isValid())
        << "a bare key is refused";
}

TEST_F(PreferencesScenario, AboutShowsTheCrawlThatSpacePausesAndEscapeCloses) {
    launch();
    chooseMenuItem(QStringLiteral("Help"), QStringLiteral("About Ordello"));
    ASSERT_TRUE(TDAboutWindowController::isAboutWindowOpen());
    TDAboutWindow& about = TDAboutWindowController::sharedController().window();
    EXPECT_TRUE(about.isCrawling());
    press(Qt::Key_Space);
    EXPECT_FALSE(about.isCrawling());
    press(Qt::Key_Escape);
    EXPECT_FALSE(TDAboutWindowController::isAboutWindowOpen());
    EXPECT_EQ(QApplication::activeWindow(), mainWindow());
}

TEST_F(PreferencesScenario, ASupportRequestWithoutAConfiguredEndpointSendsNothingAndSaysSo) {
    launch();
    chooseMenuItem(QStringLiteral("Help"), QStringLiteral("Contact Support…"));
    EXPECT_EQ(focusedWidgetName(), QStringLiteral("replyTo"));
    type(QStringLiteral("ann@example.org"));
    press(Qt::Key_Tab);
    type(QStringLiteral("Tags"));
    press(Qt::Key_Return);
    ASSERT_FALSE(prompter.shown.isEmpty());
    EXPECT_EQ(prompter.shown.last().messageText, QStringLiteral("No support address is configured"));
    EXPECT_EQ(storedSetting(QStringLiteral("supportReplyToAddress")),
              QVariant(QStringLiteral("ann@example.org")));
    press(Qt::Key_Escape);
    EXPECT_EQ(QApplication::activeWindow(), mainWindow()) << "the support window closed";
}

}  // namespace

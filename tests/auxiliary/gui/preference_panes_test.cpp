#include "auxiliary/gui/application_preferences.h"
#include "auxiliary/gui/general_preferences_pane.h"
#include "auxiliary/gui/keyboard_preferences_pane.h"
#include "auxiliary/gui/preferences_controller.h"
#include "auxiliary/gui/preferences_window.h"
#include "auxiliary/shortcut_record.h"
#include "platform/defaults/host_defaults.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "tests/support/core/scripted_alert_prompter.h"
#include "tests/support/test_environment.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QDoubleSpinBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>
#include <QVBoxLayout>
#include "auxiliary/gui/shortcut_recorder.h"

namespace {

class PreferencePanesTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        manager =
            std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(QStringLiteral("P.odllibrary")));
        host =
            std::make_unique<platform::UserDefaults>(QDir(tempPath()).filePath(QStringLiteral("host.conf")));
        platform::setHostUserDefaults(host.get());
    }
    void TearDown() override {
        platform::setHostUserDefaults(nullptr);
        host.reset();
        manager.reset();
        TempFoldersTest::TearDown();
    }
    TDPreferencesContext context() {
        return {defaults(),
                *manager,
                prompter,
                [this](const QString& anchor) { helpAnchors << anchor; },
                [this] { ++applicationOptionsCleared; },
                [this](const QString& identifier) { changedShortcuts << identifier; },
                [this](bool suspended) { suspensions << suspended; }};
    }
    template <typename T>
    T* child(TDPreferencePane& pane, const QString& name) {
        return pane.view()->findChild<T*>(name);
    }

    std::unique_ptr<TDLibraryManager> manager;
    std::unique_ptr<platform::UserDefaults> host;
    testsupport::ScriptedAlertPrompter prompter;
    QStringList helpAnchors;
    int applicationOptionsCleared = 0;
    QStringList changedShortcuts;
    QList<bool> suspensions;
};

TEST_F(PreferencePanesTest, GeneralControlsWriteTheirSettingsAndFollowChangesFromElsewhere) {
    TDGeneralPreferencesController pane(context());
    auto* badge = child<QComboBox>(pane, QStringLiteral("dockBadgeMode"));
    auto* delay = child<QDoubleSpinBox>(pane, QStringLiteral("balloonPopUpDelay"));
    ASSERT_TRUE(badge && delay);
    EXPECT_DOUBLE_EQ(delay->value(), 0.25) << "the registered value";

    badge->setCurrentIndex(2);
    EXPECT_EQ(defaults().integer(QStringLiteral("dockBadgeMode")), 2);
    delay->setValue(0.6);
    EXPECT_DOUBLE_EQ(defaults().real(QStringLiteral("balloonPopUpDelay")), 0.6);
    const QString checks[] = {QStringLiteral("predictTags"), QStringLiteral("expandNotes"),
                              QStringLiteral("cardAnimationEnabled"), QStringLiteral("commandWClosesTab"),
                              QStringLiteral("checkSpellingContinuously")};
    for (const QString& key : checks) {
        auto* box = child<QCheckBox>(pane, key);
        ASSERT_NE(box, nullptr) << key.toStdString();
        EXPECT_EQ(box->isChecked(), defaults().boolean(key)) << key.toStdString();
        box->click();
        EXPECT_EQ(defaults().boolean(key), box->isChecked()) << key.toStdString();
        defaults().setValue(key, !box->isChecked());
        EXPECT_EQ(box->isChecked(), defaults().boolean(key)) << key.toStdString() << " changed elsewhere";
    }
    defaults().setValue(QStringLiteral("dockBadgeMode"), 1);
    EXPECT_EQ(badge->currentIndex(), 1);
}

TEST_F(PreferencePanesTest, ResetKeepsTheLibraryLocationTheMoveOfferAndThisMachinesSettings) {
    const QString libraryURL = QUrl::fromLocalFile(manager->libraryPath()).toString();
    defaults().setValue(QStringLiteral("libraryURL"), libraryURL);
    defaults().setValue(QStringLiteral("moveToApplicationsFolderAlertSuppress"), true);
    defaults().setValue(QStringLiteral("selectedPreferencePaneIdentifier"), QStringLiteral("Keyboard"));
    defaults().setValue(QStringLiteral("predictTags"), false);
    TDWriteShortcutRecord(defaults(), TDQuickEntryHotKey,
                          TDShortcutRecord::fromKeyCombination(Qt::CTRL | Qt::Key_J));
    host->setValue(QStringLiteral("corvaneSyncNodeID"), QStringLiteral("node-1"));
    manager->setOption(QStringLiteral("inbox"), QStringLiteral("TDSelectedGroup"));
    TDGeneralPreferencesController pane(context());
    auto* reset = child<QPushButton>(pane, QStringLiteral("resetPreferences"));
    auto* predict = child<QCheckBox>(pane, QStringLiteral("predictTags"));

    prompter.answers = {1};  // Cancel
    reset->click();
    ASSERT_EQ(prompter.shown.size(), 1);
    EXPECT_EQ(prompter.shown.first().messageText, QStringLiteral("Reset preferences?"));
    EXPECT_EQ(prompter.shown.first().informativeText,
              QStringLiteral("This will reset all your preferences, including the tabs."));
    EXPECT_EQ(prompter.shown.first().buttons,
              (QStringList{QStringLiteral("Reset"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(defaults().boolean(QStringLiteral("predictTags")));
    EXPECT_EQ(applicationOptionsCleared, 0);

    prompter.answers = {0};  // Reset
    reset->click();
    const platform::UserDefaults reread(defaults().filePath());
    EXPECT_EQ(reread.storedKeys(), (QStringList{QStringLiteral("libraryURL"),
                                                QStringLiteral("moveToApplicationsFolderAlertSuppress")}));
    EXPECT_EQ(reread.string(QStringLiteral("libraryURL")), libraryURL);
    EXPECT_TRUE(reread.boolean(QStringLiteral("moveToApplicationsFolderAlertSuppress")));
    EXPECT_TRUE(predict->isChecked()) << "the control shows the registered value again";
    EXPECT_FALSE(manager->optionForKey(QStringLiteral("TDSelectedGroup")).isValid());
    EXPECT_EQ(applicationOptionsCleared, 1);
    EXPECT_EQ(changedShortcuts, QStringList{TDQuickEntryHotKey}) << "the hot key lets go at once";
    EXPECT_EQ(host->string(QStringLiteral("corvaneSyncNodeID")), QStringLiteral("node-1"));
}

class ShortcutsPaneTest : public PreferencePanesTest {
protected:
    void SetUp() override {
        PreferencePanesTest::SetUp();
        pane = std::make_unique<TDKeyboardPreferencesController>(context());
        window.setLayout(new QVBoxLayout);
        window.layout()->addWidget(pane->view());
        window.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
        recorder = child<QKeySequenceEdit>(*pane, TDQuickEntryHotKey);
        ASSERT_NE(recorder, nullptr);
        recorder->setFocus();
        ASSERT_TRUE(testsupport::spinUntil([this] { return recorder->hasFocus(); }));
    }
    void TearDown() override {
        pane.reset();
        PreferencePanesTest::TearDown();
    }
    void press(QKeyCombination chord) {
        QTest::keyClick(QApplication::focusWidget(), chord.key(), chord.keyboardModifiers());
    }
    QVariantMap stored(const QString& identifier) {
        return defaults().value(TDShortcutRecordKey(identifier)).toMap();
    }

    QWidget window;
    std::unique_ptr<TDKeyboardPreferencesController> pane;
    QKeySequenceEdit* recorder = nullptr;
};

TEST_F(PreferencePanesTest, WithoutGlobalHotKeysTheShortcutsPaneShowsTheCommandsToBind) {
    TDPreferencesContext desktopOnly = context();
    desktopOnly.hotKeysNeedDesktopSettings = true;
    QWidget window;  // goes after the pane, which owns its view
    TDKeyboardPreferencesController pane(desktopOnly);
    window.setLayout(new QVBoxLayout);
    window.layout()->addWidget(pane.view());
    window.resize(520, 260);
    window.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window));
    QStringList commands;
    for (const QLabel* label : pane.view()->findChildren<QLabel*>(QStringLiteral("DesktopShortcutCommand")))
        commands << label->text();
    EXPECT_EQ(commands, (QStringList{QStringLiteral("ordello --quick-entry"),
                                     QStringLiteral("ordello --quick-entry-context")}));
    EXPECT_TRUE(child<QLabel>(pane, QStringLiteral("DesktopShortcutsExplanation"))
                    ->text()
                    .contains(QStringLiteral("keyboard settings")));
    // No recorder: a shortcut recorded here would reach nothing.
    EXPECT_EQ(child<QKeySequenceEdit>(pane, TDQuickEntryHotKey), nullptr);
    QDir().mkpath(QStringLiteral(ORDELLO_SCREENSHOT_DIR));
    window.grab().save(QStringLiteral(ORDELLO_SCREENSHOT_DIR "/shortcuts_pane_desktop_settings.png"));
}

TEST_F(ShortcutsPaneTest, ARecordedChordIsStoredInBothFormsAndTakesEffectAtOnce) {
    EXPECT_EQ(suspensions, QList<bool>{true}) << "the hot keys let go while recording";
    press(Qt::CTRL | Qt::ALT | Qt::Key_Space);
    EXPECT_EQ(stored(TDQuickEntryHotKey),
              (QVariantMap{{QStringLiteral("keyCode"), qlonglong(Qt::Key_Space)},
                           {QStringLiteral("modifierFlags"), qlonglong(0x180000)},
                           {QStringLiteral("keySequence"), QStringLiteral("Ctrl+Alt+Space")}}));
    EXPECT_EQ(changedShortcuts, QStringList{TDQuickEntryHotKey});

    // The chord ended the recording: the next one replaces it instead of making a sequence.
    press(Qt::META | Qt::SHIFT | Qt::Key_K);
    EXPECT_EQ(recorder->keySequence(), QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_K));
    EXPECT_EQ(stored(TDQuickEntryHotKey).value(QStringLiteral("modifierFlags")).toLongLong(), 0x60000);
    EXPECT_FALSE(defaults().hasStoredValue(TDShortcutRecordKey(TDQuickEntryContextHotKey)));

    recorder->clearFocus();
    EXPECT_EQ(suspensions.last(), false);
}

TEST_F(ShortcutsPaneTest, ABareKeyIsRefusedWithAWordAndTheStoredShortcutStays) {
    press(Qt::CTRL | Qt::Key_J);
    changedShortcuts.clear();
    press(QKeyCombination(Qt::Key_J));
    press(QKeyCombination(Qt::ControlModifier, Qt::Key_Control));
    recorder->clearFocus();
    EXPECT_EQ(recorder->keySequence(), QKeySequence(Qt::CTRL | Qt::Key_J));
    EXPECT_EQ(stored(TDQuickEntryHotKey).value(QStringLiteral("keySequence")).toString(),
              QStringLiteral("Ctrl+J"));
    EXPECT_TRUE(changedShortcuts.isEmpty());
    auto* message = child<QLabel>(*pane, TDQuickEntryHotKey + QStringLiteral("Message"));
    EXPECT_FALSE(message->text().isEmpty());

    recorder->setFocus();
    press(Qt::ALT | Qt::Key_J);
    EXPECT_TRUE(message->text().isEmpty()) << "a good chord takes the word away";
}

TEST_F(ShortcutsPaneTest, ClearingRemovesTheShortcut) {
    press(Qt::CTRL | Qt::Key_J);
    auto* clear = recorder->findChild<QLineEdit*>()->findChild<QToolButton*>();
    ASSERT_NE(clear, nullptr);
    QTest::mouseClick(clear, Qt::LeftButton);
    EXPECT_EQ(stored(TDQuickEntryHotKey).value(QStringLiteral("keyCode")).toLongLong(), -1);
    EXPECT_TRUE(TDReadShortcutRecord(defaults(), TDQuickEntryHotKey).isClear());
    EXPECT_EQ(changedShortcuts.last(), TDQuickEntryHotKey);
}

TEST_F(ShortcutsPaneTest, StoredShortcutsAreShownInEitherForm) {
    defaults().setValue(TDShortcutRecordKey(TDQuickEntryHotKey),
                        QVariantMap{{QStringLiteral("keySequence"), QStringLiteral("Ctrl+Shift+Q")}});
    defaults().setValue(TDShortcutRecordKey(TDQuickEntryContextHotKey),
                        QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_F4)},
                                    {QStringLiteral("modifierFlags"), 0x80000}});
    TDPreferencesController controller(defaults());
    pane->setupPreferencePaneController(controller);
    EXPECT_EQ(recorder->keySequence(), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Q));
    EXPECT_EQ(child<QKeySequenceEdit>(*pane, TDQuickEntryContextHotKey)->keySequence(),
              QKeySequence(Qt::ALT | Qt::Key_F4));
    EXPECT_TRUE(changedShortcuts.isEmpty()) << "showing is not changing";
}

}  // namespace

namespace {

TEST_F(PreferencePanesTest, TheApplicationsPanesInOrderWithScreenshots) {
    TDPreferencesController controller(defaults(), [](const QString&) {});
    controller.setAnimatesResize(false);
    controller.setConfiguration(TDApplicationPreferencesConfiguration(context()));
    QStringList identifiers, names;
    for (const TDPreferencePaneEntry& entry : controller.configuration().panes) {
        identifiers << entry.identifier;
        names << entry.name;
    }
    EXPECT_EQ(identifiers, (QStringList{QStringLiteral("General"), QStringLiteral("CorvaneSync"),
                                        QStringLiteral("iCalSync"), QStringLiteral("Keyboard")}));
    EXPECT_EQ(names, (QStringList{QStringLiteral("General"), QStringLiteral("Sync Service"),
                                  QStringLiteral("Calendar Sync"), QStringLiteral("Shortcuts")}));
    controller.showWindow();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(controller.window()));
    const QString folder = QStringLiteral(ORDELLO_SCREENSHOT_DIR);
    QDir().mkpath(folder);
    const QString files[] = {
        QStringLiteral("preferences_general.png"), QStringLiteral("preferences_sync_service.png"),
        QStringLiteral("preferences_calendar_sync.png"), QStringLiteral("preferences_shortcuts.png")};
    for (int i = 0; i < identifiers.size(); ++i) {
        ASSERT_TRUE(controller.selectPreferencePaneWithIdentifier(identifiers.at(i)));
        QCoreApplication::processEvents();
        EXPECT_TRUE(controller.window()->grab().toImage().save(QDir(folder).filePath(files[i])));
    }
}

}  // namespace

#include "auxiliary/gui/preference_pane.h"
#include "auxiliary/gui/preferences_controller.h"
#include "auxiliary/gui/preferences_window.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/defaults/user_defaults.h"
#include "platform/keychain/memory_keychain.h"
#include "platform/plist/property_list.h"
#include "sync/full_sync_window_controller.h"
#include "sync/gui/calendar_sync_preference_pane.h"
#include "sync/gui/corvane_sync_preference_pane.h"
#include "sync/gui/full_sync_kind_chooser.h"
#include "sync/gui/full_sync_window.h"
#include "tests/scenarios/scenario_test.h"
#include "tests/sync/support/loopback_account.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMessageBox>
#include <QPointer>
#include <QProgressDialog>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <limits>
#include <memory>

namespace scenario {
namespace {

using synctest::kPassword;
using synctest::kUser;

// Answers each modal window that opens, in turn, from inside its own event loop: once it is up with the
// keyboard focus in it, the next answer gets it. A modal window that no answer waits for fails the test
// and is closed. Progress sheets, which ask nothing, and the full-sync window, which the scenario
// follows itself, are left alone. Once an answered window has gone, its parent window takes the
// activation back, as the desktop's window manager gives it back (the offscreen platform leaves none).
class ModalAnswers final : public QObject {
public:
    using Answer = std::function<void(QWidget& modal)>;
    explicit ModalAnswers(QList<Answer> answers) : m_answers(std::move(answers)) {
        connect(&m_poll, &QTimer::timeout, this, [this] { p_poll(); });
        m_poll.start(10);
    }
    ~ModalAnswers() override {
        EXPECT_TRUE(m_answers.isEmpty()) << m_answers.size() << " awaited modal windows never came";
    }
    // Every answer given, and the window under the last one active again.
    bool answeredAll() const { return m_answers.isEmpty() && !m_returnTo; }

private:
    void p_poll() {
        if (m_returnTo && (!m_last || !m_last->isVisible()) && !m_answering) {
            // A progress sheet that follows the answer comes and goes first.
            QWidget* active = QApplication::activeWindow();
            if (!active) m_returnTo->activateWindow();
            if (!qobject_cast<QProgressDialog*>(active)) m_returnTo = nullptr;
        }
        QWidget* modal = QApplication::activeModalWidget();
        if (m_answering || !modal || !modal->isVisible() || modal == m_last) return;
        if (qobject_cast<QProgressDialog*>(modal) || qobject_cast<TDFullSyncWindow*>(modal)) return;
        const QWidget* focus = QApplication::focusWidget();
        if (!focus || focus->window() != modal) return;
        m_last = modal;
        m_returnTo = modal->parentWidget() ? modal->parentWidget()->window() : nullptr;
        if (m_answers.isEmpty()) {
            ADD_FAILURE() << "an unexpected modal window: " << modal->metaObject()->className();
            modal->close();
            return;
        }
        m_answering = true;
        m_answers.takeFirst()(*modal);
        m_answering = false;
    }

    QTimer m_poll;
    QPointer<QWidget> m_last;
    QPointer<QWidget> m_returnTo;
    QList<Answer> m_answers;
    bool m_answering = false;
};

// Where the shown view of the pane begins: the top of its highest visible label.
int topOfShownText(TDCorvaneSyncPane& pane) {
    int top = std::numeric_limits<int>::max();
    for (const QLabel* label : pane.view()->findChildren<QLabel*>())
        if (label->isVisible()) top = std::min(top, label->mapTo(pane.view(), QPoint(0, 0)).y());
    return top;
}

QString messageOf(QWidget& modal) {
    if (auto* box = qobject_cast<QMessageBox*>(&modal)) return box->text();
    return {};
}

// Sign-in and calendar sync as a person reaches them: the preferences by their shortcut, the pane by
// the keys that step through the panes, the fields by typing, every question by keys. The desktop's
// keyring is one in memory, the sync service the loopback one, trusted through the setting a person
// with a service of their own uses.
class SyncScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        synctest::serveTestAccount(server, defaults());
        const QString anchors = QDir(tempPath()).filePath(QStringLiteral("service-anchors.pem"));
        QFile pem(anchors);
        ASSERT_TRUE(pem.open(QIODevice::WriteOnly));
        pem.write(synctest::LoopbackSyncServer::authorityCertificate().toPem());
        pem.close();
        defaults().setValue(QStringLiteral("corvaneSyncServiceCertificates"), anchors);
        useMessageBoxes = true;
    }
    void TearDown() override {
        ScenarioTest::TearDown();
        platform::CalendarStore::setDefaultStore(nullptr);
    }

    void seedErrands() {
        seedLibrary([](LibrarySeed& seed) {
            TDGroup* errands = seed.list(QStringLiteral("Errands"));
            seed.task(errands, QStringLiteral("Buy stamps"));
            seed.task(errands, QStringLiteral("Post the letter"));
        });
    }

    // The preferences by their shortcut, then Ctrl+PageDown pane by pane, each time until the pane shown
    // has the focus in it (the window resizes to each pane first).
    template <typename Pane>
    Pane* openPane(int steps) {
        press(Qt::Key_Comma, Qt::ControlModifier);
        auto focusedInPane = [] {
            if (!TDPreferencesController::hasSharedController()) return false;
            TDPreferencePane* shown = TDPreferencesController::sharedController().selectedPreferencePane();
            return shown && shown->view()->isVisible() && QApplication::focusWidget() &&
                   shown->view()->isAncestorOf(QApplication::focusWidget());
        };
        for (int step = 0; step < steps; ++step) {
            EXPECT_TRUE(testsupport::spinUntil(focusedInPane)) << "step " << step;
            press(Qt::Key_PageDown, Qt::ControlModifier);
        }
        EXPECT_TRUE(testsupport::spinUntil(focusedInPane))
            << "the pane did not come with the focus in it; focus: " << focusedWidgetName().toStdString();
        return TDPreferencesController::hasSharedController()
                   ? dynamic_cast<Pane*>(TDPreferencesController::sharedController().selectedPreferencePane())
                   : nullptr;
    }

    QWidget* preferencesWindow() const {
        return TDPreferencesController::hasSharedController()
                   ? TDPreferencesController::sharedController().window()
                   : nullptr;
    }

    // The library's options as the next start reads them.
    QVariantMap storedOptions() const {
        QFile file(QDir(packagePath()).filePath(QStringLiteral("options.plist")));
        if (!file.open(QIODevice::ReadOnly)) return {};
        const Result<QVariant> read = platform::readPropertyList(file.readAll());
        return read.ok() ? read->toMap() : QVariantMap();
    }

    QString settingsText() {
        defaults().synchronize();
        QFile file(defaults().filePath());
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    QStringList titlesOnTheServer() const {
        QStringList titles;
        for (const auto& entity : server.store(kUser).entries())
            for (const auto& entry : entity) {
                const QString title = entry.record.value(QStringLiteral("contents"))
                                          .toObject()
                                          .value(QStringLiteral("title"))
                                          .toString();
                if (!title.isEmpty()) titles << title;
            }
        return titles;
    }

    void signInByKeys(TDCorvaneSyncPane& pane, const QString& password) {
        EXPECT_EQ(focusedWidget(), pane.usernameField()) << "the pane's first control";
        type(kUser);
        press(Qt::Key_Tab);
        EXPECT_EQ(focusedWidget(), pane.passwordField());
        type(password);
        press(Qt::Key_Return);
    }

    platform::MemoryKeychain keychain;
    synctest::StandardKeychainScope keychainInstalled{keychain};
    synctest::LoopbackSyncServer server;
    // The desktop's calendar folder, when a scenario has one.
    std::unique_ptr<platform::CalendarStore> calendars;
};

TEST_F(SyncScenario, AWrongPasswordShowsTheSheetAndStoresNothing) {
    seedErrands();
    launch();
    auto* pane = openPane<TDCorvaneSyncPane>(1);
    ASSERT_TRUE(pane);
    screenshot(QStringLiteral("scenario_sync_sign_in"));

    QStringList sheets;
    ModalAnswers answers({[&](QWidget& sheet) {
        sheets << messageOf(sheet);
        press(Qt::Key_Return);
    }});
    signInByKeys(*pane, QStringLiteral("not the password"));
    ASSERT_TRUE(
        testsupport::spinUntil([&] { return answers.answeredAll() && !pane->controller().isVerifying(); }));
    settle();

    EXPECT_EQ(sheets, QStringList{QStringLiteral("Invalid username or password")});
    EXPECT_FALSE(pane->showsAccountView());
    EXPECT_TRUE(preferencesWindow() && preferencesWindow()->isAncestorOf(focusedWidget()))
        << "back in the pane to try again; focus: " << focusedWidgetName().toStdString();
    EXPECT_EQ(keychain.itemCount(), 0);
    EXPECT_FALSE(settingsText().contains(kUser)) << "no account in the settings";
    EXPECT_FALSE(storedOptions().value(QStringLiteral("corvaneSyncEnabled")).toBool());
    EXPECT_TRUE(titlesOnTheServer().isEmpty());
    press(Qt::Key_Escape);
    quit();
    EXPECT_EQ(testsupport::filesContaining(tempPath(), QStringLiteral("not the password")), QStringList());
}

TEST_F(SyncScenario, AFirstSignInOnAnEmptyServerRunsTheFullSyncAndTurnsSyncOn) {
    seedErrands();
    launch();
    auto* pane = openPane<TDCorvaneSyncPane>(1);
    ASSERT_TRUE(pane);

    QString question;
    bool questionOffersKinds = true;
    ModalAnswers answers({[&](QWidget& sheet) {
        for (QLabel* label : sheet.findChildren<QLabel*>())
            if (label->font().bold()) question = label->text();
        questionOffersKinds = sheet.findChild<TDFullSyncKindChooser*>() != nullptr;
        press(Qt::Key_Return);
    }});
    const int signInTop = topOfShownText(*pane);
    signInByKeys(*pane, kPassword);

    TDFullSyncWindow* fullSync = nullptr;
    ASSERT_TRUE(testsupport::spinUntil([&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<TDFullSyncWindow*>(top); window && window->isVisible())
                fullSync = window;
        return fullSync && fullSync->controller().alert().messageText == QStringLiteral("Sync finished");
    })) << "the full sync did not finish; progress: "
        << (fullSync ? fullSync->progressLabel().text().toStdString() : std::string("no window"));
    EXPECT_EQ(question, QStringLiteral("Perform full sync?"));
    EXPECT_FALSE(questionOffersKinds) << "the server's library is empty: no kinds to choose";
    EXPECT_TRUE(fullSync->isAncestorOf(focusedWidget()) || focusedWidget() == fullSync)
        << "the finished window takes the keyboard; focus: " << focusedWidgetName().toStdString();
    press(Qt::Key_Return);
    EXPECT_TRUE(testsupport::spinUntil([&] { return !fullSync->isVisible(); })) << "Return closes it";
    // The window manager gives the activation back to the window under it; the offscreen platform does not.
    if (!QApplication::activeWindow() && preferencesWindow()) preferencesWindow()->activateWindow();
    settle();

    EXPECT_TRUE(pane->showsAccountView());
    EXPECT_NEAR(topOfShownText(*pane), signInTop, 4) << "the account's form starts where sign-in did";
    screenshot(QStringLiteral("scenario_sync_account"));
    EXPECT_TRUE(storedOptions().value(QStringLiteral("corvaneSyncEnabled")).toBool());
    const QStringList onServer = titlesOnTheServer();
    EXPECT_TRUE(onServer.contains(QStringLiteral("Buy stamps"))) << onServer.join(u',').toStdString();
    EXPECT_TRUE(onServer.contains(QStringLiteral("Post the letter")));
    EXPECT_TRUE(onServer.contains(QStringLiteral("Errands")));
    EXPECT_EQ(keychain.itemCount(), 1) << "the password is kept in the keyring";

    press(Qt::Key_Escape);
    quit();
    EXPECT_EQ(testsupport::filesContaining(tempPath(), kPassword), QStringList());
}

TEST_F(SyncScenario, CalendarSyncSwitchedOnByKeysBacksUpAndWritesTheMappedListsTasks) {
    const QString root = QDir(tempPath()).filePath(QStringLiteral("Calendars"));
    ASSERT_TRUE(QDir().mkpath(root));
    defaults().setValue(QStringLiteral("calendarStoreRootPath"), root);
    calendars = std::make_unique<platform::CalendarStore>(root);
    platform::CalendarStore::setDefaultStore(calendars.get());
    const Result<platform::Calendar> shopping = calendars->createCalendar(QStringLiteral("Shopping"));
    ASSERT_TRUE(shopping.ok());
    seedErrands();
    launch();
    auto* pane = openPane<TDCalendarSyncPane>(2);
    ASSERT_TRUE(pane);
    EXPECT_EQ(focusedWidget(), pane->masterSwitch());

    // The backup is skipped by its button: the folder dialog it opens is the desktop's own.
    QString question;
    ModalAnswers answers({[&](QWidget& sheet) {
        question = messageOf(sheet);
        for (int button = 0; button < 4; ++button) {
            const auto* focused = qobject_cast<QAbstractButton*>(focusedWidget());
            if (focused && focused->text() == QStringLiteral("Continue")) break;
            press(Qt::Key_Tab);
        }
        press(Qt::Key_Space);
    }});
    press(Qt::Key_Space);
    ASSERT_TRUE(testsupport::spinUntil(
        [&] { return answers.answeredAll() && pane->controller().calendarStoreSyncEnabled(); }));
    EXPECT_EQ(question, QStringLiteral("Backup calendars before enabling sync?"));
    EXPECT_FALSE(pane->controller().isBackingUp());
    EXPECT_TRUE(pane->masterSwitch()->isChecked());

    // The calendar, then the list that syncs with it, by keys.
    press(Qt::Key_Tab);
    ASSERT_EQ(focusedWidget(), pane->calendarList());
    press(Qt::Key_Down);
    ASSERT_EQ(pane->calendarList()->currentItem() ? pane->calendarList()->currentItem()->text() : QString(),
              QStringLiteral("Shopping"));
    press(Qt::Key_Tab);
    ASSERT_EQ(focusedWidget(), pane->groupTree());
    for (int row = 0; row < 20; ++row) {
        const QTreeWidgetItem* current = pane->groupTree()->currentItem();
        if (current && current->text(0) == QStringLiteral("Errands")) break;
        press(Qt::Key_Down);
    }
    ASSERT_TRUE(pane->groupTree()->currentItem());
    ASSERT_EQ(pane->groupTree()->currentItem()->text(0), QStringLiteral("Errands"));
    press(Qt::Key_Space);
    settle();
    const QList<QTreeWidgetItem*> errands =
        pane->groupTree()->findItems(QStringLiteral("Errands"), Qt::MatchRecursive);
    ASSERT_EQ(errands.size(), 1);
    EXPECT_EQ(errands.first()->checkState(0), Qt::Checked);
    EXPECT_EQ(pane->calendarList()->item(0)->checkState(), Qt::Checked) << "its first list turns it on";
    screenshot(QStringLiteral("scenario_calendar_sync"));

    // Closing the preferences starts the pass.
    press(Qt::Key_Escape);
    const QVariantMap options = storedOptions();
    EXPECT_TRUE(options.value(QStringLiteral("calendarStoreSyncEnabled")).toBool());
    EXPECT_EQ(options.value(QStringLiteral("syncEnabledCalendarUIDs")).toList(),
              QVariantList{shopping->uid()});
    EXPECT_EQ(options.value(QStringLiteral("groupToCalendarStoreCalendarMapping")).toMap().values(),
              QVariantList{shopping->uid()});

    const QString folder = QDir(root).filePath(shopping->uid());
    QString written;
    EXPECT_TRUE(testsupport::spinUntil([&] {
        written.clear();
        for (const QString& name : QDir(folder).entryList({QStringLiteral("*.ics")}, QDir::Files)) {
            QFile file(QDir(folder).filePath(name));
            if (file.open(QIODevice::ReadOnly)) written += QString::fromUtf8(file.readAll());
        }
        return written.contains(QStringLiteral("SUMMARY:Buy stamps")) &&
               written.contains(QStringLiteral("SUMMARY:Post the letter"));
    })) << written.toStdString();
    quit();
}

}  // namespace
}  // namespace scenario

#include "tests/scenarios/scenario_test.h"

#include "app/gui/hot_key_manager.h"
#include "app/gui/ordello_composition.h"
#include "auxiliary/gui/quick_entry_window.h"
#include "model/library.h"
#include "platform/defaults/user_defaults.h"
#include "platform/desktop/hotkeys/hot_key_center.h"
#include "platform/desktop/hotkeys/x11_hot_key_backend.h"

#include <QApplication>
#include <QGuiApplication>
#include <QTest>

#include <xcb/xcb.h>
#include <xcb/xcb_keysyms.h>
#include <xcb/xtest.h>
#include <xkbcommon/xkbcommon-keysyms.h>

#include <cstdlib>

namespace scenario {
namespace {

// Another program on the same X server: it can hold a key combination and type with XTest.
class OtherX11Program {
public:
    OtherX11Program() : m_connection(xcb_connect(nullptr, nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_symbols = xcb_key_symbols_alloc(m_connection);
    }
    ~OtherX11Program() {
        xcb_key_symbols_free(m_symbols);
        xcb_disconnect(m_connection);
    }
    xcb_keycode_t keycode(xcb_keysym_t keysym) const {
        xcb_keycode_t* codes = xcb_key_symbols_get_keycode(m_symbols, keysym);
        const xcb_keycode_t code = codes ? codes[0] : 0;
        std::free(codes);
        return code;
    }
    // Ctrl+Alt+Space held for itself.
    bool grabCtrlAltSpace() {
        const xcb_void_cookie_t cookie =
            xcb_grab_key_checked(m_connection, 1, m_root, XCB_MOD_MASK_CONTROL | XCB_MOD_MASK_1,
                                 keycode(XKB_KEY_space), XCB_GRAB_MODE_ASYNC, XCB_GRAB_MODE_ASYNC);
        xcb_generic_error_t* error = xcb_request_check(m_connection, cookie);
        std::free(error);
        return !error;
    }
    // Ctrl+Alt+Space pressed and let go, as a person types it.
    void typeCtrlAltSpace() {
        const xcb_keycode_t keys[] = {keycode(XKB_KEY_Control_L), keycode(XKB_KEY_Alt_L),
                                      keycode(XKB_KEY_space)};
        for (xcb_keycode_t key : keys)
            xcb_test_fake_input(m_connection, XCB_KEY_PRESS, key, XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        for (int i = 2; i >= 0; --i)
            xcb_test_fake_input(m_connection, XCB_KEY_RELEASE, keys[i], XCB_CURRENT_TIME, XCB_NONE, 0, 0, 0);
        xcb_flush(m_connection);
    }

private:
    xcb_connection_t* m_connection;
    xcb_window_t m_root = 0;
    xcb_key_symbols_t* m_symbols = nullptr;
};

class X11HotKeyScenario : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            GTEST_SKIP() << "needs an X server: run under xvfb-run";
        useSessionHotKeys = true;
        defaults().setValue(TDShortcutDefaultPrefix + TDQuickEntryHotKeyIdentifier,
                            QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_Space)},
                                        {QStringLiteral("modifierFlags"), 0x100000 | 0x80000}});
    }
    TDQuickEntryWindow* panel() const { return ordello().quickEntryWindow(); }
};

TEST_F(X11HotKeyScenario, TheGrabbedComboOpensThePanelAndFilesWhatWasTyped) {
    seedLibrary([](LibrarySeed& seed) { seed.task(seed.library().inboxGroup(), QStringLiteral("earlier")); });
    launch();
    ASSERT_NE(ordello().hotKeys().center().hotKeyWithIdentifier(TDQuickEntryHotKeyIdentifier), nullptr);
    EXPECT_EQ(ordello().hotKeys().center().backend()->name(), QStringLiteral("X11"));

    OtherX11Program keyboard;
    keyboard.typeCtrlAltSpace();
    ASSERT_TRUE(testsupport::spinUntil([this] {
        QWidget* focus = QApplication::focusWidget();
        return panel() && panel()->isPanelVisible() && focus && panel()->isAncestorOf(focus);
    })) << focusedWidgetName().toStdString();
    ASSERT_TRUE(
        testsupport::spinUntil([this] { return focusedWidgetName() != QLatin1String("TDTasksView"); }));
    type(QStringLiteral("From the desk"));

    // The same combination again files it.
    keyboard.typeCtrlAltSpace();
    waitForSave();
    EXPECT_TRUE(testsupport::spinUntil([this] { return !panel()->isPanelVisible(); }));
    EXPECT_EQ(storedLibrary().titlesIn(QStringLiteral("Inbox")),
              (QStringList{QStringLiteral("From the desk"), QStringLiteral("earlier")}));
}

TEST_F(X11HotKeyScenario, AComboAnotherProgramHoldsIsLeftToItWithoutACrash) {
    OtherX11Program other;
    ASSERT_TRUE(other.grabCtrlAltSpace());
    launch();
    // Refused by the server: logged, not shown, and nothing is held.
    EXPECT_EQ(ordello().hotKeys().center().hotKeyWithIdentifier(TDQuickEntryHotKeyIdentifier), nullptr);
    EXPECT_TRUE(prompter.shown.isEmpty());
    other.typeCtrlAltSpace();
    settle();
    EXPECT_EQ(panel(), nullptr);
    EXPECT_TRUE(isRunning());
}

}  // namespace
}  // namespace scenario

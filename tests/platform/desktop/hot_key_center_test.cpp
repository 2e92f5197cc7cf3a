#include "platform/desktop/hotkeys/hot_key_center.h"
#include "platform/desktop/hotkeys/hot_key_backends.h"
#include "platform/desktop/hotkeys/key_code_translator.h"
#include "tests/support/gui/fake_hot_key_backend.h"

#include <gtest/gtest.h>

namespace {

using platform::PTHotKey;
using platform::PTHotKeyCenter;
using platform::PTKeyCombo;

constexpr quint64 kCtrlAlt = platform::PTCommandModifier | platform::PTOptionModifier;

struct CenterFixture : ::testing::Test {
    CenterFixture() {
        auto owned = std::make_unique<FakeHotKeyBackend>();
        backend = owned.get();
        center = std::make_unique<PTHotKeyCenter>(std::move(owned));
    }
    PTHotKey hotKey(const QString& identifier, PTKeyCombo combo) {
        PTHotKey key(identifier, combo);
        key.setAction([this](const PTHotKey& fired) { firedIdentifiers.append(fired.identifier()); });
        return key;
    }
    FakeHotKeyBackend* backend = nullptr;
    std::unique_ptr<PTHotKeyCenter> center;
    QStringList firedIdentifiers;
};

TEST_F(CenterFixture, RegistrationAsATable) {
    const PTKeyCombo taken(Qt::Key_T, kCtrlAlt);
    backend->taken.append(taken);
    struct Case {
        const char* what;
        PTKeyCombo combo;
        bool answer;
        bool registered;
        quint32 countAfter;  // numbers handed out so far
    } cases[] = {
        {"a key with modifiers", {Qt::Key_Space, kCtrlAlt}, true, true, 1},
        {"a bare key", {Qt::Key_Space, 0}, true, false, 1},
        {"the clear combo", PTKeyCombo::clearKeyCombo(), true, false, 1},
        {"a negative key code", {-1, kCtrlAlt}, true, false, 1},
        {"a combo another program holds", taken, false, false, 2},
        {"the function flag beside Ctrl",
         {Qt::Key_K, platform::PTFunctionModifier | platform::PTCommandModifier},
         true,
         true,
         3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(center->registerHotKey(hotKey(QStringLiteral("QuickEntry"), c.combo)), c.answer);
        const PTHotKey* found = center->hotKeyWithIdentifier(QStringLiteral("QuickEntry"));
        EXPECT_EQ(found != nullptr, c.registered);
        EXPECT_EQ(center->hotKeyCount(), c.countAfter);
        // Each registration replaces the identifier's earlier one: the desktop holds one grab at most.
        EXPECT_EQ(backend->grabs.size(), c.registered ? 1 : 0);
        if (found) {
            EXPECT_EQ(found->registrationNumber(), c.countAfter);
            EXPECT_EQ(backend->grabs.value(c.countAfter).combo, c.combo);
        }
    }
}

TEST_F(CenterFixture, NumbersAreNeverReused) {
    const PTKeyCombo combo(Qt::Key_Space, kCtrlAlt);
    ASSERT_TRUE(center->registerHotKey(hotKey(QStringLiteral("QuickEntry"), combo)));
    center->unregisterHotKey(QStringLiteral("QuickEntry"));
    EXPECT_TRUE(center->allHotKeys().isEmpty());
    EXPECT_TRUE(backend->grabs.isEmpty());
    ASSERT_TRUE(center->registerHotKey(hotKey(QStringLiteral("QuickEntry"), combo)));
    ASSERT_TRUE(center->registerHotKey(hotKey(QStringLiteral("QuickEntryContext"), {Qt::Key_C, kCtrlAlt})));
    EXPECT_EQ(backend->requestedNumbers, (QList<quint64>{1, 2, 3}));
    EXPECT_EQ(center->hotKeyWithIdentifier(QStringLiteral("QuickEntry"))->registrationNumber(), 2u);
}

TEST_F(CenterFixture, PressesReachTheHotKeyOfTheirNumberOnly) {
    ASSERT_TRUE(center->registerHotKey(hotKey(QStringLiteral("QuickEntry"), {Qt::Key_Space, kCtrlAlt})));
    ASSERT_TRUE(center->registerHotKey(hotKey(QStringLiteral("QuickEntryContext"), {Qt::Key_C, kCtrlAlt})));
    EXPECT_TRUE(backend->press({Qt::Key_C, kCtrlAlt}, 4711));
    EXPECT_EQ(firedIdentifiers, QStringList{QStringLiteral("QuickEntryContext")});
    EXPECT_EQ(center->lastEventTimestamp(), 4711u);
    // A release, an unknown number and a number that was unregistered do nothing.
    backend->sendRaw(1, false);
    backend->sendRaw(99, true);
    center->unregisterHotKey(QStringLiteral("QuickEntry"));
    backend->sendRaw(1, true);
    EXPECT_EQ(firedIdentifiers.size(), 1);
    EXPECT_EQ(center->hotKeyWithIdentifier(QString()), nullptr);
}

TEST_F(CenterFixture, AHotKeyMayReplaceItselfWhenFired) {
    PTHotKey key(QStringLiteral("QuickEntry"), {Qt::Key_Space, kCtrlAlt});
    key.setAction([this](const PTHotKey& fired) {
        center->registerHotKey(hotKey(fired.identifier(), {Qt::Key_N, kCtrlAlt}));
    });
    ASSERT_TRUE(center->registerHotKey(key));
    EXPECT_TRUE(backend->press({Qt::Key_Space, kCtrlAlt}));
    EXPECT_FALSE(backend->press({Qt::Key_Space, kCtrlAlt}));
    EXPECT_TRUE(backend->press({Qt::Key_N, kCtrlAlt}));
}

TEST(KeyComboTest, PropertyListsAndModifiers) {
    struct Case {
        QVariantMap plist;
        PTKeyCombo combo;
    } cases[] = {
        {{}, PTKeyCombo::clearKeyCombo()},
        {{{QStringLiteral("keyCode"), 32}, {QStringLiteral("modifiers"), 0x900}}, {32, 0x900}},
        {{{QStringLiteral("keyCode"), -7}, {QStringLiteral("modifiers"), 0}}, PTKeyCombo::clearKeyCombo()},
        {{{QStringLiteral("keyCode"), 65}, {QStringLiteral("modifiers"), -3}}, {65, ~quint64(0)}},
    };
    for (const Case& c : cases) EXPECT_EQ(PTKeyCombo::fromPlistRepresentation(c.plist), c.combo);
    const PTKeyCombo combo(Qt::Key_Space, 0x1900);
    EXPECT_EQ(PTKeyCombo::fromPlistRepresentation(combo.plistRepresentation()), combo);

    EXPECT_EQ(platform::PTModifiersFromFlags(0x100000 | 0x80000 | 0x40000 | 0x20000 | 0x800000 | 0x10000),
              quint64(0x100 | 0x800 | 0x1000 | 0x200 | 0x800000));
    EXPECT_EQ(PTKeyCombo(Qt::Key_A, 0x100 | 0x200 | 0x800000).modifierMask(), quint64(0x100000 | 0x20000));
    EXPECT_EQ(PTKeyCombo::clearKeyCombo().modifierMask(), 0u);
}

TEST(KeyComboTest, DescriptionsInLinuxWords) {
    struct Case {
        PTKeyCombo combo;
        const char* text;
    } cases[] = {
        {{Qt::Key_Space, kCtrlAlt}, "Ctrl+Alt+Space"},
        {{Qt::Key_A, 0x200 | 0x1000 | 0x800 | 0x100}, "Ctrl+Alt+Meta+Shift+A"},
        {{Qt::Key_F5, platform::PTControlModifier}, "Meta+F5"},
        {{Qt::Key_Return, platform::PTShiftModifier}, "Shift+Return"},
        {{Qt::Key_5, platform::PTCommandModifier}, "Ctrl+5"},
        {{Qt::Key_Space, 0}, "(None)"},
        {PTKeyCombo::clearKeyCombo(), "(None)"},
    };
    for (const Case& c : cases) EXPECT_EQ(c.combo.description(), QLatin1String(c.text));
    EXPECT_EQ(PTKeyCombo::clearKeyCombo().keyCodeString(), QString());
    EXPECT_EQ(platform::PTKeyCodeTranslator::currentTranslator().translateKeyCode(0xe9), QStringLiteral("É"));
}

}  // namespace

namespace {

TEST(HotKeySessionTest, TheSessionChoosesTheBackendNotQtsPlugin) {
    struct Case {
        const char* sessionType;
        const char* waylandDisplay;
        platform::HotKeySession session;
    } cases[] = {
        {"x11", "wayland-0", platform::HotKeySession::X11},
        {"wayland", "wayland-0", platform::HotKeySession::Wayland},
        {"", "wayland-0", platform::HotKeySession::Wayland},
        {"", "", platform::HotKeySession::X11},
        {"tty", "", platform::HotKeySession::X11},
    };
    for (const Case& c : cases) {
        QProcessEnvironment environment;
        if (*c.sessionType)
            environment.insert(QStringLiteral("XDG_SESSION_TYPE"), QLatin1String(c.sessionType));
        if (*c.waylandDisplay)
            environment.insert(QStringLiteral("WAYLAND_DISPLAY"), QLatin1String(c.waylandDisplay));
        EXPECT_EQ(platform::hotKeySession(environment), c.session)
            << c.sessionType << " " << c.waylandDisplay;
    }
}

}  // namespace

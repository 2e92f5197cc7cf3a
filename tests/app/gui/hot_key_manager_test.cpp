#include "app/gui/hot_key_manager.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/gui/fake_hot_key_backend.h"
#include "tests/support/test_environment.h"

#include <gtest/gtest.h>

namespace {

using platform::PTKeyCombo;

constexpr quint64 kCtrlAltFlags = platform::TDCommandKeyFlag | platform::TDOptionKeyFlag;
constexpr quint64 kCtrlAlt = platform::PTCommandModifier | platform::PTOptionModifier;

QVariantMap stored(int keyCode, quint64 flags) {
    return {{QStringLiteral("keyCode"), keyCode}, {QStringLiteral("modifierFlags"), qint64(flags)}};
}

class HotKeyManagerTest : public testsupport::TempFoldersTest {
protected:
    std::unique_ptr<TDHotKeyManager> makeManager() {
        auto owned = std::make_unique<FakeHotKeyBackend>();
        backend = owned.get();
        auto manager = std::make_unique<TDHotKeyManager>(std::move(owned), defaults());
        manager->setTarget([this](const platform::PTHotKey& key) { fired.append(key.identifier()); });
        return manager;
    }
    QList<PTKeyCombo> grabbed() const {
        QList<PTKeyCombo> combos;
        for (const FakeHotKeyBackend::Grab& grab : backend->grabs) combos.append(grab.combo);
        return combos;
    }
    FakeHotKeyBackend* backend = nullptr;
    QStringList fired;
};

TEST_F(HotKeyManagerTest, AFreshInstallationRegistersNothing) {
    defaults().setValue(QStringLiteral("quickEntryHelpVisible"), true);
    const auto manager = makeManager();
    EXPECT_TRUE(manager->center().allHotKeys().isEmpty());
    EXPECT_TRUE(backend->requestedNumbers.isEmpty());
}

TEST_F(HotKeyManagerTest, StoredShortcutsRegisterAtStartAndFireByIdentifier) {
    defaults().setValue(QStringLiteral("ShortcutRecorder QuickEntry"), stored(Qt::Key_Space, kCtrlAltFlags));
    defaults().setValue(QStringLiteral("ShortcutRecorder QuickEntryContext"),
                        QVariantMap{{QStringLiteral("keyCode"), Qt::Key_X},
                                    {QStringLiteral("modifierFlags"), 0},
                                    {QStringLiteral("keySequence"), QStringLiteral("Ctrl+Shift+C")}});
    // Any identifier is registered; only the target decides what it does.
    defaults().setValue(QStringLiteral("ShortcutRecorder Other"),
                        stored(Qt::Key_O, platform::TDControlKeyFlag));
    defaults().setValue(QStringLiteral("ShortcutRecorder Bare"), stored(Qt::Key_B, 0));
    const auto manager = makeManager();
    EXPECT_EQ(manager->center().allHotKeys().size(), 3);

    EXPECT_TRUE(backend->press({Qt::Key_C, platform::PTCommandModifier | platform::PTShiftModifier}));
    EXPECT_TRUE(backend->press({Qt::Key_Space, kCtrlAlt}));
    EXPECT_TRUE(backend->press({Qt::Key_O, platform::PTControlModifier}));
    EXPECT_FALSE(backend->press({Qt::Key_B, 0}));
    EXPECT_EQ(fired, (QStringList{QStringLiteral("QuickEntryContext"), QStringLiteral("QuickEntry"),
                                  QStringLiteral("Other")}));
}

TEST_F(HotKeyManagerTest, AStoredChangeTakesEffectAtOnce) {
    const QString key = QStringLiteral("ShortcutRecorder QuickEntry");
    const auto manager = makeManager();
    struct Step {
        const char* what;
        QVariant value;
        QList<PTKeyCombo> held;
    } steps[] = {
        {"recorded", stored(Qt::Key_Space, kCtrlAltFlags), {{Qt::Key_Space, kCtrlAlt}}},
        {"changed",
         stored(Qt::Key_E, platform::TDControlKeyFlag),
         {{Qt::Key_E, platform::PTControlModifier}}},
        {"cleared with -1", stored(-1, kCtrlAltFlags), {}},
        {"recorded again", stored(Qt::Key_Space, kCtrlAltFlags), {{Qt::Key_Space, kCtrlAlt}}},
        {"removed by a reset", QVariant(), {}},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.what);
        if (step.value.isValid())
            defaults().setValue(key, step.value);
        else
            defaults().removeValue(key);
        EXPECT_EQ(grabbed(), step.held);
    }
}

TEST_F(HotKeyManagerTest, SuspendingReleasesTheCombinationsUntilResumed) {
    defaults().setValue(QStringLiteral("ShortcutRecorder QuickEntry"), stored(Qt::Key_Space, kCtrlAltFlags));
    const auto manager = makeManager();
    manager->setSuspended(true);
    EXPECT_TRUE(backend->grabs.isEmpty());
    // Recorded while suspended: held from the moment recording ends.
    defaults().setValue(QStringLiteral("ShortcutRecorder QuickEntry"), stored(Qt::Key_Q, kCtrlAltFlags));
    EXPECT_TRUE(backend->grabs.isEmpty());
    manager->setSuspended(false);
    EXPECT_EQ(grabbed(), (QList<PTKeyCombo>{{Qt::Key_Q, kCtrlAlt}}));
}

}  // namespace

#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QCoreApplication>
#include <QFile>
#include <QSignalSpy>

namespace {

class UserDefaultsTest : public testsupport::TempFoldersTest {};

TEST_F(UserDefaultsTest, RegisteredValuesAnswerButAreNeverWritten) {
    const QString path = tempPath() + QStringLiteral("/conf/test.conf");
    {
        platform::UserDefaults d(path);
        d.registerDefaults({{QStringLiteral("libraryAutosaveDelay"), 3.0},
                            {QStringLiteral("showBadge"), true},
                            {QStringLiteral("firstWeekday"), 1}});
        EXPECT_EQ(d.real(QStringLiteral("libraryAutosaveDelay")), 3.0);
        EXPECT_TRUE(d.boolean(QStringLiteral("showBadge")));
        EXPECT_FALSE(d.hasStoredValue(QStringLiteral("showBadge")));
        d.setValue(QStringLiteral("firstWeekday"), 2);
        d.synchronize();
    }
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QByteArray text = f.readAll();
    EXPECT_TRUE(text.contains("firstWeekday"));
    EXPECT_FALSE(text.contains("libraryAutosaveDelay"));
    EXPECT_FALSE(text.contains("showBadge"));
}

TEST_F(UserDefaultsTest, StoredValuesKeepTheRegisteredTypeAcrossReopening) {
    const QString path = tempPath() + QStringLiteral("/conf/typed.conf");
    {
        platform::UserDefaults d(path);
        d.setValue(QStringLiteral("secondsPerDay"), 27000.5);
        d.setValue(QStringLiteral("hideCompleted"), false);
    }
    platform::UserDefaults d(path);
    d.registerDefaults({{QStringLiteral("secondsPerDay"), 28800.0}, {QStringLiteral("hideCompleted"), true}});
    EXPECT_EQ(d.value(QStringLiteral("secondsPerDay")).metaType().id(), QMetaType::Double);
    EXPECT_EQ(d.real(QStringLiteral("secondsPerDay")), 27000.5);
    EXPECT_FALSE(d.boolean(QStringLiteral("hideCompleted")));
    d.removeValue(QStringLiteral("hideCompleted"));
    EXPECT_TRUE(d.boolean(QStringLiteral("hideCompleted")));
}

TEST_F(UserDefaultsTest, AWholeNumberSettingHoldingAFractionCountsItsIntegerPart) {
    const QString path = tempPath() + QStringLiteral("/conf/whole.conf");
    const QVariantMap registered{{QStringLiteral("secondsPerDay"), 28800}, {QStringLiteral("offset"), 0}};
    {
        platform::UserDefaults d(path);
        d.registerDefaults(registered);
        d.setValue(QStringLiteral("secondsPerDay"), 27000.7);
        d.setValue(QStringLiteral("offset"), -2.5);
        EXPECT_EQ(d.integer(QStringLiteral("secondsPerDay")), 27000);
        EXPECT_EQ(d.value(QStringLiteral("secondsPerDay")).metaType().id(), QMetaType::Int);
        EXPECT_EQ(d.integer(QStringLiteral("offset")), -2);
    }
    // Read back from the file, the values are text.
    platform::UserDefaults d(path);
    d.registerDefaults(registered);
    EXPECT_EQ(d.integer(QStringLiteral("secondsPerDay")), 27000);
    EXPECT_EQ(d.integer(QStringLiteral("offset")), -2);
    d.setValue(QStringLiteral("offset"), QStringLiteral("not a number"));
    EXPECT_EQ(d.value(QStringLiteral("offset")), QVariant(QStringLiteral("not a number")));
}

TEST_F(UserDefaultsTest, ChangesReachTheFileInTheirOrderWhileWritesRunBesideThem) {
    const QString path = tempPath() + QStringLiteral("/conf/behind.conf");
    {
        platform::UserDefaults d(path);
        // Each turn of the event loop sets a write going; the next changes come while it runs.
        for (int i = 0; i < 40; ++i) {
            d.setValue(QStringLiteral("counter"), i);
            d.setValue(QStringLiteral("slot%1").arg(i % 4), i);
            if (i % 7 == 3) d.removeValue(QStringLiteral("slot0"));
            QCoreApplication::processEvents();
        }
    }
    platform::UserDefaults d(path);
    EXPECT_EQ(d.integer(QStringLiteral("counter")), 39);
    EXPECT_FALSE(d.hasStoredValue(QStringLiteral("slot0")));  // set last at 36, removed at 38
    EXPECT_EQ(d.integer(QStringLiteral("slot1")), 37);
    EXPECT_EQ(d.integer(QStringLiteral("slot2")), 38);
    EXPECT_EQ(d.integer(QStringLiteral("slot3")), 39);
}

TEST_F(UserDefaultsTest, EachChangeIsSignalledWithTheEffectiveValue) {
    platform::UserDefaults d(tempPath() + QStringLiteral("/conf/signals.conf"));
    d.registerDefaults({{QStringLiteral("logLevel2"), 3}});
    QSignalSpy spy(&d, &platform::UserDefaults::valueChanged);
    d.setValue(QStringLiteral("logLevel2"), 4);
    d.removeValue(QStringLiteral("logLevel2"));
    ASSERT_EQ(spy.count(), 2);
    EXPECT_EQ(spy.at(0).at(1).toInt(), 4);
    EXPECT_EQ(spy.at(1).at(1).toInt(), 3);
}

}  // namespace

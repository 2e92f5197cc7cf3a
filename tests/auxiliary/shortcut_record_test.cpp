#include "auxiliary/shortcut_record.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

namespace {

using ShortcutRecordTest = testsupport::TempFoldersTest;

TEST_F(ShortcutRecordTest, AShortcutIsStoredInBothFormsAndReadBackAfterARestart) {
    const struct {
        QKeySequence recorded;
        qlonglong keyCode;
        qlonglong flags;
        QString text;
    } cases[] = {
        {QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_Space), Qt::Key_Space, 0x180000,
         QStringLiteral("Ctrl+Alt+Space")},
        {QKeySequence(Qt::META | Qt::SHIFT | Qt::Key_E), Qt::Key_E, 0x60000, QStringLiteral("Meta+Shift+E")},
        {QKeySequence(QKeyCombination(Qt::CTRL | Qt::Key_F5), QKeyCombination(Qt::Key_A)), Qt::Key_F5,
         0x100000, QStringLiteral("Ctrl+F5")},
        {QKeySequence(), -1, 0, QString()},
    };
    for (const auto& entry : cases) {
        TDWriteShortcutRecord(defaults(), TDQuickEntryHotKey,
                              TDShortcutRecord::fromKeySequence(entry.recorded));
        defaults().synchronize();
        const platform::UserDefaults reread(defaults().filePath());
        const QVariantMap stored = reread.value(TDShortcutRecordKey(TDQuickEntryHotKey)).toMap();
        EXPECT_EQ(stored.value(QStringLiteral("keyCode")).toLongLong(), entry.keyCode)
            << entry.text.toStdString();
        EXPECT_EQ(stored.value(QStringLiteral("modifierFlags")).toLongLong(), entry.flags)
            << entry.text.toStdString();
        EXPECT_EQ(stored.value(QStringLiteral("keySequence")).toString(), entry.text);
        EXPECT_EQ(TDReadShortcutRecord(reread, TDQuickEntryHotKey)
                      .keySequence()
                      .toString(QKeySequence::PortableText),
                  entry.text);
    }
    EXPECT_EQ(TDStoredShortcutIdentifiers(defaults()), QStringList{TDQuickEntryHotKey});
}

TEST_F(ShortcutRecordTest, TheKeySequenceWinsAndTheNumbersServeWithoutIt) {
    const struct {
        QVariant stored;
        QString read;
    } cases[] = {
        {QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_A)},
                     {QStringLiteral("modifierFlags"), 0x100000},
                     {QStringLiteral("keySequence"), QStringLiteral("Alt+B")}},
         QStringLiteral("Alt+B")},
        {QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_A)},
                     {QStringLiteral("modifierFlags"), 0x120000}},
         QStringLiteral("Ctrl+Shift+A")},
        {QVariantMap{{QStringLiteral("keyCode"), int(Qt::Key_A)},
                     {QStringLiteral("modifierFlags"), 0x100000},
                     {QStringLiteral("keySequence"), QStringLiteral("no such key")}},
         QStringLiteral("Ctrl+A")},
        {QVariantMap{{QStringLiteral("keyCode"), -1}, {QStringLiteral("modifierFlags"), 0x100000}},
         QString()},
        {QVariantMap{{QStringLiteral("keyCode"), QStringLiteral("seven")}}, QString()},
        {QStringLiteral("Ctrl+A"), QString()},
    };
    for (const auto& entry : cases) {
        const TDShortcutRecord record = TDShortcutRecord::fromStoredValue(entry.stored);
        EXPECT_EQ(record.keySequence().toString(QKeySequence::PortableText), entry.read)
            << entry.read.toStdString();
        EXPECT_EQ(record.isClear(), entry.read.isEmpty());
    }
}

TEST_F(ShortcutRecordTest, OnlyAKeyWithAModifierIsAValidHotKey) {
    EXPECT_TRUE(TDShortcutRecord::fromKeyCombination(Qt::CTRL | Qt::Key_Space).isValidHotKeyCombo());
    EXPECT_TRUE(TDShortcutRecord::fromKeyCombination(Qt::SHIFT | Qt::Key_F2).isValidHotKeyCombo());
    EXPECT_FALSE(TDShortcutRecord::fromKeyCombination(QKeyCombination(Qt::Key_A)).isValidHotKeyCombo());
    EXPECT_FALSE(TDShortcutRecord().isValidHotKeyCombo());
}

}  // namespace

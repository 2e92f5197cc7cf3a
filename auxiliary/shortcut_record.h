#pragma once

#include <QKeyCombination>
#include <QKeySequence>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <cstdint>

namespace platform {
class UserDefaults;
}

// A global shortcut as the settings keep it, under "ShortcutRecorder " + the hot key's identifier
// ("QuickEntry"): {"keyCode": the Qt::Key of its one chord, -1 for none; "modifierFlags": Ctrl
// 0x100000, Alt 0x80000, Meta 0x40000, Shift 0x20000; "keySequence": the chord's portable text}.
// Reading, a readable "keySequence" wins over the two numbers, so a hand-edited file may give only it.
struct TDShortcutRecord {
    static constexpr std::int64_t kControlFlag = 0x100000;
    static constexpr std::int64_t kAltFlag = 0x80000;
    static constexpr std::int64_t kMetaFlag = 0x40000;
    static constexpr std::int64_t kShiftFlag = 0x20000;

    std::int64_t keyCode = -1;
    std::int64_t modifierFlags = 0;

    // The first chord of the sequence; none for an empty one.
    static TDShortcutRecord fromKeySequence(const QKeySequence& sequence);
    static TDShortcutRecord fromKeyCombination(QKeyCombination combination);
    // A stored value; none for anything that is not a readable record.
    static TDShortcutRecord fromStoredValue(const QVariant& value);
    QVariantMap storedValue() const;

    bool isClear() const { return keyCode < 0; }
    // A key with at least one modifier: a bare key cannot be a global shortcut.
    bool isValidHotKeyCombo() const { return keyCode >= 0 && qtModifiers() != Qt::NoModifier; }
    Qt::KeyboardModifiers qtModifiers() const;
    QKeyCombination keyCombination() const;
    // Empty for none.
    QKeySequence keySequence() const;

    friend bool operator==(const TDShortcutRecord&, const TDShortcutRecord&) = default;
};

inline const QString TDShortcutRecordKeyPrefix = QStringLiteral("ShortcutRecorder ");
inline const QString TDQuickEntryHotKey = QStringLiteral("QuickEntry");
inline const QString TDQuickEntryContextHotKey = QStringLiteral("QuickEntryContext");

// The settings key of the hot key's shortcut.
QString TDShortcutRecordKey(const QString& identifier);
// The identifiers that have a stored shortcut, in the settings' order.
QStringList TDStoredShortcutIdentifiers(const platform::UserDefaults& defaults);
TDShortcutRecord TDReadShortcutRecord(const platform::UserDefaults& defaults, const QString& identifier);
void TDWriteShortcutRecord(platform::UserDefaults& defaults, const QString& identifier,
                           const TDShortcutRecord& record);

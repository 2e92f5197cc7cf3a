#include "auxiliary/shortcut_record.h"

#include "platform/defaults/user_defaults.h"

#include <optional>

namespace {

const QString kKeyCode = QStringLiteral("keyCode");
const QString kModifierFlags = QStringLiteral("modifierFlags");
const QString kKeySequence = QStringLiteral("keySequence");

constexpr struct {
    Qt::KeyboardModifier qt;
    std::int64_t flag;
} kModifiers[] = {{Qt::ControlModifier, TDShortcutRecord::kControlFlag},
                  {Qt::AltModifier, TDShortcutRecord::kAltFlag},
                  {Qt::MetaModifier, TDShortcutRecord::kMetaFlag},
                  {Qt::ShiftModifier, TDShortcutRecord::kShiftFlag}};

std::optional<std::int64_t> integer(const QVariant& value) {
    bool ok = false;
    const qlonglong number = value.toLongLong(&ok);
    return ok ? std::optional<std::int64_t>(number) : std::nullopt;
}

}  // namespace

TDShortcutRecord TDShortcutRecord::fromKeySequence(const QKeySequence& sequence) {
    if (sequence.isEmpty()) return {};
    return fromKeyCombination(sequence[0]);
}

TDShortcutRecord TDShortcutRecord::fromKeyCombination(QKeyCombination combination) {
    const Qt::Key key = combination.key();
    if (key == Qt::Key_unknown || key == 0) return {};
    TDShortcutRecord record;
    record.keyCode = key;
    for (const auto& modifier : kModifiers)
        if (combination.keyboardModifiers().testFlag(modifier.qt)) record.modifierFlags |= modifier.flag;
    return record;
}

TDShortcutRecord TDShortcutRecord::fromStoredValue(const QVariant& value) {
    const QVariantMap stored = value.toMap();
    const QString text = stored.value(kKeySequence).toString();
    if (!text.isEmpty()) {
        const TDShortcutRecord fromText =
            fromKeySequence(QKeySequence::fromString(text, QKeySequence::PortableText));
        if (!fromText.isClear()) return fromText;
    }
    const std::optional<std::int64_t> keyCode = integer(stored.value(kKeyCode));
    const std::optional<std::int64_t> flags = integer(stored.value(kModifierFlags));
    if (!keyCode || *keyCode < 0) return {};
    TDShortcutRecord record;
    record.keyCode = *keyCode;
    record.modifierFlags = flags.value_or(0);
    return record;
}

QVariantMap TDShortcutRecord::storedValue() const {
    return {{kKeyCode, qlonglong(isClear() ? -1 : keyCode)},
            {kModifierFlags, qlonglong(isClear() ? 0 : modifierFlags)},
            {kKeySequence, keySequence().toString(QKeySequence::PortableText)}};
}

Qt::KeyboardModifiers TDShortcutRecord::qtModifiers() const {
    Qt::KeyboardModifiers modifiers;
    for (const auto& modifier : kModifiers)
        if (modifierFlags & modifier.flag) modifiers |= modifier.qt;
    return modifiers;
}

QKeyCombination TDShortcutRecord::keyCombination() const {
    if (isClear()) return QKeyCombination();
    return QKeyCombination(qtModifiers(), Qt::Key(keyCode));
}

QKeySequence TDShortcutRecord::keySequence() const {
    return isClear() ? QKeySequence() : QKeySequence(keyCombination());
}

QString TDShortcutRecordKey(const QString& identifier) {
    return TDShortcutRecordKeyPrefix + identifier;
}

QStringList TDStoredShortcutIdentifiers(const platform::UserDefaults& defaults) {
    QStringList identifiers;
    for (const QString& key : defaults.storedKeys())
        if (key.startsWith(TDShortcutRecordKeyPrefix))
            identifiers << key.mid(TDShortcutRecordKeyPrefix.size());
    return identifiers;
}

TDShortcutRecord TDReadShortcutRecord(const platform::UserDefaults& defaults, const QString& identifier) {
    return TDShortcutRecord::fromStoredValue(defaults.value(TDShortcutRecordKey(identifier)));
}

void TDWriteShortcutRecord(platform::UserDefaults& defaults, const QString& identifier,
                           const TDShortcutRecord& record) {
    defaults.setValue(TDShortcutRecordKey(identifier), record.storedValue());
}

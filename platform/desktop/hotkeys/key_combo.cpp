#include "platform/desktop/hotkeys/key_combo.h"

#include "platform/desktop/hotkeys/key_code_translator.h"

#include <QCoreApplication>

namespace platform {

namespace {
struct ModifierRow {
    quint64 flag;
    quint64 modifier;
    const char* name;
};
// In the order descriptions name them.
constexpr ModifierRow kModifierRows[] = {
    {TDCommandKeyFlag, PTCommandModifier, "Ctrl"},
    {TDOptionKeyFlag, PTOptionModifier, "Alt"},
    {TDControlKeyFlag, PTControlModifier, "Meta"},
    {TDShiftKeyFlag, PTShiftModifier, "Shift"},
};
}  // namespace

quint64 PTModifiersFromFlags(quint64 flags) {
    quint64 modifiers = flags & TDFunctionKeyFlag;
    for (const ModifierRow& row : kModifierRows)
        if (flags & row.flag) modifiers |= row.modifier;
    return modifiers;
}

PTKeyCombo PTKeyCombo::fromPlistRepresentation(const QVariantMap& plist) {
    if (plist.isEmpty()) return clearKeyCombo();
    qint64 keyCode = plist.value(QStringLiteral("keyCode")).toLongLong();
    const qint64 read = plist.value(QStringLiteral("modifiers")).toLongLong();
    if (keyCode < -1) keyCode = -1;
    return {keyCode, read < 1 ? ~quint64(0) : quint64(read)};
}

QVariantMap PTKeyCombo::plistRepresentation() const {
    return {{QStringLiteral("keyCode"), m_keyCode}, {QStringLiteral("modifiers"), qint64(m_modifiers)}};
}

quint64 PTKeyCombo::modifierMask() const {
    if (isClearCombo()) return 0;
    quint64 flags = 0;
    for (const ModifierRow& row : kModifierRows)
        if (m_modifiers & row.modifier) flags |= row.flag;
    return flags;
}

QString PTKeyCombo::keyCodeString() const {
    if (isClearCombo()) return {};
    return PTKeyCodeTranslator::currentTranslator().translateKeyCode(m_keyCode);
}

QString PTKeyCombo::description() const {
    if (!isValidHotKeyCombo()) return QCoreApplication::translate("PTKeyCombo", "(None)");
    return PTModifierDescription(m_modifiers) + keyCodeString();
}

QString PTModifierDescription(quint64 modifiers) {
    QString text;
    for (const ModifierRow& row : kModifierRows)
        if (modifiers & row.modifier) text += QLatin1String(row.name) + QLatin1Char('+');
    return text;
}

}  // namespace platform

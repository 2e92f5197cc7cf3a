#pragma once

#include <QString>
#include <QVariantMap>

namespace platform {

// Modifier flags as the stored shortcuts carry them.
inline constexpr quint64 TDCommandKeyFlag = 0x100000;  // Ctrl
inline constexpr quint64 TDOptionKeyFlag = 0x80000;    // Alt
inline constexpr quint64 TDControlKeyFlag = 0x40000;   // Meta
inline constexpr quint64 TDShiftKeyFlag = 0x20000;
inline constexpr quint64 TDFunctionKeyFlag = 0x800000;

// The modifier mask a hot key is registered with.
inline constexpr quint64 PTCommandModifier = 0x100;
inline constexpr quint64 PTOptionModifier = 0x800;
inline constexpr quint64 PTControlModifier = 0x1000;
inline constexpr quint64 PTShiftModifier = 0x200;
// Passed through unchanged; no desktop here has a modifier for it.
inline constexpr quint64 PTFunctionModifier = 0x800000;

// Stored flags to the registered mask; other bits are dropped.
quint64 PTModifiersFromFlags(quint64 flags);

// One key with its modifiers. The key code is a Qt::Key; the clear combo has both fields all bits set.
class PTKeyCombo {
public:
    static PTKeyCombo clearKeyCombo() { return {}; }
    PTKeyCombo() = default;
    PTKeyCombo(qint64 keyCode, quint64 modifiers) : m_keyCode(keyCode), m_modifiers(modifiers) {}
    // A missing or empty dictionary gives the clear combo; a key code below -1 reads as -1, modifiers
    // below 1 as all bits.
    static PTKeyCombo fromPlistRepresentation(const QVariantMap& plist);
    QVariantMap plistRepresentation() const;

    qint64 keyCode() const { return m_keyCode; }
    quint64 modifiers() const { return m_modifiers; }
    // A key with at least one modifier: a bare key is never taken from every other program.
    bool isValidHotKeyCombo() const { return m_keyCode >= 0 && m_modifiers != 0; }
    bool isClearCombo() const { return m_keyCode == -1 && m_modifiers == ~quint64(0); }
    // The stored flags of the four named modifiers; 0 for the clear combo.
    quint64 modifierMask() const;
    // The key's name in the current keyboard layout; empty for the clear combo.
    QString keyCodeString() const;
    // "Ctrl+Alt+Space"; "(None)" for a combo that is not valid.
    QString description() const;

    bool operator==(const PTKeyCombo& other) const = default;

private:
    qint64 m_keyCode = -1;
    quint64 m_modifiers = ~quint64(0);
};

// "Ctrl+Alt+Meta+Shift+" for the modifiers held, in that order.
QString PTModifierDescription(quint64 modifiers);

}  // namespace platform

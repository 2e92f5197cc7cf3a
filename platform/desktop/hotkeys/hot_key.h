#pragma once

#include "platform/desktop/hotkeys/key_combo.h"

#include <QString>

#include <functional>
#include <optional>

namespace platform {

// One global hot key: its name in the system, the combination, and what it does when pressed.
class PTHotKey {
public:
    using Action = std::function<void(const PTHotKey&)>;

    PTHotKey() = default;
    PTHotKey(QString identifier, PTKeyCombo combo) : m_identifier(std::move(identifier)), m_combo(combo) {}

    const QString& identifier() const { return m_identifier; }
    const QString& name() const { return m_name; }
    void setName(const QString& name) { m_name = name; }
    const PTKeyCombo& keyCombo() const { return m_combo; }
    // Setting none stores the clear combo.
    void setKeyCombo(const std::optional<PTKeyCombo>& combo) { m_combo = combo.value_or(PTKeyCombo()); }
    void setAction(Action action) { m_action = std::move(action); }
    // 0 while not registered.
    quint64 registrationNumber() const { return m_registrationNumber; }
    void setRegistrationNumber(quint64 number) { m_registrationNumber = number; }
    // Calls the action with this hot key.
    void invoke() const;
    // "<PTHotKey: QuickEntry, Ctrl+Alt+Space>"
    QString description() const;

private:
    QString m_identifier;
    QString m_name;
    PTKeyCombo m_combo;
    Action m_action;
    quint64 m_registrationNumber = 0;
};

}  // namespace platform

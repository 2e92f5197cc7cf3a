#pragma once

#include "platform/desktop/hotkeys/key_combo.h"

#include <QString>

#include <functional>

namespace platform {

// What registers a key combination with the desktop and reports its presses. The hot-key center keeps
// the numbers; a backend only maps each number to its own grab or binding.
class HotKeyBackend {
public:
    // Pressed (true) or released (false), with the desktop's time of the key event (0 when unknown).
    using EventHandler = std::function<void(quint64 number, bool pressed, quint32 timestamp)>;

    virtual ~HotKeyBackend() = default;
    // Where presses go; set once by the center.
    void setEventHandler(EventHandler handler) { m_handler = std::move(handler); }
    // False when the desktop refuses the combination (another program holds it); the reason is logged.
    virtual bool registerHotKey(quint64 number, const QString& identifier, const PTKeyCombo& combo) = 0;
    virtual void unregisterHotKey(quint64 number) = 0;
    // A short name for the log ("X11", "portal").
    virtual QString name() const = 0;

protected:
    void deliver(quint64 number, bool pressed, quint32 timestamp) const {
        if (m_handler) m_handler(number, pressed, timestamp);
    }

private:
    EventHandler m_handler;
};

}  // namespace platform

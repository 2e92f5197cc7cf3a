#pragma once

#include "platform/desktop/hotkeys/hot_key.h"
#include "platform/desktop/hotkeys/hot_key_backend.h"

#include <QList>
#include <QMap>

#include <memory>

namespace platform {

// Owns the registrations with the desktop and dispatches their presses. Registration numbers start at
// 1 and are never reused, not even after a refusal. Main thread only.
class PTHotKeyCenter {
public:
    // No backend: nothing reaches the desktop, registrations of valid combos fail.
    explicit PTHotKeyCenter(std::unique_ptr<HotKeyBackend> backend);
    ~PTHotKeyCenter();

    HotKeyBackend* backend() const { return m_backend.get(); }
    // Registers a copy of the hot key (replacing an earlier registration of the same identifier's copy
    // held here). A combo that is not valid registers nothing and answers true.
    bool registerHotKey(const PTHotKey& hotKey);
    // Ends the registration of the hot key with this identifier, if any.
    void unregisterHotKey(const QString& identifier);
    QList<PTHotKey> allHotKeys() const { return m_hotKeys.values(); }
    // The first registered hot key with the identifier; none for an empty identifier.
    const PTHotKey* hotKeyWithIdentifier(const QString& identifier) const;
    // The number handed out last (0 before the first).
    quint32 hotKeyCount() const { return m_hotKeyCount; }
    // The time of the key event that fired the last hot key (0 when the backend does not know it).
    quint32 lastEventTimestamp() const { return m_lastTimestamp; }

    // A backend's report: a press invokes the hot key of that number; a release and an unknown number
    // do nothing.
    void sendHotKeyEvent(quint64 number, bool pressed, quint32 timestamp);

private:
    std::unique_ptr<HotKeyBackend> m_backend;
    QMap<quint64, PTHotKey> m_hotKeys;
    quint32 m_hotKeyCount = 0;
    quint32 m_lastTimestamp = 0;
};

}  // namespace platform

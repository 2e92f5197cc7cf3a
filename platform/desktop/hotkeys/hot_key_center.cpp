#include "platform/desktop/hotkeys/hot_key_center.h"

namespace platform {

PTHotKeyCenter::PTHotKeyCenter(std::unique_ptr<HotKeyBackend> backend) : m_backend(std::move(backend)) {
    if (m_backend)
        m_backend->setEventHandler([this](quint64 number, bool pressed, quint32 timestamp) {
            sendHotKeyEvent(number, pressed, timestamp);
        });
}

PTHotKeyCenter::~PTHotKeyCenter() {
    if (!m_backend) return;
    for (quint64 number : m_hotKeys.keys()) m_backend->unregisterHotKey(number);
    m_backend->setEventHandler(nullptr);
}

bool PTHotKeyCenter::registerHotKey(const PTHotKey& hotKey) {
    unregisterHotKey(hotKey.identifier());
    if (!hotKey.keyCombo().isValidHotKeyCombo()) return true;
    const quint64 number = ++m_hotKeyCount;
    if (!m_backend || !m_backend->registerHotKey(number, hotKey.identifier(), hotKey.keyCombo()))
        return false;
    PTHotKey& registered = m_hotKeys[number] = hotKey;
    registered.setRegistrationNumber(number);
    return true;
}

void PTHotKeyCenter::unregisterHotKey(const QString& identifier) {
    const PTHotKey* hotKey = hotKeyWithIdentifier(identifier);
    if (!hotKey) return;
    const quint64 number = hotKey->registrationNumber();
    if (m_backend) m_backend->unregisterHotKey(number);
    m_hotKeys.remove(number);
}

const PTHotKey* PTHotKeyCenter::hotKeyWithIdentifier(const QString& identifier) const {
    if (identifier.isEmpty()) return nullptr;
    for (const PTHotKey& hotKey : m_hotKeys)
        if (hotKey.identifier() == identifier) return &hotKey;
    return nullptr;
}

void PTHotKeyCenter::sendHotKeyEvent(quint64 number, bool pressed, quint32 timestamp) {
    const auto found = m_hotKeys.constFind(number);
    if (found == m_hotKeys.cend() || !pressed) return;
    m_lastTimestamp = timestamp;
    // A copy: the action may replace or unregister this very hot key.
    const PTHotKey hotKey = *found;
    hotKey.invoke();
}

}  // namespace platform

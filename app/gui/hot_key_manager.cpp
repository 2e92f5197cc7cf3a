#include "app/gui/hot_key_manager.h"

#include "app/gui/option_key_watcher.h"
#include "foundation/gui/key_event_additions.h"
#include "platform/defaults/user_defaults.h"

#include <QCoreApplication>
#include <QKeySequence>

namespace {

TDHotKeyManager* g_defaultManager = nullptr;

struct StoredShortcut {
    qint64 keyCode = -1;
    quint64 modifierFlags = 0;
};

quint64 flagsFromQtModifiers(Qt::KeyboardModifiers modifiers) {
    quint64 flags = 0;
    if (modifiers & Qt::ControlModifier) flags |= platform::TDCommandKeyFlag;
    if (modifiers & Qt::AltModifier) flags |= platform::TDOptionKeyFlag;
    if (modifiers & Qt::MetaModifier) flags |= platform::TDControlKeyFlag;
    if (modifiers & Qt::ShiftModifier) flags |= platform::TDShiftKeyFlag;
    return flags;
}

// {"keyCode", "modifierFlags"} as stored; a "keySequence" beside them, when it reads, wins. Anything
// else is no shortcut.
StoredShortcut readStoredShortcut(const QVariant& value) {
    const QVariantMap stored = value.toMap();
    const QKeySequence sequence = QKeySequence::fromString(
        stored.value(QStringLiteral("keySequence")).toString(), QKeySequence::PortableText);
    if (!sequence.isEmpty() && sequence[0].key() != Qt::Key_unknown)
        return {sequence[0].key(), flagsFromQtModifiers(sequence[0].keyboardModifiers())};
    if (!stored.contains(QStringLiteral("keyCode"))) return {};
    // Stored as 32-bit values; widened with their sign.
    return {qint64(stored.value(QStringLiteral("keyCode")).toInt()),
            quint64(qint64(stored.value(QStringLiteral("modifierFlags")).toInt()))};
}

}  // namespace

TDHotKeyManager::TDHotKeyManager(std::unique_ptr<platform::HotKeyBackend> backend,
                                 platform::UserDefaults& defaults, QObject* parent)
    : QObject(parent),
      m_defaults(defaults),
      m_center(std::move(backend)),
      m_optionKeys(std::make_unique<TDOptionKeyWatcher>()) {
    // A filter that goes is removed from the application with it.
    QCoreApplication::instance()->installEventFilter(m_optionKeys.get());
    p_initializeHotKeys();
    connect(&m_defaults, &platform::UserDefaults::valueChanged, this, [this](const QString& key) {
        if (key.startsWith(TDShortcutDefaultPrefix) && !m_suspended) p_registerStoredShortcut(key);
    });
}

TDHotKeyManager::~TDHotKeyManager() {
    if (g_defaultManager == this) g_defaultManager = nullptr;
}

TDHotKeyManager* TDHotKeyManager::defaultManager() {
    return g_defaultManager;
}

void TDHotKeyManager::setDefaultManager(TDHotKeyManager* manager) {
    g_defaultManager = manager;
}

void TDHotKeyManager::p_initializeHotKeys() {
    for (const QString& key : m_defaults.storedKeys())
        if (key.startsWith(TDShortcutDefaultPrefix)) p_registerStoredShortcut(key);
}

void TDHotKeyManager::p_registerStoredShortcut(const QString& key) {
    const StoredShortcut shortcut = readStoredShortcut(m_defaults.value(key));
    setHotKeyWithCode(shortcut.keyCode, shortcut.modifierFlags, key.mid(TDShortcutDefaultPrefix.size()));
}

void TDHotKeyManager::setHotKeyWithCode(qint64 keyCode, quint64 modifierFlags, const QString& identifier) {
    m_center.unregisterHotKey(identifier);
    if (keyCode == -1) return;
    platform::PTHotKey hotKey(identifier,
                              platform::PTKeyCombo(keyCode, platform::PTModifiersFromFlags(modifierFlags)));
    hotKey.setAction([this](const platform::PTHotKey& fired) { p_hotKeyFired(fired); });
    (void)m_center.registerHotKey(hotKey);
}

void TDHotKeyManager::setSuspended(bool suspended) {
    if (suspended == m_suspended) return;
    m_suspended = suspended;
    if (suspended) {
        for (const platform::PTHotKey& hotKey : m_center.allHotKeys())
            m_center.unregisterHotKey(hotKey.identifier());
    } else {
        p_initializeHotKeys();
    }
}

void TDHotKeyManager::p_hotKeyFired(const platform::PTHotKey& hotKey) {
    if (m_target) m_target(hotKey);
}

bool TDHotKeyManager::isOptionKeyDown() const {
    return m_optionKeys->isOptionKeyDown();
}

bool TDHotKeyManager::isShiftKeyDown() const {
    return ::isShiftKeyDown();
}

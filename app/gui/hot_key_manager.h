#pragma once

#include "platform/desktop/hotkeys/hot_key_center.h"

#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class TDOptionKeyWatcher;

namespace platform {
class UserDefaults;
}

// The identifiers of the two hot keys, and the prefix of the user defaults that store them.
inline const QString TDQuickEntryHotKeyIdentifier = QStringLiteral("QuickEntry");
inline const QString TDQuickEntryContextHotKeyIdentifier = QStringLiteral("QuickEntryContext");
inline const QString TDShortcutDefaultPrefix = QStringLiteral("ShortcutRecorder ");

// The program's global hot keys: registers every stored shortcut when made and again whenever one is
// stored anew, calls one target when any fires, and says whether Alt or Shift is held (it owns the
// application's Alt watcher). Nothing is registered until a person records a shortcut. Main thread.
class TDHotKeyManager final : public QObject {
    Q_OBJECT
public:
    using Target = std::function<void(const platform::PTHotKey& hotKey)>;

    // `backend` may be null (no desktop support): the shortcuts are read but reach nothing.
    TDHotKeyManager(std::unique_ptr<platform::HotKeyBackend> backend, platform::UserDefaults& defaults,
                    QObject* parent = nullptr);
    ~TDHotKeyManager() override;

    // The manager of the running program (installed by the composition root); null when there is none.
    static TDHotKeyManager* defaultManager();
    static void setDefaultManager(TDHotKeyManager* manager);

    void setTarget(Target target) { m_target = std::move(target); }
    // Replaces the hot key of the identifier; key code -1 leaves it without one. A refusal by the
    // desktop is logged by the backend and not shown.
    void setHotKeyWithCode(qint64 keyCode, quint64 modifierFlags, const QString& identifier);
    // While suspended no combination is held, so a recorder can take the current one again.
    void setSuspended(bool suspended);
    bool isSuspended() const { return m_suspended; }

    bool isOptionKeyDown() const;
    // Animations play slowly while Shift is held.
    bool isShiftKeyDown() const;

    platform::PTHotKeyCenter& center() { return m_center; }
    TDOptionKeyWatcher& optionKeyWatcher() const { return *m_optionKeys; }

private:
    void p_initializeHotKeys();
    void p_registerStoredShortcut(const QString& key);
    void p_hotKeyFired(const platform::PTHotKey& hotKey);

    platform::UserDefaults& m_defaults;
    platform::PTHotKeyCenter m_center;
    std::unique_ptr<TDOptionKeyWatcher> m_optionKeys;
    Target m_target;
    bool m_suspended = false;
};

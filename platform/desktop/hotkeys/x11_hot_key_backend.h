#pragma once

#include "platform/desktop/hotkeys/hot_key_backend.h"

#include <QAbstractNativeEventFilter>
#include <QList>
#include <QMap>
#include <QObject>

#include <memory>

struct xcb_connection_t;
struct _XCBKeySymbols;

namespace platform {

// Hot keys as key grabs on the X11 root window: each combination is grabbed with and without Caps
// Lock and Num Lock, and its presses are read from the program's own X11 events. Only in an X11
// session: under XWayland a grab holds but fires only while an X11 window has the focus.
class X11HotKeyBackend final : public HotKeyBackend, public QAbstractNativeEventFilter {
public:
    // None when the program does not run on an X11 display.
    static std::unique_ptr<X11HotKeyBackend> create();
    X11HotKeyBackend(xcb_connection_t* connection, quint32 root);
    ~X11HotKeyBackend() override;

    bool registerHotKey(quint64 number, const QString& identifier, const PTKeyCombo& combo) override;
    void unregisterHotKey(quint64 number) override;
    QString name() const override { return QStringLiteral("X11"); }

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

    // The X11 modifier mask of a combo (Ctrl, Alt, Meta as the Super key, Shift; Function dropped).
    static quint16 x11Modifiers(const PTKeyCombo& combo);

private:
    struct Grab {
        quint8 keycode;
        quint16 modifiers;
    };
    void p_ungrab(const Grab& grab, const QList<quint16>& variants);
    QList<quint16> p_lockVariants() const;

    xcb_connection_t* m_connection;
    quint32 m_root;
    _XCBKeySymbols* m_symbols;
    QMap<quint64, Grab> m_grabs;
    // Presses are handed on after the event filter returns; nothing arrives once this is gone.
    QObject m_deliveries;
};

}  // namespace platform

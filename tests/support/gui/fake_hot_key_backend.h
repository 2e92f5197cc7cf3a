#pragma once

#include "platform/desktop/hotkeys/hot_key_backend.h"

#include <QList>
#include <QMap>

// A desktop that grants every combination but those listed as taken, and presses keys on request.
class FakeHotKeyBackend final : public platform::HotKeyBackend {
public:
    struct Grab {
        QString identifier;
        platform::PTKeyCombo combo;
    };

    bool registerHotKey(quint64 number, const QString& identifier,
                        const platform::PTKeyCombo& combo) override {
        requestedNumbers.append(number);
        if (taken.contains(combo)) return false;
        grabs.insert(number, {identifier, combo});
        return true;
    }
    void unregisterHotKey(quint64 number) override { grabs.remove(number); }
    QString name() const override { return QStringLiteral("fake"); }

    // Presses (and releases) the combination as a person would; false when nothing holds it.
    bool press(const platform::PTKeyCombo& combo, quint32 timestamp = 0) const {
        for (auto it = grabs.cbegin(); it != grabs.cend(); ++it)
            if (it.value().combo == combo) {
                deliver(it.key(), true, timestamp);
                deliver(it.key(), false, timestamp);
                return true;
            }
        return false;
    }
    void sendRaw(quint64 number, bool pressed) const { deliver(number, pressed, 0); }

    QMap<quint64, Grab> grabs;
    QList<quint64> requestedNumbers;
    QList<platform::PTKeyCombo> taken;
};

#pragma once

#include "platform/sound/sound_sink.h"

#include <QStringList>

namespace testsupport {

// Installed as the program's sound sink while it lives; records each sound as "<name> <volume>" and
// each alert as "beep", in order.
class RecordingSoundSink : public platform::SoundSink {
public:
    RecordingSoundSink() { platform::SoundSink::setShared(this); }
    ~RecordingSoundSink() override { platform::SoundSink::setShared(nullptr); }
    RecordingSoundSink(const RecordingSoundSink&) = delete;
    RecordingSoundSink& operator=(const RecordingSoundSink&) = delete;

    void playSound(const QString& name, double volume) override {
        played << QStringLiteral("%1 %2").arg(name).arg(volume);
    }
    void beep() override { played << QStringLiteral("beep"); }

    QStringList played;
};

}  // namespace testsupport

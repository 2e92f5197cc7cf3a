#include "foundation/utilities.h"

#include "platform/sound/sound_sink.h"

bool objectsEqual(const QVariant& first, const QVariant& second) {
    if (!first.isValid() || !second.isValid()) return first.isValid() == second.isValid();
    return first == second;
}

void playBeep() {
    platform::SoundSink::shared().beep();
}

#pragma once

#include "platform/base/error.h"

#include <QString>

#include <functional>

namespace platform {

// The audio back end the sound player drives: libcanberra in the program, a recording stand-in in tests.
// Used from the sound player's thread only.
class SoundOutput {
public:
    // Codes of the errors play answers.
    enum ErrorCode : int {
        FileError = 1,    // the file cannot be played: it is missing, unreadable or not a sound
        Unavailable = 2,  // there is no audio output (no driver, no device, no sound server)
    };

    virtual ~SoundOutput() = default;
    // Starts the file at the volume (0 to 1) and returns without waiting for its end; `finished` runs
    // once, on any thread, when it has ended. On an error nothing plays and `finished` never runs.
    virtual Status play(quint32 id, const QString& path, double volume, std::function<void()> finished) = 0;
    // The desktop's alert sound (the bell of its sound theme), otherwise as play.
    virtual Status playAlert(quint32 id, std::function<void()> finished) = 0;
};

}  // namespace platform

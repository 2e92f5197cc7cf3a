#pragma once

#include <QString>

namespace platform {

// Where the program's sound effects go: in the program the sound player, in tests a sink that records
// what it is given. Callers return at once; the sounds play on their own.
class SoundSink {
public:
    virtual ~SoundSink() = default;
    // The sound named `name` ("task_completed.oga") at the volume, 0 to 1.
    virtual void playSound(const QString& name, double volume) = 0;
    // The desktop's alert sound, for a command that cannot be carried out.
    virtual void beep() = 0;

    // The sink in use (never null): the one installed, else the shared sound player's.
    static SoundSink& shared();
    // Not owned; nullptr restores the sound player's sink.
    static void setShared(SoundSink* sink);
};

}  // namespace platform

#include "platform/sound/sound_sink.h"

#include "platform/sound/sound.h"
#include "platform/sound/sound_player.h"

#include <atomic>

namespace platform {

namespace {

class PlayerSoundSink final : public SoundSink {
public:
    void playSound(const QString& name, double volume) override {
        const std::shared_ptr<TDSound> sound = TDSound::soundNamed(name, SoundPlayer::shared());
        sound->setVolume(volume);
        sound->play();
    }
    void beep() override { SoundPlayer::shared().beep(); }
};

std::atomic<SoundSink*> installedSink{nullptr};

}  // namespace

SoundSink& SoundSink::shared() {
    if (SoundSink* sink = installedSink.load()) return *sink;
    static PlayerSoundSink playerSink;
    return playerSink;
}

void SoundSink::setShared(SoundSink* sink) {
    installedSink.store(sink);
}

}  // namespace platform

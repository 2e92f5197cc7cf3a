#include "platform/sound/sound.h"

#include "platform/sound/sound_player.h"

#include <algorithm>

TDSound::TDSound(QString name, platform::SoundPlayer& player) : m_name(std::move(name)), m_player(player) {
}

std::shared_ptr<TDSound> TDSound::soundNamed(const QString& name) {
    return soundNamed(name, platform::SoundPlayer::shared());
}

std::shared_ptr<TDSound> TDSound::soundNamed(const QString& name, platform::SoundPlayer& player) {
    return std::shared_ptr<TDSound>(new TDSound(name, player));
}

void TDSound::setVolume(double volume) {
    m_volume = std::clamp(volume, 0.0, 1.0);
}

void TDSound::play() {
    m_player.play(shared_from_this(), m_volume);
}

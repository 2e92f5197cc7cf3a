#pragma once

#include <QString>

#include <memory>

namespace platform {
class SoundPlayer;
}

// A named sound effect of the program ("task_completed.oga"), played without blocking the caller,
// several at once. The player keeps the sound alive until each playback has ended.
class TDSound final : public std::enable_shared_from_this<TDSound> {
public:
    static std::shared_ptr<TDSound> soundNamed(const QString& name);
    static std::shared_ptr<TDSound> soundNamed(const QString& name, platform::SoundPlayer& player);

    QString name() const { return m_name; }
    // 0.0 to 1.0, for the plays that follow; 1.0 at first.
    double volume() const { return m_volume; }
    void setVolume(double volume);

    // Queues one playback and returns at once; dropped when too many are waiting already.
    void play();

private:
    TDSound(QString name, platform::SoundPlayer& player);

    QString m_name;
    platform::SoundPlayer& m_player;
    double m_volume = 1.0;
};

#pragma once

#include "platform/sound/sound_output.h"

#include <QObject>
#include <QThread>

#include <atomic>
#include <functional>
#include <map>
#include <memory>

class TDSound;

namespace platform {

// Plays sounds without blocking the caller. Every playback is set up on the player's own thread, which
// alone touches the list of sounds playing; the list holds each sound until its playback ends. Without
// audio output nothing plays: that is logged once and later plays are dropped quietly.
class SoundPlayer final : public QObject {
    Q_OBJECT
public:
    // Requests waiting or being set up beyond this are dropped.
    static constexpr int kMaximumPending = 5;

    using OutputFactory = std::function<std::unique_ptr<SoundOutput>()>;
    // The output is made on the player's thread at the first play.
    explicit SoundPlayer(OutputFactory makeOutput, QObject* parent = nullptr);
    ~SoundPlayer() override;

    // The program's player, on libcanberra.
    static SoundPlayer& shared();

    // Queues one playback of the sound's file at the volume; false when the request was dropped.
    bool play(const std::shared_ptr<TDSound>& sound, double volume);
    // Queues the desktop's alert sound, as play.
    bool beep();

    int pendingCount() const { return m_pending.load(); }
    int playingCount() const { return m_playingCount.load(); }

private:
    using Start = std::function<Status(SoundOutput& output, quint32 id, std::function<void()> finished)>;
    // Runs `setUp` on the player's thread unless kMaximumPending requests wait already.
    bool p_queue(std::function<void()> setUp);
    void p_setUp(const std::shared_ptr<TDSound>& sound, double volume);
    // Starts a playback on the output and holds the sound (null for the alert) until it has ended.
    void p_start(const std::shared_ptr<TDSound>& sound, const Start& start);
    void p_finished(quint32 id);

    QThread m_thread;
    QObject* m_worker;  // lives on m_thread; owned, deleted after the thread stopped
    std::atomic<int> m_pending{0};
    std::atomic<int> m_playingCount{0};

    // Touched on m_thread only.
    OutputFactory m_makeOutput;
    std::unique_ptr<SoundOutput> m_output;
    bool m_outputUnavailable = false;
    quint32 m_nextId = 1;
    std::map<quint32, std::shared_ptr<TDSound>> m_playing;  // a null sound for the alert
};

}  // namespace platform

#include "platform/sound/sound_player.h"

#include "platform/base/log.h"
#include "platform/sound/canberra_sound_output.h"
#include "platform/sound/sound.h"
#include "platform/sound/sound_resources.h"

namespace platform {

SoundPlayer::SoundPlayer(OutputFactory makeOutput, QObject* parent)
    : QObject(parent), m_worker(new QObject), m_makeOutput(std::move(makeOutput)) {
    m_thread.setObjectName(QStringLiteral("Sound effects"));
    m_worker->moveToThread(&m_thread);
    m_thread.start();
}

SoundPlayer::~SoundPlayer() {
    m_thread.quit();
    m_thread.wait();
    // The thread has stopped: what it owned can go from here. Sounds still playing are cancelled and
    // their end callbacks only queue events that are dropped with the worker.
    m_output.reset();
    delete m_worker;
}

SoundPlayer& SoundPlayer::shared() {
    static SoundPlayer player([] { return std::make_unique<CanberraSoundOutput>(); });
    return player;
}

bool SoundPlayer::play(const std::shared_ptr<TDSound>& sound, double volume) {
    return p_queue([this, sound, volume] { p_setUp(sound, volume); });
}

bool SoundPlayer::beep() {
    return p_queue([this] {
        p_start(nullptr, [](SoundOutput& output, quint32 id, std::function<void()> finished) {
            return output.playAlert(id, std::move(finished));
        });
    });
}

bool SoundPlayer::p_queue(std::function<void()> setUp) {
    int pending = m_pending.load();
    do {
        if (pending >= kMaximumPending) return false;
    } while (!m_pending.compare_exchange_weak(pending, pending + 1));
    QMetaObject::invokeMethod(
        m_worker,
        [this, setUp = std::move(setUp)] {
            // However it ends, this request no longer counts against the limit.
            struct Done {
                std::atomic<int>& pending;
                ~Done() { --pending; }
            } done{m_pending};
            setUp();
        },
        Qt::QueuedConnection);
    return true;
}

void SoundPlayer::p_setUp(const std::shared_ptr<TDSound>& sound, double volume) {
    if (m_outputUnavailable || volume <= 0.0) return;
    const QString path = soundResourcePath(sound->name());
    if (path.isEmpty()) {
        logWithLevel(TDLogError, "ERROR", "Could not get the audio player to load sound: %@",
                     QStringLiteral("no sound named \"%1\"").arg(sound->name()));
        return;
    }
    p_start(sound, [&](SoundOutput& output, quint32 id, std::function<void()> finished) {
        return output.play(id, path, volume, std::move(finished));
    });
}

void SoundPlayer::p_start(const std::shared_ptr<TDSound>& sound, const Start& start) {
    if (m_outputUnavailable) return;
    if (!m_output) m_output = m_makeOutput();

    const quint32 id = m_nextId++;
    QObject* worker = m_worker;
    const Status started = start(*m_output, id, [this, worker, id] {
        QMetaObject::invokeMethod(
            worker, [this, id] { p_finished(id); }, Qt::QueuedConnection);
    });
    if (started) {
        m_playing.emplace(id, sound);
        m_playingCount.store(static_cast<int>(m_playing.size()));
    } else if (started.error().code == SoundOutput::Unavailable) {
        m_outputUnavailable = true;
        logWithLevel(TDLogWarning, "WARNING", "Sound effects are off: no audio output (%@)",
                     started.error().description);
    } else {
        logWithLevel(TDLogError, "ERROR", "Could not get the audio player to load sound: %@",
                     started.error().description);
    }
}

void SoundPlayer::p_finished(quint32 id) {
    m_playing.erase(id);
    m_playingCount.store(static_cast<int>(m_playing.size()));
}

}  // namespace platform

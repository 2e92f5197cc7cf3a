#pragma once

#include "platform/sound/sound_output.h"

#include <QMutex>

#include <map>

struct ca_context;
struct ca_proplist;

namespace platform {

// Plays sound files through libcanberra (which reads Ogg Vorbis and WAVE) on the desktop's sound server
// or the ALSA device.
class CanberraSoundOutput final : public SoundOutput {
public:
    CanberraSoundOutput();
    ~CanberraSoundOutput() override;
    Status play(quint32 id, const QString& path, double volume, std::function<void()> finished) override;
    Status playAlert(quint32 id, std::function<void()> finished) override;

private:
    // Plays what the properties describe; `what` names it in errors.
    Status p_play(quint32 id, ca_proplist* properties, const QString& what, std::function<void()> finished);
    static void p_finished(ca_context* context, uint32_t id, int error, void* userdata);

    ca_context* m_context = nullptr;  // opened at the first play
    // The end callbacks of the sounds playing, by id. Canberra calls back from its own thread.
    QMutex m_mutex;
    std::map<quint32, std::function<void()>> m_finished;
};

}  // namespace platform

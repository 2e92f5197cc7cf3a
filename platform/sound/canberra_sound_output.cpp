#include "platform/sound/canberra_sound_output.h"

#include <QFile>
#include <QFileInfo>

#include <canberra.h>

#include <algorithm>
#include <cmath>

namespace platform {

namespace {

TDError soundError(int code, const QString& text) {
    TDError error = TDError::make(code, text);
    error.domain = QStringLiteral("TDSoundErrorDomain");
    return error;
}

TDError canberraError(int status, const QString& what) {
    const QString text = what + QStringLiteral(": ") + QString::fromUtf8(ca_strerror(status));
    return soundError(status == CA_ERROR_CORRUPT ? SoundOutput::FileError : SoundOutput::Unavailable, text);
}

}  // namespace

CanberraSoundOutput::CanberraSoundOutput() = default;

CanberraSoundOutput::~CanberraSoundOutput() {
    // Cancels what still plays; the callbacks of those sounds run from here.
    if (m_context) ca_context_destroy(m_context);
}

Status CanberraSoundOutput::play(quint32 id, const QString& path, double volume,
                                 std::function<void()> finished) {
    // Checked here because the ALSA driver reports a missing device as a missing file.
    if (!QFileInfo(path).isFile() || !QFileInfo(path).isReadable())
        return soundError(FileError, QStringLiteral("The sound file \"%1\" cannot be read").arg(path));
    ca_proplist* properties = nullptr;
    if (const int status = ca_proplist_create(&properties); status != CA_SUCCESS)
        return canberraError(status, QStringLiteral("Could not describe the sound"));
    ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, QFile::encodeName(path).constData());
    // The output takes decibels; 0 dB plays the file as it is.
    const QByteArray decibels = QByteArray::number(20.0 * std::log10(std::clamp(volume, 0.001, 1.0)), 'f', 2);
    ca_proplist_sets(properties, CA_PROP_CANBERRA_VOLUME, decibels.constData());
    const Status played = p_play(id, properties, QStringLiteral("\"%1\"").arg(path), std::move(finished));
    ca_proplist_destroy(properties);
    return played;
}

Status CanberraSoundOutput::playAlert(quint32 id, std::function<void()> finished) {
    ca_proplist* properties = nullptr;
    if (const int status = ca_proplist_create(&properties); status != CA_SUCCESS)
        return canberraError(status, QStringLiteral("Could not describe the sound"));
    // The sound theme's name for the alert a program rings.
    ca_proplist_sets(properties, CA_PROP_EVENT_ID, "bell-window-system");
    const Status played = p_play(id, properties, QStringLiteral("the alert sound"), std::move(finished));
    ca_proplist_destroy(properties);
    return played;
}

Status CanberraSoundOutput::p_play(quint32 id, ca_proplist* properties, const QString& what,
                                   std::function<void()> finished) {
    if (!m_context) {
        ca_context* context = nullptr;
        if (const int status = ca_context_create(&context); status != CA_SUCCESS)
            return canberraError(status, QStringLiteral("Could not make a sound context"));
        if (const int status = ca_context_open(context); status != CA_SUCCESS) {
            ca_context_destroy(context);
            return canberraError(status, QStringLiteral("Could not open the sound output"));
        }
        m_context = context;
    }
    ca_proplist_sets(properties, CA_PROP_MEDIA_ROLE, "event");
    {
        QMutexLocker lock(&m_mutex);
        m_finished[id] = std::move(finished);
    }
    const int status =
        ca_context_play_full(m_context, id, properties, &CanberraSoundOutput::p_finished, this);
    if (status != CA_SUCCESS) {
        QMutexLocker lock(&m_mutex);
        m_finished.erase(id);
        return canberraError(status, QStringLiteral("Could not play %1").arg(what));
    }
    return {};
}

void CanberraSoundOutput::p_finished(ca_context*, uint32_t id, int, void* userdata) {
    auto* output = static_cast<CanberraSoundOutput*>(userdata);
    std::function<void()> finished;
    {
        QMutexLocker lock(&output->m_mutex);
        const auto found = output->m_finished.find(id);
        if (found == output->m_finished.end()) return;
        finished = std::move(found->second);
        output->m_finished.erase(found);
    }
    finished();
}

}  // namespace platform

#pragma once

#include "platform/base/error.h"

#include <QString>

namespace platform {

// An exclusive lock between processes, held on a lock file for as long as this object holds it. The
// kernel lets go of it when the holding process ends, however it ends, so a killed holder leaves no
// stale lock behind; the file itself stays, holding the last holder's process ID for messages.
class FileLock final {
public:
    explicit FileLock(QString path);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Takes the lock without waiting; true when this object already holds it. When another holder
    // (another process, or another FileLock in this one) has it, the error is EWOULDBLOCK of
    // TDPosixErrorDomain with the holder's process ID under "holderProcessID" when known; a lock file
    // that cannot be made gives its errno.
    Status tryLock();
    void unlock();
    bool isLocked() const { return m_fd >= 0; }
    QString path() const { return m_path; }

    // The process ID written by the last holder of the lock file, 0 when none can be read.
    static qint64 recordedHolder(const QString& path);

private:
    QString m_path;
    int m_fd = -1;
};

}  // namespace platform

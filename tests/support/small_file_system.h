#pragma once

#include <QString>
#include <QTemporaryDir>

// A tmpfs of a few pages mounted on a fresh temporary folder, so that a test can fill a disk. Mounting
// needs root (and the right to mount, which some containers withhold); without it the test skips with
// skipReason().
class SmallFileSystem {
public:
    explicit SmallFileSystem(qint64 bytes);
    ~SmallFileSystem();
    SmallFileSystem(const SmallFileSystem&) = delete;
    SmallFileSystem& operator=(const SmallFileSystem&) = delete;

    bool isMounted() const { return m_mounted; }
    QString skipReason() const { return m_skipReason; }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString& name) const { return m_dir.filePath(name); }

    // Takes up every byte that is left with a filler file, so that the next write of any size fails.
    void fill();
    // Gives the filler's space back.
    void drain();

private:
    QTemporaryDir m_dir;
    bool m_mounted = false;
    QString m_skipReason;
};

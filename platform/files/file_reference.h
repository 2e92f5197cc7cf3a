#pragma once

#include "platform/base/error.h"

#include <QByteArray>
#include <QString>

#include <optional>

namespace platform {

// A record of a file or folder that finds it again after it was renamed: it keeps the path with the
// item's device, inode, size and modification time. Resolving tries the path first; when nothing is
// there any more, it looks in the last known folder for the same inode, or else for the one item of
// the same size and modification time (an inode changes when a folder is restored from a copy).
// Stored in note attachments and import dictionaries through its data form.
class FileReference final {
public:
    // A reference to an existing item; nothing when the path names nothing.
    static std::optional<FileReference> fromPath(const QString& path);
    // A reference to the item at `relativePath` under the folder `basePath`, recorded relative to it,
    // so it resolves under wherever that folder is later (fullPathRelativeToPath).
    static std::optional<FileReference> fromPath(const QString& relativePath, const QString& basePath);
    // The reference from its data form; an error for data this program did not write.
    static Result<FileReference> fromData(const QByteArray& data);

    // The versioned binary form kept by callers; fromData reads it back.
    QByteArray data() const;

    // Where the item is now, or an empty string when it cannot be found.
    QString fullPath() const { return fullPathRelativeToPath({}); }
    // The same for a reference made relative to a folder, resolved under `basePath` (which must exist)
    // instead of the folder it was made in; an empty base resolves as fullPath does.
    QString fullPathRelativeToPath(const QString& basePath) const;

    QString path() const { return m_path; }
    QString relativePath() const { return m_relativePath; }
    quint64 device() const { return m_device; }
    quint64 inode() const { return m_inode; }
    qint64 size() const { return m_size; }
    qint64 modificationTimeMSecs() const { return m_modificationTimeMSecs; }

    friend bool operator==(const FileReference&, const FileReference&) = default;

private:
    FileReference() = default;
    QString p_resolve(const QString& candidate) const;

    QString m_path;          // absolute, at the time it was recorded
    QString m_relativePath;  // empty unless made relative to a folder
    quint64 m_device = 0;
    quint64 m_inode = 0;
    qint64 m_size = 0;
    qint64 m_modificationTimeMSecs = 0;
};

}  // namespace platform

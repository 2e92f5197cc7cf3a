#pragma once

#include <QDateTime>
#include <QString>

// What the preview of an attached file shows, read from the file without running or opening it in
// another program: an image, the pages of a PDF, the start of a text file, or else the file's facts.
enum class TDAttachmentPreviewKind { Missing, Image, Pdf, Text, Summary };

struct TDAttachmentPreview {
    TDAttachmentPreviewKind kind = TDAttachmentPreviewKind::Missing;
    QString path;  // empty when the file cannot be found
    QString name;  // the file's name, or the last one known
    QString typeName;
    QString iconName;  // of the desktop's icon theme
    qint64 size = 0;
    QDateTime created;
    QDateTime modified;
    QString text;  // Text: the first kPreviewTextLimit bytes, decoded
    bool textIsCut = false;
};

inline constexpr qint64 TDPreviewTextLimit = 256 * 1024;

// The preview of the file at the path (empty: the file was not found; lastKnownName names it).
TDAttachmentPreview TDAttachmentPreviewOf(const QString& path, const QString& lastKnownName);

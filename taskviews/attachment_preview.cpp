#include "taskviews/attachment_preview.h"

#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QMimeDatabase>
#include <QStringDecoder>

#include <optional>

namespace {

// Text is read only where it is text: valid UTF-8 without NUL bytes in what is shown.
std::optional<QString> readableText(const QByteArray& bytes, bool isCut) {
    if (bytes.contains('\0')) return std::nullopt;
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8.decode(bytes);
    // A cut may fall inside a character: only the end may be broken.
    if (utf8.hasError()) {
        if (!isCut) return std::nullopt;
        QStringDecoder again(QStringDecoder::Utf8);
        text = again.decode(bytes.chopped(std::min<qsizetype>(3, bytes.size())));
        if (again.hasError()) return std::nullopt;
    }
    return text;
}

}  // namespace

TDAttachmentPreview TDAttachmentPreviewOf(const QString& path, const QString& lastKnownName) {
    TDAttachmentPreview preview;
    const QFileInfo file(path);
    preview.name = path.isEmpty() || !file.exists() ? lastKnownName : file.fileName();
    if (path.isEmpty() || !file.exists() || !file.isFile()) return preview;
    preview.path = file.absoluteFilePath();
    preview.size = file.size();
    preview.created = file.birthTime();
    preview.modified = file.lastModified();
    const QMimeType type = QMimeDatabase().mimeTypeForFile(file);
    preview.typeName = type.comment();
    preview.iconName = type.iconName();
    preview.kind = TDAttachmentPreviewKind::Summary;
    if (type.inherits(QStringLiteral("application/pdf"))) {
        preview.kind = TDAttachmentPreviewKind::Pdf;
    } else if (QImageReader(preview.path).canRead()) {
        preview.kind = TDAttachmentPreviewKind::Image;
    } else if (type.inherits(QStringLiteral("text/plain"))) {
        QFile reading(preview.path);
        if (reading.open(QIODevice::ReadOnly)) {
            const QByteArray bytes = reading.read(TDPreviewTextLimit);
            const bool isCut = preview.size > bytes.size();
            if (const std::optional<QString> text = readableText(bytes, isCut)) {
                preview.kind = TDAttachmentPreviewKind::Text;
                preview.text = *text;
                preview.textIsCut = isCut;
            }
        }
    }
    return preview;
}

#include "foundation/file_attachment.h"

QTextCharFormat fileAttachmentFormat(const BDAlias& alias) {
    QTextCharFormat format;
    format.setObjectType(TDFileAttachmentObjectType);
    format.setProperty(TDFileAttachmentAliasProperty, alias.data());
    return format;
}

void insertFileAttachment(QTextCursor& cursor, const BDAlias& alias) {
    cursor.insertText(QString(QChar::ObjectReplacementCharacter), fileAttachmentFormat(alias));
}

bool isFileAttachment(const QTextCharFormat& format) {
    return format.objectType() == TDFileAttachmentObjectType;
}

std::optional<BDAlias> fileAttachmentAlias(const QTextCharFormat& format) {
    if (!isFileAttachment(format)) return std::nullopt;
    const QVariant data = format.property(TDFileAttachmentAliasProperty);
    if (data.metaType().id() != QMetaType::QByteArray) return std::nullopt;
    Result<BDAlias> alias = BDAlias::fromData(data.toByteArray());
    if (!alias) return std::nullopt;
    return *alias;
}

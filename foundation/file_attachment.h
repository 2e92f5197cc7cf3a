#pragma once

#include "foundation/alias.h"

#include <QTextCharFormat>
#include <QTextCursor>

#include <optional>

// A file inside rich text: one object-replacement character whose format carries the file's alias
// record, so the text points at the file without holding a copy of it. The notes editor draws these
// objects (icon and name) through a handler it registers for the object type.
inline constexpr int TDFileAttachmentObjectType = QTextFormat::UserObject + 1;
inline constexpr int TDFileAttachmentAliasProperty = QTextFormat::UserProperty + 1;

QTextCharFormat fileAttachmentFormat(const BDAlias& alias);
// Inserts the attachment character for the file at the cursor.
void insertFileAttachment(QTextCursor& cursor, const BDAlias& alias);
// Whether the format is that of an attachment character, with or without a readable alias record.
bool isFileAttachment(const QTextCharFormat& format);
// The attachment's alias record; nullopt when it has none or it cannot be read.
std::optional<BDAlias> fileAttachmentAlias(const QTextCharFormat& format);

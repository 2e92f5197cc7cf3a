#include "model/task_notes.h"

#include "foundation/attributed_string_additions.h"
#include "foundation/constants.h"
#include "foundation/data_additions.h"
#include "foundation/file_attachment.h"
#include "model/json_friendly.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QFontDatabase>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextCursor>

namespace {

const QString kStringKey = QStringLiteral("string");
const QString kWebArchiveDataKey = QStringLiteral("webArchiveData");
const QString kCompletedTimeKey = QStringLiteral("completed_time");
const QString kModifiedTimeKey = QStringLiteral("modified_time");
const QString kContentsKey = QStringLiteral("contents");
const QString kAliasMarker = QStringLiteral("?alias=");
// The paper clip before the summary's count; the views supply the image under this name.
const QString kPaperClipImage = QStringLiteral(":/images/attachment.png");

QString localized(const char* text) {
    return QCoreApplication::translate("Localizable", text);
}

// Positions of the characters that stand for objects (file attachments, images), in document order.
QList<std::pair<qsizetype, QTextCharFormat>> objectCharacters(const QTextDocument& text) {
    QList<std::pair<qsizetype, QTextCharFormat>> objects;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid() || fragment.charFormat().objectType() == QTextFormat::NoObject) continue;
            const QString characters = fragment.text();
            for (qsizetype i = 0; i < characters.size(); ++i)
                if (characters[i] == QChar::ObjectReplacementCharacter)
                    objects.append({fragment.position() + i, fragment.charFormat()});
        }
    }
    return objects;
}

// The alias record a stored attachment link carries; nullopt for any other link.
std::optional<BDAlias> aliasOfLink(const QUrl& url) {
    if (!url.isLocalFile()) return std::nullopt;
    const QString text = url.toString(QUrl::FullyEncoded);
    const qsizetype marker = text.indexOf(kAliasMarker);
    if (marker < 0) return std::nullopt;
    const QByteArray escaped = text.mid(marker + kAliasMarker.size()).toLatin1();
    const Result<QByteArray> data =
        dataWithBase64EncodedStringStrict(QString::fromLatin1(QByteArray::fromPercentEncoding(escaped)));
    if (!data) return std::nullopt;
    Result<BDAlias> alias = BDAlias::fromData(*data);
    if (!alias) return std::nullopt;
    return *alias;
}

QString attachmentLink(const QString& path, const BDAlias& alias) {
    return QStringLiteral("file://%1?alias=%2")
        .arg(QString::fromLatin1(QUrl::toPercentEncoding(path, "/")), base64EncodedString(alias.data()));
}

std::unique_ptr<QTextDocument> documentWithHTML(const QByteArray& data) {
    if (data.size() > TDTaskNotes::kMaximumWebArchiveSize) {
        logWithLevel(TDLogWarning, "WARNING", "Notes of %ld bytes are too large to read.",
                     qint64(data.size()));
        return nullptr;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString html = decoder.decode(data);
    if (decoder.hasError()) {
        logWithLevel(TDLogWarning, "WARNING", "Could not read notes: the stored text is not UTF-8.");
        return nullptr;
    }
    auto text = std::make_unique<QTextDocument>();
    text->setHtml(html);
    if (text->toPlainText().endsWith(u'\n')) {
        QTextCursor cursor(text.get());
        cursor.movePosition(QTextCursor::End);
        cursor.deletePreviousChar();
    }
    return text;
}

qsizetype numberOfLinks(const QTextDocument& text) {
    return linkRanges(text).size();
}

}  // namespace

// Stored forms

void TDTaskNotes::setString(const QString& newString) {
    // Nothing and the empty text are the same notes.
    if (string() == newString) return;
    TDLibraryObject::setValue(kStringKey, newString.isNull() ? QVariant() : QVariant(newString));
    p_storedFormChanged(kStringKey);
}

void TDTaskNotes::setWebArchiveData(const QByteArray& data) {
    if (data == webArchiveData()) return;
    TDLibraryObject::setValue(kWebArchiveDataKey, data.isEmpty() ? QVariant() : QVariant(data));
    p_storedFormChanged(kWebArchiveDataKey);
}

void TDTaskNotes::p_storedFormChanged(const QString& key) {
    // Notes that come from elsewhere keep their task's time as it came.
    if (isDeleted() || p_isTakingChangesFromElsewhere()) return;
    // The task goes up with its new time, so that every side holds the task as stamped here.
    if (TDLibraryObject* owner = task()) {
        owner->setValue(QStringLiteral("modifiedDate"), TDClock::currentDateTime());
        owner->addToSyncQueueAfterChangingKeyIfNecessary(QStringLiteral("notes"));
    }
    addToSyncQueueAfterChangingKeyIfNecessary(key);
}

void TDTaskNotes::setValue(const QString& key, const QVariant& value) {
    if (key == kStringKey)
        setString(value.toString());
    else if (key == kWebArchiveDataKey)
        setWebArchiveData(value.toByteArray());
    else
        TDLibraryObject::setValue(key, value);
}

// Rich text

std::shared_ptr<const QTextDocument> TDTaskNotes::attributedString() const {
    p_ensureAttributedString();
    return m_attributedString;
}

std::shared_ptr<const QTextDocument> TDTaskNotes::summaryAttributedString() const {
    p_ensureAttributedString();
    return m_summary;
}

void TDTaskNotes::p_ensureAttributedString() const {
    // Undo, merges and rollbacks change the stored forms without the setters; the cache notices.
    if (m_cacheBuilt && m_cachedString == string() && m_cachedData == webArchiveData()) return;
    std::unique_ptr<QTextDocument> text;
    if (!webArchiveData().isEmpty()) {
        if (std::unique_ptr<QTextDocument> html = documentWithHTML(webArchiveData()))
            text = convertFileURLsToAttachmentsInAttributedString(*html);
    } else if (!primitiveValue(kStringKey).isNull()) {
        QTextDocument plain;
        plain.setPlainText(string());
        text = linkifiedString(plain);
    }
    p_setCache(std::move(text));
}

void TDTaskNotes::p_setCache(std::unique_ptr<QTextDocument> text) const {
    m_attributedString = std::move(text);
    m_summary = p_makeAttributedNotesSummary();
    m_cachedString = string();
    m_cachedData = webArchiveData();
    m_cacheBuilt = true;
}

void TDTaskNotes::reloadAttributedString() {
    m_cacheBuilt = false;
    p_ensureAttributedString();
}

void TDTaskNotes::setAttributedString(const QTextDocument* text) {
    if (!text) {
        setString(QString());
        setWebArchiveData({});
        p_setCache(nullptr);
        return;
    }
    // Stored with the links the notes show, so that reading the HTML back gives the same text. HTML
    // export cannot fail, so the stored HTML always follows the text.
    const std::unique_ptr<QTextDocument> stored =
        linkifiedString(*convertAttachmentsToFileURLsInAttributedString(*text));
    setString(stored->toPlainText());
    setWebArchiveData(isRichText(*text) ? stored->toHtml().toUtf8() : QByteArray());
    p_setCache(linkifiedString(*convertFileURLsToAttachmentsInAttributedString(*text)));
}

qsizetype TDTaskNotes::numberOfFilesInNotes() const {
    const std::shared_ptr<const QTextDocument> text = attributedString();
    return text ? objectCharacters(*text).size() : 0;
}

qsizetype TDTaskNotes::numberOfLinksInNotes() const {
    const std::shared_ptr<const QTextDocument> text = attributedString();
    return text ? numberOfLinks(*text) : 0;
}

std::unique_ptr<QTextDocument> TDTaskNotes::p_makeAttributedNotesSummary() const {
    if (!m_attributedString) return nullptr;
    const QString plain = m_attributedString->toPlainText();
    const qsizetype lineEnd = plain.indexOf(u'\n');
    QString line = lineEnd < 0 ? plain : plain.left(lineEnd) + QChar(0x2026);
    // Attachments stand alone at the front of the summary; their characters would show as boxes.
    line.remove(QChar::ObjectReplacementCharacter);

    QTextCharFormat format;
    if (const std::optional<QFont>& font = TDConstants::shared().TDTaskNoteSummaryFont) format.setFont(*font);
    format.setForeground(QColor::fromRgbF(0.35f, 0.35f, 0.35f, 1.0f));

    auto summary = std::make_unique<QTextDocument>();
    QTextCursor cursor(summary.get());
    const qsizetype files = objectCharacters(*m_attributedString).size();
    const qsizetype links = numberOfLinks(*m_attributedString);
    const qsizetype items = files + links;
    if (items == 0) {
        cursor.insertText(line, format);
        return summary;
    }
    QTextImageFormat paperClip;
    paperClip.setName(kPaperClipImage);
    cursor.insertImage(paperClip);
    // Raised to sit level with the paper clip: 4 points, as a share of the font's size.
    QTextCharFormat raised = format;
    raised.setBaselineOffset(400.0 / std::max(1.0, format.font().pointSizeF()));
    QString label;
    if (files == 0)
        label = links > 1 ? formatString(localized(" %ld links"), QVariantList{qint64(links)}) : QString();
    else
        label = items == 1 ? localized(" 1 item")
                           : formatString(localized(" %ld items"), QVariantList{qint64(items)});
    cursor.insertText(label, raised);
    if (m_attributedString->characterCount() - 1 != items) {
        cursor.insertText(files > 0 || links > 1 ? QStringLiteral(".  ") : QStringLiteral(" "), raised);
        cursor.insertText(line, raised);
    }
    return summary;
}

// Attachments and their links

std::unique_ptr<QTextDocument> TDTaskNotes::convertFileURLsToAttachmentsInAttributedString(
    const QTextDocument& text) {
    std::unique_ptr<QTextDocument> result = copyOfText(text);
    const QList<TDLinkRange> links = linkRanges(*result);
    QTextCursor cursor(result.get());
    cursor.beginEditBlock();
    // From the last link, so that replacing one leaves the places of those before it.
    for (auto it = links.crbegin(); it != links.crend(); ++it) {
        const std::optional<BDAlias> alias = aliasOfLink(it->url);
        if (!alias) continue;
        cursor.setPosition(int(it->range.location));
        cursor.setPosition(int(it->range.end()), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        insertFileAttachment(cursor, *alias);
    }
    cursor.endEditBlock();
    return result;
}

std::unique_ptr<QTextDocument> TDTaskNotes::convertAttachmentsToFileURLsInAttributedString(
    const QTextDocument& text) {
    std::unique_ptr<QTextDocument> result = copyOfText(text);
    const auto objects = objectCharacters(*result);
    QTextCursor cursor(result.get());
    cursor.beginEditBlock();
    for (auto it = objects.crbegin(); it != objects.crend(); ++it) {
        if (!isFileAttachment(it->second)) continue;
        cursor.setPosition(int(it->first));
        cursor.setPosition(int(it->first + 1), QTextCursor::KeepAnchor);
        cursor.removeSelectedText();
        const std::optional<BDAlias> alias = fileAttachmentAlias(it->second);
        if (!alias) continue;
        QString path = alias->fullPath();
        if (path.isEmpty()) path = alias->path();
        QTextCharFormat format;
        QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
        font.setPointSize(12);
        format.setFont(font);
        format.setAnchor(true);
        format.setAnchorHref(attachmentLink(path, *alias));
        cursor.insertText(QFileInfo(path).fileName(), format);
    }
    cursor.endEditBlock();
    return result;
}

// Sync record

QVariantMap TDTaskNotes::syncDictionaryRepresentation() const {
    QVariantMap record = TDLibraryObject::syncDictionaryRepresentation();
    const auto* owner = dynamic_cast<const TDTask*>(task());
    if (owner && !owner->isIncomplete() && owner->completedDate().isValid())
        record.insert(kCompletedTimeKey, TDTimeIntervalSinceReferenceDate(owner->completedDate()));
    if (owner && owner->modifiedDate().isValid())
        record.insert(kModifiedTimeKey, TDTimeIntervalSinceReferenceDate(owner->modifiedDate()));
    return record;
}

Status TDTaskNotes::updateFromSyncDictionaryRepresentation(const QVariantMap& record) {
    QVariantMap applied = record;
    applied.remove(kCompletedTimeKey);
    applied.remove(kModifiedTimeKey);
    if (applied.value(kContentsKey).metaType().id() == QMetaType::QVariantMap) {
        QVariantMap contents = applied.value(kContentsKey).toMap();
        contents.remove(kCompletedTimeKey);
        applied.insert(kContentsKey, contents);
    }
    return TDLibraryObject::updateFromSyncDictionaryRepresentation(applied);
}

// Saving and deleting

void TDTaskNotes::willSave() {
    TDLibraryObject::willSave();
    if (isDeleted() || !string().isEmpty() || webArchiveData().isEmpty()) return;
    if (const std::shared_ptr<const QTextDocument> text = attributedString()) setString(text->toPlainText());
}

void TDTaskNotes::willDelete() {
    TDLibraryObject::willDelete();
    if (TDLibraryObject* owner = task(); owner && !owner->isDeleted())
        owner->setValue(QStringLiteral("notesUID"), QVariant());
}

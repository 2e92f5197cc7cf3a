#pragma once

#include "model/library_object.h"

#include <QByteArray>
#include <QTextDocument>

#include <memory>

// The notes of a task, in an object of their own so that tasks stay small and rich text is read only
// when someone looks at it. Stored as plain text (searched, synced) and, when the notes have
// formatting, as HTML ("webArchiveData"). The rich text in memory is a QTextDocument built on demand,
// in which files are attachments (foundation/file_attachment.h); stored, an attachment is a link
// "file://<path>?alias=<alias record in base64>" over the file's name, never a copy of the file.
class TDTaskNotes final : public TDLibraryObject {
public:
    using TDLibraryObject::TDLibraryObject;

    // Stored HTML larger than this is not read: no note needs it.
    static constexpr qsizetype kMaximumWebArchiveSize = 16 * 1024 * 1024;

    TDLibraryObject* task() const { return objectAs<TDLibraryObject>(QStringLiteral("task")); }

    QString string() const { return primitiveValue(QStringLiteral("string")).toString(); }
    // A new plain text stamps the task's modified date and enters the sync journal (not while a library
    // is restored). Setting an equal text, or empty over nothing, changes nothing.
    void setString(const QString& string);
    QByteArray webArchiveData() const {
        return primitiveValue(QStringLiteral("webArchiveData")).toByteArray();
    }
    // The same for the HTML; a null array stores nothing.
    void setWebArchiveData(const QByteArray& data);

    // The rich text, built from the stored forms when first asked for after they changed; nullptr when
    // there are no notes or the stored HTML cannot be read. Shared, so a holder keeps its copy intact
    // when the notes change.
    std::shared_ptr<const QTextDocument> attributedString() const;
    // One line under the task in the outline: a paper clip and a count for files and links, then the
    // first line of the text. nullptr without notes.
    std::shared_ptr<const QTextDocument> summaryAttributedString() const;
    // Stores the text: its plain form, and HTML when it is rich text (else no HTML); nullptr clears both.
    void setAttributedString(const QTextDocument* text);
    // Rebuilds the rich text and the summary from the stored forms.
    void reloadAttributedString();

    // Characters of the rich text that are attachments (files and images).
    qsizetype numberOfFilesInNotes() const;
    qsizetype numberOfLinksInNotes() const;

    // Attachment links ("file://…?alias=…") back to file attachments; other links stay.
    static std::unique_ptr<QTextDocument> convertFileURLsToAttachmentsInAttributedString(
        const QTextDocument& text);
    // File attachments to their links; an attachment without an alias record is dropped. A file that
    // cannot be found keeps its link under its last known path, so it is found again if it comes back.
    static std::unique_ptr<QTextDocument> convertAttachmentsToFileURLsInAttributedString(
        const QTextDocument& text);

    // The generic record; for a completed or canceled task also "completed_time", the task's completion
    // date in seconds since 2001 (the task's own record is what carries it back), and "modified_time",
    // the task's modified date, which the text's writing stamps: of two notes made for one task on two
    // machines, the later stays.
    QVariantMap syncDictionaryRepresentation() const override;
    Status updateFromSyncDictionaryRepresentation(const QVariantMap& record) override;

    // "string" and "webArchiveData" are routed through their setters.
    void setValue(const QString& key, const QVariant& value) override;

protected:
    // Rich notes always carry their plain text.
    void willSave() override;
    void willDelete() override;

private:
    void p_storedFormChanged(const QString& key);
    void p_ensureAttributedString() const;
    void p_setCache(std::unique_ptr<QTextDocument> text) const;
    std::unique_ptr<QTextDocument> p_makeAttributedNotesSummary() const;

    // The rich text and summary, and the stored forms they were built from.
    mutable std::shared_ptr<const QTextDocument> m_attributedString;
    mutable std::shared_ptr<const QTextDocument> m_summary;
    mutable bool m_cacheBuilt = false;
    mutable QString m_cachedString;
    mutable QByteArray m_cachedData;
};

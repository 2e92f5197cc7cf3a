#pragma once

#include "taskviews/gui/file_attachment_object.h"

#include <QColor>
#include <QFont>
#include <QHash>
#include <QRectF>

#include <memory>

class QPainter;
class QTextDocument;
class TDTask;

// Notes open in a row, drawn as the rich text they are when plain text would lose something: attached
// files as their icon and name, links in the link colour, all in the row's note font. Notes without
// attachments or links are left to plain text, which is cheaper to lay out. The prepared text is kept
// per task until its notes change.
class TDNoteTextDrawing {
public:
    TDNoteTextDrawing() = default;
    TDNoteTextDrawing(const TDNoteTextDrawing&) = delete;
    TDNoteTextDrawing& operator=(const TDNoteTextDrawing&) = delete;

    // The task's notes ready to draw in the font; nullptr when plain text shows them as well.
    std::shared_ptr<QTextDocument> richNotes(const TDTask* task, const QFont& font) const;
    // The height the notes take at the width.
    static qreal height(QTextDocument& notes, qreal width);
    // Draws the notes in the frame, text in `textColor` where the notes give none.
    static void draw(QPainter& painter, QTextDocument& notes, const QRectF& frame, const QColor& textColor);

private:
    struct Entry {
        std::weak_ptr<const QTextDocument> source;
        QFont font;
        std::shared_ptr<QTextDocument> prepared;  // nullptr: plain text will do
    };
    mutable TDFileAttachmentObject m_attachments;
    mutable QHash<const TDTask*, Entry> m_prepared;
};

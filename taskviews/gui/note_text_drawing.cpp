#include "taskviews/gui/note_text_drawing.h"

#include "foundation/attributed_string_additions.h"
#include "foundation/file_attachment.h"
#include "model/task.h"

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QPainter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

namespace {

// Enough for every note open at once; beyond it the cache starts afresh.
constexpr qsizetype kMostPreparedNotes = 512;

bool hasAttachment(const QTextDocument& text) {
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (isFileAttachment(it.fragment().charFormat())) return true;
    return false;
}

}  // namespace

std::shared_ptr<QTextDocument> TDNoteTextDrawing::richNotes(const TDTask* task, const QFont& font) const {
    if (!task) return nullptr;
    const std::shared_ptr<const QTextDocument> source = task->attributedNotes();
    if (!source || source->isEmpty()) return nullptr;
    if (auto it = m_prepared.constFind(task);
        it != m_prepared.cend() && it->source.lock() == source && it->font == font)
        return it->prepared;
    if (m_prepared.size() >= kMostPreparedNotes) m_prepared.clear();
    Entry entry{source, font, nullptr};
    const QList<TDLinkRange> links = linkRanges(*source);
    if (!links.isEmpty() || hasAttachment(*source)) {
        std::shared_ptr<QTextDocument> notes = copyOfText(*source);
        notes->setDefaultFont(font);
        notes->setDocumentMargin(0);
        notes->documentLayout()->registerHandler(TDFileAttachmentObjectType, &m_attachments);
        QTextCharFormat link;
        // The colour the notes editor gives its links.
        link.setForeground(QGuiApplication::palette().color(QPalette::Link));
        link.setFontUnderline(true);
        for (const TDLinkRange& range : links) {
            QTextCursor cursor(notes.get());
            cursor.setPosition(int(range.range.location));
            cursor.setPosition(int(range.range.end()), QTextCursor::KeepAnchor);
            cursor.mergeCharFormat(link);
        }
        entry.prepared = std::move(notes);
    }
    m_prepared.insert(task, entry);
    return entry.prepared;
}

qreal TDNoteTextDrawing::height(QTextDocument& notes, qreal width) {
    if (notes.textWidth() != width) notes.setTextWidth(width);
    return std::ceil(notes.size().height());
}

void TDNoteTextDrawing::draw(QPainter& painter, QTextDocument& notes, const QRectF& frame,
                             const QColor& textColor) {
    if (notes.textWidth() != frame.width()) notes.setTextWidth(frame.width());
    painter.save();
    painter.translate(frame.topLeft());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette.setColor(QPalette::Text, textColor);
    context.clip = QRectF(0, 0, frame.width(), frame.height());
    painter.setClipRect(context.clip, Qt::IntersectClip);
    notes.documentLayout()->draw(&painter, context);
    painter.restore();
}

// Stored notes from outside (sync records, backups) are HTML: any text must turn into rich text and back
// without crashing or hanging, every link lookup must stay inside the text, and turning attachment links
// into attachments and back must leave the plain text of other links as it was.
#include "foundation/attributed_string_additions.h"
#include "model/task_notes.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > 8192) return 0;
    QTextDocument text;
    text.setHtml(QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size)));
    const std::unique_ptr<QTextDocument> linked = linkifiedString(text);
    const std::unique_ptr<QTextDocument> attached =
        TDTaskNotes::convertFileURLsToAttachmentsInAttributedString(*linked);
    const std::unique_ptr<QTextDocument> stored =
        TDTaskNotes::convertAttachmentsToFileURLsInAttributedString(*attached);
    isRichText(*stored, std::nullopt, QColor(Qt::gray));
    const qsizetype length = stored->characterCount() - 1;
    for (qsizetype index = 0; index < length;) {
        TDRange range;
        URLOfLinkAtIndex(*stored, index, &range);
        if (!range.isFound() || range.location > index || range.end() <= index || range.end() > length + 1)
            std::abort();
        index = range.end();
    }
    return 0;
}

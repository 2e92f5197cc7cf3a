#pragma once

#include <QByteArray>
#include <QString>

class QTextDocument;

// A small writer of rich text in RTF, enough for tasks on the clipboard: paragraphs with a left indent,
// runs of text that may be bold, italic, underlined or a link. Text beyond ASCII is written as \u
// escapes of its UTF-16 units, so every character survives whatever code page the reader assumes.
class TDRTFWriter {
public:
    struct Run {
        bool bold = false;
        bool italic = false;
        bool underline = false;
        QString link;
    };

    // Starts a paragraph indented by `indent` points on every line, the first included.
    void beginParagraph(int indent);
    void appendText(const QString& text) { appendText(text, Run()); }
    void appendText(const QString& text, const Run& run);
    void endParagraph();
    // Every paragraph of the text, indented by `indent`, keeping its bold, italic, underline and links.
    void appendDocument(const QTextDocument& text, int indent);

    // The whole document, closed; an open paragraph is ended first.
    QByteArray data();

private:
    void p_appendEscaped(const QString& text);

    QByteArray m_body;
    bool m_inParagraph = false;
};

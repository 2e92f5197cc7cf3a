#include "taskviews/rtf_writer.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>

namespace {

// RTF measures in twentieths of a point.
constexpr int kTwipsPerPoint = 20;

}  // namespace

void TDRTFWriter::beginParagraph(int indent) {
    if (m_inParagraph) endParagraph();
    m_body += "\\pard\\li" + QByteArray::number(indent * kTwipsPerPoint) + "\\fi0 ";
    m_inParagraph = true;
}

void TDRTFWriter::endParagraph() {
    if (!m_inParagraph) beginParagraph(0);
    m_body += "\\par\n";
    m_inParagraph = false;
}

void TDRTFWriter::appendText(const QString& text, const Run& run) {
    if (text.isEmpty()) return;
    if (!m_inParagraph) beginParagraph(0);
    const bool styled = run.bold || run.italic || run.underline;
    if (!run.link.isEmpty()) {
        QString target = run.link;
        target.replace(QLatin1Char('"'), QLatin1String("%22"));
        m_body += "{\\field{\\*\\fldinst{HYPERLINK \"";
        p_appendEscaped(target);
        m_body += "\"}}{\\fldrslt ";
    }
    if (styled) {
        m_body += '{';
        if (run.bold) m_body += "\\b";
        if (run.italic) m_body += "\\i";
        if (run.underline) m_body += "\\ul";
        m_body += ' ';
    }
    p_appendEscaped(text);
    if (styled) m_body += '}';
    if (!run.link.isEmpty()) m_body += "}}";
}

void TDRTFWriter::appendDocument(const QTextDocument& text, int indent) {
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next()) {
        beginParagraph(indent);
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            if (!fragment.isValid()) continue;
            const QTextCharFormat format = fragment.charFormat();
            Run run;
            run.bold = format.fontWeight() >= QFont::Bold;
            run.italic = format.fontItalic();
            run.underline = format.fontUnderline();
            if (format.isAnchor()) run.link = format.anchorHref();
            // An attachment's object character has no text of its own.
            QString fragmentText = fragment.text();
            fragmentText.remove(QChar::ObjectReplacementCharacter);
            appendText(fragmentText, run);
        }
        endParagraph();
    }
}

QByteArray TDRTFWriter::data() {
    if (m_inParagraph) endParagraph();
    QByteArray document =
        "{\\rtf1\\ansi\\ansicpg1252\\deff0\\uc1{\\fonttbl{\\f0\\fswiss Helvetica;}}\n\\f0\\fs24\n";
    document += m_body;
    document += '}';
    return document;
}

void TDRTFWriter::p_appendEscaped(const QString& text) {
    for (const QChar c : text) {
        const char16_t unit = c.unicode();
        switch (unit) {
            case u'\\':
                m_body += "\\\\";
                continue;
            case u'{':
                m_body += "\\{";
                continue;
            case u'}':
                m_body += "\\}";
                continue;
            case u'\t':
                m_body += "\\tab ";
                continue;
            case u'\n':
            case u'\r':
            case 0x2028:
                m_body += "\\line ";
                continue;
            default:
                break;
        }
        if (unit < 0x80) {
            m_body += char(unit);
            continue;
        }
        // A signed 16-bit number, with "?" for readers that know no Unicode.
        m_body += "\\u" + QByteArray::number(qint16(unit)) + '?';
    }
}

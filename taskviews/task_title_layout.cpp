#include "taskviews/task_title_layout.h"

#include <QFontInfo>
#include <QPainter>
#include <QPainterPath>
#include <QTextLayout>

#include <cmath>

namespace {

constexpr qreal kPillRadius = 3.0;
constexpr qreal kPillOutset = 2.0;

// A line is 1.25 em of the task font, never less than the minimum: the families that stand in for the
// design's fonts report hinted heights that differ by a few pixels, and rows must keep their heights.
qreal linePitch(const QFont& font) {
    const qreal em = font.pixelSize() > 0 ? font.pixelSize() : QFontInfo(font).pixelSize();
    return std::max(TDMinimumTitleLineHeight, std::ceil(1.25 * em));
}

}  // namespace

TDTitleTextLayout::TDTitleTextLayout(const TDStyledTitle& title, qreal width) : m_title(title) {
    // Tokens get their background from the pills; the layout draws only their text.
    QList<QTextLayout::FormatRange> formats = m_title.flattenedFormats();
    for (QTextLayout::FormatRange& run : formats)
        if (run.format.boolProperty(TDTokenProperty) && !run.format.boolProperty(TDPredictedTokenProperty))
            run.format.clearBackground();
    m_layout = std::make_unique<QTextLayout>(m_title.text, TDTitleFonts::shared().task);
    m_layout->setFormats(formats);
    m_pitch = linePitch(m_layout->font());
    // Set on one unbounded line first: most titles fit, and that line is then the one drawn.
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    m_layout->setTextOption(option);
    m_layout->beginLayout();
    QTextLine whole = m_layout->createLine();
    if (whole.isValid()) whole.setNumColumns(int(m_title.text.size()));
    m_layout->endLayout();
    m_lines = whole.isValid() ? TDTitleLineBreaks(m_title, width, whole) : TDTitleLineBreaks(m_title, width);
    if (whole.isValid() && m_lines.size() == 1) {
        whole.setPosition(QPointF(0, std::floor((m_pitch - whole.height()) / 2)));
        m_height = m_pitch;
        return;
    }
    // Each line takes exactly its characters (setNumColumns is honoured with WrapAnywhere).
    option.setWrapMode(QTextOption::WrapAnywhere);
    m_layout->setTextOption(option);
    m_layout->beginLayout();
    qreal y = 0;
    for (const TDTitleParser::Range& range : m_lines) {
        QTextLine line = m_layout->createLine();
        if (!line.isValid()) break;
        line.setNumColumns(int(range.length));
        line.setPosition(QPointF(0, y + std::floor((m_pitch - line.height()) / 2)));
        y += m_pitch;
    }
    m_layout->endLayout();
    m_height = y;
}

TDTitleTextLayout::~TDTitleTextLayout() = default;

QList<QRectF> TDTitleTextLayout::tokenRects(const TDTitleParser::Range& token) const {
    QList<QRectF> rects;
    for (int index = 0; index < m_layout->lineCount(); ++index) {
        const QTextLine line = m_layout->lineAt(index);
        const qsizetype start = std::max<qsizetype>(token.location, line.textStart());
        const qsizetype end =
            std::min<qsizetype>(token.location + token.length, line.textStart() + line.textLength());
        if (start >= end) continue;
        const qreal left = line.cursorToX(int(start));
        const qreal right = line.cursorToX(int(end));
        const qreal top = line.y() + std::max<qreal>(0, (line.height() - m_pitch) / 2);
        rects << QRectF(left - kPillOutset, top + 0.5, right - left + 2 * kPillOutset,
                        std::min(line.height(), m_pitch) - 0.5);
    }
    return rects;
}

qreal TDTitleTextLayout::naturalWidth() const {
    qreal width = 0;
    for (int index = 0; index < m_layout->lineCount(); ++index)
        width = std::max(width, m_layout->lineAt(index).naturalTextWidth());
    return width;
}

void TDTitleTextLayout::draw(QPainter& painter, const QPointF& origin) const {
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    for (const TDTitleParser::Range& token : m_title.tokenRanges) {
        const QBrush background = m_title.formatAt(token.location + token.length - 1).background();
        if (background.style() == Qt::NoBrush) continue;
        for (const QRectF& rect : tokenRects(token)) {
            QPainterPath pill;
            pill.addRoundedRect(rect.translated(origin), kPillRadius, kPillRadius);
            painter.fillPath(pill, background);
        }
    }
    painter.restore();
    m_layout->draw(&painter, origin);
}

TDCharacterAdvances::TDCharacterAdvances(const QFont& font) : m_metrics(font) {
    m_latin1.fill(-1);
}

qreal TDCharacterAdvances::width(const QString& text) const {
    qreal width = 0;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code >= m_latin1.size()) return m_metrics.horizontalAdvance(text);
        qreal& advance = m_latin1[code];
        if (advance < 0) advance = m_metrics.horizontalAdvance(c);
        width += advance;
    }
    return width;
}

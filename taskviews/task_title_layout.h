#pragma once

#include "taskviews/task_title_styling.h"

#include <QFontMetricsF>
#include <QRectF>

#include <array>
#include <memory>

class QPainter;
class QTextLayout;

// A styled title set in lines at a width: the lines break as TDTitleLineBreaks says, the first at the
// top, each line 1.25 em of the task font high and never less than TDMinimumTitleLineHeight. Tokens are
// drawn as rounded pills behind their text.
class TDTitleTextLayout final {
public:
    TDTitleTextLayout(const TDStyledTitle& title, qreal width);
    ~TDTitleTextLayout();

    const TDStyledTitle& title() const { return m_title; }
    const QList<TDTitleParser::Range>& lines() const { return m_lines; }
    qreal height() const { return m_height; }
    // The pills of one token (one per line it covers; one, as tokens never break), from the top left.
    QList<QRectF> tokenRects(const TDTitleParser::Range& token) const;
    // The text's natural width: its widest line.
    qreal naturalWidth() const;

    void draw(QPainter& painter, const QPointF& origin) const;

private:
    TDStyledTitle m_title;
    std::unique_ptr<QTextLayout> m_layout;
    QList<TDTitleParser::Range> m_lines;
    qreal m_height = 0;
    qreal m_pitch = TDMinimumTitleLineHeight;
};

// How wide a text is in a font, without shaping it where that can be helped: Latin-1 text is summed
// from its characters' advances, kept per character; other text is shaped. Kerning and ligatures are
// left out, so the width is near the shaped one but not exact: for telling whether a title clearly fits.
class TDCharacterAdvances final {
public:
    explicit TDCharacterAdvances(const QFont& font);
    qreal width(const QString& text) const;
    const QFontMetricsF& metrics() const { return m_metrics; }

private:
    QFontMetricsF m_metrics;
    mutable std::array<qreal, 256> m_latin1;  // negative until first asked for
};

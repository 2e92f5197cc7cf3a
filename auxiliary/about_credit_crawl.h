#pragma once

#include <QString>

// The credits' crawl: a scroll position that moves one point per tick (back while Alt is held) and
// starts over once the credits have left the view. The credits lie below a blank of twice the view's
// height, so they climb in from the bottom edge at the start and at every start over.
class TDAboutCreditCrawl {
public:
    // The blank above the credits for a view of this height.
    static double topBlank(double viewHeight) { return 2 * viewHeight; }

    explicit TDAboutCreditCrawl(double viewHeight = 0) { reset(viewHeight); }
    void reset(double viewHeight);
    // One tick: the position to show is the current one; then it moves on. `frameHeight` is the blank
    // and the credits together.
    double tick(bool reverse, double frameHeight);
    double currentY() const { return m_currentY; }

private:
    double m_viewHeight = 0;
    double m_currentY = 0;
};

// "Version 1.0.0 (100)": the program's version and build number.
QString TDAboutVersionDescription();

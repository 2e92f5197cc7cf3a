#pragma once

#include <QList>

// One printed page of a laid-out list: the band [top, bottom) of the list's height it shows.
struct TDPrintPage {
    int top = 0;
    int bottom = 0;
    bool operator==(const TDPrintPage&) const = default;
};

// Cuts rows of the given heights, stacked from 0, into pages of at most `pageHeight`. A page ends at
// the last row boundary that fits, so no row is split; a row taller than a whole page is cut at the
// page's end and goes on over the next pages. No rows: no pages; a page height below 1 is taken as 1.
QList<TDPrintPage> TDPaginateRows(const QList<int>& rowHeights, int pageHeight);

#include "taskviews/print_pagination.h"

#include <QtGlobal>

QList<TDPrintPage> TDPaginateRows(const QList<int>& rowHeights, int pageHeight) {
    pageHeight = qMax(1, pageHeight);
    // Every row boundary, from the top of the first row to the bottom of the last.
    QList<int> boundaries{0};
    for (int height : rowHeights) boundaries.append(boundaries.last() + qMax(0, height));
    const int end = boundaries.last();
    QList<TDPrintPage> pages;
    int top = 0;
    qsizetype next = 1;  // the first boundary below the page's top
    while (top < end) {
        const int limit = top + pageHeight;
        while (next < boundaries.size() && boundaries.at(next) <= limit) ++next;
        // The last boundary within the page; none below the top means a row longer than the page.
        const int fitting = boundaries.at(next - 1);
        const int bottom = fitting > top ? fitting : qMin(limit, end);
        pages.append({top, bottom});
        top = bottom;
    }
    return pages;
}

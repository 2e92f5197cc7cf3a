#pragma once

#include "taskviews/gui/print_renderer.h"
#include "taskviews/print_options.h"
#include "taskviews/print_pagination.h"

#include <QMarginsF>

#include <memory>

class QPainter;
class TDTasksViewController;

namespace platform {
class UserDefaults;
}

// Prints the outline of a tasks view controller as it looks on screen. The print is made from an
// off-screen copy with controllers of its own that start from the shown list's view options, filter
// and group, and never store options; it is laid out at the page's width, prints the column titles in
// each page's top margin and breaks pages between rows.
class TDTasksPrintJob final : public TDPrintRenderer {
public:
    // Page margins in points: left, top, right, bottom.
    static constexpr QMarginsF kMargins{30, 45, 0, 30};
    // Points the printed list is narrower than the page's printable width.
    static constexpr int kWidthInset = 20;

    TDTasksPrintJob(TDTasksViewController& shown, platform::UserDefaults& defaults);
    ~TDTasksPrintJob() override;

    TDTasksViewController& copy() const { return *m_copy; }

    QString jobTitle() const override;
    TDPrintOptions& options() override { return m_options; }
    void preparePrinter(QPrinter& printer) const override;
    int print(QPrinter& printer) override;

    // Lays the copy out at the width (pixels of the screen) with every row measured; the pages of
    // the given height its rows fall on.
    QList<TDPrintPage> layOut(int width, int pageHeight);

private:
    void p_measureRows();
    QList<int> p_rowHeights() const;
    void p_drawColumnTitles(QPainter& painter, double pointSize) const;
    void p_drawHeaderAndFooter(QPainter& painter, const QRectF& page, double pointSize, int pageNumber,
                               int pageCount) const;

    std::unique_ptr<TDTasksViewController> m_copy;
    TDPrintOptions m_options;
};

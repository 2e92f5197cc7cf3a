#include "taskviews/gui/tasks_print.h"

#include "model/group.h"
#include "platform/base/clock.h"
#include "taskviews/gui/tasks_header_view.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_controller.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>
#include <QHeaderView>
#include <QLocale>
#include <QPainter>
#include <QPicture>
#include <QPrinter>

namespace {

// Measuring rows can change the heights of the rows below; a few passes settle them.
constexpr int kMeasurePasses = 4;
constexpr double kColumnTitleHeight = 16;
constexpr double kColumnTitlePointSize = 12;
// Room kept between a column's title and the lines either side of it.
constexpr double kColumnTitlePadding = 3;
constexpr double kHeaderFooterPointSize = 9;

}  // namespace

TDTasksPrintJob::TDTasksPrintJob(TDTasksViewController& shown, platform::UserDefaults& defaults)
    : m_copy(std::make_unique<TDTasksViewController>(shown.tasksController().libraryManager())),
      m_options(defaults) {
    TDTasksController& source = shown.tasksController();
    // The copy starts from the options the shown list has now.
    source.saveViewOptions();
    TDTasksController& tasks = m_copy->tasksController();
    tasks.setSavesOptions(false);
    TDTasksView& view = m_copy->tasksView();
    view.setPrinting(true);
    // Drawn into pages only: never a window of its own.
    m_copy->setAttribute(Qt::WA_DontShowOnScreen);
    tasks.setGroup(source.group());
    // A new group clears the filter, so the shown one follows it.
    tasks.setHideOldCompletedTasks(source.hideOldCompletedTasks());
    tasks.setFilterTags(source.filterTags());
    tasks.setTitleFilterPredicate(source.titleFilterPredicate());
    view.deselectAll();
    m_options.setPresentation(&view);
}

TDTasksPrintJob::~TDTasksPrintJob() = default;

QString TDTasksPrintJob::jobTitle() const {
    const TDGroup* group = m_copy->tasksController().group();
    return group ? group->title() : QStringLiteral("Ordello");
}

void TDTasksPrintJob::preparePrinter(QPrinter& printer) const {
    printer.setDocName(jobTitle());
    printer.setFullPage(false);
    printer.setPageMargins(kMargins, QPageLayout::Point);
    // Pixels of the page as large as the screen's, so text is laid out with the screen's measures.
    printer.setResolution(m_copy->tasksView().logicalDpiY());
}

int TDTasksPrintJob::print(QPrinter& printer) {
    TDTasksView& view = m_copy->tasksView();
    view.setPrintsLines(m_options.printLines());
    preparePrinter(printer);
    const double pixelsPerPoint = printer.resolution() / 72.0;
    const QRect paper = printer.pageLayout().paintRectPixels(printer.resolution());
    const int width = qRound(paper.width() - kWidthInset * pixelsPerPoint);
    QList<TDPrintPage> pages = layOut(width, paper.height());
    if (pages.isEmpty()) pages.append({0, 0});

    QPainter painter;
    if (!painter.begin(&printer)) return 0;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (i > 0 && !printer.newPage()) return 0;
        const TDPrintPage& page = pages.at(i);
        p_drawColumnTitles(painter, pixelsPerPoint);
        if (m_options.printHeaderAndFooter())
            p_drawHeaderAndFooter(painter, QRectF(QPointF(0, 0), paper.size()), pixelsPerPoint, int(i + 1),
                                  int(pages.size()));
        if (page.bottom > page.top) {
            // Drawn on a printer a widget becomes a picture of pixels; recorded first, its text stays
            // text.
            QPicture rows;
            view.render(&rows, QPoint(0, 0), QRegion(0, page.top, width, page.bottom - page.top),
                        QWidget::DrawChildren);
            painter.drawPicture(0, 0, rows);
        }
    }
    return painter.end() ? int(pages.size()) : 0;
}

QList<TDPrintPage> TDTasksPrintJob::layOut(int width, int pageHeight) {
    m_copy->resize(width, qMax(1, m_copy->height()));
    m_copy->show();
    p_measureRows();
    return TDPaginateRows(p_rowHeights(), pageHeight);
}

void TDTasksPrintJob::p_measureRows() {
    TDTasksView& view = m_copy->tasksView();
    // Rows are measured as they are painted: painting the whole list measures them all.
    int height = -1;
    for (int pass = 0; pass < kMeasurePasses; ++pass) {
        view.doItemsLayout();
        int total = 0;
        for (int rowHeight : p_rowHeights()) total += rowHeight;
        if (total == height) break;
        height = total;
        m_copy->resize(m_copy->width(), qMax(1, height));
        QPicture sink;
        view.render(&sink, QPoint(), QRegion(), QWidget::DrawChildren);
    }
}

QList<int> TDTasksPrintJob::p_rowHeights() const {
    const TDTasksView& view = m_copy->tasksView();
    QList<int> heights;
    for (QModelIndex row = view.model()->index(0, TDTaskTreeModel::TaskColumn); row.isValid();
         row = view.indexBelow(row))
        heights.append(view.visualRect(row).height());
    return heights;
}

void TDTasksPrintJob::p_drawColumnTitles(QPainter& painter, double pixelsPerPoint) const {
    const TDTasksView& view = m_copy->tasksView();
    const QHeaderView& columns = *view.header();
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(kColumnTitlePointSize);
    font.setUnderline(true);
    painter.save();
    painter.setFont(font);
    const double height = kColumnTitleHeight * pixelsPerPoint;
    const int taskPosition = columns.visualIndex(TDTaskTreeModel::TaskColumn);
    for (int visual = columns.count() - 1; visual > taskPosition; --visual) {
        const int column = columns.logicalIndex(visual);
        if (columns.isSectionHidden(column)) continue;
        const QRectF box(view.columnViewportPosition(column), -height, view.columnWidth(column), height);
        painter.setPen(Qt::black);
        // A title wider than its column is set smaller rather than run into the next column's line.
        const QString title = TDTasksHeaderView::columnTitle(column);
        const QRectF room =
            box.adjusted(kColumnTitlePadding * pixelsPerPoint, 0, -kColumnTitlePadding * pixelsPerPoint, 0);
        painter.setFont(font);
        const double needed = painter.boundingRect(room, Qt::AlignCenter, title).width();
        if (needed > room.width() && room.width() > 0) {
            QFont smaller = font;
            smaller.setPointSizeF(kColumnTitlePointSize * room.width() / needed);
            painter.setFont(smaller);
        }
        painter.drawText(room, Qt::AlignCenter, title);
        if (m_options.printLines()) {
            painter.setPen(QPen(QColor::fromRgbF(0.7f, 0.7f, 0.7f), 0, Qt::DotLine));
            painter.drawLine(QPointF(box.left() + 0.5, box.top() + 0.5), QPointF(box.left() + 0.5, -0.5));
        }
    }
    painter.restore();
}

void TDTasksPrintJob::p_drawHeaderAndFooter(QPainter& painter, const QRectF& page, double pixelsPerPoint,
                                            int pageNumber, int pageCount) const {
    QFont font(QStringLiteral("Helvetica"));
    font.setPointSizeF(kHeaderFooterPointSize);
    painter.save();
    painter.setFont(font);
    painter.setPen(QColor(0x55, 0x55, 0x55));
    const double line = 14 * pixelsPerPoint;
    const QRectF header(0, -kMargins.top() * pixelsPerPoint + 6 * pixelsPerPoint, page.width(), line);
    painter.drawText(header, Qt::AlignLeft | Qt::AlignVCenter,
                     QLocale().toString(TDClock::currentDateTime(), QLocale::ShortFormat));
    painter.drawText(header, Qt::AlignHCenter | Qt::AlignVCenter, jobTitle());
    const QRectF footer(0, page.height() + 8 * pixelsPerPoint, page.width(), line);
    painter.drawText(
        footer, Qt::AlignHCenter | Qt::AlignVCenter,
        QCoreApplication::translate("TDTasksPrintJob", "Page %1 of %2").arg(pageNumber).arg(pageCount));
    painter.restore();
}

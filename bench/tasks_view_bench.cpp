// The task outline on screen: the first paint of a long list never shown before (every row measured),
// and paging down through it, against the floor of drawing the same rows' titles straight and against
// a plain tree view over a standard item model holding the same texts, as a plain Qt program pays.
#include "bench/bench_support.h"
#include "language/date_additions.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "store/library_manager.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/task_title_styling.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>
#include <QImage>
#include <QPainter>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTreeView>

#include <benchmark/benchmark.h>

namespace {

// Every view here is drawn at this size, its titles in the outline's task font (the outline's cells pick
// their fonts themselves; the plain view is given it), so the peers stay comparable.
const QSize kWindow(900, 700);
QFont shownFont() {
    return TDTitleFonts::shared().task;
}

// A list of n tasks shown by a tasks controller and its item model.
class ShownList {
public:
    explicit ShownList(int n) : m_open(0) {
        if (!m_open.isOpen()) return;
        TDLibrary* library = m_open.manager().library();
        TDList* list = library->createList(QStringLiteral("Shown"), library->foldersGroup());
        QList<platform::ManagedObject*> tasks;
        const QDateTime today = dates::dateAtStartOfDay(TDClock::currentDateTime());
        for (int i = 0; i < n; ++i) {
            TDTask* task = library->createOrphanTask();
            task->setTitle(QStringLiteral("Shown task %1 with a title of usual length").arg(i));
            if (i % 7 == 0) task->setNotesString(QStringLiteral("A note on task %1").arg(i));
            // Dates well ahead and an estimate: every attribute column has text, none changes a title's look.
            const QDateTime start = dates::dateByAddingDays(today, 60 + i % 90);
            task->setStartDate(start);
            task->setDueDate(dates::dateByAddingDays(start, 14));
            task->setEstimatedTime(double(15 * 60 * (1 + i % 8)));
            tasks << task;
        }
        if (!list->orderedTasks()->insertObjects(tasks, 0).ok()) return;
        m_open.manager().managedObjectContext()->processPendingChanges();
        QCoreApplication::processEvents();
        controller = std::make_unique<TDTasksController>(m_open.manager());
        controller->setGroup(list);
        model = std::make_unique<TDTaskTreeModel>(controller.get());
        ready = model->rowCount() == n + 1;
    }
    ~ShownList() {
        model.reset();
        controller.reset();
    }

    bool ready = false;
    std::unique_ptr<TDTasksController> controller;
    std::unique_ptr<TDTaskTreeModel> model;

private:
    BenchOpenLibrary m_open;
};

// The first paint of a view never shown before: made, shown and drawn once; only its teardown is not timed.
template <class MakeView>
void timeFirstPaints(benchmark::State& state, MakeView makeView) {
    QImage image(kWindow, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        auto view = makeView();
        view->render(&image);
        benchmark::DoNotOptimize(image.bits());
        state.PauseTiming();
        view.reset();
        state.ResumeTiming();
    }
}

// Paging down through a view drawn once already, back to the top after the last page.
template <class MakeView>
void timePageScrolls(benchmark::State& state, MakeView makeView) {
    const auto view = makeView();
    QImage image(kWindow, QImage::Format_ARGB32_Premultiplied);
    view->render(&image);
    QScrollBar* scroller = view->verticalScrollBar();
    for (auto _ : state) {
        const int next = scroller->value() + scroller->pageStep();
        scroller->setValue(next > scroller->maximum() ? 0 : next);
        view->render(&image);
        benchmark::DoNotOptimize(image.bits());
    }
}

std::unique_ptr<TDTasksView> newView(ShownList& shown) {
    auto view = std::make_unique<TDTasksView>(*shown.controller, *shown.model);
    view->resize(kWindow);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->show();
    return view;
}

void BM_OutlineFirstPaint(benchmark::State& state) {
    ShownList shown(int(state.range(0)));
    if (!shown.ready) return state.SkipWithError("could not show the list");
    timeFirstPaints(state, [&shown] { return newView(shown); });
}
BENCHMARK(BM_OutlineFirstPaint)->Arg(10000)->Unit(benchmark::kMillisecond);

// The titles of the rows the first paint shows, drawn one per 26-point row with no layout at all.
void BM_PaintRowsFloor(benchmark::State& state) {
    ShownList shown(int(state.range(0)));
    if (!shown.ready) return state.SkipWithError("could not show the list");
    QStringList titles;
    for (int row = 1; row <= kWindow.height() / 26 + 1; ++row)
        titles << shown.model->index(row, TDTaskTreeModel::TaskColumn).data().toString();
    QImage image(kWindow, QImage::Format_ARGB32_Premultiplied);
    for (auto _ : state) {
        image.fill(Qt::white);
        QPainter painter(&image);
        for (int row = 0; row < titles.size(); ++row)
            painter.drawText(QRect(60, row * 26, kWindow.width() - 60, 26), Qt::AlignVCenter, titles.at(row));
        painter.end();
        benchmark::DoNotOptimize(image.bits());
    }
}
BENCHMARK(BM_PaintRowsFloor)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_OutlineScrollPage(benchmark::State& state) {
    ShownList shown(int(state.range(0)));
    if (!shown.ready) return state.SkipWithError("could not show the list");
    timePageScrolls(state, [&shown] { return newView(shown); });
}
BENCHMARK(BM_OutlineScrollPage)->Arg(10000)->Unit(benchmark::kMillisecond);

// The texts the outline shows for its tasks (its header row left out): title, the two dates, estimate.
std::unique_ptr<QStandardItemModel> plainModel(ShownList& shown) {
    const int columns[] = {TDTaskTreeModel::TaskColumn, TDTaskTreeModel::StartColumn,
                           TDTaskTreeModel::DueColumn, TDTaskTreeModel::EstimateColumn};
    const int rows = shown.model->rowCount() - 1;
    auto model = std::make_unique<QStandardItemModel>(rows, int(std::size(columns)));
    model->setHorizontalHeaderLabels({TDTaskTreeModel::columnTitle(TDTaskTreeModel::TaskColumn),
                                      TDTaskTreeModel::columnTitle(TDTaskTreeModel::StartColumn),
                                      TDTaskTreeModel::columnTitle(TDTaskTreeModel::DueColumn),
                                      TDTaskTreeModel::columnTitle(TDTaskTreeModel::EstimateColumn)});
    for (int row = 0; row < rows; ++row)
        for (int column = 0; column < int(std::size(columns)); ++column)
            model->setItem(row, column,
                           new QStandardItem(shown.model->index(row + 1, columns[column]).data().toString()));
    return model;
}

std::unique_ptr<QTreeView> newPlainView(QStandardItemModel& model) {
    auto view = std::make_unique<QTreeView>();
    // Before the model, as a program sets up its view: a later font change lays out every row again.
    view->setFont(shownFont());
    view->setModel(&model);
    view->resize(kWindow);
    view->setAttribute(Qt::WA_DontShowOnScreen);
    view->show();
    return view;
}

void BM_PlainTreeViewFirstPaint(benchmark::State& state) {
    ShownList shown(int(state.range(0)));
    if (!shown.ready) return state.SkipWithError("could not show the list");
    const std::unique_ptr<QStandardItemModel> model = plainModel(shown);
    timeFirstPaints(state, [&model] { return newPlainView(*model); });
}
BENCHMARK(BM_PlainTreeViewFirstPaint)->Arg(10000)->Unit(benchmark::kMillisecond);

void BM_PlainTreeViewScrollPage(benchmark::State& state) {
    ShownList shown(int(state.range(0)));
    if (!shown.ready) return state.SkipWithError("could not show the list");
    const std::unique_ptr<QStandardItemModel> model = plainModel(shown);
    timePageScrolls(state, [&model] { return newPlainView(*model); });
}
BENCHMARK(BM_PlainTreeViewScrollPage)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

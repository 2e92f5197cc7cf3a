// One keystroke in the title editor of a task in a long list: the text change, the restyle of the
// title's tokens and the editor's geometry, as the user feels them while typing.
#include "bench/bench_support.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "store/library_manager.h"
#include "taskviews/gui/tasks_view.h"
#include "taskviews/gui/tasks_view_editing.h"
#include "taskviews/gui/title_editor.h"
#include "taskviews/task_tree_model.h"
#include "taskviews/tasks_controller.h"

#include <QCoreApplication>
#include <QKeyEvent>

#include <benchmark/benchmark.h>

namespace {

void BM_TypeTitleKeystroke(benchmark::State& state) {
    BenchOpenLibrary open(0);
    if (!open.isOpen()) return state.SkipWithError("no library");
    TDLibrary* library = open.manager().library();
    TDList* list = library->createList(QStringLiteral("Typed"), library->foldersGroup());
    QList<platform::ManagedObject*> tasks;
    for (int i = 0; i < int(state.range(0)); ++i) {
        TDTask* task = library->createOrphanTask();
        task->setTitle(QStringLiteral("Task %1 with a /tag and a title of usual length").arg(i));
        tasks << task;
    }
    if (!list->orderedTasks()->insertObjects(tasks, 0).ok())
        return state.SkipWithError("could not fill the list");
    open.manager().managedObjectContext()->processPendingChanges();
    QCoreApplication::processEvents();
    TDTasksController controller(open.manager());
    controller.setGroup(list);
    TDTaskTreeModel model(&controller);
    TDTasksView view(controller, model);
    controller.setPresentation(&view);
    controller.setMode(0);
    view.resize(900, 700);
    view.setAttribute(Qt::WA_DontShowOnScreen);
    view.show();
    auto* edited = static_cast<TDTask*>(tasks.at(tasks.size() / 2));
    if (!view.editing().editTask(edited, TDTaskTreeModel::TaskColumn, false))
        return state.SkipWithError("could not edit the title");
    TDTaskTitleTextView* editor = view.editing().titleEditor();
    editor->moveCursor(QTextCursor::End);
    int typed = 0;
    for (auto _ : state) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(editor, &press);
        if (++typed == 40) {
            state.PauseTiming();
            editor->setEditedText(edited->title());
            editor->moveCursor(QTextCursor::End);
            typed = 0;
            state.ResumeTiming();
        }
    }
    view.editing().endEditing(false);
    controller.setPresentation(nullptr);
}
BENCHMARK(BM_TypeTitleKeystroke)->Arg(10000)->Unit(benchmark::kMillisecond);

}  // namespace

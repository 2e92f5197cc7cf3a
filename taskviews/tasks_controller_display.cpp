// What the list shows: columns, the grouping limit, hidden completed tasks and expanded notes.
#include "taskviews/tasks_controller.h"

#include "model/group.h"
#include "model/task.h"
#include "platform/base/clock.h"
#include "platform/defaults/user_defaults.h"
#include "platform/sound/sound_sink.h"
#include "taskviews/task_presentation.h"
#include "taskviews/task_window_context.h"
#include "taskviews/tasks_view_task_enumerator.h"

bool TDTasksController::isColumnShown(int column) const {
    return m_outline && !m_outline->isTaskColumnHidden(column);
}

void TDTasksController::toggleColumn(int column) {
    if (!m_outline || column < 0) return;
    m_outline->finishEditing();
    m_outline->setTaskColumnHidden(column, !m_outline->isTaskColumnHidden(column));
    if (m_window) m_window->updateToolbarLayout();
}

void TDTasksController::changeGroupingLimit(qint64 limit) {
    if (m_outline) m_outline->finishEditing();
    setGroupingLimit(quint64(std::max<qint64>(limit, 0)));
    if (m_window) m_window->updateToolbarLayout();
    p_groupByAttribute(m_groupingAttribute, m_reverseSort, true);
    reload();
}

void TDTasksController::hideCompletedTasks() {
    if (!m_group || m_group->isArchived()) return;
    bool closedShown = false;
    TDTasksViewTaskEnumerator tasks(this);
    while (TDTask* task = tasks.nextObject())
        if (!task->isIncomplete()) {
            closedShown = true;
            break;
        }
    if (!closedShown) return;
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    if (m_hideOldCompletedTasks && defaults.boolean(QStringLiteral("playSoundEffects")))
        platform::SoundSink::shared().playSound(QStringLiteral("archive.oga"),
                                                defaults.real(QStringLiteral("soundEffectVolume")));
    setHideOldCompletedTasksCutoffDate(TDClock::currentDateTime());
    setHideOldCompletedTasks(true);
}

bool TDTasksController::toggleNotes() {
    platform::UserDefaults& defaults = platform::UserDefaults::standard();
    const bool expand = !defaults.boolean(QStringLiteral("expandNotes"));
    defaults.setValue(QStringLiteral("expandNotes"), expand);
    if (m_outline) m_outline->setExpandAllNotes(expand);
    return expand;
}

// What the task model offers the calendar-store sync: which tasks are mirrored, the title and
// dictionary a mirrored task shows, and taking over the fields of a calendar-store task.

#include "foundation/constants.h"
#include "model/calendar_store_sync_settings.h"
#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "model/task_notes_text.h"
#include "platform/base/format.h"
#include "platform/base/log.h"
#include "platform/calendarstore/calendar_store.h"
#include "platform/calendarstore/calendar_task.h"
#include "platform/defaults/user_defaults.h"

#include <QTextCursor>
#include <QTextDocument>

namespace {

const QString kAddListPrefix = QStringLiteral("remindersSyncAddListPrefixToTaskTitle");

// The calendar store keeps whole seconds: finer parts must not read as a change.
bool sameSecond(const QDateTime& a, const QDateTime& b) {
    if (!a.isValid() || !b.isValid()) return a.isValid() == b.isValid();
    return a.toSecsSinceEpoch() == b.toSecsSinceEpoch();
}

// The title without a leading "<list title>:" and one optional space; the list title is plain text.
QString titleWithoutListPrefix(const QString& title, const QString& listTitle) {
    const QString prefix = listTitle + QLatin1Char(':');
    if (listTitle.isEmpty() || !title.startsWith(prefix)) return title;
    QString rest = title.mid(prefix.size());
    if (rest.startsWith(QLatin1Char(' '))) rest.remove(0, 1);
    return rest;
}

}  // namespace

bool TDTask::shouldSyncToCalendarStore() const {
    return !isArchived() && !isCanceled() && !hasSubtasks();
}

QString TDTask::titleForCalTask() {
    TDList* taskList = list();
    if (!taskList || !platform::UserDefaults::standard().boolean(kAddListPrefix)) return title();
    return formatString("%@: %@", taskList->title(), title());
}

QVariantMap TDTask::propertyListRepresentationForCalendarStoreSyncing() {
    QVariantMap dictionary = propertyListRepresentation();
    dictionary.insert(QStringLiteral("titleForCalTask"), titleForCalTask());
    const QString notes = TDTaskNotesString(this);
    if (notes.isNull())
        dictionary.remove(QStringLiteral("notes"));
    else
        dictionary.insert(QStringLiteral("notes"), notes);
    return dictionary;
}

void TDTask::updateFromCalTask(const platform::CalendarTask& calTask) {
    if (primitiveValue(QStringLiteral("calendarStoreUID")).toString() != calTask.uid())
        setValue(QStringLiteral("calendarStoreUID"), calTask.uid());

    QString newTitle = calTask.title();
    TDList* taskList = list();
    if (taskList && platform::UserDefaults::standard().boolean(kAddListPrefix))
        newTitle = titleWithoutListPrefix(newTitle, taskList->title());
    if (newTitle != title()) setTitle(newTitle);

    if (calTask.notes() != TDTaskNotesString(this)) {
        if (calTask.notes().isEmpty()) {
            TDSetTaskNotes(this, nullptr);
        } else {
            QTextDocument notes;
            QTextCursor cursor(&notes);
            QTextCharFormat format;
            format.setForeground(TDConstants::shared().TDNoteTextColor);
            cursor.insertText(calTask.notes(), format);
            TDSetTaskNotes(this, &notes);
        }
    }

    const qint64 newPriority = priorityFromCalTaskPriority(calTask.priority());
    if (newPriority != priority()) setPriority(newPriority);

    const QDateTime completed = calTask.completedDate();
    if (!sameSecond(completed, completedDate())) {
        if (completed.isValid()) {
            setCompleted(true);
            setValue(QStringLiteral("completedDate"), completed);
        } else {
            setCompleted(false);
        }
    }

    if (!sameSecond(calTask.dueDate(), dueDate())) setDueDate(calTask.dueDate());
}

void TDTask::deleteCalTask() {
    const QString uid = primitiveValue(QStringLiteral("calendarStoreUID")).toString();
    TDLibrary* library = this->library();
    if (uid.isEmpty() || !library || !library->calendarStoreSyncSettings().isSyncingEnabledForTask(this))
        return;
    platform::CalendarStore& store = platform::CalendarStore::defaultStore();
    const std::optional<platform::CalendarTask> calTask = store.taskWithUid(uid);
    if (!calTask) return;
    if (const Status removed = store.removeTask(*calTask); !removed)
        logWithLevel(TDLogError, "ERROR", "Could not delete CalTask after deleting synced task: %@",
                     removed.error().description);
}

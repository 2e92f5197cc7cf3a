#include "store/library_validate_operation.h"

#include "foundation/string_additions.h"
#include "model/group.h"
#include "model/library.h"
#include "model/recurrence.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "store/library_maintenance_support.h"

#include <algorithm>
#include <functional>

using platform::ManagedObject;
using namespace librarymaintenance;

namespace {

qsizetype countIf(const QList<ManagedObject*>& objects, const std::function<bool(ManagedObject*)>& test) {
    return std::count_if(objects.begin(), objects.end(), test);
}

}  // namespace

void TDLibraryValidateOperation::p_fail(const QString& line, bool info) {
    m_valid = false;
    if (info)
        logWithLevel(TDLogInfo, "INFO", "%@", line);
    else
        logWithLevel(TDLogWarning, "WARNING", "%@", line);
}

void TDLibraryValidateOperation::performOperation() {
    logWithLevel(TDLogInfo, "INFO", "Validating library on release version");
    m_valid = true;
    TDLibrary* library = m_library;
    const QString task = QStringLiteral("Task");
    const QString group = QStringLiteral("Group");
    const QString notes = QStringLiteral("TaskNotes");

    if (const qsizetype n = fetch(library, QStringLiteral("Library")).size(); n > 1)
        p_fail(formatString("There are %ld", n));
    const std::pair<TDGroup* (TDLibrary::*)(), const char*> specials[] = {
        {&TDLibrary::rootGroup, "Could not find root group"},
        {&TDLibrary::inboxGroup, "Could not find Inbox"},
        {&TDLibrary::todayGroup, "Could not find Today"},
        {&TDLibrary::upcomingGroup, "Could not find Upcoming"},
        {&TDLibrary::foldersGroup, "Could not find Folders group"},
        {&TDLibrary::tagsGroup, "Could not find Tags group"},
        {&TDLibrary::archiveGroup, "Could not find Archived group"},
    };
    for (const auto& [find, line] : specials)
        if (!(library->*find)()) p_fail(QString::fromLatin1(line));

    if (const qsizetype n = duplicateUIDCount(fetch(library, group)))
        p_fail(formatString("Number of groups with duplicate UIDs: %ld", n));
    if (const qsizetype n = fetch(library, group, QStringLiteral("title = NIL")).size())
        p_fail(formatString("Number of groups without a title: %ld", n));
    if (const qsizetype n = fetch(library, group, QStringLiteral("parentGroup = NIL")).size(); n > 1)
        p_fail(formatString("Number of orphaned groups: %ld", n - 1));

    const QList<ManagedObject*> tags =
        fetch(library, QStringLiteral("Tag"), {}, {}, {platform::SortDescriptor(QStringLiteral("title"))});
    for (qsizetype i = 1; i < tags.size(); ++i) {
        const QVariant title = tags[i]->primitiveValue(QStringLiteral("title"));
        if (title == tags[i - 1]->primitiveValue(QStringLiteral("title")))
            p_fail(formatString("Multiple tags named \"%@\"", title.toString()));
    }
    for (const ManagedObject* tag : tags)
        if (stringByTrimming(tag->primitiveValue(QStringLiteral("title")).toString()).isEmpty())
            p_fail(QStringLiteral("There is a tag with an empty name"));

    if (const qsizetype n =
            countIf(fetch(library, QStringLiteral("SmartFolderRule")), [](ManagedObject* rule) {
                return !pointsBack(rule->object(QStringLiteral("smartFolder")),
                                   QStringLiteral("smartFolderRule"), rule);
            }))
        p_fail(formatString(
            "Number of smart folder rules with invalid bidirectional relationships to smart folder: %ld", n));

    if (const qsizetype n = duplicateUIDCount(fetch(library, task)))
        p_fail(formatString("Number of tasks with duplicate UIDs: %ld", n));
    const QList<TDTask*> allTasks = library->allTasks();
    if (const qsizetype n =
            std::count_if(allTasks.begin(), allTasks.end(), [](TDTask* t) { return !t->list(); }))
        p_fail(formatString("Number of tasks without list: %ld", n));
    if (const qsizetype n =
            fetch(library, task, QStringLiteral("parentList = NIL AND parentTask = NIL")).size())
        p_fail(formatString("Number of orphaned tasks: %ld", n));
    if (const qsizetype n =
            fetch(library, notes, QStringLiteral("uid = NIL OR uid = '' OR task = NIL")).size())
        p_fail(formatString("Number of TaskNotes without uid: %ld", n));
    if (const qsizetype n =
            fetch(library, task,
                  QStringLiteral("completedDate != NIL AND (status = NIL OR (NOT status IN %@))"),
                  finishedStatuses())
                .size())
        p_fail(formatString("Number of tasks with completedDate but not a valid status: %ld", n));
    if (const qsizetype n =
            fetch(library, task, QStringLiteral("status IN %@ AND completedDate = NIL"), finishedStatuses())
                .size())
        p_fail(
            formatString("Number of tasks with completed or canceled status but nil completedDate: %ld", n));
    if (const qsizetype n = finishedParentsWithOpenDescendants(library).size())
        p_fail(
            formatString("Number of completed or canceled parent tasks with incomplete child tasks: %ld", n));

    const ArchivePartition partition = archivePartition(library);
    const qsizetype unarchived = partition.unarchived.size(), archived = partition.archived.size();
    if (allTasks.size() != unarchived + archived)
        p_fail(
            formatString("Number of archived tasks and unarchived tasks don't match the total number of "
                         "tasks: %ld != %ld + %ld",
                         allTasks.size(), unarchived, archived));
    if (std::any_of(partition.unarchived.begin(), partition.unarchived.end(),
                    [](const TDTask* t) { return t->isArchived(); }))
        p_fail(QStringLiteral("There are subtasks in the folders group that archived"));
    if (std::any_of(partition.archived.begin(), partition.archived.end(),
                    [](const TDTask* t) { return !t->isArchived(); }))
        p_fail(QStringLiteral("There are tasks inside the archive group that are not archived"));

    if (const qsizetype n = fetch(library, notes, QStringLiteral("task = NIL")).size())
        p_fail(formatString("Number of task notes without tasks: %ld", n));
    if (const qsizetype n =
            fetch(library, task,
                  QStringLiteral("(notesUID != NIL AND notes = NIL) OR (notes != NIL AND notesUID = NIL)"))
                .size())
        p_fail(formatString("Number of tasks with broken soft relationship to notes: %ld", n));
    if (const qsizetype n =
            countIf(fetch(library, task, QStringLiteral("notes != NIL")), [](ManagedObject* t) {
                const QVariant uid =
                    t->object(QStringLiteral("notes"))->primitiveValue(QStringLiteral("uid"));
                return uid.typeId() != QMetaType::QString ||
                       uid != t->primitiveValue(QStringLiteral("notesUID"));
            }))
        p_fail(formatString("Number of tasks with non-matching note IDs: %ld", n));
    if (const qsizetype n =
            fetch(library, notes, QStringLiteral("string = NIL AND webArchiveData = NIL")).size())
        p_fail(formatString("Number of notes without string or webArchiveData: %ld", n), true);
    if (const qsizetype n =
            fetch(library, notes, QStringLiteral("string = NIL AND webArchiveData != NIL")).size())
        p_fail(formatString("Number of tasks with nil string when webArchiveData is not nil: %ld", n), true);
    if (const qsizetype n = countIf(fetch(library, notes), [](ManagedObject* note) {
            return !pointsBack(note->object(QStringLiteral("task")), QStringLiteral("notes"), note);
        }))
        p_fail(formatString("Number of task notes with invalid bidirectional relationships to task: %ld", n));

    const QList<ManagedObject*> recurrences = fetch(library, QStringLiteral("Recurrence"));
    if (const qsizetype n = countIf(recurrences, [](ManagedObject* object) {
            const auto* recurrence = dynamic_cast<TDRecurrence*>(object);
            const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
            return !rule || !rule->validate().ok();
        }))
        p_fail(formatString("Number of tasks with invalid recurrences: %ld", n));
    if (const qsizetype n = duplicateUIDCount(recurrences))
        p_fail(formatString("Number of duplicate recurrence objects: %ld", n));
    if (const qsizetype n = countIf(recurrences, [](ManagedObject* recurrence) {
            return !pointsBack(recurrence->object(QStringLiteral("task")), QStringLiteral("recurrence"),
                               recurrence);
        }))
        p_fail(
            formatString("Number of recurrences with invalid bidirectional relationships to task: %ld", n));
}

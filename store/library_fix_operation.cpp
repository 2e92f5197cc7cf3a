#include "store/library_fix_operation.h"

#include "foundation/string_additions.h"
#include "foundation/timing.h"
#include "language/localized_string.h"
#include "language/title_parser.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/object_casts.h"
#include "model/ordered_collection.h"
#include "model/recurrence.h"
#include "model/tag.h"
#include "model/task.h"
#include "model/task_notes.h"
#include "model/uid.h"
#include "platform/base/clock.h"
#include "platform/base/log.h"
#include "platform/objectstore/managed_object_context.h"
#include "store/library_maintenance_support.h"

#include <QTextDocument>

#include <functional>

using platform::ManagedObject;
using namespace librarymaintenance;

namespace {

const QString kUID = QStringLiteral("uid");
const QString kTitle = QStringLiteral("title");
const QString kStatus = QStringLiteral("status");
const QString kCompletedDate = QStringLiteral("completedDate");
const QString kNotes = QStringLiteral("notes");
const QString kNotesUID = QStringLiteral("notesUID");
const QString kRecurrence = QStringLiteral("recurrence");

QList<platform::SortDescriptor> byKey(const QString& key) {
    return {platform::SortDescriptor(key)};
}

QString uidOf(const ManagedObject* object) {
    return object->primitiveValue(kUID).toString();
}

// What the user wrote in a task's notes; tasks count as copies only when this matches too, so merging
// duplicates never drops a note.
QVariantList notesContent(const ManagedObject* task) {
    const ManagedObject* notes = task->object(kNotes);
    if (!notes) return {};
    return {notes->primitiveValue(QStringLiteral("string")),
            notes->primitiveValue(QStringLiteral("webArchiveData"))};
}

}  // namespace

void TDLibraryFixOperation::performOperation() {
    pushTimestamp();
    p_fixLibraryObjects();
    p_fixSpecialGroups();
    p_fixParentlessGroups();
    p_fixMisplacedLists();
    p_fixDuplicateGroupUIDs();
    p_fixTags();
    p_fixSmartFolderRules();
    p_fixTasksWithoutList();
    p_fixDuplicateTaskUIDs();
    p_fixTagsNamedInTitles();
    p_fixStatuses();
    p_fixArchiveFlags();
    p_fixNotes();
    p_fixRecurrences();
    m_library->reloadAllSmartFolders();
    logWithLevel(TDLogInfo, "INFO", "Library fix operation took %lf seconds", popElapsedSeconds());
}

// A second library object holds only change journals; the one this library answers for stays.
void TDLibraryFixOperation::p_fixLibraryObjects() {
    for (ManagedObject* library : fetch(m_library, QStringLiteral("Library"))) {
        if (library == m_library) continue;
        logWithLevel(TDLogWarning, "WARNING", "Deleting extra library object %@", uidOf(library));
        library->managedObjectContext()->deleteObject(library);
        ++m_numberOfProblemsFixed;
    }
}

// A special group that cannot be found is recovered by its fixed UID when it lost its title or flag,
// and otherwise made again where a new library has it.
void TDLibraryFixOperation::p_fixSpecialGroups() {
    TDGroup* root = m_library->rootGroup();
    if (!root) {
        root = m_library->groupWithUID(TDLibrary::RootGroupUID);
        if (!root) {
            root = m_library->createFolder(QStringLiteral("Root Group"), nullptr, true);
            root->setValue(kUID, TDLibrary::RootGroupUID);
        }
        logWithLevel(TDLogWarning, "WARNING", "Restoring special group '%@'", QStringLiteral("Root Group"));
        root->setParentGroup(nullptr);
        m_library->setRootGroup(root);
        ++m_numberOfProblemsFixed;
    }
    auto parentFolder = [this, root](const QString& uid, const QString& title) -> TDGroup* {
        if (TDGroup* folder = m_library->groupWithUID(uid)) return folder;
        TDGroup* folder = m_library->createFolder(title, root, true);
        folder->setValue(kUID, uid);
        return folder;
    };
    struct Special {
        TDGroup* (TDLibrary::*find)();
        QString title;
        QString uid;
        std::function<TDGroup*()> create;
    };
    const Special specials[] = {
        {&TDLibrary::foldersGroup, QStringLiteral("Folders"), TDLibrary::FoldersGroupUID,
         [&] { return m_library->createFolder(QStringLiteral("Folders"), root, true); }},
        {&TDLibrary::archiveGroup, QStringLiteral("Archive"), TDLibrary::ArchiveGroupUID,
         [&] { return m_library->createFolder(QStringLiteral("Archive"), root, true); }},
        {&TDLibrary::tagsGroup, QStringLiteral("Tags"), TDLibrary::TagsGroupUID,
         [&] { return m_library->createFolder(QStringLiteral("Tags"), root, true); }},
        {&TDLibrary::inboxGroup, QStringLiteral("Inbox"), TDLibrary::InboxListUID,
         [&] {
             return m_library->createList(QStringLiteral("Inbox"),
                                          parentFolder(TDLibrary::InboxFolderUID, QStringLiteral("INBOX")),
                                          true);
         }},
        {&TDLibrary::todayGroup, QStringLiteral("Today"), TDLibrary::TodayGroupUID,
         [&] {
             TDGroup* today = m_library->createTodaySmartFolder();
             (void)parentFolder(TDLibrary::OrdellosFolderUID, QStringLiteral("Ordellos"))
                 ->orderedSubgroups()
                 ->addObject(today);  // the collection logs a refusal
             return today;
         }},
        {&TDLibrary::upcomingGroup, QStringLiteral("Upcoming"), TDLibrary::UpcomingGroupUID,
         [&] {
             TDGroup* upcoming = m_library->createUpcomingSmartFolder();
             (void)parentFolder(TDLibrary::OrdellosFolderUID, QStringLiteral("Ordellos"))
                 ->orderedSubgroups()
                 ->addObject(upcoming);  // the collection logs a refusal
             return upcoming;
         }},
    };
    for (const Special& special : specials) {
        if ((m_library->*special.find)()) continue;
        logWithLevel(TDLogWarning, "WARNING", "Restoring special group '%@'", special.title);
        if (TDGroup* group = m_library->groupWithUID(special.uid)) {
            group->ManagedObject::setValue(kTitle, special.title);
            group->setSpecial(true);
        } else {
            TDGroup* made = special.create();
            made->setValue(kUID, special.uid);
        }
        ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixParentlessGroups() {
    TDGroup* root = m_library->rootGroup();
    const QList<TDGroup*> groups = m_library->allGroups();
    for (TDGroup* group : groups) {
        if (!group->primitiveValue(kTitle).isNull()) continue;
        logWithLevel(TDLogWarning, "WARNING", "Naming untitled group %@", group->uid());
        group->ManagedObject::setValue(kTitle, TDLocalizedString("New Group"));
        ++m_numberOfProblemsFixed;
    }
    for (TDGroup* group : groups) {
        if (group == root || group->parentGroup()) continue;
        const bool tagLike = group->isTag() || group->isTagBundle();
        // The special groups of the top level belong to the root; everything else to its own section.
        TDGroup* home = group->isSpecial() ? root
                        : tagLike          ? m_library->tagsGroup()
                                           : m_library->foldersGroup();
        if (!home || home == group) continue;
        if (tagLike)
            logWithLevel(TDLogWarning, "WARNING", "Adding parentless tag or tag bundle '%@' to tags group",
                         group->title());
        else
            logWithLevel(TDLogWarning, "WARNING", "Adding parentless folder '%@' to folders group",
                         group->title());
        // The collection logs a refusal, which is no fix.
        if (home->orderedSubgroups()->addObject(group).ok()) ++m_numberOfProblemsFixed;
    }
}

// Tasks live in the lists under the folders group, under the archive group, or in the Inbox; a list
// elsewhere would keep its tasks out of both.
void TDLibraryFixOperation::p_fixMisplacedLists() {
    TDGroup* folders = m_library->foldersGroup();
    TDGroup* archive = m_library->archiveGroup();
    if (!folders) return;
    for (TDGroup* list : m_library->allLists()) {
        if (list == m_library->inboxGroup() || list->isDescendantOf(folders) ||
            (archive && list->isDescendantOf(archive)))
            continue;
        logWithLevel(TDLogWarning, "WARNING", "Adding misplaced list '%@' to folders group", list->title());
        // The collection logs a refusal, which is no fix.
        if (folders->orderedSubgroups()->addObject(list).ok()) ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixDuplicateGroupUIDs() {
    const QList<ManagedObject*> groups = fetch(m_library, QStringLiteral("Group"), {}, {}, byKey(kUID));
    for (qsizetype i = 1; i < groups.size(); ++i) {
        if (uidOf(groups[i - 1]) != uidOf(groups[i])) continue;
        logWithLevel(TDLogWarning, "WARNING", "Changing group UID because it has duplicate UID: %@",
                     groups[i - 1]->primitiveValue(kTitle).toString());
        groups[i - 1]->setValue(kUID, TDNewUID());
        ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixTags() {
    const QList<TDTag*> tags =
        TDObjectsOfClass<TDTag>(fetch(m_library, QStringLiteral("Tag"), {}, {}, byKey(kTitle)));
    for (qsizetype i = 1; i < tags.size(); ++i) {
        if (tags[i]->primitiveValue(kTitle) != tags[i - 1]->primitiveValue(kTitle)) continue;
        tags[i]->mergeWithTag(tags[i - 1]);
        logWithLevel(TDLogWarning, "WARNING", "Merging tags with the same name '%@'", tags[i]->title());
        ++m_numberOfProblemsFixed;
    }
    qint64 blank = 0;
    for (TDTag* tag : tags) {
        if (tag->isDeleted() || !stringByTrimming(tag->title()).isEmpty()) continue;
        tag->deleteObject();
        ++blank;
    }
    if (blank > 0) logWithLevel(TDLogWarning, "WARNING", "Deleted %ld blank tags", blank);
    m_numberOfProblemsFixed += quint64(blank);
}

void TDLibraryFixOperation::p_fixSmartFolderRules() {
    const QString ruleKey = QStringLiteral("smartFolderRule");
    qint64 relinked = 0;
    for (ManagedObject* folder : fetch(m_library, QStringLiteral("SmartFolder"))) {
        ManagedObject* rule = folder->object(ruleKey);
        if (!rule || rule->object(QStringLiteral("smartFolder")) == folder) continue;
        folder->setObject(ruleKey, nullptr);
        folder->setObject(ruleKey, rule);
        ++relinked;
    }
    if (relinked > 0)
        logWithLevel(TDLogWarning, "WARNING",
                     "Fixed %ld smart folder rules with broken bidirectional relationships to smart folders",
                     relinked);
    qint64 orphans = 0;
    for (ManagedObject* rule : fetch(m_library, QStringLiteral("SmartFolderRule"))) {
        if (pointsBack(rule->object(QStringLiteral("smartFolder")), ruleKey, rule)) continue;
        rule->managedObjectContext()->deleteObject(rule);
        ++orphans;
    }
    if (orphans > 0)
        logWithLevel(TDLogWarning, "WARNING", "Deleted %@ orphaned smart folder rule objects",
                     QString::number(orphans));
    m_numberOfProblemsFixed += quint64(relinked + orphans);
}

void TDLibraryFixOperation::p_fixTasksWithoutList() {
    TDGroup* inbox = m_library->inboxGroup();
    for (TDTask* task : m_library->allTasks()) {
        if (task->list()) continue;
        if (TDList* parentList = task->parentList()) {
            task->setTopList(parentList);
            continue;
        }
        // A subtask follows its topmost task, which is moved itself.
        if (task->parentTask() || !inbox) continue;
        logWithLevel(TDLogWarning, "WARNING", "Adding orphan task '%@' to Inbox", task->title());
        // The collection logs a refusal, which is no fix.
        if (inbox->orderedTasks()->addObject(task).ok()) ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixDuplicateTaskUIDs() {
    auto comparable = [](const ManagedObject* task) {
        QVariantMap plist = static_cast<const TDTask*>(task)->propertyListRepresentation();
        for (const char* key : {"displayOrder", "createdDate", "modifiedDate", "notes", "notesUID"})
            plist.remove(QString::fromLatin1(key));
        return plist;
    };
    const QList<ManagedObject*> tasks = fetch(m_library, QStringLiteral("Task"), {}, {}, byKey(kUID));
    // The member of a run that is still there and still holds the UID.
    ManagedObject* first = tasks.isEmpty() ? nullptr : tasks.first();
    for (qsizetype i = 1; i < tasks.size(); ++i) {
        ManagedObject* second = tasks[i];
        if (uidOf(first) != uidOf(second)) {
            first = second;
            continue;
        }
        const QString title = first->primitiveValue(kTitle).toString();
        if (comparable(first) == comparable(second) && notesContent(first) == notesContent(second)) {
            logWithLevel(TDLogWarning, "WARNING", "Deleting identical duplicate task: %@", title);
            const bool keepFirst = first->object(kNotes) != nullptr;
            static_cast<TDTask*>(keepFirst ? second : first)->deleteObject();
            if (!keepFirst) first = second;
        } else {
            logWithLevel(TDLogWarning, "WARNING", "Changing task UID because it has duplicate UID: %@",
                         title);
            first->setValue(kUID, TDNewUID());
            first = second;
        }
        ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixTagsNamedInTitles() {
    auto* context = dynamic_cast<TDManagedObjectContext*>(m_library->managedObjectContext());
    if (context) context->initializeObjectLookupCache();
    for (TDTask* task : m_library->allTasks()) {
        for (const QString& tagTitle : TDTitleParser::tokenTitlesFromEditingString(task->title())) {
            TDTag* tag = m_library->tagWithTitle(tagTitle);
            if (!tag) {
                logWithLevel(TDLogWarning, "WARNING",
                             "Creating tag '%@' because it was missing but present in a task", tagTitle);
                tag = m_library->createTagWithTitle(tagTitle);
                if (!tag) continue;
                ++m_numberOfProblemsFixed;
            }
            if (!tag->objects(QStringLiteral("tasks")).contains(task)) tag->addTasks({task});
        }
    }
    if (context) context->destroyObjectLookupCache();
}

void TDLibraryFixOperation::p_fixStatuses() {
    const QString task = QStringLiteral("Task");
    const QList<ManagedObject*> withoutStatus = fetch(
        m_library, task, QStringLiteral("completedDate != NIL AND (status = NIL OR (NOT status IN %@))"),
        finishedStatuses());
    if (!withoutStatus.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING", "Fixing %ld tasks with completedDate but not a valid status",
                     withoutStatus.size());
        for (ManagedObject* object : withoutStatus) {
            // Keeps the recorded date: it is what the user did.
            const QVariant date = object->primitiveValue(kCompletedDate);
            object->setValue(kStatus, QStringLiteral("C"));
            object->setValue(kCompletedDate, date);
        }
        m_numberOfProblemsFixed += quint64(withoutStatus.size());
    }
    const QList<ManagedObject*> withoutDate =
        fetch(m_library, task, QStringLiteral("status IN %@ AND completedDate = NIL"), finishedStatuses());
    if (!withoutDate.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING",
                     "Fixing %ld tasks with completed or canceled status but nil completedDate",
                     withoutDate.size());
        for (ManagedObject* object : withoutDate)
            object->setValue(kCompletedDate, TDClock::currentDateTime());
        m_numberOfProblemsFixed += quint64(withoutDate.size());
    }

    // Every open task below a finished one takes the parent's status and date, at any depth, which is
    // what the validation looks at.
    qint64 parents = 0;
    for (TDTask* parent : finishedParentsWithOpenDescendants(m_library)) {
        const QString status = parent->status();
        const QVariant date = parent->primitiveValue(kCompletedDate);
        QList<TDTask*> open;
        for (TDTask* member : parent->allTasksInTree())
            if (member != parent && member->isIncomplete()) open.append(member);
        // Collected first: closing one task may close those below it with today's date.
        for (TDTask* member : open) {
            member->setStatus(status);
            member->setValue(kCompletedDate, date);
        }
        parent->setStatus(status);
        parent->setValue(kCompletedDate, date);
        ++parents;
    }
    if (parents > 0)
        logWithLevel(TDLogWarning, "WARNING",
                     "Fixed %ld completed or canceled parent tasks with incomplete child tasks", parents);
    m_numberOfProblemsFixed += quint64(parents);
}

void TDLibraryFixOperation::p_fixArchiveFlags() {
    const ArchivePartition partition = archivePartition(m_library);
    using Side = std::pair<const QSet<TDTask*>*, bool>;
    for (const auto& [tasks, archived] :
         {Side{&partition.unarchived, false}, Side{&partition.archived, true}}) {
        for (TDTask* task : *tasks) {
            if (task->isArchived() == archived) continue;
            task->setArchived(archived);
            ++m_numberOfProblemsFixed;
        }
    }
}

void TDLibraryFixOperation::p_fixNotes() {
    const QString task = QStringLiteral("Task");
    const QString notesEntity = QStringLiteral("TaskNotes");
    // Notes without an identity get one first, so that their task can name them below.
    for (ManagedObject* notes : fetch(m_library, notesEntity, QStringLiteral("uid = NIL OR uid = ''"))) {
        logWithLevel(TDLogWarning, "WARNING", "Giving task notes without uid a new uid");
        notes->setValue(kUID, TDNewUID());
        ++m_numberOfProblemsFixed;
    }
    const QList<ManagedObject*> broken =
        fetch(m_library, task,
              QStringLiteral("(notesUID != NIL AND notes = NIL) OR (notes != NIL AND notesUID = NIL)"));
    if (!broken.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING", "Fixing %ld tasks with broken soft relationship to notes",
                     broken.size());
        for (ManagedObject* object : broken) {
            const ManagedObject* notes = object->object(kNotes);
            object->setValue(kNotesUID, notes ? notes->primitiveValue(kUID) : QVariant());
        }
        m_numberOfProblemsFixed += quint64(broken.size());
    }
    const QList<ManagedObject*> withNotes = fetch(m_library, task, QStringLiteral("notes != NIL"));
    QList<ManagedObject*> mismatched;
    for (ManagedObject* object : withNotes) {
        const QVariant uid = object->object(kNotes)->primitiveValue(kUID);
        if (uid.typeId() != QMetaType::QString || uid != object->primitiveValue(kNotesUID))
            mismatched.append(object);
    }
    if (!mismatched.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING", "Fixing %ld tasks with non-matching note IDs",
                     mismatched.size());
        for (ManagedObject* object : mismatched)
            object->setValue(kNotesUID, object->object(kNotes)->primitiveValue(kUID));
        m_numberOfProblemsFixed += quint64(mismatched.size());
    }
    qint64 relinked = 0;
    for (ManagedObject* object : withNotes) {
        ManagedObject* notes = object->object(kNotes);
        if (notes->object(QStringLiteral("task")) == object) continue;
        object->setObject(kNotes, nullptr);
        object->setObject(kNotes, notes);
        ++relinked;
    }
    if (relinked > 0)
        logWithLevel(TDLogWarning, "WARNING",
                     "Fixed %ld task notes with invalid bidirectional relationships to tasks", relinked);
    m_numberOfProblemsFixed += quint64(relinked);

    qint64 orphans = 0;
    for (ManagedObject* notes : fetch(m_library, notesEntity)) {
        if (pointsBack(notes->object(QStringLiteral("task")), kNotes, notes)) continue;
        notes->managedObjectContext()->deleteObject(notes);
        ++orphans;
    }
    if (orphans > 0) logWithLevel(TDLogWarning, "WARNING", "Deleted %ld orphaned TaskNotes objects", orphans);
    m_numberOfProblemsFixed += quint64(orphans);

    const QList<ManagedObject*> blank =
        fetch(m_library, notesEntity, QStringLiteral("string = NIL AND webArchiveData = NIL"));
    if (!blank.isEmpty()) {
        logWithLevel(TDLogWarning, "WARNING", "Deleting %ld blank task notes...", blank.size());
        for (ManagedObject* notes : blank) notes->managedObjectContext()->deleteObject(notes);
        m_numberOfProblemsFixed += quint64(blank.size());
    }
    for (ManagedObject* object :
         fetch(m_library, notesEntity, QStringLiteral("string = NIL AND webArchiveData != NIL"))) {
        auto* notes = dynamic_cast<TDTaskNotes*>(object);
        if (!notes) continue;
        const std::shared_ptr<const QTextDocument> text = notes->attributedString();
        const QString plain = text ? text->toPlainText() : QString();
        if (plain.isEmpty()) {
            notes->deleteObject();
        } else {
            logWithLevel(TDLogWarning, "WARNING", "Setting string for note from webArchiveData: %@", plain);
            notes->setString(plain);
        }
        ++m_numberOfProblemsFixed;
    }
}

void TDLibraryFixOperation::p_fixRecurrences() {
    const QList<ManagedObject*> recurrences =
        fetch(m_library, QStringLiteral("Recurrence"), {}, {},
              {platform::SortDescriptor(kUID), platform::SortDescriptor(QStringLiteral("task.createdDate"))});
    for (qsizetype i = 1; i < recurrences.size(); ++i) {
        if (uidOf(recurrences[i - 1]) != uidOf(recurrences[i])) continue;
        logWithLevel(TDLogWarning, "WARNING",
                     "deleting recurrence because it's no longer the latest in the series");
        recurrences[i - 1]->managedObjectContext()->deleteObject(recurrences[i - 1]);
        ++m_numberOfProblemsFixed;
    }

    qint64 rules = 0;
    for (ManagedObject* object : fetch(m_library, QStringLiteral("Recurrence"))) {
        auto* recurrence = dynamic_cast<TDRecurrence*>(object);
        const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
        if (!rule || rule->repeatAfterCompletion() || rule->nextStartDate().isValid()) continue;
        TDRecurrenceRule copy = *rule;
        copy.setNextStartDate(copy.predictedNextStartDateOnOrAfterDate(TDClock::currentDateTime()));
        if (!recurrence->setRule(copy).ok()) continue;
        ++rules;
    }
    if (rules > 0) logWithLevel(TDLogWarning, "WARNING", "Fixed %ld invalid recurrence rules", rules);
    m_numberOfProblemsFixed += quint64(rules);

    // A rule that still does not hold cannot make a single occurrence; the task stays, not repeating.
    for (ManagedObject* object : fetch(m_library, QStringLiteral("Recurrence"))) {
        auto* recurrence = dynamic_cast<TDRecurrence*>(object);
        const std::optional<TDRecurrenceRule> rule = recurrence ? recurrence->rule() : std::nullopt;
        if (rule && rule->validate().ok()) continue;
        const ManagedObject* task = object->object(QStringLiteral("task"));
        logWithLevel(TDLogWarning, "WARNING", "Deleting invalid recurrence of task '%@'",
                     task ? task->primitiveValue(kTitle).toString() : QString());
        object->managedObjectContext()->deleteObject(object);
        ++m_numberOfProblemsFixed;
    }

    qint64 relinked = 0;
    for (ManagedObject* task :
         fetch(m_library, QStringLiteral("Task"), QStringLiteral("recurrence != NIL"))) {
        ManagedObject* recurrence = task->object(kRecurrence);
        if (recurrence->object(QStringLiteral("task")) == task) continue;
        task->setObject(kRecurrence, nullptr);
        task->setObject(kRecurrence, recurrence);
        ++relinked;
    }
    if (relinked > 0)
        logWithLevel(TDLogWarning, "WARNING",
                     "Fixed %ld recurrences with broken bidirectional relationships to tasks", relinked);
    m_numberOfProblemsFixed += quint64(relinked);

    qint64 orphans = 0;
    for (ManagedObject* recurrence : fetch(m_library, QStringLiteral("Recurrence"))) {
        if (pointsBack(recurrence->object(QStringLiteral("task")), kRecurrence, recurrence)) continue;
        recurrence->managedObjectContext()->deleteObject(recurrence);
        ++orphans;
    }
    if (orphans > 0)
        logWithLevel(TDLogWarning, "WARNING", "Deleting %@ orphaned recurrence objects",
                     QString::number(orphans));
    m_numberOfProblemsFixed += quint64(orphans);
}

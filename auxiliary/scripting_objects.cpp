#include "auxiliary/scripting_objects.h"

#include "auxiliary/script_errors.h"
#include "auxiliary/scripting_host.h"
#include "auxiliary/timer_controller.h"
#include "foundation/file_attachment.h"
#include "language/localized_string.h"
#include "model/folder.h"
#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/smart_folder.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/objectstore/managed_object_context.h"
#include "platform/undo/undo_manager.h"

#include <QFileInfo>
#include <QTextCursor>
#include <QTextDocument>

namespace {
// Longer than any title a person types, short enough that a runaway script cannot bloat the library.
constexpr qsizetype kMaximumTitleLength = 4096;
constexpr qsizetype kMaximumNotesLength = 1 << 20;

// One script change: one undo step under the menus' name, shown at once in the windows.
class UndoStep final {
public:
    UndoStep(TDLibrary* library, QString name)
        : m_context(library ? library->managedObjectContext() : nullptr),
          m_undo(library ? library->undoManager() : nullptr),
          m_name(std::move(name)) {
        if (m_undo) m_undo->beginUndoGrouping();
    }
    ~UndoStep() {
        if (m_undo) {
            m_undo->endUndoGrouping();
            m_undo->setActionName(m_name);
        }
        if (m_context) m_context->processPendingChanges();
    }
    UndoStep(const UndoStep&) = delete;
    UndoStep& operator=(const UndoStep&) = delete;
    void rename(const QString& name) { m_name = name; }

private:
    platform::ManagedObjectContext* m_context;
    platform::UndoManager* m_undo;
    QString m_name;
};

TDError invalid(const QString& text) {
    return TDScriptError(TDScriptErrorInvalidValue, text);
}

Status validateText(const QString& text, qsizetype maximum, const QString& what) {
    if (text.size() > maximum) return invalid(TDLocalizedString("%1 is too long").arg(what));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool control = u < 0x20 || (u >= 0x7F && u < 0xA0);
        if (control && u != u'\t' && u != u'\n' && u != u'\r')
            return invalid(TDLocalizedString("%1 holds a control character").arg(what));
    }
    return {};
}

bool isInteger(const QVariant& value) {
    switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Short:
        case QMetaType::UShort:
        case QMetaType::UChar:
            return true;
        default:
            return false;
    }
}

QString isoText(const QDateTime& date) {
    return date.isValid() ? date.toString(Qt::ISODate) : QString(QLatin1String(""));
}

Result<QDateTime> dateFromText(const QVariant& value) {
    if (value.typeId() != QMetaType::QString) return invalid(TDLocalizedString("A date is ISO 8601 text"));
    const QString text = value.toString().trimmed();
    if (text.isEmpty()) return QDateTime();
    QDateTime date = QDateTime::fromString(text, Qt::ISODate);
    if (!date.isValid()) {
        const QDate day = QDate::fromString(text, Qt::ISODate);
        if (day.isValid()) date = day.startOfDay();
    }
    if (!date.isValid()) return invalid(TDLocalizedString("\"%1\" is no ISO 8601 date").arg(text));
    return date;
}

TDError wrongType(const QString& name, const QString& signature) {
    return invalid(TDLocalizedString("%1 takes a value of type \"%2\"").arg(name, signature));
}

QVariant objectValue(platform::ManagedObject* object) {
    return platform::objectVariant(object);
}

qsizetype clampedIndex(qsizetype index, qsizetype count) {
    return index < 0 || index > count ? count : index;
}
}  // namespace

TDScriptingObjects::TDScriptingObjects(TDScriptingHost& host) : m_host(host) {
}

TDLibrary* TDScriptingObjects::p_library() const {
    return m_host.library();
}

Result<TDGroup*> TDScriptingObjects::group(const QString& uid) const {
    TDLibrary* library = p_library();
    TDGroup* found = library && !uid.isEmpty() ? library->groupWithUID(uid) : nullptr;
    if (!found || found->isDeleted()) return TDUnknownObjectError();
    return found;
}

Result<TDTask*> TDScriptingObjects::task(const QString& uid) const {
    TDLibrary* library = p_library();
    TDTask* found = library && !uid.isEmpty() ? library->taskWithUID(uid) : nullptr;
    if (!found || found->isDeleted()) return TDUnknownObjectError();
    return found;
}

// --- The application

const QStringList& TDScriptingObjects::specialGroupNames() {
    static const QStringList names{QStringLiteral("Inbox"),        QStringLiteral("TodayList"),
                                   QStringLiteral("UpcomingList"), QStringLiteral("FoldersGroup"),
                                   QStringLiteral("TagsGroup"),    QStringLiteral("ArchiveGroup")};
    return names;
}

Result<TDGroup*> TDScriptingObjects::specialGroup(const QString& name) const {
    TDLibrary* library = p_library();
    if (!library) return TDUnknownObjectError();
    TDGroup* found = nullptr;
    switch (specialGroupNames().indexOf(name)) {
        case 0:
            found = library->inboxGroup();
            break;
        case 1:
            found = library->todayGroup();
            break;
        case 2:
            found = library->upcomingGroup();
            break;
        case 3:
            found = library->foldersGroup();
            break;
        case 4:
            found = library->tagsGroup();
            break;
        case 5:
            found = library->archiveGroup();
            break;
        default:
            break;
    }
    if (!found) return TDUnknownObjectError();
    return found;
}

QList<TDTask*> TDScriptingObjects::selection() const {
    return p_library() ? m_host.selectedTasks() : QList<TDTask*>();
}

Status TDScriptingObjects::setSelection(const QList<TDLibraryObject*>& objects) {
    QList<TDTask*> tasks;
    for (TDLibraryObject* object : objects) {
        TDTask* task = TDTask::from(object);
        if (!task) return TDSelectionOnlyTasksError();
        tasks.append(task);
    }
    if (!tasks.isEmpty()) m_host.revealObject(tasks.first());
    m_host.setSelectedTasks(tasks);
    return {};
}

TDGroup* TDScriptingObjects::selectedGroup() const {
    return p_library() ? m_host.selectedGroup() : nullptr;
}

Status TDScriptingObjects::setSelectedGroup(TDGroup* group) {
    if (!group || !m_host.selectGroup(group)) return TDGroupNotSelectableError();
    return {};
}

TDTask* TDScriptingObjects::timingTask() const {
    // The timed task, not the timer's window: the window may be hidden while a task is timed.
    TDTimerController* timer = p_library() ? m_host.timerController() : nullptr;
    TDTask* task = timer ? timer->task() : nullptr;
    return task && task->isTiming() ? task : nullptr;
}

void TDScriptingObjects::save() {
    if (p_library()) m_host.save();
}

void TDScriptingObjects::stopTiming() {
    TDTimerController* timer = p_library() ? m_host.timerController() : nullptr;
    if (timer && timer->task()) timer->stopAndClose();
}

void TDScriptingObjects::pauseOrResumeTiming() {
    TDTimerController* timer = p_library() ? m_host.timerController() : nullptr;
    if (timer && timer->task()) timer->pauseOrResume();
}

// --- Moving and deleting

Status TDScriptingObjects::move(const QList<TDLibraryObject*>& objects, TDLibraryObject* destination,
                                qsizetype index) {
    TDGroup* toGroup = TDGroup::from(destination);
    TDTask* toTask = TDTask::from(destination);
    if (!toGroup && !toTask) return TDCouldNotMoveObjectError();
    for (TDLibraryObject* object : objects) {
        if (TDGroup* group = TDGroup::from(object)) {
            if (!toGroup || !group->validateParentGroup(toGroup)) return TDCouldNotMoveObjectError();
        } else if (TDTask* task = TDTask::from(object)) {
            const bool accepted =
                toGroup ? toGroup->canAddTask() : toTask != task && !toTask->isDescendantOf(task);
            if (!accepted) return TDCouldNotMoveTaskError();
        }
    }
    UndoStep step(p_library(), TDLocalizedString("Move"));
    qsizetype at = index;
    for (TDLibraryObject* object : objects) {
        if (TDGroup* group = TDGroup::from(object)) {
            TDOrderedCollection* subgroups = toGroup->orderedSubgroups();
            (void)subgroups->insertObject(group, clampedIndex(at, subgroups->count()));
        } else if (TDTask* task = TDTask::from(object)) {
            if (auto* smart = TDSmartFolder::from(toGroup)) {
                smart->dropTasks({task});
                continue;
            }
            if (auto* tag = dynamic_cast<TDTag*>(toGroup)) {
                task->addTagsObject(tag);
                continue;
            }
            TDOrderedCollection* collection = toGroup ? toGroup->orderedTasks() : toTask->orderedTasks();
            (void)collection->insertObject(task, clampedIndex(at, collection->count()));
        }
        if (at >= 0) ++at;
    }
    return {};
}

Status TDScriptingObjects::remove(const QList<TDLibraryObject*>& objects) {
    for (const TDLibraryObject* object : objects)
        if (const TDGroup* group = TDGroup::from(const_cast<TDLibraryObject*>(object));
            group && group->isSpecial())
            return TDCannotDeleteSpecialGroupsError();
    UndoStep step(p_library(), TDLocalizedString("Delete"));
    for (TDLibraryObject* object : objects)
        if (object && !object->isDeleted()) object->deleteObject();
    return {};
}

// --- Groups

const QList<TDScriptingObjects::Property>& TDScriptingObjects::groupPropertyList() {
    static const QList<Property> properties{
        {QStringLiteral("Uid"), QStringLiteral("s"), false},
        {QStringLiteral("Title"), QStringLiteral("s"), true},
        {QStringLiteral("Kind"), QStringLiteral("s"), false},
        {QStringLiteral("Parent"), QStringLiteral("o"), false},
        {QStringLiteral("IsSpecial"), QStringLiteral("b"), false},
    };
    return properties;
}

Result<QVariant> TDScriptingObjects::groupProperty(TDGroup* group, const QString& name) const {
    if (name == QLatin1String("Uid")) return QVariant(group->uid());
    if (name == QLatin1String("Title")) return QVariant(group->localizedTitle());
    if (name == QLatin1String("Kind")) return QVariant(group->type());
    if (name == QLatin1String("Parent")) return objectValue(group->parentGroup());
    if (name == QLatin1String("IsSpecial")) return QVariant(group->isSpecial());
    return invalid(TDLocalizedString("Groups have no property \"%1\"").arg(name));
}

Status TDScriptingObjects::setGroupProperty(TDGroup* group, const QString& name, const QVariant& value) {
    if (name != QLatin1String("Title")) {
        const bool known = std::any_of(groupPropertyList().cbegin(), groupPropertyList().cend(),
                                       [&name](const Property& p) { return p.name == name; });
        return invalid(known ? TDLocalizedString("%1 cannot be changed").arg(name)
                             : TDLocalizedString("Groups have no property \"%1\"").arg(name));
    }
    if (value.typeId() != QMetaType::QString) return wrongType(name, QStringLiteral("s"));
    const QString title = value.toString();
    if (const Status valid = validateTitle(title); !valid) return valid;
    if (group->isSpecial()) return invalid(TDLocalizedString("Special groups keep their titles"));
    UndoStep step(p_library(),
                  group->isTag() ? TDLocalizedString("Rename Tag") : TDLocalizedString("Rename Folder"));
    group->setTitle(title);
    return {};
}

QList<TDGroup*> TDScriptingObjects::subgroups(TDGroup* group) const {
    return group->orderedSubgroups()->objectsAs<TDGroup>();
}

QList<TDTask*> TDScriptingObjects::tasks(TDGroup* group) const {
    if (group->isFolder() || !group->hasTasks()) return {};
    return group->orderedTasks()->objectsAs<TDTask>();
}

Result<TDGroup*> TDScriptingObjects::makeGroup(TDGroup* parent, const QString& kind, const QString& title,
                                               qsizetype index) {
    if (const Status valid = validateTitle(title); !valid) return valid.error();
    TDLibrary* library = p_library();
    if (!library || !parent->isFolder()) return TDCouldNotMoveObjectError();
    const bool folder = kind == QLatin1String("folder");
    const QString name = folder ? TDLocalizedString("New Folder") : TDLocalizedString("New List");
    const QString madeTitle = title.isEmpty() ? name : title;
    UndoStep step(library, name);
    TDGroup* made = folder ? static_cast<TDGroup*>(library->createFolder(madeTitle, nullptr))
                           : static_cast<TDGroup*>(library->createList(madeTitle, nullptr));
    TDOrderedCollection* subgroups = parent->orderedSubgroups();
    if (!made->validateParentGroup(parent) ||
        !subgroups->insertObject(made, clampedIndex(index, subgroups->count())).ok()) {
        made->deleteObject();
        return TDCouldNotMoveObjectError();
    }
    return made;
}

// --- Tasks

const QList<TDScriptingObjects::Property>& TDScriptingObjects::taskPropertyList() {
    static const QList<Property> properties{
        {QStringLiteral("Uid"), QStringLiteral("s"), false},
        {QStringLiteral("Title"), QStringLiteral("s"), true},
        {QStringLiteral("Notes"), QStringLiteral("s"), true},
        {QStringLiteral("Priority"), QStringLiteral("i"), true},
        {QStringLiteral("StartDate"), QStringLiteral("s"), true},
        {QStringLiteral("DueDate"), QStringLiteral("s"), true},
        {QStringLiteral("EstimatedTime"), QStringLiteral("d"), true},
        {QStringLiteral("ActualTime"), QStringLiteral("d"), false},
        {QStringLiteral("Completed"), QStringLiteral("b"), true},
        {QStringLiteral("Canceled"), QStringLiteral("b"), true},
        {QStringLiteral("CompletedDate"), QStringLiteral("s"), false},
        {QStringLiteral("ModifiedDate"), QStringLiteral("s"), false},
        {QStringLiteral("IsAction"), QStringLiteral("b"), false},
        {QStringLiteral("IsPastDue"), QStringLiteral("b"), false},
        {QStringLiteral("Recurrence"), QStringLiteral("s"), false},
        {QStringLiteral("Tags"), QStringLiteral("as"), false},
        {QStringLiteral("URL"), QStringLiteral("s"), false},
        {QStringLiteral("List"), QStringLiteral("o"), false},
        {QStringLiteral("Parent"), QStringLiteral("o"), false},
    };
    return properties;
}

Result<QVariant> TDScriptingObjects::taskProperty(TDTask* task, const QString& name) const {
    if (name == QLatin1String("Uid")) return QVariant(task->uid());
    if (name == QLatin1String("Title")) return QVariant(task->title());
    if (name == QLatin1String("Notes"))
        return QVariant(task->notesString().isNull() ? QString(QLatin1String("")) : task->notesString());
    if (name == QLatin1String("Priority")) return QVariant(int(task->priority()));
    if (name == QLatin1String("StartDate")) return QVariant(isoText(task->startDate()));
    if (name == QLatin1String("DueDate")) return QVariant(isoText(task->dueDate()));
    if (name == QLatin1String("EstimatedTime")) return QVariant(task->estimatedTime());
    if (name == QLatin1String("ActualTime")) return QVariant(task->actualTime());
    if (name == QLatin1String("Completed")) return QVariant(task->isCompleted());
    if (name == QLatin1String("Canceled")) return QVariant(task->isCanceled());
    if (name == QLatin1String("CompletedDate"))
        return QVariant(isoText(task->isIncomplete() ? QDateTime() : task->completedDate()));
    if (name == QLatin1String("ModifiedDate")) return QVariant(isoText(task->modifiedDate()));
    if (name == QLatin1String("IsAction")) return QVariant(task->isAction());
    if (name == QLatin1String("IsPastDue")) return QVariant(task->isPastDue());
    if (name == QLatin1String("Recurrence")) return QVariant(task->recurrenceDescription());
    if (name == QLatin1String("Tags")) {
        QStringList titles;
        for (const TDGroup* tag : task->tags()) titles.append(tag->title());
        return QVariant(titles);
    }
    if (name == QLatin1String("URL")) return QVariant(task->URLString());
    if (name == QLatin1String("List")) return objectValue(task->list());
    if (name == QLatin1String("Parent")) return objectValue(task->parentObject());
    return invalid(TDLocalizedString("Tasks have no property \"%1\"").arg(name));
}

Status TDScriptingObjects::setTaskProperty(TDTask* task, const QString& name, const QVariant& value) {
    const auto property = std::find_if(taskPropertyList().cbegin(), taskPropertyList().cend(),
                                       [&name](const Property& p) { return p.name == name; });
    if (property == taskPropertyList().cend())
        return invalid(TDLocalizedString("Tasks have no property \"%1\"").arg(name));
    if (!property->writable) return invalid(TDLocalizedString("%1 cannot be changed").arg(name));
    TDLibrary* library = p_library();
    if (name == QLatin1String("Title") || name == QLatin1String("Notes")) {
        if (value.typeId() != QMetaType::QString) return wrongType(name, property->signature);
        const QString text = value.toString();
        if (name == QLatin1String("Title")) {
            if (const Status valid = validateTitle(text); !valid) return valid;
            UndoStep step(library, TDLocalizedString("Change Title"));
            task->setTitle(text);
            return {};
        }
        if (const Status valid = validateNotes(text); !valid) return valid;
        // As the notes editor stores them: the whole text, rich text made of it.
        QTextDocument notes;
        notes.setPlainText(text);
        UndoStep step(library, TDLocalizedString("Edit Note"));
        task->setAttributedNotes(&notes);
        return {};
    }
    if (name == QLatin1String("Priority")) {
        if (!isInteger(value)) return wrongType(name, property->signature);
        UndoStep step(library, TDLocalizedString("Change Priority"));
        task->setPriority(value.toLongLong());
        return {};
    }
    if (name == QLatin1String("StartDate") || name == QLatin1String("DueDate")) {
        const Result<QDateTime> date = dateFromText(value);
        if (!date) return date.error();
        const bool start = name == QLatin1String("StartDate");
        UndoStep step(library,
                      start ? TDLocalizedString("Change Start Date") : TDLocalizedString("Change Due Date"));
        if (start)
            task->setStartDate(*date);
        else
            task->setDueDate(*date);
        return {};
    }
    if (name == QLatin1String("EstimatedTime")) {
        if (value.typeId() != QMetaType::Double && !isInteger(value))
            return wrongType(name, property->signature);
        const double seconds = value.toDouble();
        if (!(seconds >= 0) || seconds > 1e9)
            return invalid(TDLocalizedString("An estimate is a number of seconds"));
        UndoStep step(library, TDLocalizedString("Change Estimated Time"));
        task->setEstimatedTime(seconds);
        return {};
    }
    if (value.typeId() != QMetaType::Bool) return wrongType(name, property->signature);
    const bool on = value.toBool();
    if (name == QLatin1String("Completed")) {
        UndoStep step(library,
                      on ? TDLocalizedString("Mark as Completed") : TDLocalizedString("Mark as Incomplete"));
        task->setCompleted(on);
        return {};
    }
    UndoStep step(library, on ? TDLocalizedString("Cancel") : TDLocalizedString("Un-Cancel"));
    task->setCanceled(on);
    return {};
}

QList<TDTask*> TDScriptingObjects::subtasks(TDTask* task) const {
    return task->orderedTasks()->objectsAs<TDTask>();
}

Result<TDTask*> TDScriptingObjects::makeTask(TDLibraryObject* container, const QVariantMap& properties,
                                             qsizetype index) {
    TDLibrary* library = p_library();
    TDGroup* group = TDGroup::from(container);
    if (!library || (!group && !TDTask::from(container)) || (group && !group->canAddTask()))
        return TDCouldNotMoveTaskError();
    // The task properties' names first, then the import dictionary's keys as they are.
    QVariantMap dictionary;
    QVariantMap later;
    for (auto it = properties.cbegin(); it != properties.cend(); ++it) {
        const QString& key = it.key();
        const bool known = std::any_of(taskPropertyList().cbegin(), taskPropertyList().cend(),
                                       [&key](const Property& p) { return p.name == key && p.writable; });
        if (known)
            later.insert(key, it.value());
        else
            dictionary.insert(key.toLower(), it.value());
    }
    if (dictionary.contains(QStringLiteral("title"))) {
        if (const Status valid = validateTitle(dictionary.value(QStringLiteral("title")).toString()); !valid)
            return valid.error();
    }
    if (dictionary.contains(QStringLiteral("notes"))) {
        if (const Status valid = validateNotes(dictionary.value(QStringLiteral("notes")).toString()); !valid)
            return valid.error();
    }
    UndoStep step(library, TDLocalizedString("New Task"));
    dictionary.insert(QStringLiteral("index"), index < 0 ? qint64(-1) : qint64(index));
    TDTask* task = library->createTaskFromImportDictionary(dictionary, container);
    if (!task) return TDCouldNotMoveTaskError();
    for (auto it = later.cbegin(); it != later.cend(); ++it) {
        if (const Status set = setTaskProperty(task, it.key(), it.value()); !set) {
            task->deleteObject();
            return set.error();
        }
    }
    return task;
}

void TDScriptingObjects::beginTiming(TDTask* task) {
    task->beginTiming();
    if (platform::ManagedObjectContext* context = task->managedObjectContext())
        context->processPendingChanges();
}

void TDScriptingObjects::addAttachment(TDTask* task, const QString& path) {
    if (!QFileInfo(path).isFile()) return;
    const std::optional<BDAlias> alias = BDAlias::fromPath(QFileInfo(path).absoluteFilePath());
    if (!alias) return;
    // A copy keeps the rich notes' formats, earlier attachments among them.
    const std::shared_ptr<const QTextDocument> current = task->attributedNotes();
    const std::unique_ptr<QTextDocument> notes(current ? current->clone() : new QTextDocument);
    QTextCursor cursor(notes.get());
    cursor.movePosition(QTextCursor::End);
    insertFileAttachment(cursor, *alias);
    UndoStep step(p_library(), TDLocalizedString("Edit Note"));
    task->setAttributedNotes(notes.get());
}

Status TDScriptingObjects::validateTitle(const QString& title) {
    return validateText(title, kMaximumTitleLength, TDLocalizedString("The title"));
}

Status TDScriptingObjects::validateNotes(const QString& notes) {
    return validateText(notes, kMaximumNotesLength, TDLocalizedString("The note"));
}

Result<QMap<QString, QVariantMap>> TDScriptingObjects::taskProperties(TDGroup* group,
                                                                      const QStringList& names) const {
    for (const QString& name : names) {
        const bool known = std::any_of(taskPropertyList().cbegin(), taskPropertyList().cend(),
                                       [&name](const Property& p) { return p.name == name; });
        if (!known) return invalid(TDLocalizedString("Tasks have no property \"%1\"").arg(name));
    }
    QMap<QString, QVariantMap> properties;
    for (TDTask* task : group->allTasksInTree()) {
        if (task->isDeleted()) continue;
        QVariantMap values;
        for (const QString& name : names) values.insert(name, *taskProperty(task, name));
        properties.insert(task->uid(), values);
    }
    return properties;
}

#include "store/importer.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/tag.h"
#include "model/task.h"
#include "platform/base/log.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QThread>

namespace {

const QString kUID = QStringLiteral("uid");
const QString kTitle = QStringLiteral("title");
const QString kSpecial = QStringLiteral("special");
const QString kSubgroups = QStringLiteral("subgroups");
const QString kTasks = QStringLiteral("tasks");
const QString kSubtasks = QStringLiteral("subtasks");
const QString kProject = QStringLiteral("project");
const QString kStatus = QStringLiteral("status");
const QString kCompletedDate = QStringLiteral("completedDate");
const QString kCalendarStoreUID = QStringLiteral("calendarStoreUID");
const QString kCompleted = QStringLiteral("completed");
const QString kModifiedDate = QStringLiteral("modifiedDate");
const QString kDueDate = QStringLiteral("dueDate");
const QString kEstimatedTime = QStringLiteral("estimatedTime");
const QString kPriority = QStringLiteral("priority");

bool isOfType(const QVariantMap& dictionary, const QString& key, QMetaType::Type type) {
    const auto it = dictionary.constFind(key);
    return it == dictionary.cend() || it->typeId() == type;
}

bool isNumberOrAbsent(const QVariantMap& dictionary, const QString& key) {
    const auto it = dictionary.constFind(key);
    if (it == dictionary.cend()) return true;
    switch (it->typeId()) {
        case QMetaType::Int:
        case QMetaType::UInt:
        case QMetaType::LongLong:
        case QMetaType::ULongLong:
        case QMetaType::Double:
            return true;
        default:
            return false;
    }
}

bool isListOfDictionaries(const QVariantMap& dictionary, const QString& key,
                          const std::function<bool(const QVariantMap&)>& valid) {
    const auto it = dictionary.constFind(key);
    if (it == dictionary.cend()) return true;
    if (it->typeId() != QMetaType::QVariantList) return false;
    for (const QVariant& entry : it->toList())
        if (entry.typeId() != QMetaType::QVariantMap || !valid(entry.toMap())) return false;
    return true;
}

bool isWellFormedTask(const QVariantMap& task, int depth) {
    if (depth > TDImporter::kMaxDepth) return false;
    return isOfType(task, kUID, QMetaType::QString) && isOfType(task, kTitle, QMetaType::QString) &&
           isOfType(task, kProject, QMetaType::QString) && isOfType(task, kStatus, QMetaType::QString) &&
           isOfType(task, kCalendarStoreUID, QMetaType::QString) &&
           isOfType(task, kCompleted, QMetaType::Bool) &&
           isOfType(task, kCompletedDate, QMetaType::QDateTime) &&
           isOfType(task, kModifiedDate, QMetaType::QDateTime) &&
           isOfType(task, kDueDate, QMetaType::QDateTime) && isNumberOrAbsent(task, kEstimatedTime) &&
           isNumberOrAbsent(task, kPriority) &&
           isListOfDictionaries(task, kSubtasks, [depth](const QVariantMap& subtask) {
               return isWellFormedTask(subtask, depth + 1);
           });
}

bool isWellFormedGroup(const QVariantMap& group, int depth) {
    if (depth > TDImporter::kMaxDepth) return false;
    return isOfType(group, kUID, QMetaType::QString) && isOfType(group, kTitle, QMetaType::QString) &&
           isOfType(group, kSpecial, QMetaType::Bool) &&
           isListOfDictionaries(
               group, kSubgroups,
               [depth](const QVariantMap& sub) { return isWellFormedGroup(sub, depth + 1); }) &&
           isListOfDictionaries(group, kTasks,
                                [](const QVariantMap& task) { return isWellFormedTask(task, 0); });
}

bool isMainThread() {
    return QCoreApplication::instance() && QThread::currentThread() == QCoreApplication::instance()->thread();
}

}  // namespace

TDImporter::TDImporter(TDLibrary* library) : m_library(library) {
}

TDImporter::~TDImporter() {
    if (m_running.load()) logWithLevel(TDLogWarning, "WARNING", "TDImporter deallocated without finishing");
}

bool TDImporter::begin() {
    m_running.store(true);
    return true;
}

bool TDImporter::finish() {
    m_running.store(false);
    return true;
}

bool TDImporter::p_onMainThread(const std::function<bool()>& work) {
    if (!m_useMainThread || isMainThread()) return work();
    bool result = false;
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [&] { result = work(); }, Qt::BlockingQueuedConnection);
    return result;
}

bool TDImporter::addGroup(const QVariantMap& dictionary) {
    if (!isWellFormedGroup(dictionary, 0)) {
        logWithLevel(TDLogWarning, "WARNING", "Not importing a malformed group");
        return false;
    }
    return p_onMainThread([&] { return p_group(dictionary) != nullptr; });
}

bool TDImporter::addTag(const QVariantMap& dictionary) {
    if (!isOfType(dictionary, kUID, QMetaType::QString) ||
        !isOfType(dictionary, kTitle, QMetaType::QString)) {
        logWithLevel(TDLogWarning, "WARNING", "Not importing a malformed tag");
        return false;
    }
    return p_onMainThread([&] { return p_tag(dictionary) != nullptr; });
}

bool TDImporter::addTask(const QVariantMap& dictionary) {
    if (!isWellFormedTask(dictionary, 0)) {
        logWithLevel(TDLogWarning, "WARNING", "Not importing a malformed task");
        return false;
    }
    return p_onMainThread([&] { return p_task(dictionary) != nullptr; });
}

TDGroup* TDImporter::p_group(const QVariantMap& dictionary) {
    const QString uid = dictionary.value(kUID).toString();
    TDGroup* group = nullptr;
    if (dictionary.value(kSpecial).toBool()) {
        group = m_library->specialGroupNamed(dictionary.value(kTitle).toString());
        if (group && !uid.isEmpty()) group->setUid(uid);
    } else {
        if (!uid.isEmpty()) group = m_library->groupWithUID(uid);
        if (!group) {
            const QString title = dictionary.value(kTitle).toString();
            if (title.isEmpty()) return nullptr;
            group = m_library->createList(title, nullptr);
            if (group && !uid.isEmpty()) group->setUid(uid);
        }
    }
    if (!group) return nullptr;
    // The collections log a refusal; the item stays where it was and the import goes on.
    for (const QVariant& sub : dictionary.value(kSubgroups).toList())
        if (TDGroup* subgroup = p_group(sub.toMap())) (void)group->orderedSubgroups()->addObject(subgroup);
    for (const QVariant& entry : dictionary.value(kTasks).toList())
        if (TDTask* task = p_task(entry.toMap())) (void)group->orderedTasks()->addObject(task);
    return group;
}

TDTag* TDImporter::p_tag(const QVariantMap& dictionary) {
    const QString uid = dictionary.value(kUID).toString();
    const QString title = dictionary.value(kTitle).toString();
    TDTag* tag = uid.isEmpty() ? m_library->tagWithTitle(title) : m_library->tagWithUID(uid);
    if (tag) return tag;
    if (title.isEmpty()) return nullptr;
    tag = m_library->createTagWithTitle(title);
    if (tag && !uid.isEmpty()) tag->setUid(uid);
    return tag;
}

TDTask* TDImporter::p_task(const QVariantMap& dictionary) {
    const QString title = dictionary.value(kTitle).toString();
    if (!dictionary.contains(kTitle)) return nullptr;
    const QString uid = dictionary.value(kUID).toString();
    TDTask* task = uid.isEmpty() ? nullptr : m_library->taskWithUID(uid);
    if (!task) {
        task = m_library->createTask();
        if (!task) return nullptr;
        if (!uid.isEmpty()) task->setUid(uid);
    }
    task->setTitle(title, false);
    if (dictionary.contains(kCompletedDate)) task->setValue(kCompletedDate, dictionary.value(kCompletedDate));
    if (dictionary.contains(kCalendarStoreUID))
        task->setValue(kCalendarStoreUID, dictionary.value(kCalendarStoreUID));
    if (dictionary.contains(kCompleted)) task->setCompleted(dictionary.value(kCompleted).toBool());
    if (dictionary.contains(kModifiedDate))
        task->setModifiedDate(dictionary.value(kModifiedDate).toDateTime());
    if (dictionary.contains(kDueDate)) task->setDueDate(dictionary.value(kDueDate).toDateTime());
    if (dictionary.contains(kEstimatedTime))
        task->setEstimatedTime(dictionary.value(kEstimatedTime).toDouble());
    if (dictionary.contains(kPriority)) task->setPriority(dictionary.value(kPriority).toLongLong());
    if (dictionary.value(kStatus).toString() == QLatin1String("complete")) task->setCompleted(true);

    for (const QVariant& entry : dictionary.value(kSubtasks).toList())
        if (TDTask* subtask = p_task(entry.toMap()))
            (void)task->orderedTasks()->addObject(subtask);  // the collection logs a refusal

    const QString project = dictionary.value(kProject).toString();
    if (!project.isEmpty()) {
        TDGroup* list = m_seenGroups.value(project);
        if (!list) list = m_library->groupTitled(project);
        if (!list) {
            list = m_library->createList();
            if (list) list->setTitle(project);
        }
        if (list) {
            m_seenGroups.insert(project, list);
            (void)list->orderedTasks()->addObject(task);  // the collection logs a refusal
        }
    }
    if (m_delegate) m_delegate->importerDidAddTask(this, task);
    return task;
}

bool TDImporter::addGroupWithUIDToGroupWithUID(const QString& childUID, const QString& parentUID) {
    return p_onMainThread([&] {
        TDGroup* child = m_library->groupWithUID(childUID);
        TDGroup* parent = m_library->groupWithUID(parentUID);
        if (!child || !parent) return false;
        if (child->parentGroup() == parent) return true;
        return parent->orderedSubgroups()->addObject(child).ok();
    });
}

bool TDImporter::addTaskWithUIDToGroupWithUID(const QString& taskUID, const QString& groupUID) {
    return p_onMainThread([&] {
        TDGroup* group = m_library->groupWithUID(groupUID);
        if (!group) {
            logWithLevel(TDLogDebug, "DEBUG", "did not find group");
            return false;
        }
        if (group->isTag()) return true;
        if (!group->isList()) {
            logWithLevel(TDLogDebug, "DEBUG", "need a list in order to add a task");
            return false;
        }
        TDTask* task = m_library->taskWithUID(taskUID);
        if (!task) return false;
        if (group->orderedTasks()->containsObject(task)) return true;
        return group->orderedTasks()->addObject(task).ok();
    });
}

bool TDImporter::addTaskWithUIDToTaskWithUID(const QString& childUID, const QString& parentUID) {
    return p_onMainThread([&] {
        TDTask* child = m_library->taskWithUID(childUID);
        TDTask* parent = m_library->taskWithUID(parentUID);
        if (!child || !parent) return false;
        return parent->orderedTasks()->addObject(child).ok();
    });
}

int TDImporter::importDictionaries(const QVariantList& groups, const QVariantList& tags,
                                   const QVariantList& tasks) {
    begin();
    setMaxProgress(static_cast<double>(groups.size() + tags.size() + tasks.size()));
    int added = 0;
    int done = 0;
    const auto feed = [&](const QVariantList& entries, bool (TDImporter::*add)(const QVariantMap&)) {
        for (const QVariant& entry : entries) {
            if (isCanceled()) return;
            if (entry.typeId() == QMetaType::QVariantMap && (this->*add)(entry.toMap())) ++added;
            setCurrentProgress(++done);
        }
    };
    feed(groups, &TDImporter::addGroup);
    feed(tags, &TDImporter::addTag);
    feed(tasks, &TDImporter::addTask);
    finish();
    return added;
}

void TDImporter::setCurrentProgress(double progress) {
    if (m_delegate)
        p_onMainThread([&] {
            m_delegate->importerDidSetCurrentProgress(this, progress);
            return true;
        });
}

void TDImporter::setMaxProgress(double progress) {
    if (m_delegate)
        p_onMainThread([&] {
            m_delegate->importerDidSetMaxProgress(this, progress);
            return true;
        });
}

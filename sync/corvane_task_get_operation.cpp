#include "sync/corvane_task_get_operation.h"

#include "model/group.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/task.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "store/library_manager.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_merge.h"
#include "sync/corvane_sync_operation.h"
#include "sync/corvane_sync_settings.h"

#include <QJsonArray>

namespace {

const QString kDownloadTasks = QStringLiteral("downloadTasks");
const QString kLastFetchedUID = QStringLiteral("lastFetchedTaskUID");
const QString kLastFetchedTime = QStringLiteral("lastFetchedTaskCompletedTime");
const QString kLocalInfo = QStringLiteral("localInfoDictionary");
const QString kCompletedTime = QStringLiteral("completed_time");
const QString kUID = QStringLiteral("uid");

QVariantMap localInfoOf(const TDLibraryObject* object) {
    return object->value(kLocalInfo).toMap();
}

TDLibraryObject* objectIn(TDLibrary* library, const platform::ObjectID& id) {
    auto* object = dynamic_cast<TDLibraryObject*>(TDManagedObjectContext::of(library)->objectWithID(id));
    return object && !object->isDeleted() ? object : nullptr;
}

QString parentTaskUID(const QJsonObject& record) {
    return record.value(QStringLiteral("contents")).toObject().value(QStringLiteral("parentTask")).toString();
}

// Records of an answer's array, each an object with a string "uid"; anything else is 600.
Result<QList<QJsonObject>> recordsOf(const TDCorvaneAnswer& answer, const QString& key) {
    const auto array = answer.optionalArray(key);
    if (!array) return array.error();
    QList<QJsonObject> records;
    for (const QJsonValue& value : array->value_or(QJsonArray())) {
        if (!value.isObject() || !value.toObject().value(kUID).isString())
            return answer.fieldError(key, QStringLiteral("holds a record without a \"uid\""));
        records.append(value.toObject());
    }
    return records;
}

}  // namespace

int TDCorvaneCompletedTaskDownloadStatus(const TDLibraryObject* object) {
    if (!dynamic_cast<const TDTask*>(object) && !dynamic_cast<const TDGroup*>(object)) return 2;
    const QVariantMap info = localInfoOf(object);
    if (info.value(kDownloadTasks).toBool()) return 0;
    return info.contains(kLastFetchedUID) ? 1 : 2;
}

TDCorvaneTaskGetOperation::TDCorvaneTaskGetOperation(TDLibraryManager* manager, TDLibrary* mainLibrary,
                                                     const platform::ObjectID& container)
    : m_mainLibrary(mainLibrary), m_container(container) {
    setLibraryManager(manager);
}

QString TDCorvaneTaskGetOperation::p_nodeID() const {
    return m_nodeID.isEmpty() ? TDCorvaneSyncSettings::syncNodeID() : m_nodeID;
}

void TDCorvaneTaskGetOperation::performOperation() {
    platform::NotificationCenter& center = platform::NotificationCenter::defaultCenter();
    center.post(TDTaskGetSyncWillStartNotification, this);
    const Status fetched = p_fetchTasksForContainer();
    if (isCancelled()) return;
    QVariantMap userInfo;
    if (!fetched) {
        setError(fetched.error());
        logWithLevel(TDLogError, "ERROR", "TDCorvaneSyncOperation failed: %@",
                     fetched.error().detailedDescription());
        informDelegateDidFailWithError(fetched.error());
        userInfo.insert(TDSyncError, QVariant::fromValue(fetched.error()));
    } else {
        logWithLevel(TDLogDebug, "DEBUG", "Corvane sync successful");
        informDelegateDidFinish();
    }
    center.post(TDTaskGetSyncDidFinishNotification, this, userInfo);
}

Status TDCorvaneTaskGetOperation::p_fetchTasksForContainer() {
    int status = 2;
    QString parentUID;
    QString title;
    QVariantMap localInfo;
    TDPerformOnMainThreadAndWait([&] {
        const TDLibraryObject* container = objectIn(m_mainLibrary, m_container);
        if (!container) return;
        status = TDCorvaneCompletedTaskDownloadStatus(container);
        parentUID = container->value(kUID).toString();
        title = container->value(QStringLiteral("title")).toString();
        localInfo = localInfoOf(container);
    });
    if (status == 2 || isCancelled()) return {};
    logWithLevel(TDLogDebug, "DEBUG", "Downloading tasks for '%@'", title);
    auto fetched = p_requestCompletedTasks(localInfo, parentUID);
    if (!fetched) return fetched.error();
    if (!fetched->has_value()) return {};  // cancelled, or nothing new
    QList<QJsonObject> records;
    for (const QJsonObject& task : (*fetched)->tasks)
        if (task.contains(kCompletedTime)) records.append(task);
    Fetched kept{records, (*fetched)->noMore};
    if (Status parents = p_fetchMissingParents(records); !parents) return parents;
    if (isCancelled()) return {};
    return p_merge(records, kept);
}

Result<std::optional<TDCorvaneTaskGetOperation::Fetched>> TDCorvaneTaskGetOperation::p_requestCompletedTasks(
    const QVariantMap& localInfo, const QString& parentUID) {
    TDCorvaneParameters query{{QStringLiteral("node_id"), p_nodeID()},
                              {QStringLiteral("parent_uid"), parentUID}};
    if (localInfo.contains(kLastFetchedUID) && localInfo.contains(kLastFetchedTime)) {
        query.append({QStringLiteral("last_uid"), localInfo.value(kLastFetchedUID)});
        query.append({QStringLiteral("completed_start"), localInfo.value(kLastFetchedTime)});
    }
    auto get = request(corvaneURL(QStringLiteral("/sync/tasks/"), query));
    if (!get) return get.error();
    auto answer = responseDictionary(*get);
    if (isCancelled()) return std::optional<Fetched>();
    if (!answer) return answer.error();
    if (answer->status() == 304) return std::optional<Fetched>();
    auto tasks = recordsOf(*answer, QStringLiteral("tasks"));
    if (!tasks) return tasks.error();
    const auto noMore = answer->optionalBool(QStringLiteral("nomore"));
    if (!noMore) return noMore.error();
    return std::optional<Fetched>(Fetched{*tasks, noMore->value_or(true)});
}

// Parents are fetched before the merge, each UID once: a chain that comes back to a fetched task ends
// there, and the merge's check refuses the cycle.
Status TDCorvaneTaskGetOperation::p_fetchMissingParents(QList<QJsonObject>& records) {
    QSet<QString> requested;
    while (!isCancelled()) {
        QSet<QString> known;
        for (const QJsonObject& record : records) known.insert(record.value(kUID).toString());
        QStringList candidates;
        for (const QJsonObject& record : records) {
            const QString parent = parentTaskUID(record);
            if (!parent.isEmpty() && !known.contains(parent) && !requested.contains(parent) &&
                !candidates.contains(parent))
                candidates.append(parent);
        }
        QStringList missing;
        TDPerformOnMainThreadAndWait([&] {
            for (const QString& uid : candidates)
                if (!m_mainLibrary->taskWithUID(uid)) missing.append(uid);
        });
        if (missing.isEmpty()) return {};
        missing.sort();
        for (const QString& uid : missing) requested.insert(uid);
        auto get =
            request(corvaneURL(QStringLiteral("/sync/objects/"),
                               TDCorvaneParameters{{QStringLiteral("uids"), missing.join(QLatin1Char(','))},
                                                   {QStringLiteral("node_id"), p_nodeID()}}));
        if (!get) return get.error();
        auto answer = responseDictionary(*get);
        if (isCancelled()) return {};
        if (!answer) return answer.error();
        auto objects = recordsOf(*answer, QStringLiteral("objects"));
        if (!objects) return objects.error();
        records.append(*objects);
    }
    return {};
}

Status TDCorvaneTaskGetOperation::p_merge(const QList<QJsonObject>& records, const Fetched& fetched) {
    QJsonObject tasks;
    for (const QJsonObject& record : records) {
        QJsonObject body = record;
        body.remove(kUID);
        tasks.insert(record.value(kUID).toString(), body);
    }
    ODLCorvaneChangeSet changes;
    if (Status added = changes.addChangesFromDictionary({{QStringLiteral("Task"), tasks}}); !added)
        return added;

    // The oldest fetched task is where the next fetch goes on from; among equal times the greatest UID.
    const QJsonObject* oldest = nullptr;
    for (const QJsonObject& task : fetched.tasks) {
        if (!oldest) {
            oldest = &task;
            continue;
        }
        const double time = task.value(kCompletedTime).toDouble();
        const double oldestTime = oldest->value(kCompletedTime).toDouble();
        if (time < oldestTime ||
            (time == oldestTime && task.value(kUID).toString() > oldest->value(kUID).toString()))
            oldest = &task;
    }
    Status merged;
    TDPerformOnMainThreadAndWait([&] {
        if (!changes.isEmpty()) {
            TDCorvaneMerge merge(m_mainLibrary, TDCorvaneSyncType::TaskGet, libraryManager());
            merged = merge.mergeAndCommit(changes, std::nullopt, {});
            if (!merged) return;
        }
        TDLibraryObject* container = objectIn(m_mainLibrary, m_container);
        if (!container) return;
        QVariantMap info = localInfoOf(container);
        info.remove(kDownloadTasks);
        if (oldest && oldest->value(kCompletedTime).isDouble() && oldest->value(kUID).isString()) {
            info.insert(kLastFetchedUID, oldest->value(kUID).toString());
            info.insert(kLastFetchedTime, oldest->value(kCompletedTime).toDouble());
        } else if (oldest) {
            logWithLevel(TDLogWarning, "WARNING",
                         "Could not get the UID and completed time of oldest fetched task");
        }
        if (!oldest || fetched.noMore) {
            info.remove(kLastFetchedUID);
            info.remove(kLastFetchedTime);
        }
        container->setValue(kLocalInfo, info.isEmpty() ? QVariant() : QVariant(info));
        if (TDLibraryManager* manager = libraryManager()) manager->saveLibraryWithoutSyncing();
    });
    return merged;
}

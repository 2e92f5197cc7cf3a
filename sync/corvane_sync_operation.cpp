#include "sync/corvane_sync_operation.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/base/log.h"
#include "platform/notifications/notification_center.h"
#include "store/library_manager.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_library_sync.h"
#include "sync/corvane_sync_settings.h"
#include "sync/corvane_task_get_operation.h"

#include <QHash>
#include <QJsonDocument>
#include <QMutex>
#include <QRandomGenerator>

namespace {

const QString kLibraryPath = QStringLiteral("/sync/library/");

// The account last logged in this process, so that each change of account is logged once.
QString& lastLoggedUsername() {
    static QString username;
    return username;
}
QMutex& lastLoggedUsernameMutex() {
    static QMutex mutex;
    return mutex;
}

// An upload cut off after the server may have taken some of its pages: the server keeps them under
// their session and refuses any other session of the account until that one ends. The next upload of
// the account goes on under the same session (records sent twice are the same records).
QHash<QString, QString>& unfinishedPutSessions() {
    static QHash<QString, QString> sessions;
    return sessions;
}
QMutex& unfinishedPutSessionsMutex() {
    static QMutex mutex;
    return mutex;
}

}  // namespace

QString TDRandomSessionID() {
    static const QString characters =
        QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789");
    QString session;
    for (int index = 0; index < 8; ++index)
        session.append(characters.at(QRandomGenerator::global()->bounded(int(characters.size()))));
    return session;
}

TDCorvaneSyncOperation::TDCorvaneSyncOperation(TDLibraryManager* manager, TDLibrary* mainLibrary)
    : m_mainLibrary(mainLibrary) {
    setLibraryManager(manager);
}

TDCorvaneSyncOperation::TDCorvaneSyncOperation(platform::PersistentStoreCoordinator* coordinator)
    : TDCorvaneOperation(coordinator), m_mergeInBackground(true) {
}

void TDCorvaneSyncOperation::p_onLibraryThread(const std::function<void()>& work) {
    if (m_mergeInBackground)
        work();
    else
        TDPerformOnMainThreadAndWait(work);
}

void TDCorvaneSyncOperation::main() {
    platform::NotificationCenter::defaultCenter().post(TDSyncWillStart, this);
    performOperation();
}

Result<std::optional<TDCorvaneAnswer>> TDCorvaneSyncOperation::p_send(const TDCorvaneRequest& request) {
    auto answer = responseDictionary(request);
    if (isCancelled()) return std::optional<TDCorvaneAnswer>();
    if (!answer) return answer.error();
    if (m_syncType == TDCorvaneSyncType::Incremental)
        logWithLevel(TDLogDebug, "DEBUG", "RESPONSE: %@",
                     QJsonDocument(answer->object()).toJson(QJsonDocument::Compact));
    return std::optional<TDCorvaneAnswer>(std::move(*answer));
}

void TDCorvaneSyncOperation::p_postProgress(const QVariantMap& userInfo) {
    platform::NotificationCenter::defaultCenter().post(TDSyncProgressDidChange, this, userInfo);
}

Result<std::optional<TDCorvaneAnswer>> TDCorvaneSyncOperation::p_upload(TDCorvaneLibrarySync& sync,
                                                                        QJsonObject parameters) {
    QString session;
    {
        QMutexLocker locker(&unfinishedPutSessionsMutex());
        session = unfinishedPutSessions().value(username());
    }
    if (session.isEmpty()) session = TDRandomSessionID();
    parameters.insert(QStringLiteral("putsession"), session);
    const auto rememberUnfinished = [this, &session](bool unfinished) {
        QMutexLocker locker(&unfinishedPutSessionsMutex());
        if (unfinished)
            unfinishedPutSessions().insert(username(), session);
        else
            unfinishedPutSessions().remove(username());
    };
    auto put = request(corvaneURL(kLibraryPath), QByteArrayLiteral("PUT"));
    if (!put) return put.error();
    logWithLevel(TDLogDebug, "DEBUG", "PUT %ld changes", qlonglong(sync.upload().count));
    TDCorvaneUploadPager pager = sync.uploadPager(parameters);
    std::optional<TDCorvaneAnswer> last;
    while (!pager.atEnd()) {
        const Result<QJsonObject> body = pager.nextPage();
        if (!body) return body.error();
        TDCorvaneRequest page = *put;
        if (const Status encoded = setJSONBody(page, *body); !encoded) return encoded.error();
        if (isCancelled()) return std::optional<TDCorvaneAnswer>();
        if (!pager.atEnd()) rememberUnfinished(true);
        auto answer = p_send(page);
        if (!answer || !answer->has_value()) return answer;
        logWithLevel(TDLogDebug, "DEBUG", "Got PUT response");
        p_postProgress({{QStringLiteral("phase"), QStringLiteral("upload")},
                        {QStringLiteral("uploaded"), qlonglong(pager.sent())},
                        {QStringLiteral("total"), qlonglong(pager.total())}});
        last = std::move(*answer);
    }
    rememberUnfinished(false);
    return last;
}

void TDCorvaneSyncOperation::performOperation() {
    std::unique_ptr<TDCorvaneLibrarySync> sync;
    QString username;
    QVariant token;
    Status prepared;
    TDLibrary* library = m_mainLibrary;
    if (m_mergeInBackground) {
        library = threadedLibrary();
        if (!library) {
            setError(
                TDError::make(TDErrorLibraryCannotOpen, QStringLiteral("The library to sync has no store.")));
            return p_finish();
        }
        managedObjectContext()->setRestoringLibrary(true);
        if (!library->corvaneSyncSetManagedObjectContext())
            library->setCorvaneSyncSetManagedObjectContext(managedObjectContext());
    }
    p_onLibraryThread([&] {
        sync = std::make_unique<TDCorvaneLibrarySync>(library, m_syncType,
                                                      m_mergeInBackground ? nullptr : libraryManager());
        if (const TDSyncSet* syncSet = library->corvaneSyncSet(false)) {
            username = syncSet->username();
            token = syncSet->lastSyncToken();
        }
        prepared = sync->prepareUpload();
    });
    m_syncType = sync->syncType();
    m_skippedItemIDs = sync->upload().skippedItemIDs;
    {
        QMutexLocker locker(&lastLoggedUsernameMutex());
        if (!username.isEmpty() && username != lastLoggedUsername()) {
            logWithLevel(TDLogInfo, "INFO", "Syncing to Corvane account: %@", username);
            lastLoggedUsername() = username;
        }
    }
    if (isCancelled()) return;
    if (!prepared) {
        setError(prepared.error());
        return p_finish();
    }

    QJsonObject parameters{
        {QStringLiteral("node_id"), m_nodeID.isEmpty() ? TDCorvaneSyncSettings::syncNodeID() : m_nodeID}};
    if (m_syncType == TDCorvaneSyncType::Incremental && token.isValid() && !token.isNull())
        parameters.insert(QStringLiteral("token"), QJsonValue::fromVariant(token));
    else if (m_syncType == TDCorvaneSyncType::FullMerge || m_syncType == TDCorvaneSyncType::FullGet)
        parameters.insert(QStringLiteral("synctype"), QStringLiteral("full"));
    else if (m_syncType == TDCorvaneSyncType::FullPut)
        parameters.insert(QStringLiteral("synctype"), QStringLiteral("fullput"));

    const auto getWithParameters = [&]() -> Result<std::optional<TDCorvaneAnswer>> {
        TDCorvaneParameters query;
        for (auto parameter = parameters.begin(); parameter != parameters.end(); ++parameter)
            query.append({parameter.key(), parameter.value().toVariant()});
        auto get = request(corvaneURL(kLibraryPath, query));
        if (!get) return get.error();
        return p_send(*get);
    };

    Result<std::optional<TDCorvaneAnswer>> answer =
        sync->upload().count > 0 ? p_upload(*sync, parameters) : getWithParameters();
    std::optional<QString> newToken;
    int pages = 0;
    while (true) {
        if (isCancelled()) return;
        if (!answer) {
            setError(answer.error());
            return p_finish();
        }
        if (!answer->has_value()) return;  // cancelled
        const TDCorvaneAnswer& page = **answer;
        if (page.status() == 304) return p_finish();
        if (const Status added = sync->addDownloadPage(page.object()); !added) {
            setError(added.error());
            return p_finish();
        }
        p_postProgress({{QStringLiteral("phase"), QStringLiteral("download")},
                        {QStringLiteral("downloaded"), qulonglong(sync->changes().totalNumberOfObjects())}});
        const auto bookmark = page.optionalScalar(QStringLiteral("bookmark"));
        const auto session = page.optionalScalar(QStringLiteral("getsession"));
        const auto limit = page.optionalScalar(QStringLiteral("limit"));
        const auto pageToken = page.optionalString(QStringLiteral("token"));
        for (const auto* field : {&bookmark, &session, &limit})
            if (!*field) {
                setError(field->error());
                return p_finish();
            }
        if (!pageToken) {
            setError(pageToken.error());
            return p_finish();
        }
        if (bookmark->has_value() && session->has_value()) {
            if (++pages >= m_maximumDownloadPages) {
                setError(corvaneMalformedAnswerError(
                    page.status(), QStringLiteral("bookmark"),
                    QStringLiteral("more than %1 download pages").arg(m_maximumDownloadPages)));
                return p_finish();
            }
            parameters.insert(QStringLiteral("bookmark"), **bookmark);
            parameters.insert(QStringLiteral("getsession"), **session);
            if (limit->has_value()) parameters.insert(QStringLiteral("limit"), **limit);
            answer = getWithParameters();
            continue;
        }
        newToken = *pageToken;
        break;
    }
    if (isCancelled()) return;

    sync->changes().logInfo();
    p_postProgress({{QStringLiteral("phase"), QStringLiteral("merge")}});
    // Once started, the merge runs to its commit: a cancel now would leave the library half merged.
    Status merged;
    p_onLibraryThread([&] { merged = sync->mergeAndCommit(newToken); });
    if (!merged) setError(merged.error());
    p_finish();
}

void TDCorvaneSyncOperation::p_finish() {
    QVariantMap userInfo;
    if (!m_skippedItemIDs.isEmpty())
        userInfo.insert(QStringLiteral("skippedObjectIDs"), QVariant::fromValue(m_skippedItemIDs));
    if (error()) {
        logWithLevel(TDLogError, "ERROR", "TDCorvaneSyncOperation failed: %@",
                     error()->detailedDescription());
        informDelegateDidFailWithError(*error());
        userInfo.insert(TDSyncError, QVariant::fromValue(*error()));
    } else {
        informDelegateDidFinish();
        logWithLevel(TDLogDebug, "DEBUG", "Corvane sync successful");
    }
    platform::NotificationCenter::defaultCenter().post(TDSyncDidFinish, this, userInfo);
}

void TDInstallCorvaneSyncOperation() {
    TDLibraryManager::setSyncOperationMaker([](TDLibraryManager* manager, TDLibrary* library) {
        return std::make_shared<TDCorvaneSyncOperation>(manager, library);
    });
    TDLibraryManager::setTaskGetOperationMaker(
        [](TDLibraryManager* manager, TDLibrary* library, const platform::ObjectID& container) {
            return std::make_shared<TDCorvaneTaskGetOperation>(manager, library, container);
        });
}

#include "tests/sync/merge_fixture.h"

#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/defaults/user_defaults.h"
#include "platform/objectstore/managed_object_context.h"

#include <QDir>
#include <QJsonDocument>

namespace synctest {

int FakeSyncService::addNode() {
    m_queued.append(QHash<QString, QJsonObject>());
    return int(m_queued.size() - 1);
}

void FakeSyncService::receive(int node, const QJsonObject& changes) {
    for (auto entity = changes.begin(); entity != changes.end(); ++entity) {
        const QJsonObject records = entity->toObject();
        for (qsizetype other = 0; other < m_queued.size(); ++other) {
            QJsonObject& queued = m_queued[other][entity.key()];
            for (auto record = records.begin(); record != records.end(); ++record) {
                // The uploader has the newest version now; the others get it.
                if (other == node)
                    queued.remove(record.key());
                else
                    queued.insert(record.key(), record.value());
            }
        }
    }
}

QJsonObject FakeSyncService::answerFor(int node) {
    QJsonObject changes;
    for (auto entity = m_queued[node].cbegin(); entity != m_queued[node].cend(); ++entity)
        if (!entity->isEmpty()) changes.insert(entity.key(), *entity);
    m_queued[node].clear();
    return {{QStringLiteral("changes"), changes},
            {QStringLiteral("token"), QStringLiteral("LIB-%1").arg(++m_counter)}};
}

TDSyncSet* SyncSide::syncSet() const {
    return library->corvaneSyncSet(false);
}

TDManagedObjectContext* SyncSide::context() const {
    return manager->managedObjectContext();
}

void MergeTest::SetUp() {
    TempFoldersTest::SetUp();
    clock = std::make_unique<TDTestClock>(QDateTime(QDate(2026, 12, 9), QTime(10, 0)));
    TDClock::setShared(clock.get());
    TDSetAppDelegate(&delegate);
    // Saves happen where a test or the merge asks for them.
    defaults().setValue(QStringLiteral("libraryAutosaveDelay"), 24.0 * 60 * 60);
}

void MergeTest::TearDown() {
    sides.clear();
    TDLibraryManager::setSharedManager(nullptr);
    TDSetAppDelegate(nullptr);
    TDClock::setShared(nullptr);
    clock.reset();
    TempFoldersTest::TearDown();
}

SyncSide& MergeTest::addSide(const QString& name) {
    auto side = std::make_unique<SyncSide>();
    side->manager =
        std::make_unique<TDLibraryManager>(QDir(tempPath()).filePath(name + QStringLiteral(".odllibrary")));
    auto created = side->manager->createLibrary();
    EXPECT_TRUE(created.ok()) << (created.ok() ? std::string()
                                               : created.error().detailedDescription().toStdString());
    side->library = created.ok() ? *created : nullptr;
    // The journal an account set-up leaves.
    TDManagedObjectContext* journal = side->manager->syncSetManagedObjectContext();
    auto* syncSet = journal->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    syncSet->setSyncType(QStringLiteral("corvane"));
    EXPECT_TRUE(journal->save().ok());
    side->node = service.addNode();
    sides.push_back(std::move(side));
    return *sides.back();
}

Status MergeTest::sync(SyncSide& side, const std::function<void()>& meanwhile) {
    clock->advanceSeconds(1);
    TDCorvaneLibrarySync sync(side.library, TDCorvaneSyncType::Incremental, side.manager.get());
    if (const Status prepared = sync.prepareUpload(); !prepared) return prepared;
    TDCorvaneUploadPager pager = sync.uploadPager({{QStringLiteral("node_id"), side.node}});
    while (!pager.atEnd()) {
        const Result<QJsonObject> body = pager.nextPage();
        if (!body) return body.error();
        service.receive(side.node, body->value(QStringLiteral("changes")).toObject());
    }
    uploadedCounts[side.node] = sync.upload().count;
    // The answer goes through JSON text, as it would on the wire.
    const QJsonObject answer =
        QJsonDocument::fromJson(QJsonDocument(service.answerFor(side.node)).toJson(QJsonDocument::Compact))
            .object();
    clock->advanceSeconds(1);
    if (meanwhile) meanwhile();
    if (const Status added = sync.addDownloadPage(answer); !added) return added;
    downloadedCounts[side.node] = sync.changes().totalNumberOfObjects();
    return sync.mergeAndCommit(answer.value(QStringLiteral("token")).toString());
}

bool MergeTest::converge() {
    for (int round = 0; round < 6; ++round) {
        bool moved = false;
        for (const std::unique_ptr<SyncSide>& side : sides) {
            const Status synced = sync(*side);
            EXPECT_TRUE(synced.ok()) << synced.error().detailedDescription().toStdString();
            moved = moved || uploadedCounts.value(side->node) > 0 || downloadedCounts.value(side->node) > 0;
        }
        if (!moved) return true;
    }
    return false;
}

QMap<QString, QString> MergeTest::syncForms(TDLibrary* library) {
    QMap<QString, QString> forms;
    for (const QString& entityName : TDCorvaneSyncedEntityNames()) {
        platform::FetchRequest request(entityName);
        request.includesSubentities = false;
        const auto objects = library->managedObjectContext()->execute(request);
        if (!objects) continue;
        for (platform::ManagedObject* object : *objects) {
            auto* libraryObject = static_cast<TDLibraryObject*>(object);
            if (libraryObject->isExcludedFromSync() || libraryObject->isDeleted()) continue;
            forms.insert(entityName + QLatin1Char('/') + libraryObject->uid(),
                         QString::fromUtf8(QJsonDocument(QJsonObject::fromVariantMap(
                                                             libraryObject->syncDictionaryRepresentation()))
                                               .toJson(QJsonDocument::Compact)));
        }
    }
    return forms;
}

QStringList MergeTest::journalledUIDs(const SyncSide& side) {
    QStringList uids;
    if (TDSyncSet* syncSet = side.syncSet())
        for (TDSyncSetItem* item : syncSet->items())
            if (!item->isDeleted()) uids << item->itemUID();
    uids.sort();
    return uids;
}

}  // namespace synctest

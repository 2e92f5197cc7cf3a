#include "tests/sync/merge_fixture.h"

#include "model/group.h"
#include "model/json_friendly.h"
#include "model/library.h"
#include "model/managed_object_context.h"
#include "model/recurrence.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "sync/corvane_errors.h"

#include <QJsonDocument>

namespace synctest {
namespace {

QString text(const char* latin1) {
    return QString::fromLatin1(latin1);
}

using MergeUploadTest = MergeTest;

TEST_F(MergeUploadTest, OnlyTheSixEntitiesTravelAndEveryItemReadIsCommitted) {
    SyncSide& side = addSide(QStringLiteral("A"));
    ASSERT_TRUE(sync(side).ok());
    TDTask* kept = side.library->createTask();
    kept->setTitle(text("Kept"));
    TDTask* gone = side.library->createTask();
    gone->setTitle(text("Gone"));
    ASSERT_TRUE(side.manager->saveLibrary());
    ASSERT_TRUE(sync(side).ok());
    const QString keptUID = kept->uid(), goneUID = gone->uid();
    kept->setTitle(text("Kept, edited"));
    gone->deleteObject();
    auto* recurrence = side.context()->insertObject<TDRecurrence>(QStringLiteral("Recurrence"));
    side.syncSet()->addObject(recurrence);
    side.syncSet()->addObject(side.library);
    side.syncSet()->addObject(side.library->inboxGroup());
    ASSERT_TRUE(side.manager->saveLibrary());
    clock->advanceSeconds(1);

    TDCorvaneLibrarySync sync(side.library, TDCorvaneSyncType::Incremental, side.manager.get());
    ASSERT_EQ(sync.syncType(), TDCorvaneSyncType::Incremental);
    ASSERT_TRUE(sync.prepareUpload().ok());
    const TDCorvaneUpload& upload = sync.upload();
    EXPECT_EQ(upload.changes.keys(), QStringList{text("Task")});
    EXPECT_EQ(upload.count, 2);
    const QJsonObject sent = upload.changes.value(text("Task")).value(keptUID);
    EXPECT_EQ(sent.value(QStringLiteral("contents")).toObject().value(QStringLiteral("title")).toString(),
              text("Kept, edited"));
    EXPECT_EQ(upload.changes.value(text("Task")).value(goneUID),
              (QJsonObject{{QStringLiteral("deleted_time"),
                            std::floor(TDTimeIntervalSinceReferenceDate(clock->now()))}}));
    EXPECT_GE(upload.syncSetItems.size(), 5);

    ASSERT_TRUE(sync.addDownloadPage({{QStringLiteral("changes"), QJsonObject()}}).ok());
    ASSERT_TRUE(sync.mergeAndCommit(text("LIB-9")).ok());
    EXPECT_TRUE(journalledUIDs(side).isEmpty());
    EXPECT_EQ(side.syncSet()->lastSyncToken(), QVariant(text("LIB-9")));
    EXPECT_EQ(side.syncSet()->lastSyncDate(), clock->now());
}

TEST_F(MergeUploadTest, ALibraryThatNeverSyncedUploadsEverythingAsAFullMerge) {
    SyncSide& side = addSide(QStringLiteral("A"));
    TDCorvaneLibrarySync sync(side.library, TDCorvaneSyncType::Incremental, side.manager.get());
    EXPECT_EQ(sync.syncType(), TDCorvaneSyncType::FullMerge);
    ASSERT_TRUE(sync.prepareUpload().ok());
    EXPECT_EQ(sync.upload().count, syncForms(side.library).size());
}

TDCorvaneRecords recordsOf(qsizetype count, qsizetype titleLength) {
    TDCorvaneRecords records;
    for (qsizetype i = 0; i < count; ++i) {
        const QString uid = QStringLiteral("%1").arg(i + 1, 16, 16, QLatin1Char('0')).toUpper();
        records[i % 3 == 0 ? text("Folder") : text("Task")].insert(
            uid, {{QStringLiteral("contents"),
                   QJsonObject{{QStringLiteral("title"), QString(titleLength, QLatin1Char('x'))}}}});
    }
    return records;
}

TEST_F(MergeUploadTest, PagesHoldAtMost500RecordsAndStayWithinTheLargestBody) {
    struct Case {
        const char* what;
        qsizetype records;
        qsizetype titleLength;
        qsizetype largestBody;
        QList<qsizetype> pageSizes;  // empty: only check the bounds
    };
    const Case cases[] = {
        {"1,200 small records", 1200, 10, TDCorvaneUploadPager::kLargestBody, {500, 500, 200}},
        {"exactly 500", 500, 10, TDCorvaneUploadPager::kLargestBody, {500}},
        {"one", 1, 10, TDCorvaneUploadPager::kLargestBody, {1}},
        {"large records end pages early", 120, 1000, 20'000, {}},
        {"a body that fits one record only", 3, 1000, 1500, {1, 1, 1}},
    };
    const QJsonObject parameters{{QStringLiteral("node_id"), text("0123456789ABCDEF")},
                                 {QStringLiteral("putsession"), text("AbCd1234")}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TDCorvaneUploadPager pager(recordsOf(c.records, c.titleLength), parameters, c.largestBody);
        QList<qsizetype> sizes;
        QSet<QString> seen;
        while (!pager.atEnd()) {
            const Result<QJsonObject> body = pager.nextPage();
            ASSERT_TRUE(body.ok());
            EXPECT_LE(QJsonDocument(*body).toJson(QJsonDocument::Compact).size(), c.largestBody);
            EXPECT_EQ(body->value(QStringLiteral("node_id")), parameters.value(QStringLiteral("node_id")));
            EXPECT_EQ(body->contains(QStringLiteral("more")), !pager.atEnd());
            if (!pager.atEnd()) {
                EXPECT_EQ(body->value(QStringLiteral("more")), QJsonValue(true));
            }
            qsizetype inPage = 0;
            const QJsonObject changes = body->value(QStringLiteral("changes")).toObject();
            for (auto entity = changes.begin(); entity != changes.end(); ++entity) {
                EXPECT_FALSE(entity->toObject().isEmpty());
                for (const QString& uid : entity->toObject().keys()) {
                    EXPECT_FALSE(seen.contains(uid));
                    seen.insert(uid);
                    ++inPage;
                }
            }
            EXPECT_LE(inPage, TDCorvaneUploadPager::kPageSize);
            sizes.append(inPage);
            EXPECT_EQ(pager.sent(), seen.size());
        }
        EXPECT_EQ(seen.size(), c.records);
        EXPECT_EQ(pager.total(), c.records);
        if (c.pageSizes.isEmpty()) {
            EXPECT_GT(sizes.size(), 2);
        } else {
            EXPECT_EQ(sizes, c.pageSizes);
        }
    }
}

TEST_F(MergeUploadTest, ARecordTooLargeForAnyBodyIsRequestTooBig) {
    TDCorvaneUploadPager pager(recordsOf(2, 5000), {}, 4000);
    const Result<QJsonObject> body = pager.nextPage();
    ASSERT_FALSE(body.ok());
    EXPECT_TRUE(body.error().isInDomain(TDCorvaneErrorRequestTooBig));
}

}  // namespace
}  // namespace synctest

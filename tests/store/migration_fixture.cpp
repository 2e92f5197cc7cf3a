#include "tests/store/migration_fixture.h"

#include "model/library_model.h"
#include "model/recurrence_rule.h"
#include "model/recurrence_rule_archiving.h"
#include "platform/objectstore/object_model.h"
#include "platform/plist/property_list.h"
#include "platform/transformers/value_transformer.h"
#include "store/library_migration.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>

namespace storetest {

using platform::ManagedObject;

bool ScriptedMigrationDelegate::shouldMigratePersistentStore(double fromVersion, double toVersion,
                                                             int stepCount) {
    calls << QStringLiteral("should %1 %2 %3").arg(fromVersion, 0, 'g', 7).arg(toVersion).arg(stepCount);
    return answer;
}

void ScriptedMigrationDelegate::willRunMigration(const platform::MigrationManager&, const QString& from,
                                                 const QString& to) {
    calls << QStringLiteral("will %1 %2").arg(from, to);
    progressPerStep.append(QList<double>());
}

void ScriptedMigrationDelegate::migrationProgressChanged(double progress) {
    if (!progressPerStep.isEmpty()) progressPerStep.last().append(progress);
}

void ScriptedMigrationDelegate::didRunMigration(const platform::MigrationManager&, const QString& from,
                                                const QString& to) {
    calls << QStringLiteral("did %1 %2").arg(from, to);
}

namespace {

QVariantMap comparison(const QString& keyPath) {
    return {
        {QStringLiteral("class"), QStringLiteral("TRComparisonRule")},
        {QStringLiteral("fields"), QVariantMap{{QStringLiteral("ruleType"), qint64(101)},
                                               {QStringLiteral("keyPath"), keyPath},
                                               {QStringLiteral("conditionType"), qint64(3)},
                                               {QStringLiteral("value"), QStringLiteral("0000000000000070")},
                                               {QStringLiteral("keyIsToManyRelationship"), true}}}};
}

void collectKeyPaths(const QVariantMap& node, QStringList& paths) {
    const QVariantMap fields = node.value(QStringLiteral("fields")).toMap();
    if (fields.contains(QStringLiteral("keyPath")))
        paths << fields.value(QStringLiteral("keyPath")).toString();
    for (const QVariant& child : fields.value(QStringLiteral("subrules")).toList())
        collectKeyPaths(child.toMap(), paths);
}

// Keeps archive bytes as they are.
class ArchiveBytesTransformer : public platform::ValueTransformer {
public:
    QVariant transformedValue(const QVariant& value) const override {
        return value.metaType().id() == QMetaType::QByteArray ? value : QVariant();
    }
    bool allowsReverseTransformation() const override { return true; }
    QVariant reverseTransformedValue(const QVariant& value) const override { return value; }
};

// Sets what the model version has and skips what it lacks, so one builder serves every version.
void put(ManagedObject* object, const QString& key, const QVariant& value) {
    if (object->entity()->attribute(key)) object->setValue(key, value);
}
void link(ManagedObject* object, const QString& key, ManagedObject* target) {
    const platform::RelationshipDescription* relationship = object->entity()->relationship(key);
    if (!relationship) return;
    if (relationship->isToMany())
        object->addObject(key, target);
    else
        object->setObject(key, target);
}

}  // namespace

QByteArray ruleArchive(const QString& keyPath) {
    const QVariantMap root{
        {QStringLiteral("class"), QStringLiteral("TRCompoundRule")},
        {QStringLiteral("fields"),
         QVariantMap{{QStringLiteral("ruleType"), qint64(1)},
                     {QStringLiteral("subrules"),
                      QVariantList{comparison(keyPath), comparison(QStringLiteral("title"))}}}}};
    const QVariantMap archive{{QStringLiteral("archive"), QStringLiteral("Ordello keyed archive")},
                              {QStringLiteral("version"), qint64(1)},
                              {QStringLiteral("root"), root}};
    return *platform::writePropertyList(archive, platform::PropertyListFormat::Binary);
}

QStringList ruleKeyPaths(const QByteArray& archive) {
    QStringList paths;
    auto plist = platform::readPropertyList(archive);
    if (plist) collectKeyPaths(plist->toMap().value(QStringLiteral("root")).toMap(), paths);
    return paths;
}

void ensureArchiveTransformers() {
    for (const QString& name : {QStringLiteral("TDRuleArchiveValueTransformer"),
                                QStringLiteral("TDRecurrenceRuleArchiveValueTransformer")})
        if (!platform::valueTransformerForName(name))
            platform::setValueTransformer(name, std::make_shared<ArchiveBytesTransformer>());
}

void MigrationPackageTest::SetUp() {
    TempFoldersTest::SetUp();
    TDRegisterLibraryModelClasses();
    ensureArchiveTransformers();
    package = QDir(tempPath()).filePath(QStringLiteral("Ordello Library.odllibrary"));
}

void writeOldPackage(const QString& packagePath, const QString& modelName, double libraryVersion,
                     const OldLibraryContents& contents) {
    ASSERT_TRUE(QDir().mkpath(packagePath));
    const QVariantMap info{{QStringLiteral("TDLibraryVersion"), libraryVersion},
                           {QStringLiteral("TDApplicationVersion"), QStringLiteral("0.9")},
                           {QStringLiteral("TDApplicationShortVersion"), QStringLiteral("90")}};
    ASSERT_TRUE(
        platform::writePropertyListFile(QDir(packagePath).filePath(QStringLiteral("Info.plist")), info).ok());
    ASSERT_TRUE(
        platform::writePropertyListFile(QDir(packagePath).filePath(QStringLiteral("options.plist")),
                                        QVariantMap{{QStringLiteral("groupViewOptions"), QVariantMap()}})
            .ok());
    auto model = TDLibraryMigrationModel(modelName);
    ASSERT_TRUE(model.ok()) << model.error().description.toStdString();
    platform::PersistentStoreCoordinator coordinator(*model);
    ASSERT_TRUE(coordinator.openStore(QDir(packagePath).filePath(QStringLiteral("library.sqlite3"))).ok());
    platform::ManagedObjectContext context(&coordinator);

    ManagedObject* library = context.insertObject(QStringLiteral("Library"));
    put(library, QStringLiteral("uidnum"), qint64(1));
    put(library, QStringLiteral("version"), libraryVersion);
    if (contents.withRootGroupNumber) put(library, QStringLiteral("rootGroupUIDNum"), qint64(100));
    auto group = [&](const QString& entity, qint64 uid, const QString& title, bool special,
                     ManagedObject* parent, const QString& type) {
        ManagedObject* g = context.insertObject(entity);
        put(g, QStringLiteral("uidnum"), uid);
        put(g, QStringLiteral("title"), title);
        put(g, QStringLiteral("special"), special);
        put(g, QStringLiteral("type"), type);
        put(g, QStringLiteral("displayOrder"), double(uid));
        if (parent) g->setObject(QStringLiteral("parentGroup"), parent);
        return g;
    };
    const QString folder = QStringLiteral("folder");
    ManagedObject* root =
        group(QStringLiteral("Folder"), 100, QStringLiteral("Root Group"), true, nullptr, folder);
    ManagedObject* inboxParent =
        group(QStringLiteral("Folder"), 101, QStringLiteral("INBOX"), true, root, folder);
    ManagedObject* inbox = contents.withInbox ? group(QStringLiteral("List"), 102, QStringLiteral("Inbox"),
                                                      true, inboxParent, QStringLiteral("list"))
                                              : nullptr;
    ManagedObject* ordellos =
        group(QStringLiteral("Folder"), 103, QStringLiteral("Ordellos"), true, root, folder);
    group(QStringLiteral("SmartFolder"), 104, QStringLiteral("Today"), true, ordellos,
          QStringLiteral("smart"));
    ManagedObject* folders =
        group(QStringLiteral("Folder"), 105, QStringLiteral("Folders"), true, root, folder);
    ManagedObject* projects =
        group(QStringLiteral("Folder"), 106, QStringLiteral("Projects"), false, folders, folder);
    ManagedObject* errands = group(QStringLiteral("List"), 107, QStringLiteral("Errands"), false, projects,
                                   QStringLiteral("list"));
    ManagedObject* flagged = group(QStringLiteral("SmartFolder"), 108, QStringLiteral("Flagged"), false,
                                   folders, QStringLiteral("smart"));
    put(flagged, QStringLiteral("rule"), ruleArchive(QStringLiteral("smartGroups")));
    ManagedObject* tags = group(QStringLiteral("Folder"), 109, QStringLiteral("Labels"), true, root, folder);
    ManagedObject* home =
        group(QStringLiteral("Tag"), 110, QStringLiteral("home"), false, tags, QStringLiteral("label"));

    const QDateTime day(QDate(2008, 5, 1), QTime(12, 0), Qt::UTC);
    auto task = [&](qint64 uid, const QString& title, ManagedObject* list, ManagedObject* parent) {
        ManagedObject* t = context.insertObject(QStringLiteral("Task"));
        put(t, QStringLiteral("uidnum"), uid);
        put(t, QStringLiteral("title"), title);
        put(t, QStringLiteral("createdDate"), day);
        if (list) t->setObject(QStringLiteral("parentList"), list);
        if (parent) t->setObject(QStringLiteral("parentTask"), parent);
        return t;
    };
    ManagedObject* milk = task(0x10, QStringLiteral("Buy milk"), errands, nullptr);
    put(milk, QStringLiteral("completedDate"), day.addDays(1));
    put(milk, QStringLiteral("notes"), QStringLiteral("Two litres"));
    if (contents.withRichNotes)
        put(milk, QStringLiteral("attributedNotes"), QStringLiteral("<p><b>Two</b> litres</p>"));
    link(milk, QStringLiteral("tags"), home);
    link(milk, QStringLiteral("smartGroups"), flagged);
    link(milk, QStringLiteral("smartFolders"), flagged);
    ManagedObject* bottle = task(0x11, QStringLiteral("Return bottle"), nullptr, milk);
    put(bottle, QStringLiteral("completedDate"), day.addDays(1));
    put(bottle, QStringLiteral("canceledDate"), day.addDays(2));
    ManagedObject* plants = task(0x12, QStringLiteral("Water plants"), inbox ? inbox : errands, nullptr);
    put(plants, QStringLiteral("recurring"), true);
    TDRegisterRecurrenceRuleArchiveClasses();
    put(plants, QStringLiteral("recurrenceRule"),
        TDArchivedDataWithRecurrenceRule(TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1).value())
            .value());
    put(plants, QStringLiteral("archivedDate"), day.addDays(3));
    put(plants, QStringLiteral("notes"), QStringLiteral("Plain"));
    put(plants, QStringLiteral("attributedNotes"), QStringLiteral("Plain"));

    if (model->get()->entity(QStringLiteral("TimeLogEntry"))) {
        ManagedObject* logged = context.insertObject(QStringLiteral("TimeLogEntry"));
        put(logged, QStringLiteral("startDate"), day);
        logged->setObject(QStringLiteral("task"), milk);
        ManagedObject* orphan = context.insertObject(QStringLiteral("TimeLogEntry"));
        put(orphan, QStringLiteral("startDate"), day.addDays(5));
    }
    if (model->get()->entity(QStringLiteral("SyncSetItem"))) {
        ManagedObject* set = context.insertObject(QStringLiteral("SyncSet"));
        put(set, QStringLiteral("uidnum"), qint64(0x200));
        ManagedObject* item = context.insertObject(QStringLiteral("SyncSetItem"));
        put(item, QStringLiteral("itemUIDNumber"), qint64(0x10));
        item->setObject(QStringLiteral("syncSet"), set);
    }
    const Status saved = context.save();
    ASSERT_TRUE(saved.ok()) << saved.error().description.toStdString();
}

QMap<QString, QByteArray> folderContents(const QString& folder) {
    QMap<QString, QByteArray> files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) files.insert(QDir(folder).relativeFilePath(path), file.readAll());
    }
    return files;
}

void copyFolder(const QString& from, const QString& to) {
    QDir().mkpath(to);
    const QMap<QString, QByteArray> files = folderContents(from);
    for (auto it = files.cbegin(); it != files.cend(); ++it) {
        const QString path = QDir(to).filePath(it.key());
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(it.value());
    }
}

}  // namespace storetest

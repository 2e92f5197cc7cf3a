// One machine of the sync tests that run two: a process with its own library, settings and node id,
// syncing through the service at --url. It reads one command a line on standard input and answers
// one line on standard output, "OK[ value]" or "ERR text":
//   add TITLE                 a task at the top of the Inbox; answers its UID
//   subtask PARENT TITLE      a sub-task of the task PARENT; answers its UID
//   title UID TITLE           renames the task
//   notes UID TEXT            gives the task notes
//   complete UID              completes the task
//   delete UID                deletes the task or group
//   list TITLE                a list in the Folders group; answers its UID
//   move UID LIST             moves the task into the list
//   bulk COUNT PREFIX         COUNT tasks titled PREFIX and a number
//   sync                      one sync, as the program runs it; "ERR <code>" when it fails
//   forms                     the sync forms of every object that travels, as one JSON object
//   journal                   the number of objects changed since the last sync
//   quit
// Every change is saved at once.

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/managed_object_context.h"
#include "model/ordered_collection.h"
#include "model/sync_set.h"
#include "model/task.h"
#include "platform/defaults/user_defaults.h"
#include "store/library_manager.h"
#include "sync/corvane_change_set.h"
#include "sync/corvane_sync_operation.h"
#include "sync/corvane_sync_settings.h"

#include <QCommandLineParser>
#include <QFile>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSslCertificate>

#include <iostream>
#include <string>

namespace {

struct Peer {
    TDLibraryManager* manager = nullptr;
    TDLibrary* library = nullptr;
    QString user;
    QString password;
    TDCorvaneConnection::Options connection;
};

QString answer(const Status& status, const QString& value = {}) {
    if (!status) return QStringLiteral("ERR ") + status.error().description;
    return value.isEmpty() ? QStringLiteral("OK") : QStringLiteral("OK ") + value;
}

Status saved(Peer& peer) {
    if (!peer.manager->saveLibrary()) return TDError::make(1, QStringLiteral("the library was not saved"));
    return {};
}

TDTask* taskOf(Peer& peer, const QString& uid) {
    return peer.library->taskWithUID(uid);
}

QString forms(TDLibrary* library) {
    QJsonObject all;
    for (const QString& entityName : TDCorvaneSyncedEntityNames()) {
        platform::FetchRequest request(entityName);
        request.includesSubentities = false;
        const auto objects = library->managedObjectContext()->execute(request);
        if (!objects) continue;
        for (platform::ManagedObject* object : *objects) {
            auto* libraryObject = static_cast<TDLibraryObject*>(object);
            if (libraryObject->isExcludedFromSync() || libraryObject->isDeleted()) continue;
            all.insert(entityName + QLatin1Char('/') + libraryObject->uid(),
                       QJsonObject::fromVariantMap(libraryObject->syncDictionaryRepresentation()));
        }
    }
    return QString::fromUtf8(QJsonDocument(all).toJson(QJsonDocument::Compact));
}

QString run(Peer& peer, const QString& line) {
    const QString command = line.section(QLatin1Char(' '), 0, 0);
    const QString first = line.section(QLatin1Char(' '), 1, 1);
    const QString rest = line.section(QLatin1Char(' '), 1);
    const QString afterFirst = line.section(QLatin1Char(' '), 2);
    if (command == QLatin1String("add")) {
        TDTask* task = peer.library->createTask();
        task->setTitle(rest);
        return answer(saved(peer), task->uid());
    }
    if (command == QLatin1String("bulk")) {
        for (int i = 0; i < first.toInt(); ++i)
            peer.library->createTask()->setTitle(QStringLiteral("%1 %2").arg(afterFirst).arg(i));
        return answer(saved(peer));
    }
    if (command == QLatin1String("list")) {
        TDList* list = peer.library->createList(rest, peer.library->foldersGroup());
        return answer(saved(peer), list->uid());
    }
    if (command == QLatin1String("sync")) {
        auto operation = std::make_shared<TDCorvaneSyncOperation>(peer.manager, peer.library);
        operation->setUsername(peer.user);
        operation->setPassword(peer.password);
        operation->setConnectionOptions(peer.connection);
        operation->start();
        if (operation->error()) return QStringLiteral("ERR %1").arg(operation->error()->code);
        return QStringLiteral("OK");
    }
    if (command == QLatin1String("forms")) return QStringLiteral("OK ") + forms(peer.library);
    if (command == QLatin1String("journal")) {
        const TDSyncSet* syncSet = peer.library->corvaneSyncSet(false);
        return QStringLiteral("OK %1").arg(syncSet ? syncSet->items().size() : 0);
    }
    if (command == QLatin1String("delete")) {
        TDLibraryObject* object = taskOf(peer, first);
        if (!object) object = peer.library->groupWithUID(first);
        if (!object) return QStringLiteral("ERR no object ") + first;
        object->deleteObject();
        return answer(saved(peer));
    }
    TDTask* task = taskOf(peer, first);
    if (!task) return QStringLiteral("ERR no task ") + first;
    if (command == QLatin1String("subtask")) {
        TDTask* subtask = peer.library->createTask();
        subtask->setTitle(afterFirst);
        if (const Status added = task->orderedTasks()->addObject(subtask); !added) return answer(added);
        return answer(saved(peer), subtask->uid());
    }
    if (command == QLatin1String("title"))
        task->setTitle(afterFirst);
    else if (command == QLatin1String("notes"))
        task->setNotesString(afterFirst);
    else if (command == QLatin1String("complete"))
        task->setCompleted(true);
    else if (command == QLatin1String("move")) {
        auto* list = dynamic_cast<TDList*>(peer.library->groupWithUID(afterFirst));
        if (!list) return QStringLiteral("ERR no list ") + afterFirst;
        if (const Status moved = list->orderedTasks()->addObject(task); !moved) return answer(moved);
    } else {
        return QStringLiteral("ERR unknown command ") + command;
    }
    return answer(saved(peer));
}

}  // namespace

int main(int argc, char** argv) {
    QGuiApplication app(argc, argv);
    QGuiApplication::setApplicationName(QStringLiteral("Ordello"));
    QCommandLineParser parser;
    for (const char* option : {"library", "url", "anchor", "user", "password"})
        parser.addOption(QCommandLineOption(QString::fromLatin1(option), QString(), QStringLiteral("value")));
    parser.process(app);

    QFile anchorFile(parser.value(QStringLiteral("anchor")));
    if (!anchorFile.open(QIODevice::ReadOnly)) {
        std::cout << "ERR no anchor" << std::endl;
        return 1;
    }
    Peer peer;
    peer.user = parser.value(QStringLiteral("user"));
    peer.password = parser.value(QStringLiteral("password"));
    peer.connection.urls = {parser.value(QStringLiteral("url")), QString()};
    peer.connection.extraAnchors = QSslCertificate::fromData(anchorFile.readAll(), QSsl::Pem);
    platform::UserDefaults::standard().setValue(QStringLiteral("corvaneSyncServiceURL"),
                                                parser.value(QStringLiteral("url")));
    // Saves happen when a command asks for them.
    platform::UserDefaults::standard().setValue(QStringLiteral("libraryAutosaveDelay"), 24.0 * 60 * 60);

    TDLibraryManager manager(parser.value(QStringLiteral("library")));
    TDLibraryManager::setSharedManager(&manager);
    const Result<TDLibrary*> created = manager.createLibrary();
    if (!created) {
        std::cout << "ERR " << created.error().detailedDescription().toStdString() << std::endl;
        return 1;
    }
    peer.manager = &manager;
    peer.library = *created;
    // The journal an account set-up leaves.
    TDManagedObjectContext* journal = manager.syncSetManagedObjectContext();
    auto* syncSet = journal->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
    syncSet->setSyncType(QStringLiteral("corvane"));
    syncSet->setUsername(peer.user);
    if (!journal->save()) {
        std::cout << "ERR the journal was not saved" << std::endl;
        return 1;
    }
    manager.setOption(QVariant(true), QStringLiteral("corvaneSyncEnabled"));
    std::cout << "OK " << TDCorvaneSyncSettings::syncNodeID().toStdString() << std::endl;

    std::string line;
    while (std::getline(std::cin, line)) {
        const QString command = QString::fromStdString(line).trimmed();
        if (command == QLatin1String("quit")) break;
        std::cout << run(peer, command).toStdString() << std::endl;
    }
    TDLibraryManager::setSharedManager(nullptr);
    return 0;
}

#include "auxiliary/gui/scripting_bus.h"

#include "model/group.h"
#include "model/library.h"
#include "model/list.h"
#include "model/ordered_collection.h"
#include "model/task.h"
#include "platform/desktop/bus/instance_service.h"
#include "platform/undo/undo_manager.h"
#include "tests/auxiliary/scripting_fixture.h"
#include "tests/platform/desktop/private_bus.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QDBusVariant>
#include <QFile>

#include <gtest/gtest.h>

namespace {

using testsupport::PrivateBus;
using testsupport::ScriptingLibraryTest;

const QString kService = QStringLiteral("com.vantorel.Ordello");
const QString kRoot = QStringLiteral("/com/vantorel/Ordello");
const QString kApplication = QStringLiteral("com.vantorel.Ordello.Application");
const QString kGroup = QStringLiteral("com.vantorel.Ordello.Group");
const QString kTask = QStringLiteral("com.vantorel.Ordello.Task");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");

QString groupPath(const TDGroup* group) {
    return kRoot + QStringLiteral("/groups/") + group->uid();
}

QString taskPath(const TDTask* task) {
    return kRoot + QStringLiteral("/tasks/") + task->uid();
}

QVariant paths(const QStringList& list) {
    QList<QDBusObjectPath> objects;
    for (const QString& path : list) objects.append(QDBusObjectPath(path));
    return QVariant::fromValue(objects);
}

QStringList pathsIn(const QVariant& value) {
    QList<QDBusObjectPath> objects;
    if (value.metaType() == QMetaType::fromType<QDBusArgument>())
        qvariant_cast<QDBusArgument>(value) >> objects;
    else
        objects = qvariant_cast<QList<QDBusObjectPath>>(value);
    QStringList list;
    for (const QDBusObjectPath& path : std::as_const(objects)) list.append(path.path());
    return list;
}

// Ordello's service with the scripting objects on a bus of the test's own, and a script's connection.
class ScriptingBusTest : public ScriptingLibraryTest {
protected:
    void SetUp() override {
        ScriptingLibraryTest::SetUp();
        ASSERT_TRUE(bus.isRunning());
        service = std::make_unique<platform::InstanceService>(bus.connect(QStringLiteral("ordello")));
        ASSERT_EQ(service->claim({}), platform::InstanceService::Claim::Owned);
        scripting = std::make_unique<TDScriptingBus>(*host, *service);
        ASSERT_TRUE(scripting->isServed());
        script = bus.connect(QStringLiteral("script"));
    }
    void TearDown() override {
        scripting.reset();
        service.reset();
        ScriptingLibraryTest::TearDown();
    }

    // The call as a script makes it; this process answers it through its event loop.
    QDBusMessage call(const QString& path, const QString& interface, const QString& member,
                      const QVariantList& arguments = {}) {
        QDBusMessage message = QDBusMessage::createMethodCall(kService, path, interface, member);
        message.setArguments(arguments);
        QDBusPendingCallWatcher watcher(script.asyncCall(message));
        EXPECT_TRUE(testsupport::spinUntil([&watcher] { return watcher.isFinished(); }));
        processChanges();
        return watcher.reply();
    }
    QDBusMessage get(const QString& path, const QString& interface, const QString& name) {
        return call(path, kProperties, QStringLiteral("Get"), {interface, name});
    }
    QVariant value(const QString& path, const QString& interface, const QString& name) {
        const QDBusMessage reply = get(path, interface, name);
        EXPECT_EQ(reply.type(), QDBusMessage::ReplyMessage) << reply.errorMessage().toStdString();
        return reply.arguments().isEmpty() ? QVariant()
                                           : qvariant_cast<QDBusVariant>(reply.arguments().first()).variant();
    }
    QDBusMessage set(const QString& path, const QString& interface, const QString& name, const QVariant& to) {
        return call(path, kProperties, QStringLiteral("Set"),
                    {interface, name, QVariant::fromValue(QDBusVariant(to))});
    }

    PrivateBus bus;
    std::unique_ptr<platform::InstanceService> service;
    std::unique_ptr<TDScriptingBus> scripting;
    QDBusConnection script{QString()};
};

TEST_F(ScriptingBusTest, EveryRefusalIsANamedErrorWithItsNumberAndChangesNothing) {
    host->selection = {outline};
    host->unselectable = {library->foldersGroup()};
    const QString inbox = groupPath(library->inboxGroup());
    const struct {
        const char* what;
        std::function<QDBusMessage()> send;
        const char* error;
        const char* message;
    } cases[] = {
        {"a list deleted with the Inbox",
         [&] {
             return call(kRoot, kApplication, QStringLiteral("Delete"), {paths({groupPath(errands), inbox})});
         },
         "com.vantorel.Ordello.Error.CannotDeleteSpecialGroups", "9001: Cannot delete special groups"},
        {"the Inbox deleted", [&] { return call(inbox, kGroup, QStringLiteral("Delete")); },
         "com.vantorel.Ordello.Error.CannotDeleteSpecialGroups", "9001: Cannot delete special groups"},
        {"a folder moved into a list",
         [&] {
             return call(groupPath(work), kGroup, QStringLiteral("Move"),
                         {QVariant::fromValue(QDBusObjectPath(groupPath(reports))), 0});
         },
         "com.vantorel.Ordello.Error.CouldNotMove", "9002: Could not move object"},
        {"a list and its folder moved into the folder",
         [&] {
             return call(kRoot, kApplication, QStringLiteral("Move"),
                         {paths({groupPath(errands), groupPath(work)}),
                          QVariant::fromValue(QDBusObjectPath(groupPath(work))), 0});
         },
         "com.vantorel.Ordello.Error.CouldNotMove", "9002: Could not move object"},
        {"a task moved into a folder",
         [&] {
             return call(taskPath(draft), kTask, QStringLiteral("Move"),
                         {QVariant::fromValue(QDBusObjectPath(groupPath(work))), 0});
         },
         "com.vantorel.Ordello.Error.CouldNotMove", "9002: Could not move task"},
        {"a task that is not there",
         [&] { return get(kRoot + QStringLiteral("/tasks/NOPE"), kTask, QStringLiteral("Title")); },
         "com.vantorel.Ordello.Error.UnknownObject", "9003: Cannot select object because of unknown type"},
        {"a group path that does not decode",
         [&] { return call(kRoot + QStringLiteral("/groups/_zz"), kGroup, QStringLiteral("Tasks")); },
         "com.vantorel.Ordello.Error.UnknownObject", "9003: Cannot select object because of unknown type"},
        {"a destination that is not there",
         [&] {
             return call(taskPath(draft), kTask, QStringLiteral("Move"),
                         {QVariant::fromValue(QDBusObjectPath(kRoot + QStringLiteral("/tasks/NOPE"))), 0});
         },
         "com.vantorel.Ordello.Error.UnknownObject", "9003: Cannot select object because of unknown type"},
        {"a selection of a task and a group",
         [&] {
             return set(kRoot, kApplication, QStringLiteral("Selection"),
                        paths({taskPath(draft), groupPath(reports)}));
         },
         "com.vantorel.Ordello.Error.NotSelectable", "9004: Selection can only consists of tasks"},
        {"a group the source list cannot select",
         [&] {
             return set(kRoot, kApplication, QStringLiteral("SelectedGroup"),
                        QVariant::fromValue(QDBusObjectPath(groupPath(library->foldersGroup()))));
         },
         "com.vantorel.Ordello.Error.NotSelectable", "9004: Group is not selectable"},
        {"a task as the selected group",
         [&] {
             return set(kRoot, kApplication, QStringLiteral("SelectedGroup"),
                        QVariant::fromValue(QDBusObjectPath(taskPath(draft))));
         },
         "com.vantorel.Ordello.Error.NotSelectable", "9004: Group is not selectable"},
        {"a title with a control character",
         [&] { return set(taskPath(draft), kTask, QStringLiteral("Title"), QStringLiteral("a\x1b[2J")); },
         "com.vantorel.Ordello.Error.InvalidValue", "9010: The title holds a control character"},
        {"a priority as text",
         [&] { return set(taskPath(draft), kTask, QStringLiteral("Priority"), QStringLiteral("high")); },
         "com.vantorel.Ordello.Error.InvalidValue", nullptr},
        {"a read-only property",
         [&] { return set(taskPath(draft), kTask, QStringLiteral("Uid"), QStringLiteral("X")); },
         "org.freedesktop.DBus.Error.PropertyReadOnly", nullptr},
        {"a malformed call",
         [&] {
             return call(groupPath(errands), kGroup, QStringLiteral("MakeTask"), {QStringLiteral("Tea")});
         },
         "org.freedesktop.DBus.Error.InvalidArgs", nullptr},
        {"a method of no interface", [&] { return call(taskPath(draft), kTask, QStringLiteral("Explode")); },
         "org.freedesktop.DBus.Error.UnknownMethod", nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        const QDBusMessage reply = c.send();
        ASSERT_EQ(reply.type(), QDBusMessage::ErrorMessage);
        EXPECT_EQ(reply.errorName(), QString::fromLatin1(c.error));
        if (c.message) {
            EXPECT_EQ(reply.errorMessage(), QString::fromUtf8(c.message));
        }
    }
    EXPECT_FALSE(errands->isDeleted());
    EXPECT_EQ(errands->parentGroup(), library->foldersGroup());
    EXPECT_EQ(draft->parentList(), reports);
    EXPECT_EQ(draft->title(), QStringLiteral("Draft"));
    EXPECT_EQ(host->selection, QList<TDTask*>{outline});
    EXPECT_FALSE(manager->undoManager()->canUndo());
}

TEST_F(ScriptingBusTest, AScriptMakesMovesAndDeletesEachAsOneUndoStep) {
    QVariantMap properties{{QStringLiteral("Title"), QStringLiteral("Buy milk")},
                           {QStringLiteral("DueDate"), QStringLiteral("2026-12-24")}};
    QDBusMessage made = call(groupPath(errands), kGroup, QStringLiteral("MakeTask"), {properties, 0});
    ASSERT_EQ(made.type(), QDBusMessage::ReplyMessage) << made.errorMessage().toStdString();
    const QString milk = qvariant_cast<QDBusObjectPath>(made.arguments().first()).path();
    EXPECT_EQ(value(milk, kTask, QStringLiteral("Title")).toString(), QStringLiteral("Buy milk"));
    EXPECT_EQ(value(milk, kTask, QStringLiteral("DueDate")).toString(),
              QStringLiteral("2026-12-24T00:00:00"));
    EXPECT_EQ(qvariant_cast<QDBusObjectPath>(value(milk, kTask, QStringLiteral("List"))).path(),
              groupPath(errands));
    EXPECT_EQ(pathsIn(call(groupPath(errands), kGroup, QStringLiteral("Tasks")).arguments().value(0)),
              QStringList{milk});
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("New Task"));

    ASSERT_EQ(
        call(milk, kTask, QStringLiteral("Move"), {QVariant::fromValue(QDBusObjectPath(taskPath(draft))), -1})
            .type(),
        QDBusMessage::ReplyMessage);
    EXPECT_EQ(pathsIn(call(taskPath(draft), kTask, QStringLiteral("Subtasks")).arguments().value(0)),
              (QStringList{taskPath(outline), milk}));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Move"));
    manager->undoManager()->undo();
    processChanges();
    EXPECT_EQ(pathsIn(call(groupPath(errands), kGroup, QStringLiteral("Tasks")).arguments().value(0)),
              QStringList{milk});

    const QDBusMessage list =
        call(groupPath(work), kGroup, QStringLiteral("MakeList"), {QStringLiteral("Plans"), 0});
    ASSERT_EQ(list.type(), QDBusMessage::ReplyMessage) << list.errorMessage().toStdString();
    const QString plans = qvariant_cast<QDBusObjectPath>(list.arguments().first()).path();
    EXPECT_EQ(value(plans, kGroup, QStringLiteral("Title")).toString(), QStringLiteral("Plans"));
    EXPECT_EQ(value(plans, kGroup, QStringLiteral("Kind")).toString(), QStringLiteral("list"));

    ASSERT_EQ(call(kRoot, kApplication, QStringLiteral("Delete"), {paths({milk, plans})}).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(get(milk, kTask, QStringLiteral("Title")).errorName(),
              QStringLiteral("com.vantorel.Ordello.Error.UnknownObject"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Delete"));
    manager->undoManager()->undo();
    processChanges();
    EXPECT_EQ(value(milk, kTask, QStringLiteral("Title")).toString(), QStringLiteral("Buy milk"));
    EXPECT_EQ(value(plans, kGroup, QStringLiteral("Title")).toString(), QStringLiteral("Plans"));
}

TEST_F(ScriptingBusTest, PropertiesNotesSelectionAndManyTasksInOneCall) {
    ASSERT_EQ(
        set(taskPath(draft), kTask, QStringLiteral("Notes"), QStringLiteral("line one\nline two")).type(),
        QDBusMessage::ReplyMessage);
    EXPECT_EQ(draft->notesString(), QStringLiteral("line one\nline two"));
    EXPECT_EQ(manager->undoManager()->undoActionName(), QStringLiteral("Edit Note"));
    ASSERT_EQ(set(taskPath(outline), kTask, QStringLiteral("Priority"), 3).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(outline->priority(), 3);

    ASSERT_EQ(
        set(kRoot, kApplication, QStringLiteral("Selection"), paths({taskPath(outline), taskPath(draft)}))
            .type(),
        QDBusMessage::ReplyMessage);
    EXPECT_EQ(host->revealed, QList<TDLibraryObject*>{outline});
    EXPECT_EQ(pathsIn(value(kRoot, kApplication, QStringLiteral("Selection"))),
              (QStringList{taskPath(outline), taskPath(draft)}));
    EXPECT_EQ(qvariant_cast<QDBusObjectPath>(value(kRoot, kApplication, QStringLiteral("Inbox"))).path(),
              groupPath(library->inboxGroup()));
    EXPECT_EQ(qvariant_cast<QDBusObjectPath>(value(kRoot, kApplication, QStringLiteral("TimingTask"))).path(),
              QStringLiteral("/"));
    ASSERT_EQ(call(taskPath(outline), kTask, QStringLiteral("BeginTiming")).type(),
              QDBusMessage::ReplyMessage);
    EXPECT_EQ(qvariant_cast<QDBusObjectPath>(value(kRoot, kApplication, QStringLiteral("TimingTask"))).path(),
              taskPath(outline));
    ASSERT_EQ(call(kRoot, kApplication, QStringLiteral("StopTiming")).type(), QDBusMessage::ReplyMessage);
    EXPECT_FALSE(outline->isTiming());

    const QDBusMessage read =
        call(groupPath(reports), kGroup, QStringLiteral("TaskProperties"),
             {QStringList{QStringLiteral("Title"), QStringLiteral("Priority"), QStringLiteral("Parent")}});
    ASSERT_EQ(read.type(), QDBusMessage::ReplyMessage) << read.errorMessage().toStdString();
    EXPECT_EQ(read.signature(), QStringLiteral("a{sa{sv}}"));
    const auto tasks = qdbus_cast<QMap<QString, QVariantMap>>(read.arguments().first());
    ASSERT_EQ(tasks.size(), 2);
    EXPECT_EQ(tasks.value(outline->uid()).value(QStringLiteral("Title")).toString(),
              QStringLiteral("Outline"));
    EXPECT_EQ(tasks.value(outline->uid()).value(QStringLiteral("Priority")).toInt(), 3);
    EXPECT_EQ(
        qvariant_cast<QDBusObjectPath>(tasks.value(outline->uid()).value(QStringLiteral("Parent"))).path(),
        taskPath(draft));
}

TEST_F(ScriptingBusTest, AUIDThatIsNoPathElementIsEscapedAndReadBack) {
    outline->setUid(QStringLiteral("synced-uid.7/x"));
    processChanges();
    const QStringList subtasks =
        pathsIn(call(taskPath(draft), kTask, QStringLiteral("Subtasks")).arguments().value(0));
    ASSERT_EQ(subtasks.size(), 1);
    EXPECT_EQ(subtasks.first(), kRoot + QStringLiteral("/tasks/synced_2duid_2e7_2fx"));
    EXPECT_EQ(value(subtasks.first(), kTask, QStringLiteral("Uid")).toString(),
              QStringLiteral("synced-uid.7/x"));
}

TEST_F(ScriptingBusTest, TheInstalledInterfaceFilesSayWhatTheServiceDoes) {
    for (const QString& interface : {kApplication, kGroup, kTask}) {
        SCOPED_TRACE(interface.toStdString());
        QFile file(QStringLiteral(ORDELLO_DBUS_INTERFACES_DIR "/") + interface + QStringLiteral(".xml"));
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_TRUE(QString::fromUtf8(file.readAll()).contains(scripting->interfaceXml(interface)));
    }
    const QDBusMessage xml = call(groupPath(reports), QStringLiteral("org.freedesktop.DBus.Introspectable"),
                                  QStringLiteral("Introspect"));
    EXPECT_TRUE(xml.arguments().value(0).toString().contains(scripting->interfaceXml(kGroup)));
}

}  // namespace

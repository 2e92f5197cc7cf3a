#include "tests/model/task_tree_fixture.h"

#include "foundation/data_additions.h"
#include "foundation/file_attachment.h"
#include "model/json_friendly.h"
#include "model/recurrence.h"
#include "model/recurrence_rule_archiving.h"
#include "model/task_notes.h"
#include "model/uid.h"
#include "platform/plist/property_list.h"

#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTextBlock>
#include <QTextCursor>

namespace {

using modeltest::TaskTreeTest;

QString key(const char* text) {
    return QString::fromLatin1(text);
}

std::string asJSON(const QVariant& value) {
    return QJsonDocument::fromVariant(TDMakeJSONFriendly(value)).toJson(QJsonDocument::Compact).toStdString();
}

QVariantMap throughPropertyList(const QVariantMap& form) {
    const Result<QByteArray> written =
        platform::writePropertyList(form, platform::PropertyListFormat::Binary);
    EXPECT_TRUE(written.ok());
    if (!written) return {};
    const Result<QVariant> read = platform::readPropertyList(*written);
    EXPECT_TRUE(read.ok());
    return read ? read->toMap() : QVariantMap();
}

QVariantMap throughJSON(const QVariantMap& record) {
    const QByteArray text = QJsonDocument(QJsonObject::fromVariantMap(record)).toJson();
    return QJsonDocument::fromJson(text).object().toVariantMap();
}

// Subtasks are renumbered where they land; their order is what a copy keeps.
QVariantMap withoutSubtaskOrders(QVariantMap form) {
    QVariantList subtasks = form.value(QStringLiteral("subtasks")).toList();
    for (QVariant& subtask : subtasks) {
        QVariantMap inner = withoutSubtaskOrders(subtask.toMap());
        inner.remove(QStringLiteral("displayOrder"));
        subtask = inner;
    }
    if (!subtasks.isEmpty()) form.insert(QStringLiteral("subtasks"), subtasks);
    return form;
}

qsizetype attachmentCount(const QTextDocument& text) {
    qsizetype count = 0;
    for (QTextBlock block = text.begin(); block.isValid(); block = block.next())
        for (auto it = block.begin(); !it.atEnd(); ++it)
            if (isFileAttachment(it.fragment().charFormat())) count += it.fragment().length();
    return count;
}

class TaskDictionaryTest : public TaskTreeTest {
protected:
    void SetUp() override {
        TaskTreeTest::SetUp();
        filePath = tempPath() + QStringLiteral("/Plan.txt");
        QFile file(filePath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("plan");
    }

    static TDRecurrenceRule weeklyRule(const QDateTime& nextStart) {
        TDRecurrenceRule rule = TDRecurrenceRule::initWeeklyRecurrenceWithInterval(1, {2}).value();
        rule.setNextStartDate(nextStart);
        return rule;
    }

    TDRecurrence* makeRecurring(TDTask* target, const TDRecurrenceRule& rule) {
        auto* recurrence = static_cast<TDRecurrence*>(insert(QStringLiteral("Recurrence")));
        EXPECT_TRUE(recurrence->setRule(rule).ok());
        target->setObject(QStringLiteral("recurrence"), recurrence);
        return recurrence;
    }

    TDTaskNotes* giveRichNotes(TDTask* target) {
        auto* notes = static_cast<TDTaskNotes*>(insert(QStringLiteral("TaskNotes")));
        target->setObject(QStringLiteral("notes"), notes);
        target->setValue(QStringLiteral("notesUID"), notes->uid());
        QTextDocument text;
        QTextCursor cursor(&text);
        QTextCharFormat bold;
        bold.setFontWeight(QFont::Bold);
        cursor.insertText(QStringLiteral("Read"), bold);
        cursor.insertText(QStringLiteral(" the plan "), QTextCharFormat());
        insertFileAttachment(cursor, *BDAlias::fromPath(filePath));
        notes->setAttributedString(&text);
        return notes;
    }

    // A repeating task with rich notes, a tag, dates and a small tree of subtasks.
    TDTask* richTask() {
        TDTask* parent = task(QStringLiteral("Water the plants /home"), inbox());
        parent->setStartDate(QDateTime(QDate(2026, 12, 14), QTime(0, 0)));
        parent->setDueDate(QDateTime(QDate(2026, 12, 15), QTime(0, 0)));
        parent->setPriority(3);
        parent->setEstimatedTime(1800);
        TDTag* tag = library->tagWithTitle(QStringLiteral("home"));
        if (!tag) tag = library->createTagWithTitle(QStringLiteral("home"));
        tag->addTasks({parent});
        giveRichNotes(parent);
        makeRecurring(parent, weeklyRule(QDateTime(QDate(2026, 12, 14), QTime(0, 0))));
        TDTask* first = task(QStringLiteral("fill the can"), parent);
        task(QStringLiteral("find the can"), first);
        task(QStringLiteral("pour"), parent);
        return parent;
    }

    QString filePath;
};

TEST_F(TaskDictionaryTest, ACopyFormMakesAnEqualTreeWithNotesAttachmentsAndRecurrence) {
    TDTask* original = richTask();
    const QVariantMap form = throughPropertyList(original->propertyListRepresentationForCopying());
    EXPECT_FALSE(form.contains(key("uid")));
    const QVariantList subtasks = form.value(key("subtasks")).toList();
    ASSERT_EQ(subtasks.size(), 2);
    EXPECT_EQ(subtasks[0].toMap().value(key("title")), key("fill the can"));
    EXPECT_EQ(subtasks[0].toMap().value(key("subtasks")).toList().size(), 1);
    EXPECT_EQ(subtasks[1].toMap().value(key("title")), key("pour"));

    Result<TDLibraryObject*> made = library->createEntityNamed(QStringLiteral("Task"), form);
    ASSERT_TRUE(made.ok()) << made.error().detailedDescription().toStdString();
    auto* copy = static_cast<TDTask*>(*made);
    EXPECT_EQ(asJSON(withoutSubtaskOrders(copy->propertyListRepresentationForCopying())),
              asJSON(withoutSubtaskOrders(original->propertyListRepresentationForCopying())));
    EXPECT_NE(copy->uid(), original->uid());
    auto* notes = copy->objectAs<TDTaskNotes>(key("notes"));
    ASSERT_NE(notes, nullptr);
    EXPECT_EQ(copy->primitiveValue(key("notesUID")).toString(), notes->uid());
    EXPECT_EQ(attachmentCount(*notes->attributedString()), 1);
    auto* recurrence = copy->objectAs<TDRecurrence>(key("recurrence"));
    ASSERT_NE(recurrence, nullptr);
    EXPECT_NE(recurrence, original->objectAs<TDRecurrence>(key("recurrence")));
    EXPECT_TRUE(*recurrence->rule() == *original->objectAs<TDRecurrence>(key("recurrence"))->rule());
    EXPECT_EQ(copy->allSubtasks().size(), 3);
    saveAll();
}

TEST_F(TaskDictionaryTest, PlainFormsAndSyncRecordsRestoreWhatChanged) {
    struct Case {
        const char* name;
        std::function<QVariantMap(TDTask*)> write;
        std::function<Status(TDTask*, const QVariantMap&)> read;
    };
    const QList<Case> cases = {
        {"property list", [](TDTask* t) { return throughPropertyList(t->propertyListRepresentation()); },
         [](TDTask* t, const QVariantMap& d) { return t->updateFromPropertyListRepresentation(d); }},
        {"sync record", [](TDTask* t) { return throughJSON(t->syncDictionaryRepresentation()); },
         [](TDTask* t, const QVariantMap& d) { return t->updateFromSyncDictionaryRepresentation(d); }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TDTask* original = richTask();
        original->setCompleted(false);
        saveAll();
        const std::string before = asJSON(original->propertyListRepresentation());
        const QVariantMap form = c.write(original);

        // Changed everywhere: title, tags, the recurrence gone.
        const QList<TDGroup*> tags = original->tags();
        ASSERT_EQ(tags.size(), 1);
        tags.first()->removeObjects(key("tasks"), {original});
        original->setTitle(QStringLiteral("something else"), false);
        original->objectAs<TDRecurrence>(key("recurrence"))->deleteObject();
        context->processPendingChanges();
        ASSERT_FALSE(original->isRecurring());

        const Status read = c.read(original, form);
        ASSERT_TRUE(read.ok()) << read.error().detailedDescription().toStdString();
        const QVariantMap after = original->propertyListRepresentation();
        EXPECT_EQ(asJSON(after), before);
        EXPECT_TRUE(original->isRecurring());
        EXPECT_EQ(original->tags().size(), 1);
        saveAll();
    }
}

TEST_F(TaskDictionaryTest, SyncRecordsCarryTheCompletionTimeAndTheNotesUID) {
    TDTask* original = richTask();
    original->objectAs<TDRecurrence>(key("recurrence"))->deleteObject();
    original->setCompleted(true);
    const QVariantMap record = throughJSON(original->syncDictionaryRepresentation());
    const QVariantMap contents = record.value(key("contents")).toMap();
    EXPECT_TRUE(record.contains(key("completed_time")));
    EXPECT_FALSE(contents.contains(key("completedDate")));
    EXPECT_EQ(contents.value(key("notesUID")).toString(),
              original->primitiveValue(key("notesUID")).toString());

    TDTask* other = task(QStringLiteral("other"), inbox());
    ASSERT_TRUE(other->updateFromSyncDictionaryRepresentation(record).ok());
    EXPECT_EQ(other->completedDate(), original->completedDate());
}

TEST_F(TaskDictionaryTest, OnlyAnExplicitNullInASyncRecordDeletesTheRecurrence) {
    TDTask* target = task(QStringLiteral("weekly"), inbox());
    TDRecurrence* recurrence = makeRecurring(target, weeklyRule(QDateTime(QDate(2026, 12, 14), QTime(0, 0))));
    QVariantMap record = throughJSON(target->syncDictionaryRepresentation());
    QVariantMap contents = record.value(key("contents")).toMap();

    contents.remove(key("recurrence"));
    record.insert(key("contents"), contents);
    ASSERT_TRUE(target->updateFromSyncDictionaryRepresentation(record).ok());
    EXPECT_EQ(target->objectAs<TDRecurrence>(key("recurrence")), recurrence);
    EXPECT_FALSE(recurrence->isDeleted());

    contents.insert(key("recurrence"), QVariant::fromValue(nullptr));
    record.insert(key("contents"), contents);
    ASSERT_TRUE(target->updateFromSyncDictionaryRepresentation(record).ok());
    EXPECT_FALSE(target->isRecurring());
    EXPECT_TRUE(recurrence->isDeleted());

    // A plain form without one deletes it too: it is the whole task.
    TDTask* restored = task(QStringLiteral("restored"), inbox());
    TDRecurrence* second = makeRecurring(restored, weeklyRule(QDateTime(QDate(2026, 12, 14), QTime(0, 0))));
    QVariantMap plain = restored->propertyListRepresentation();
    plain.remove(key("recurrence"));
    ASSERT_TRUE(restored->updateFromPropertyListRepresentation(plain).ok());
    EXPECT_TRUE(second->isDeleted());
    saveAll();
}

TEST_F(TaskDictionaryTest, MalformedRecurrencesFromOutsideAreRefusedAndChangeNothing) {
    const QByteArray good = TDArchivedDataWithRecurrenceRule(weeklyRule({})).value();
    QByteArray truncated = good.left(good.size() / 2);
    const QList<std::pair<const char*, QVariant>> rules = {
        {"not an archive", QByteArray("bplist00 garbage")},
        {"a truncated archive", truncated},
        {"text that is not base64", key("!!! not base64 !!!")},
        {"base64 of garbage", base64EncodedString(QByteArray(300, '\x07'))},
        {"a number", 17},
    };
    for (const auto& [name, rule] : rules) {
        SCOPED_TRACE(name);
        TDTask* target = task(QStringLiteral("kept"), inbox());
        const qsizetype tasksBefore = library->allTasks().size();
        QVariantMap form = target->propertyListRepresentationForCopying();
        form.insert(key("title"), key("changed"));
        form.insert(key("subtasks"), QVariantList{QVariantMap{{key("title"), key("new subtask")}}});
        form.insert(key("recurrence"), QVariantMap{{key("rule"), rule}});
        EXPECT_FALSE(target->updateFromPropertyListRepresentation(form).ok());
        EXPECT_EQ(target->title(), key("kept"));
        EXPECT_FALSE(target->isRecurring());
        context->processPendingChanges();
        EXPECT_EQ(library->allTasks().size(), tasksBefore);
        EXPECT_FALSE(library->createEntityNamed(QStringLiteral("Task"), form).ok());
        context->processPendingChanges();
        EXPECT_EQ(library->allTasks().size(), tasksBefore);
    }
    saveAll();
}

TEST_F(TaskDictionaryTest, RecurrenceCopyFormsDeriveTheirUIDsAndDropTheState) {
    TDTask* original = richTask();
    auto* recurrence = original->objectAs<TDRecurrence>(key("recurrence"));
    original->setUid(QStringLiteral("FFFFFFFFFFFFFFF0"));
    recurrence->setUid(QStringLiteral("0000000000000020"));
    original->setValue(key("actualTime"), 60.0);
    original->setArchived(true);
    original->setTasksInTreeToArchived(true);
    const QVariantMap form = original->propertyListRepresentationForRecurrenceCopying();
    EXPECT_EQ(form.value(key("uid")).toString(), QStringLiteral("0000000000000011"));
    for (const char* dropped :
         {"status", "completedDate", "archived", "recurrence", "calendarStoreUID", "actualTime", "notesUID"})
        EXPECT_FALSE(form.contains(key(dropped))) << dropped;
    const auto* notes = original->objectAs<TDTaskNotes>(key("notes"));
    EXPECT_EQ(form.value(key("notes")).toMap().value(key("uid")).toString(),
              TDUIDStringFromNumber(*TDUIDNumberFromString(notes->uid()) + 0x21));
    const QVariantMap firstSubtask = form.value(key("subtasks")).toList().value(0).toMap();
    const TDTask* fill = original->orderedTasks()->objectsAs<TDTask>().first();
    EXPECT_EQ(firstSubtask.value(key("uid")).toString(), TDNextUID(fill->uid()));
    EXPECT_FALSE(firstSubtask.contains(key("status")));
}

}  // namespace

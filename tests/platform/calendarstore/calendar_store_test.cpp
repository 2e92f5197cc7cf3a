#include "platform/calendarstore/calendar_store.h"
#include "platform/base/clock.h"
#include "platform/calendarstore/calendar_store_error.h"
#include "platform/defaults/user_defaults.h"
#include "tests/support/test_environment.h"

#include <QDir>
#include <QFile>
#include <QSignalSpy>
#include <QTemporaryFile>
#include <QThread>

#include <gtest/gtest.h>

#include <unistd.h>
#include <cstdio>

namespace {

using platform::Calendar;
using platform::CalendarStore;
using platform::CalendarTask;

QDateTime utc(int year, int month, int day, int hour, int minute = 0) {
    return QDateTime(QDate(year, month, day), QTime(hour, minute), Qt::UTC);
}

QByteArray taskFile(const QByteArray& uid, const QByteArray& properties = {}) {
    return "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Example Corp//Tasks 3.1//EN\r\nBEGIN:VTODO\r\nUID:" +
           uid + "\r\nDTSTAMP:20261201T100000Z\r\nSUMMARY:Task " + uid + "\r\n" + properties +
           "END:VTODO\r\nEND:VCALENDAR\r\n";
}

void writeFile(const QString& path, const QByteArray& data) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(data);
}

QByteArray readFile(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// Collects what the program writes to standard error while it lives, where log lines go.
class StandardErrorCapture {
public:
    StandardErrorCapture() {
        std::fflush(stderr);
        m_file.open();
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StandardErrorCapture() { p_restore(); }
    QString text() {
        p_restore();
        m_file.seek(0);
        return QString::fromUtf8(m_file.readAll());
    }

private:
    void p_restore() {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};

class CalendarStoreTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        TDClock::setShared(&m_clock);
        m_store = std::make_unique<CalendarStore>(tempPath() + QStringLiteral("/Calendars"));
    }
    void TearDown() override {
        m_store.reset();
        TDClock::setShared(nullptr);
        TempFoldersTest::TearDown();
    }

    Calendar makeCalendar(const QString& title) {
        const Result<Calendar> calendar = m_store->createCalendar(title);
        EXPECT_TRUE(calendar.ok());
        return calendar.ok() ? calendar.value() : Calendar();
    }
    QString folderOf(const Calendar& calendar) const {
        return m_store->rootPath() + QLatin1Char('/') + calendar.uid();
    }
    QList<CalendarTask> tasksIn(const Calendar& calendar) {
        const Result<QList<CalendarTask>> tasks = m_store->tasksInCalendar(calendar);
        EXPECT_TRUE(tasks.ok());
        return tasks.ok() ? tasks.value() : QList<CalendarTask>();
    }
    CalendarTask saveNewTask(const Calendar& calendar, const QString& title) {
        CalendarTask task;
        task.setCalendarUid(calendar.uid());
        task.setTitle(title);
        EXPECT_TRUE(m_store->saveTask(task).ok());
        return task;
    }

    TDTestClock m_clock{utc(2026, 12, 9, 12)};
    std::unique_ptr<CalendarStore> m_store;
};

TEST_F(CalendarStoreTest, CreatedCalendarsAreFoldersWithTheirTitleAndColour) {
    EXPECT_TRUE(m_store->calendars().isEmpty());  // no folder yet is no calendars, not an error

    const Result<Calendar> home = m_store->createCalendar(QStringLiteral("Home"), QStringLiteral("#3A7BD5"));
    ASSERT_TRUE(home.ok());
    EXPECT_EQ(home->title(), QStringLiteral("Home"));
    EXPECT_EQ(home->color(), QStringLiteral("#3A7BD5"));
    EXPECT_TRUE(home->isEditable());
    EXPECT_EQ(readFile(folderOf(*home) + QStringLiteral("/displayname")), QByteArray("Home"));
    EXPECT_EQ(readFile(folderOf(*home) + QStringLiteral("/color")), QByteArray("#3A7BD5"));

    // A folder made by another program, without metadata: its name is its title.
    QDir(m_store->rootPath()).mkdir(QStringLiteral("work"));
    writeFile(m_store->rootPath() + QStringLiteral("/work/color"), "not a colour\n");
    const std::optional<Calendar> work = m_store->calendarWithUid(QStringLiteral("work"));
    ASSERT_TRUE(work.has_value());
    EXPECT_EQ(work->title(), QStringLiteral("work"));
    EXPECT_TRUE(work->color().isEmpty());

    EXPECT_EQ(m_store->calendars().size(), 2);
    for (const char* bad : {"..", ".", "", "work/..", "missing"})
        EXPECT_FALSE(m_store->calendarWithUid(QString::fromLatin1(bad)).has_value()) << bad;
    EXPECT_FALSE(m_store->createCalendar(QStringLiteral("Bad"), QStringLiteral("blue")).ok());
}

TEST_F(CalendarStoreTest, TasksAreAddedUpdatedAndRemovedAsFiles) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    CalendarTask task;
    task.setCalendarUid(home.uid());
    task.setTitle(QStringLiteral("Buy milk"));
    task.setNotes(QStringLiteral("Two litres"));
    task.setPriority(5);
    task.setDueDate(QDateTime(QDate(2026, 12, 10), QTime(0, 0), Qt::LocalTime));
    ASSERT_TRUE(m_store->saveTask(task).ok());
    ASSERT_FALSE(task.uid().isEmpty());
    EXPECT_EQ(task.filePath(), folderOf(home) + QLatin1Char('/') + task.uid() + QStringLiteral(".ics"));
    // The later of LAST-MODIFIED (the clock) and the file's time.
    EXPECT_GE(task.dateStamp(), utc(2026, 12, 9, 12));

    QList<CalendarTask> tasks = tasksIn(home);
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks[0].uid(), task.uid());
    EXPECT_EQ(tasks[0].calendarUid(), home.uid());
    EXPECT_EQ(tasks[0].title(), QStringLiteral("Buy milk"));
    EXPECT_EQ(tasks[0].notes(), QStringLiteral("Two litres"));
    EXPECT_EQ(tasks[0].priority(), 5);
    EXPECT_EQ(tasks[0].dueDate(), task.dueDate());
    EXPECT_FALSE(tasks[0].completedDate().isValid());

    m_clock.advanceSeconds(90);
    CalendarTask changed = tasks[0];
    changed.setCompletedDate(utc(2026, 12, 9, 12, 1));
    ASSERT_TRUE(m_store->saveTask(changed).ok());
    EXPECT_EQ(changed.filePath(), task.filePath());
    EXPECT_GE(changed.dateStamp(), utc(2026, 12, 9, 12, 1).addSecs(30));
    EXPECT_GE(changed.dateStamp(), task.dateStamp());
    tasks = tasksIn(home);
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks[0].completedDate(), utc(2026, 12, 9, 12, 1));
    EXPECT_EQ(tasks[0].title(), QStringLiteral("Buy milk"));

    // Nothing but the task file is left behind by the writes.
    QStringList files = QDir(folderOf(home)).entryList(QDir::Files | QDir::Hidden);
    QStringList expected{QStringLiteral("displayname"), task.uid() + QStringLiteral(".ics")};
    files.sort();
    expected.sort();
    EXPECT_EQ(files, expected);

    ASSERT_TRUE(m_store->removeTask(changed).ok());
    EXPECT_FALSE(QFile::exists(task.filePath()));
    EXPECT_TRUE(tasksIn(home).isEmpty());
    EXPECT_FALSE(m_store->taskWithUid(task.uid()).has_value());
    const Status again = m_store->removeTask(changed);
    ASSERT_FALSE(again.ok());
    EXPECT_EQ(again.error().code, platform::CalendarStoreErrorNoSuchTask);
}

TEST_F(CalendarStoreTest, ASaveIntoACalendarThatIsGoneFailsAndChangesNothing) {
    CalendarTask task;
    task.setCalendarUid(QStringLiteral("vanished"));
    task.setTitle(QStringLiteral("Orphan"));
    const Status status = m_store->saveTask(task);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, platform::CalendarStoreErrorNoSuchCalendar);
    EXPECT_TRUE(task.uid().isEmpty());
    EXPECT_FALSE(m_store->tasksInCalendar(Calendar(QStringLiteral("vanished"), {}, {}, true)).ok());
}

TEST_F(CalendarStoreTest, SavingKeepsWhatAnotherProgramWroteEvenSinceTheRead) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const QString path = folderOf(home) + QStringLiteral("/named-by-another-program.ics");
    writeFile(path, taskFile("other-1",
                             "X-OTHER-COLOR:teal\r\nBEGIN:VALARM\r\nACTION:DISPLAY\r\n"
                             "DESCRIPTION:Soon\r\nTRIGGER:-PT5M\r\nEND:VALARM\r\n"));
    QList<CalendarTask> tasks = tasksIn(home);
    ASSERT_EQ(tasks.size(), 1);
    CalendarTask task = tasks[0];

    // The other program adds to the file after Ordello read it.
    QByteArray edited = readFile(path);
    edited.replace("END:VTODO", "X-OTHER-STARRED:TRUE\r\nEND:VTODO");
    writeFile(path, edited);

    task.setPriority(2);
    ASSERT_TRUE(m_store->saveTask(task).ok());
    EXPECT_EQ(task.filePath(), path);  // rewritten where it lies, not renamed
    const QByteArray data = readFile(path);
    for (const char* kept : {"X-OTHER-COLOR:teal", "X-OTHER-STARRED:TRUE", "BEGIN:VALARM", "TRIGGER:-PT5M",
                             "SUMMARY:Task other-1"})
        EXPECT_TRUE(data.contains(kept)) << kept << "\n" << data.constData();
    EXPECT_TRUE(data.contains("PRIORITY:2"));
}

TEST_F(CalendarStoreTest, TheDateStampFollowsToolsThatLeaveLastModifiedAloneAndSkippedFilesAreReported) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const QString path = folderOf(home) + QStringLiteral("/other.ics");
    const QByteArray content =
        "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nPRODID:-//Other//EN\r\nBEGIN:VTODO\r\nUID:other-1\r\n"
        "DTSTAMP:20200101T000000Z\r\nLAST-MODIFIED:20200101T000000Z\r\nSUMMARY:Old\r\nEND:VTODO\r\n"
        "END:VCALENDAR\r\n";
    writeFile(path, content);
    QStringList skipped;
    const QList<CalendarTask> first = *m_store->tasksInCalendar(home, &skipped);
    ASSERT_EQ(first.size(), 1);
    EXPECT_GT(first[0].dateStamp(), utc(2020, 1, 1, 0)) << "the file's time counts";
    EXPECT_TRUE(skipped.isEmpty());

    QThread::msleep(20);
    QByteArray edited = content;
    writeFile(path, edited.replace("SUMMARY:Old", "SUMMARY:New"));
    writeFile(folderOf(home) + QStringLiteral("/half.ics"), "BEGIN:VCALENDAR\r\nBEGIN:VTO");
    const QList<CalendarTask> second = *m_store->tasksInCalendar(home, &skipped);
    ASSERT_EQ(second.size(), 1);
    EXPECT_GT(second[0].dateStamp(), first[0].dateStamp());
    EXPECT_EQ(skipped, QStringList{folderOf(home) + QStringLiteral("/half.ics")});
}

TEST_F(CalendarStoreTest, UnreadableFilesAreSkippedWithOneWarningAndNeverOverwritten) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const QString folder = folderOf(home);
    writeFile(folder + QStringLiteral("/good.ics"), taskFile("good"));
    writeFile(folder + QStringLiteral("/garbage.ics"), "\x01\x02 not a calendar at all");
    writeFile(folder + QStringLiteral("/event.ics"),
              "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:e\r\nDTSTART:20261210T090000Z\r\n"
              "END:VEVENT\r\nEND:VCALENDAR\r\n");
    writeFile(folder + QStringLiteral("/huge.ics"),
              taskFile("huge", "DESCRIPTION:" + QByteArray(CalendarTask::maximumFileSize, 'x') + "\r\n"));
    writeFile(folder + QStringLiteral("/notes.txt"), "not a task file, not looked at");
    QDir(folder).mkdir(QStringLiteral("folder.ics"));
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + QStringLiteral("/pipe.ics")).constData(), 0600), 0);

    StandardErrorCapture capture;
    QList<CalendarTask> tasks = tasksIn(home);
    tasksIn(home);  // a second pass warns no more
    const QString log = capture.text();
    ASSERT_EQ(tasks.size(), 1);
    EXPECT_EQ(tasks[0].uid(), QStringLiteral("good"));
    for (const char* name : {"garbage.ics", "event.ics", "huge.ics"})
        EXPECT_EQ(log.count(QStringLiteral("WARNING: Skipped the calendar task file \"%1/%2\"")
                                .arg(folder, QString::fromLatin1(name))),
                  1)
            << name << "\n"
            << log.toStdString();
    EXPECT_FALSE(log.contains(QStringLiteral("notes.txt")));

    // A task whose file went bad after it was read is not written over.
    const QByteArray broken = "BEGIN:VCALENDAR\r\nBEGIN:VTODO\r\nUID:good\r\nSUMM";
    writeFile(folder + QStringLiteral("/good.ics"), broken);
    tasks[0].setTitle(QStringLiteral("Changed"));
    const Status status = m_store->saveTask(tasks[0]);
    ASSERT_FALSE(status.ok());
    EXPECT_EQ(status.error().code, platform::CalendarStoreErrorWriteFailed);
    EXPECT_EQ(readFile(folder + QStringLiteral("/good.ics")), broken);
}

TEST_F(CalendarStoreTest, ATaskIsFoundByUidInAnyCalendar) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const Calendar work = makeCalendar(QStringLiteral("Work"));
    saveNewTask(home, QStringLiteral("Water plants"));
    const CalendarTask report = saveNewTask(work, QStringLiteral("Write report"));
    writeFile(folderOf(work) + QStringLiteral("/x7.ics"), taskFile("odd/uid with spaces"));

    // A fresh store, as after a restart, knows no paths yet.
    CalendarStore fresh(m_store->rootPath());
    std::optional<CalendarTask> found = fresh.taskWithUid(report.uid());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->title(), QStringLiteral("Write report"));
    EXPECT_EQ(found->calendarUid(), work.uid());

    found = fresh.taskWithUid(QStringLiteral("odd/uid with spaces"));
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->filePath(), folderOf(work) + QStringLiteral("/x7.ics"));

    // Renamed by another program: the remembered path is stale and the task is still found.
    ASSERT_TRUE(QFile::rename(report.filePath(), folderOf(work) + QStringLiteral("/renamed.ics")));
    found = m_store->taskWithUid(report.uid());
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(found->filePath(), folderOf(work) + QStringLiteral("/renamed.ics"));

    EXPECT_FALSE(fresh.taskWithUid(QStringLiteral("no-such-task")).has_value());
    EXPECT_FALSE(fresh.taskWithUid(QString()).has_value());
}

TEST_F(CalendarStoreTest, ATaskGivenAnotherCalendarMovesThere) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const Calendar work = makeCalendar(QStringLiteral("Work"));
    CalendarTask task = saveNewTask(home, QStringLiteral("Call the bank"));
    const QString oldPath = task.filePath();
    task.setCalendarUid(work.uid());
    ASSERT_TRUE(m_store->saveTask(task).ok());
    EXPECT_FALSE(QFile::exists(oldPath));
    EXPECT_TRUE(tasksIn(home).isEmpty());
    ASSERT_EQ(tasksIn(work).size(), 1);
    EXPECT_EQ(tasksIn(work)[0].uid(), task.uid());
}

TEST_F(CalendarStoreTest, ChangesByOtherProgramsAreAnnouncedAndOwnChangesAreNot) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    const QString folder = folderOf(home);
    CalendarTask kept = saveNewTask(home, QStringLiteral("Kept"));
    const CalendarTask changed = saveNewTask(home, QStringLiteral("Changed"));
    const CalendarTask deleted = saveNewTask(home, QStringLiteral("Deleted"));
    const CalendarTask broken = saveNewTask(home, QStringLiteral("Broken"));
    QSignalSpy tasksSpy(m_store.get(), &CalendarStore::tasksChangedExternally);
    QSignalSpy calendarsSpy(m_store.get(), &CalendarStore::calendarsChangedExternally);
    m_store->checkForExternalChanges();  // takes note only
    EXPECT_EQ(tasksSpy.count(), 0);

    m_clock.advanceSeconds(60);
    kept.setTitle(QStringLiteral("Kept, renamed by Ordello"));
    ASSERT_TRUE(m_store->saveTask(kept).ok());
    saveNewTask(home, QStringLiteral("Added by Ordello"));
    m_store->checkForExternalChanges();
    EXPECT_EQ(tasksSpy.count(), 0);

    writeFile(folder + QStringLiteral("/added.ics"), taskFile("added-elsewhere"));
    writeFile(changed.filePath(), readFile(changed.filePath()).replace("Changed", "Changed elsewhere"));
    ASSERT_TRUE(QFile::remove(deleted.filePath()));
    writeFile(broken.filePath(), "half written");
    writeFile(folder + QStringLiteral("/displayname"), "Home and garden");
    m_store->checkForExternalChanges();
    ASSERT_EQ(tasksSpy.count(), 1);
    EXPECT_EQ(tasksSpy[0][0].toStringList(), QStringList{QStringLiteral("added-elsewhere")});
    EXPECT_EQ(tasksSpy[0][1].toStringList(), QStringList{changed.uid()});
    EXPECT_EQ(tasksSpy[0][2].toStringList(),
              QStringList{deleted.uid()});  // the broken file is not a deletion
    EXPECT_EQ(calendarsSpy.count(), 1);

    // Once readable again, the broken file counts as changed.
    writeFile(broken.filePath(), taskFile(broken.uid().toUtf8()));
    m_store->checkForExternalChanges();
    ASSERT_EQ(tasksSpy.count(), 2);
    EXPECT_EQ(tasksSpy[1][1].toStringList(), QStringList{broken.uid()});
    EXPECT_TRUE(tasksSpy[1][0].toStringList().isEmpty());
    EXPECT_TRUE(tasksSpy[1][2].toStringList().isEmpty());
    EXPECT_EQ(calendarsSpy.count(), 1);
}

// A sync pass writes through a store of its own on its thread and hands its writes to the program's
// store: those, and only those, are not announced as other programs' changes. Writes that flush the
// folder once for many files read back as any other.
TEST_F(CalendarStoreTest, WritesHandedOverFromAnotherStoreAreOwnChanges) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    CalendarTask changed = saveNewTask(home, QStringLiteral("Changed"));
    const CalendarTask removed = saveNewTask(home, QStringLiteral("Removed"));
    QSignalSpy tasksSpy(m_store.get(), &CalendarStore::tasksChangedExternally);
    m_store->checkForExternalChanges();  // takes note only

    CalendarStore pass(m_store->rootPath());
    m_clock.advanceSeconds(60);
    changed.setTitle(QStringLiteral("Changed by the pass"));
    ASSERT_TRUE(pass.saveTask(changed).ok());
    CalendarTask added;
    added.setCalendarUid(home.uid());
    added.setTitle(QStringLiteral("Added by the pass"));
    ASSERT_TRUE(pass.saveTask(added, platform::WriteDurability::ContentsOnly).ok());
    ASSERT_TRUE(pass.syncCalendarFolder(home.uid()).ok());
    ASSERT_TRUE(pass.removeTask(removed).ok());
    CalendarTask notHandedOver;
    notHandedOver.setCalendarUid(home.uid());
    notHandedOver.setTitle(QStringLiteral("Not handed over"));
    ASSERT_TRUE(pass.saveTask(notHandedOver, platform::WriteDurability::ContentsOnly).ok());

    m_store->takeNoteOfWrites({changed, added}, {removed.filePath()});
    m_store->checkForExternalChanges();
    ASSERT_EQ(tasksSpy.count(), 1);
    EXPECT_EQ(tasksSpy[0][0].toStringList(), QStringList{notHandedOver.uid()});
    EXPECT_TRUE(tasksSpy[0][1].toStringList().isEmpty());
    EXPECT_TRUE(tasksSpy[0][2].toStringList().isEmpty());
    EXPECT_EQ(m_store->taskWithUid(added.uid())->title(), QStringLiteral("Added by the pass"));
    EXPECT_EQ(m_store->taskWithUid(changed.uid())->title(), QStringLiteral("Changed by the pass"));
    EXPECT_FALSE(m_store->taskWithUid(removed.uid()));
    EXPECT_FALSE(m_store->syncCalendarFolder(QStringLiteral("no-such-calendar")).ok());
}

TEST_F(CalendarStoreTest, HeldChecksWaitForTheLastReleaseAndThenAnnounceWhatChanged) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    QSignalSpy tasksSpy(m_store.get(), &CalendarStore::tasksChangedExternally);
    m_store->setWatchingForChanges(true);
    m_store->holdChecks();
    m_store->holdChecks();

    writeFile(folderOf(home) + QStringLiteral("/while-held.ics"), taskFile("while-held"));
    EXPECT_FALSE(testsupport::spinUntil([&] { return tasksSpy.count() > 0; }, 1000));
    m_store->releaseChecks();
    EXPECT_FALSE(testsupport::spinUntil([&] { return tasksSpy.count() > 0; }, 500));

    m_store->releaseChecks();
    ASSERT_TRUE(testsupport::spinUntil([&] { return tasksSpy.count() > 0; }));
    EXPECT_EQ(tasksSpy[0][0].toStringList(), QStringList{QStringLiteral("while-held")});
    m_store->setWatchingForChanges(false);
}

TEST_F(CalendarStoreTest, WatchingAnnouncesFilesOtherProgramsPutIntoPlace) {
    const Calendar home = makeCalendar(QStringLiteral("Home"));
    QSignalSpy tasksSpy(m_store.get(), &CalendarStore::tasksChangedExternally);
    QSignalSpy calendarsSpy(m_store.get(), &CalendarStore::calendarsChangedExternally);
    m_store->setWatchingForChanges(true);

    saveNewTask(home, QStringLiteral("Ordello's own"));
    // The way careful programs write: a temporary name, then a rename into place.
    const QString temporary = folderOf(home) + QStringLiteral("/.incoming.tmp");
    writeFile(temporary, taskFile("synced-in"));
    ASSERT_TRUE(QFile::rename(temporary, folderOf(home) + QStringLiteral("/synced-in.ics")));
    ASSERT_TRUE(testsupport::spinUntil([&] { return tasksSpy.count() > 0; }));
    EXPECT_EQ(tasksSpy[0][0].toStringList(), QStringList{QStringLiteral("synced-in")});

    QDir(m_store->rootPath()).mkdir(QStringLiteral("shared"));
    ASSERT_TRUE(testsupport::spinUntil([&] { return calendarsSpy.count() > 0; }));

    // A calendar that appeared later is watched too.
    writeFile(m_store->rootPath() + QStringLiteral("/shared/one.ics"), taskFile("in-shared"));
    ASSERT_TRUE(testsupport::spinUntil([&] { return tasksSpy.count() > 1; }));
    EXPECT_EQ(tasksSpy.last()[0].toStringList(), QStringList{QStringLiteral("in-shared")});
    EXPECT_EQ(tasksSpy.count(), 2);
    m_store->setWatchingForChanges(false);
}

TEST_F(CalendarStoreTest, TheDefaultStoreLivesInTheUsersDataFolderUnlessReplaced) {
    EXPECT_EQ(CalendarStore::defaultRootPath(),
              tempPath() + QStringLiteral("/xdg_data_home/Ordello/Calendars"));
    CalendarStore::setDefaultStore(m_store.get());
    EXPECT_EQ(&CalendarStore::defaultStore(), m_store.get());
    CalendarStore::setDefaultStore(nullptr);
}

}  // namespace

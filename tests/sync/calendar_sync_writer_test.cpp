#include "model/library.h"
#include "model/list.h"
#include "model/task.h"
#include "tests/sync/calendar_sync_fixture.h"

#include <QProcess>
#include <QRandomGenerator>

namespace synctest {
namespace {

// A shell script standing in for another calendar program: it adds tasks and edits them at moments
// drawn from the seed, some files renamed into place, some rewritten in place.
QString writerScript(const QString& folder, int tasks, quint32 seed) {
    QRandomGenerator random(seed);
    QString script = QStringLiteral("set -e\ncd '%1'\n").arg(folder);
    const auto content = [seed](int index, const QString& title) {
        return QString::fromLatin1(
            foreignTodo(QStringLiteral("W-%1-%2").arg(seed).arg(index), title, {}, "\n"));
    };
    for (int index = 0; index < tasks; ++index) {
        script += QStringLiteral("sleep 0.%1\n").arg(random.bounded(5, 150), 3, 10, QLatin1Char('0'));
        script += QStringLiteral("printf '%s' '%1' > .w%3-%2.tmp && mv .w%3-%2.tmp w%3-%2.ics\n")
                      .arg(content(index, QStringLiteral("Writer %1 %2").arg(seed).arg(index)))
                      .arg(index)
                      .arg(seed);
        if (index % 3 == 0) {
            script += QStringLiteral("sleep 0.%1\n").arg(random.bounded(5, 150), 3, 10, QLatin1Char('0'));
            // Some programs rewrite in place: a reader may meet the file half written.
            script += QStringLiteral("printf '%s' '%1' > w%3-%2.ics\n")
                          .arg(content(index, QStringLiteral("Writer %1 %2 edited").arg(seed).arg(index)))
                          .arg(index)
                          .arg(seed);
        }
    }
    return script;
}

TEST_F(CalendarSyncTest, AWriterProcessDuringAndRightAfterPassesLosesAndDuplicatesNothing) {
    constexpr int kTasks = 12;
    for (const quint32 seed : {7u, 2026u}) {
        SCOPED_TRACE(seed);
        for (int index = 0; index < 5; ++index)
            addTask(home, QStringLiteral("Mine %1 %2").arg(seed).arg(index));
        QProcess writer;
        writer.start(QStringLiteral("/bin/sh"),
                     {QStringLiteral("-c"), writerScript(calendarPath(), kTasks, seed)});
        ASSERT_TRUE(writer.waitForStarted());
        int passes = 0;
        while (writer.state() != QProcess::NotRunning) {
            // Keep the library busy too, so passes have work of both kinds.
            tasksTitled(QStringLiteral("Mine %1 0").arg(seed)).value(0)->setPriority(passes % 9);
            runPass();
            ++passes;
            writer.waitForFinished(10);
        }
        ASSERT_EQ(writer.exitCode(), 0) << writer.readAllStandardError().toStdString();
        // Right after the last change: the passes that follow take everything in.
        runPass();
        letTimePassForOthers();
        runPass();
        runPass();
        const auto calendar = calendarTasksByTitle(chores.uid());  // fails on a duplicate title
        for (int index = 0; index < kTasks; ++index) {
            const QString title = index % 3 == 0 ? QStringLiteral("Writer %1 %2 edited").arg(seed).arg(index)
                                                 : QStringLiteral("Writer %1 %2").arg(seed).arg(index);
            EXPECT_EQ(tasksTitled(title).size(), 1)
                << title.toStdString() << " after " << passes << " passes";
            EXPECT_TRUE(calendar.contains(title)) << title.toStdString();
        }
        for (int index = 0; index < 5; ++index)
            EXPECT_TRUE(calendar.contains(QStringLiteral("Mine %1 %2").arg(seed).arg(index)));
    }
}

}  // namespace
}  // namespace synctest

#include "app/external_open_dispatcher.h"

#include <gtest/gtest.h>

using Kind = TDExternalOpenDispatcher::Kind;

namespace {

// Records what the dispatcher asks; a switch or a restore can leave the library closed until the test
// says it has opened.
class RecordingTarget final : public TDExternalOpenTarget {
public:
    bool isLibraryOpen() const override { return open; }
    QString libraryPath() const override { return open ? path : QString(); }
    void switchToLibraryAtPath(const QString& package) override {
        calls.append(QStringLiteral("switch ") + package);
        path = package;
        open = !switchLeavesLibraryClosed;
    }
    void restoreFromBackupAtPath(const QString& backup) override {
        calls.append(QStringLiteral("restore ") + backup);
        open = !restoreLeavesLibraryClosed;
    }
    void createTasksFromFiles(const QStringList& paths) override {
        calls.append(QStringLiteral("tasks ") + paths.join(QLatin1Char('|')));
    }
    void openLink(const QString& link) override { calls.append(QStringLiteral("link ") + link); }

    bool open = false;
    QString path = QStringLiteral("/home/u/Ordello Library.odllibrary");
    bool switchLeavesLibraryClosed = false;
    bool restoreLeavesLibraryClosed = false;
    QStringList calls;
};

TEST(ExternalOpenDispatcher, KindsByExtension) {
    const struct {
        const char* argument;
        Kind kind;
    } cases[] = {
        {"/home/u/Work.odllibrary", Kind::LibraryPackage},
        {"/home/u/Work.ODLLIBRARY/", Kind::LibraryPackage},
        {"file:///home/u/Work.odllibrary", Kind::LibraryPackage},
        {"/home/u/backup-2026-12-09-215300.125.odlbackup", Kind::Backup},
        {"/home/u/Backup/Latest.odlbackup.gz", Kind::Backup},
        {"/home/u/Task.odl-metadata", Kind::SearchRecord},
        {"/home/u/Re: lunch.eml", Kind::File},
        {"/home/u/report.pdf", Kind::File},
        {"/home/u/odllibrary", Kind::File},
        {"/home/u/notes.odllibrary.txt", Kind::File},
        {"/home/u/archive.gz", Kind::File},
        {"file:///home/u/My%20Notes.txt", Kind::File},
        {"ordello:add?title=Tea", Kind::Link},
        {"x-com-vantorel-ordello-support:help@example.org", Kind::Link},
        {"https://example.org/a.odllibrary", Kind::Link},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.argument);
        EXPECT_EQ(TDExternalOpenDispatcher::kindOf(QString::fromUtf8(c.argument)), c.kind);
    }
}

TEST(ExternalOpenDispatcher, EachKindReachesItsActionInOrderFilesInARowTogether) {
    RecordingTarget target;
    target.open = true;
    TDExternalOpenDispatcher dispatcher(target);
    dispatcher.open({QStringLiteral("/m/a.eml"), QStringLiteral("/f/b.pdf"),
                     QStringLiteral("ordello:add?title=Tea"), QStringLiteral("/f/c.txt"),
                     QStringLiteral("/b/x.odlbackup"), QStringLiteral("/s/r.odl-metadata"),
                     QStringLiteral("file:///f/d%20e.txt"), QStringLiteral("/l/Work.odllibrary")});
    EXPECT_EQ(target.calls, (QStringList{
                                QStringLiteral("tasks /m/a.eml|/f/b.pdf"),
                                QStringLiteral("link ordello:add?title=Tea"),
                                QStringLiteral("tasks /f/c.txt"),
                                QStringLiteral("restore /b/x.odlbackup"),
                                QStringLiteral("tasks /f/d e.txt"),
                                QStringLiteral("switch /l/Work.odllibrary"),
                            }));
    EXPECT_FALSE(dispatcher.hasWaiting());
}

TEST(ExternalOpenDispatcher, WhatArrivesBeforeTheLibraryIsOpenWaitsForIt) {
    RecordingTarget target;
    TDExternalOpenDispatcher dispatcher(target);
    dispatcher.open({QStringLiteral("/f/a.txt"), QStringLiteral("/l/Work.odllibrary")});
    dispatcher.open({QStringLiteral("ordello:///inbox"), QStringLiteral("/f/b.txt")});
    EXPECT_TRUE(target.calls.isEmpty()) << "nothing may open a library before the program's own";
    EXPECT_TRUE(dispatcher.hasWaiting());

    dispatcher.libraryDidOpen();
    EXPECT_TRUE(target.calls.isEmpty()) << "still closed";

    target.open = true;
    dispatcher.libraryDidOpen();
    EXPECT_EQ(target.calls,
              (QStringList{QStringLiteral("tasks /f/a.txt"), QStringLiteral("switch /l/Work.odllibrary"),
                           QStringLiteral("link ordello:///inbox"), QStringLiteral("tasks /f/b.txt")}));
    EXPECT_FALSE(dispatcher.hasWaiting());
}

TEST(ExternalOpenDispatcher, AfterASwitchOrRestoreTheRestWaitsForTheNewLibrary) {
    const struct {
        const char* name;
        QString argument;
        bool RecordingTarget::*leavesClosed;
        QString call;
    } cases[] = {
        {"switch", QStringLiteral("/l/Work.odllibrary"), &RecordingTarget::switchLeavesLibraryClosed,
         QStringLiteral("switch /l/Work.odllibrary")},
        {"restore", QStringLiteral("/b/x.odlbackup.gz"), &RecordingTarget::restoreLeavesLibraryClosed,
         QStringLiteral("restore /b/x.odlbackup.gz")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        RecordingTarget target;
        target.open = true;
        target.*c.leavesClosed = true;
        TDExternalOpenDispatcher dispatcher(target);
        dispatcher.open({c.argument, QStringLiteral("/f/a.txt")});
        EXPECT_EQ(target.calls, QStringList{c.call});

        target.open = true;
        dispatcher.libraryDidOpen();
        EXPECT_EQ(target.calls, (QStringList{c.call, QStringLiteral("tasks /f/a.txt")}));
    }
}

TEST(ExternalOpenDispatcher, OpeningAPackageSwitchesOnceAndTheOpenOneNotAtAll) {
    RecordingTarget target;
    target.open = true;
    TDExternalOpenDispatcher dispatcher(target);
    // The open library named another way (trailing slash, file link) is still the open one.
    dispatcher.open({target.path + QLatin1Char('/'), QStringLiteral("file://") + target.path});
    EXPECT_TRUE(target.calls.isEmpty());

    dispatcher.open({QStringLiteral("/l/Work.odllibrary"), QStringLiteral("/l/Work.odllibrary/")});
    EXPECT_EQ(target.calls, QStringList{QStringLiteral("switch /l/Work.odllibrary")});
}

// The target reports the library opened from inside a switch, as the program's load notification does.
TEST(ExternalOpenDispatcher, OpenedReportedDuringASwitchKeepsTheOrder) {
    class ReportingTarget final : public TDExternalOpenTarget {
    public:
        bool isLibraryOpen() const override { return true; }
        QString libraryPath() const override { return path; }
        void switchToLibraryAtPath(const QString& package) override {
            calls.append(QStringLiteral("switch ") + package);
            path = package;
            dispatcher->libraryDidOpen();
            dispatcher->open({QStringLiteral("/f/late.txt")});
        }
        void restoreFromBackupAtPath(const QString&) override {}
        void createTasksFromFiles(const QStringList& paths) override {
            calls.append(QStringLiteral("tasks ") + paths.join(QLatin1Char('|')));
        }
        void openLink(const QString&) override {}
        TDExternalOpenDispatcher* dispatcher = nullptr;
        QString path;
        QStringList calls;
    } target;
    TDExternalOpenDispatcher dispatcher(target);
    target.dispatcher = &dispatcher;
    dispatcher.open({QStringLiteral("/l/Work.odllibrary"), QStringLiteral("/f/a.txt")});
    EXPECT_EQ(target.calls, (QStringList{QStringLiteral("switch /l/Work.odllibrary"),
                                         QStringLiteral("tasks /f/a.txt|/f/late.txt")}));
}

}  // namespace

#include "foundation/data_additions.h"
#include "foundation/shared_constants.h"
#include "platform/base/log.h"
#include "sync/corvane_wire_log.h"
#include "tests/sync/transport_fixture.h"

#include <QDateTime>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>

#include <fcntl.h>
#include <unistd.h>

namespace synctest {
namespace {

struct QueryCase {
    const char* name;
    TDCorvaneParameters parameters;
    const char* rawQuery;  // what reaches the server
};

// Keys and values are query components: everything but the unreserved characters and "," is escaped,
// so no value can end a pair, start another or change the path.
TEST_F(TransportTest, QueryParametersReachTheServerEscapedAsComponents) {
    const QueryCase cases[] = {
        {"uids and node, in order, comma kept",
         {{QStringLiteral("uids"), QStringLiteral("0123456789ABCDEF,FEDCBA9876543210")},
          {QStringLiteral("node_id"), QStringLiteral("N1")}},
         "uids=0123456789ABCDEF,FEDCBA9876543210&node_id=N1"},
        {"delimiters in a value",
         {{QStringLiteral("token"), QStringLiteral("a&b=c?d#e/f+g h%")}},
         "token=a%26b%3Dc%3Fd%23e%2Ff%2Bg%20h%25"},
        {"delimiters in a key", {{QStringLiteral("k&=y"), QStringLiteral("v")}}, "k%26%3Dy=v"},
        {"unreserved stay", {{QStringLiteral("bookmark"), QStringLiteral("Az09-._~")}}, "bookmark=Az09-._~"},
        {"UTF-8", {{QStringLiteral("last_uid"), QStringLiteral("é€")}}, "last_uid=%C3%A9%E2%82%AC"},
        {"numbers and booleans",
         {{QStringLiteral("limit"), 500.0},
          {QStringLiteral("completed_start"), 1234.5},
          {QStringLiteral("more"), true}},
         "limit=500&completed_start=1234.5&more=1"},
        {"empty value", {{QStringLiteral("token"), QString()}}, "token="},
    };
    for (const QueryCase& row : cases) {
        SCOPED_TRACE(row.name);
        server->clearRequests();
        auto operation = makeOperation();
        auto result = get(*operation, QStringLiteral("/sync/objects/"), row.parameters);
        const auto requests = server->requests();
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].rawQuery, QByteArray(row.rawQuery));
        EXPECT_EQ(requests[0].path, QByteArray("/sync/objects/"));
        // Decoded again, the server reads exactly what was given.
        const auto items = requests[0].queryItems();
        ASSERT_EQ(items.size(), row.parameters.size());
        for (int i = 0; i < items.size(); ++i) {
            EXPECT_EQ(items[i].first, row.parameters[i].first);
            EXPECT_EQ(items[i].second, corvaneParameterText(row.parameters[i].second));
        }
    }
}

TEST_F(TransportTest, AnEmptyParameterListStillEndsInAQuestionMarkFreeURL) {
    EXPECT_EQ(corvaneURLWithString(QStringLiteral("https://h/sync/library/"), {}).toString(),
              QStringLiteral("https://h/sync/library/"));
    EXPECT_EQ(
        corvaneURLWithPath(QStringLiteral("https://h/base"), QStringLiteral("/sync/library/")).toString(),
        QStringLiteral("https://h/base/sync/library/"));
    EXPECT_EQ(corvaneURLWithPath(QStringLiteral("https://h/"), QStringLiteral("sync/tasks/")).toString(),
              QStringLiteral("https://h/sync/tasks/"));
}

struct UserPathCase {
    const char* username;
    const char* target;
};

// The user name is one path segment: a slash, "?" or "#" in it cannot reach another path or a query.
TEST_F(TransportTest, TheUserNameIsOneEscapedPathSegment) {
    const UserPathCase cases[] = {
        {"alice", "/user/alice"},
        {"a/b", "/user/a%2Fb"},
        {"../sync/library/", "/user/..%2Fsync%2Flibrary%2F"},
        {"who?x=1#f", "/user/who%3Fx%3D1%23f"},
        {"a b@c.d", "/user/a%20b%40c.d"},
        {"zoë", "/user/zo%C3%AB"},
    };
    for (const UserPathCase& row : cases) {
        SCOPED_TRACE(row.username);
        const QString name = QString::fromUtf8(row.username);
        server->addAccount({name, kPassword, QStringLiteral("x@example.com")});
        server->clearRequests();
        auto operation = makeOperation<TDCorvaneGetUserDetailsOperation>(options());
        operation->setUsername(name);
        operation->start();
        ASSERT_FALSE(operation->error()) << describe(*operation->error());
        EXPECT_TRUE(operation->verified());
        const auto requests = server->requests();
        ASSERT_EQ(requests.size(), 1);
        EXPECT_EQ(requests[0].target, QByteArray(row.target));
    }
}

TEST_F(TransportTest, RequestsCarryTheServiceHeadersAndOurOwnBasicHeader) {
    auto operation = makeOperation();
    ASSERT_TRUE(get(*operation, corvaneUserPath(kUser)).ok());
    const auto request = server->requests().value(0);
    EXPECT_EQ(request.method, QByteArray("GET"));
    EXPECT_EQ(request.header("Accept"), QByteArray("application/json"));
    EXPECT_EQ(request.header("Connection").toLower(), QByteArray("close"));
    EXPECT_EQ(request.header("User-Agent"), TDUserAgent().toUtf8());
    EXPECT_EQ(request.header("Authorization"),
              "Basic " + (kUser + QLatin1Char(':') + kPassword).toUtf8().toBase64());
    EXPECT_TRUE(request.header("Cookie").isEmpty());
}

TEST_F(TransportTest, AnUnauthenticatedRequestCarriesNoCredentials) {
    auto operation = makeOperation();
    auto request = operation->request(operation->corvaneURL(corvaneUserPath(kUser)), "GET", false);
    ASSERT_TRUE(request.ok());
    auto result = operation->responseDictionary(*request);
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, TDCorvaneErrorAuthentication);
    EXPECT_TRUE(server->requests().value(0).header("Authorization").isEmpty());
}

QJsonObject bodyOfJSONSize(qsizetype size) {
    // {"x":"…"} takes 8 bytes around the text.
    return QJsonObject{{QStringLiteral("x"), QString(size - 8, QLatin1Char('a'))}};
}

struct BodyCase {
    const char* name;
    qsizetype jsonSize;
    bool mayCompress;
    bool compressed;
};

TEST_F(TransportTest, BodiesAreGzippedFrom1025BytesUnlessThePortIs8080) {
    const BodyCase cases[] = {
        {"1,024 bytes", 1024, true, false},
        {"1,025 bytes", 1025, true, true},
        {"large on port 8080", 5000, false, false},
    };
    for (const BodyCase& row : cases) {
        SCOPED_TRACE(row.name);
        TDCorvaneRequest request = makeCorvaneRequest(QUrl(server->baseURL()), "PUT");
        ASSERT_TRUE(setJSONBody(request, bodyOfJSONSize(row.jsonSize), row.mayCompress).ok());
        EXPECT_EQ(request.header("Content-Type"), QByteArray("application/json"));
        EXPECT_EQ(request.header("Content-Encoding") == "gzip", row.compressed);
        const QByteArray json = row.compressed ? *gzipDecompressedData(request.body) : request.body;
        EXPECT_EQ(json.size(), row.jsonSize);
    }
    EXPECT_TRUE(corvaneMayCompressBodies(QStringLiteral("https://sync.corvane.com/")));
    EXPECT_FALSE(corvaneMayCompressBodies(QStringLiteral("http://127.0.0.1:8080/")));
}

TEST_F(TransportTest, ABodyOfExactly15000000BytesIsSentAndOneMoreIs608) {
    TDCorvaneRequest request = makeCorvaneRequest(QUrl(server->baseURL()), "PUT");
    EXPECT_TRUE(setJSONBody(request, bodyOfJSONSize(kCorvaneMaximumRequestBodySize), false).ok());
    EXPECT_EQ(request.body.size(), kCorvaneMaximumRequestBodySize);
    TDCorvaneRequest tooBig = makeCorvaneRequest(QUrl(server->baseURL()), "PUT");
    const Status refused = setJSONBody(tooBig, bodyOfJSONSize(kCorvaneMaximumRequestBodySize + 1), false);
    ASSERT_FALSE(refused.ok());
    EXPECT_EQ(refused.error().code, TDCorvaneErrorRequestTooBig);
    EXPECT_EQ(refused.error().description, QStringLiteral("Request is too big."));
    EXPECT_TRUE(tooBig.body.isEmpty());
}

TEST_F(TransportTest, ACompressedPutReachesTheServerWhole) {
    auto operation = makeOperation();
    auto request = operation->request(operation->corvaneURL(QStringLiteral("/sync/library/")), "PUT");
    ASSERT_TRUE(request.ok());
    QJsonObject tasks;
    for (int i = 0; i < 50; ++i)
        tasks.insert(QStringLiteral("T%1").arg(i, 15, 10, QLatin1Char('0')),
                     QJsonObject{{QStringLiteral("contents"),
                                  QJsonObject{{QStringLiteral("title"), QStringLiteral("Task %1").arg(i)}}}});
    const QJsonObject body{{QStringLiteral("node_id"), QStringLiteral("N1")},
                           {QStringLiteral("putsession"), QStringLiteral("ABCDEFGH")},
                           {QStringLiteral("changes"), QJsonObject{{QStringLiteral("Task"), tasks}}}};
    ASSERT_TRUE(operation->setJSONBody(*request, body).ok());
    auto answer = operation->responseDictionary(*request);
    ASSERT_TRUE(answer.ok()) << describe(answer.error());
    EXPECT_EQ(server->requests().value(0).header("Content-Encoding"), QByteArray("gzip"));
    EXPECT_EQ(server->requests().value(0).json(), body);
    EXPECT_EQ(server->store(kUser).liveRecordCount(), 50);
}

// The wire log is the user's own file: owner-only, a time-stamped line per response, and never the
// password nor its Basic token, even where an answer echoes them.
TEST_F(TransportTest, TheWireLogIsPrivateAndHoldsNoSecrets) {
    const QString logPath = tempPath() + QStringLiteral("/sync.log");
    defaults().setValue(QStringLiteral("syncLogPath"), logPath);
    const QString token = basicAuthenticationToken(kUser, kPassword);
    server->injectFault(
        QStringLiteral("/sync/objects/"),
        LoopbackSyncServer::Fault::answer(
            200, QStringLiteral(R"({"objects": [], "echo": "%1 %2"})").arg(kPassword, token).toUtf8()));
    auto operation = makeOperation();
    ASSERT_NE(operation->wireLog(), nullptr);
    ASSERT_TRUE(get(*operation, corvaneUserPath(kUser)).ok());
    ASSERT_TRUE(get(*operation, QStringLiteral("/sync/objects/"),
                    TDCorvaneParameters{{QStringLiteral("uids"), QStringLiteral("A")},
                                        {QStringLiteral("node_id"), QStringLiteral("N1")}})
                    .ok());
    operation.reset();

    QFile file(logPath);
    EXPECT_EQ(file.permissions() & (QFileDevice::ReadGroup | QFileDevice::ReadOther |
                                    QFileDevice::WriteGroup | QFileDevice::WriteOther),
              QFileDevice::Permissions());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = file.readAll().trimmed().split('\n');
    ASSERT_EQ(lines.size(), 2);
    static const QRegularExpression stamp(
        QStringLiteral(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}: Response 200: )"));
    for (const QByteArray& line : lines)
        EXPECT_TRUE(stamp.match(QString::fromUtf8(line)).hasMatch()) << line.constData();
    EXPECT_FALSE(lines[1].contains(kPassword.toUtf8()));
    EXPECT_FALSE(lines[1].contains(token.toUtf8()));
}

TEST_F(TransportTest, AnExistingWireLogIsNarrowedToItsOwner) {
    const QString logPath = tempPath() + QStringLiteral("/open.log");
    QFile existing(logPath);
    ASSERT_TRUE(existing.open(QIODevice::WriteOnly));
    existing.write("earlier\n");
    existing.close();
    ASSERT_TRUE(
        existing.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadOther));
    auto log = TDCorvaneWireLog::open(logPath);
    ASSERT_TRUE(log);
    log->log(QStringLiteral("Response 304"));
    EXPECT_FALSE(QFile(logPath).permissions() & QFileDevice::ReadOther);
    QFile read(logPath);
    ASSERT_TRUE(read.open(QIODevice::ReadOnly));
    const QByteArray contents = read.readAll();
    EXPECT_TRUE(contents.startsWith("earlier\n"));
    EXPECT_TRUE(contents.endsWith(": Response 304\n"));
}

// Everything written while DEBUG logs and the wire log are on: the log lines (standard error, sent
// to a file here as the program does) and the wire log. Neither the password nor its Basic token may
// appear in any file of the test folder.
TEST_F(TransportTest, NoFileOfTheTestFolderHoldsThePasswordOrItsBasicToken) {
    const int oldLevel = logLevel();
    setLogLevel(TDLogDebug);
    defaults().setValue(QStringLiteral("syncLogPath"), tempPath() + QStringLiteral("/wire.log"));
    const QString stderrPath = tempPath() + QStringLiteral("/Logs/run.log");
    QDir().mkpath(tempPath() + QStringLiteral("/Logs"));
    std::fflush(stderr);
    const int savedStderr = ::dup(STDERR_FILENO);
    const int logFd = ::open(QFile::encodeName(stderrPath).constData(), O_WRONLY | O_CREAT | O_APPEND, 0600);
    ASSERT_GE(logFd, 0);
    ::dup2(logFd, STDERR_FILENO);
    ::close(logFd);
    {
        auto verify = makeOperation<TDCorvaneGetUserDetailsOperation>(options());
        verify->start();
        EXPECT_TRUE(verify->verified());
        auto operation = makeOperation();
        auto request = operation->request(operation->corvaneURL(QStringLiteral("/sync/library/")), "PUT");
        ASSERT_TRUE(request.ok());
        ASSERT_TRUE(
            operation
                ->setJSONBody(*request, QJsonObject{{QStringLiteral("node_id"), QStringLiteral("N1")},
                                                    {QStringLiteral("putsession"), QStringLiteral("P1")},
                                                    {QStringLiteral("changes"), QJsonObject()}})
                .ok());
        EXPECT_TRUE(operation->responseDictionary(*request).ok());
        server->injectFault(QStringLiteral("/sync/"), LoopbackSyncServer::Fault::answer(500), 1);
        EXPECT_FALSE(get(*operation, QStringLiteral("/sync/library/"),
                         TDCorvaneParameters{{QStringLiteral("node_id"), QStringLiteral("N1")}})
                         .ok());
        auto wrong = makeOperation();
        wrong->setPassword(QStringLiteral("not it"));
        EXPECT_FALSE(get(*wrong, corvaneUserPath(kUser)).ok());
    }
    std::fflush(stderr);
    ::dup2(savedStderr, STDERR_FILENO);
    ::close(savedStderr);
    setLogLevel(oldLevel);

    const QByteArray secrets[] = {kPassword.toUtf8(), basicAuthenticationToken(kUser, kPassword).toUtf8(),
                                  QUrl::toPercentEncoding(kPassword)};
    int filesRead = 0;
    QDirIterator files(tempPath(), QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(file.fileName());
        const QByteArray contents = file.readAll();
        ++filesRead;
        for (const QByteArray& secret : secrets)
            EXPECT_FALSE(contents.contains(secret)) << qPrintable(file.fileName());
    }
    EXPECT_GE(filesRead, 2);
    QFile debugLog(stderrPath);
    ASSERT_TRUE(debugLog.open(QIODevice::ReadOnly));
    EXPECT_TRUE(debugLog.readAll().contains("Sending request to"));
    QFile wireLog(tempPath() + QStringLiteral("/wire.log"));
    ASSERT_TRUE(wireLog.open(QIODevice::ReadOnly));
    const QByteArray wire = wireLog.readAll();
    EXPECT_TRUE(wire.contains("Sending: ")) << "the PUT's body";
    EXPECT_TRUE(wire.contains("Response 401")) << "the wrong password's answer";
}

}  // namespace
}  // namespace synctest

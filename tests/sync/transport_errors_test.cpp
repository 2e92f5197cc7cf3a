#include "tests/sync/transport_fixture.h"

#include "sync/corvane_trust.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>

namespace synctest {
namespace {

using Fault = LoopbackSyncServer::Fault;

struct BadAnswerCase {
    const char* name;
    Fault fault;
    int code;
    bool important;
    const char* description;
    const char* suggestion;  // nullptr: not checked
};

Fault answer(int status, const QByteArray& body = {}) {
    return Fault::answer(status, body);
}

Fault of(Fault::Kind kind, qint64 dropAt = 0) {
    return Fault::of(kind, dropAt);
}

const BadAnswerCase kBadAnswers[] = {
    {"unauthorized", answer(401, R"({"code":40100})"), 602, true, "Username or password is wrong",
     "Please make sure your username and password are correct."},
    {"version too old", answer(403, R"({"code":40301})"), 610, true, "Sync failed",
     "This version is no longer compatible with Ordello Sync Service. Please update the app to continue "
     "syncing."},
    {"library processing", answer(403, R"({"code":40302})"), 604, false, "Sync failed",
     "The library on the server is being processed. Try again in a little bit."},
    {"forbidden without a body", answer(403), 600, false, "Unexpected server error",
     "Server response: forbidden (403)"},
    {"forbidden with another code", answer(403, R"({"code":40399})"), 600, false, "Unexpected server error",
     "Server response: forbidden (403)"},
    {"locked", answer(409, R"({"code":40900})"), 603, false, "Sync failed",
     "You have another sync still in progress. Try again in a little bit."},
    {"full sync required", answer(410, R"({"code":41000})"), 605, true, "Full sync required",
     "Please perform a full sync."},
    {"maintenance", answer(503), 607, false, "Sync Service under maintenance",
     "The sync service server is currently under maintenance. Try again in about an hour."},
    {"bad request", answer(400, R"({"code":40000})"), 600, false, "Unexpected server error",
     "Server response: bad request (400)"},
    {"not found", answer(404), 600, false, "Unexpected server error", "Server response: not found (404)"},
    {"method not allowed", answer(405), 600, false, "Unexpected server error",
     "Server response: method not allowed (405)"},
    {"server error", answer(500, "oops"), 600, false, "Unexpected server error",
     "Server response: internal server error (500)"},
    {"bad gateway", answer(502), 600, false, "Unexpected server error", "Server response: bad gateway (502)"},
    {"redirect not followed", answer(302), 600, false, "Unexpected server error",
     "Server response: redirected (302)"},
    {"malformed JSON", answer(200, "{\"changes\": [1, 2"), 600, false, "Unexpected server error", nullptr},
    {"JSON but no object", answer(200, "[1, 2, 3]"), 600, false, "Unexpected server error", nullptr},
    {"gzip that is not", Fault::answer(200, "not gzip at all", "gzip"), 600, false, "Unexpected server error",
     nullptr},
    {"gzip bomb", of(Fault::Kind::GzipBomb), 600, false, "Unexpected server error", nullptr},
    {"oversized", of(Fault::Kind::Oversized), 600, false, "Unexpected server error", nullptr},
    {"truncated", of(Fault::Kind::Truncated), 601, false, "Problem communicating with the sync server",
     nullptr},
    {"dropped before answering", of(Fault::Kind::Drop, 0), 601, false,
     "Problem communicating with the sync server", nullptr},
    {"dropped inside the headers", of(Fault::Kind::Drop, 20), 601, false,
     "Problem communicating with the sync server", nullptr},
};

// Every bad status or answer of the service becomes the one error its code promises, marked important
// exactly when the user must act, with the texts the user reads; nothing of the answer is handed on.
TEST_F(TransportTest, BadAnswersAndStatusesMapToTheirErrors) {
    for (const BadAnswerCase& row : kBadAnswers) {
        SCOPED_TRACE(row.name);
        // Enough faults for the resends Qt makes of an idempotent request whose connection dropped.
        server->injectFault(QStringLiteral("/sync/"), row.fault, 5);
        auto operation = makeOperation();
        auto result = get(*operation, QStringLiteral("/sync/library/"),
                          TDCorvaneParameters{{QStringLiteral("node_id"), QStringLiteral("N1")}});
        ASSERT_FALSE(result.ok());
        const TDError& error = result.error();
        EXPECT_EQ(error.domain, TDErrorDomain);
        EXPECT_EQ(error.code, row.code) << describe(error);
        EXPECT_EQ(isImportantSyncError(error), row.important);
        EXPECT_EQ(error.description, QString::fromUtf8(row.description));
        if (row.suggestion) {
            EXPECT_EQ(error.recoverySuggestion, QString::fromUtf8(row.suggestion));
        }
        server->clearFaults();
    }
}

TEST_F(TransportTest, ImportantErrorsOfTheAccountOfferPreferencesAndSignOut) {
    for (const TDError& error : {corvaneAuthenticationError(), corvaneFullSyncRequiredError()}) {
        EXPECT_EQ(error.recoveryOptions,
                  (QStringList{QStringLiteral("Sync Preferences…"), QStringLiteral("Sign Out")}));
        EXPECT_TRUE(error.recoveryAttempter);
    }
    EXPECT_TRUE(corvaneVersionTooOldError().recoveryOptions.isEmpty());
    EXPECT_EQ(failureReason(corvaneLibraryLockedError()),
              QStringLiteral("The library on the server is locked by another sync session."));
}

// Qt sends a GET or PUT again when its connection drops before the answer is whole, so every attempt
// is dropped here; only an answer that arrived whole may pass.
TEST_F(TransportTest, ADropAtAnyByteOfTheAnswerIsACommunicationErrorOrTheWholeAnswer) {
    auto probe = makeOperation();
    ASSERT_TRUE(get(*probe, corvaneUserPath(kUser)).ok());
    const qint64 size = server->lastAnswerSize();
    ASSERT_GT(size, 0);
    for (qint64 at = 0; at <= size; ++at) {
        SCOPED_TRACE(at);
        server->clearFaults();
        server->injectFault(QStringLiteral("/user/"), of(Fault::Kind::Drop, at), 5);
        auto operation = makeOperation();
        auto result = get(*operation, corvaneUserPath(kUser));
        if (result.ok()) {
            EXPECT_EQ(at, size);
            EXPECT_EQ(result->object().value(QStringLiteral("email")).toString(),
                      QStringLiteral("alice@example.com"));
        } else {
            EXPECT_EQ(result.error().code, TDCorvaneErrorCommunication) << describe(result.error());
        }
    }
}

TEST_F(TransportTest, AnUntrustedCertificateIsRefusedWhateverTheAnswer) {
    LoopbackSyncServer untrusted(LoopbackSyncServer::Options{.untrustedCertificate = true});
    untrusted.addAccount({kUser, kPassword, QStringLiteral("alice@example.com")});
    auto connectionOptions = options();
    connectionOptions.urls.primary = untrusted.baseURL();
    defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), untrusted.baseURL());
    auto operation = makeOperation(connectionOptions);
    auto result = get(*operation, corvaneUserPath(kUser));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, TDCorvaneErrorCommunication);
    const auto underlying = underlyingError(result.error());
    ASSERT_TRUE(underlying);
    EXPECT_TRUE(underlying->isInDomain(TDConnectionTrustFailed, TDConnectionErrorDomain))
        << describe(*underlying);
    EXPECT_TRUE(untrusted.requests().isEmpty()) << "no request may pass an untrusted handshake";
}

TEST_F(TransportTest, WithoutTheTestAnchorTheLoopbackCertificateIsNotTrusted) {
    auto connectionOptions = options();
    connectionOptions.extraAnchors.clear();
    auto operation = makeOperation(connectionOptions);
    auto result = get(*operation, corvaneUserPath(kUser));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, TDCorvaneErrorCommunication);
    EXPECT_TRUE(server->requests().isEmpty());
}

// A service of one's own: the program trusts the anchors of the file the setting names, besides its own.
TEST_F(TransportTest, TheServiceCertificatesSettingAddsItsAnchors) {
    const QString pem = QDir(tempPath()).filePath(QStringLiteral("service.pem"));
    QFile file(pem);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(LoopbackSyncServer::authorityCertificate().toPem());
    file.close();
    const struct {
        QString path;
        bool trusted;
    } cases[] = {
        {pem, true}, {QDir(tempPath()).filePath(QStringLiteral("missing.pem")), false}, {tempPath(), false}};
    for (const auto& entry : cases) {
        defaults().setValue(QStringLiteral("corvaneSyncServiceCertificates"), entry.path);
        auto operation = makeOperation(TDCorvaneConnection::standardOptions(defaults()));
        EXPECT_EQ(get(*operation, corvaneUserPath(kUser)).ok(), entry.trusted) << entry.path.toStdString();
    }
}

TEST_F(TransportTest, AStalledAnswerTimesOutAsACommunicationError) {
    server->injectFault(QStringLiteral("/user/"), of(Fault::Kind::Stall));
    auto operation = makeOperation(options(300));
    auto result = get(*operation, corvaneUserPath(kUser));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, TDCorvaneErrorCommunication);
    const auto underlying = underlyingError(result.error());
    ASSERT_TRUE(underlying);
    EXPECT_TRUE(underlying->isInDomain(TDConnectionTimedOut, TDConnectionErrorDomain));
    EXPECT_TRUE(underlying->userInfo.value(TDFailingURLKey).toString().startsWith(server->baseURL()));
}

// A cancel ends the wait without an error of the service, so nothing is reported to the user.
TEST_F(TransportTest, ACancelWhileWaitingIsToldApartFromATimeOut) {
    server->injectFault(QStringLiteral("/user/"), of(Fault::Kind::Stall));
    auto operation = makeOperation();
    QTimer::singleShot(100, [&] { operation->cancel(); });
    auto result = get(*operation, corvaneUserPath(kUser));
    ASSERT_FALSE(result.ok());
    EXPECT_TRUE(result.error().isInDomain(TDConnectionCancelled, TDConnectionErrorDomain))
        << describe(result.error());
    EXPECT_TRUE(operation->isCancelled());
}

TEST_F(TransportTest, WhileTestingAHostOtherThanThisMachineFailsBeforeConnecting) {
    auto connectionOptions = options();
    connectionOptions.urls.primary = QStringLiteral("https://sync.corvane.com/");
    defaults().setValue(QStringLiteral("corvaneSyncServiceURL"), QStringLiteral("https://sync.corvane.com/"));
    auto operation = makeOperation(connectionOptions);
    auto result = get(*operation, corvaneUserPath(kUser));
    ASSERT_FALSE(result.ok());
    EXPECT_EQ(result.error().code, TDCorvaneErrorCommunication);
    const auto underlying = underlyingError(result.error());
    ASSERT_TRUE(underlying);
    EXPECT_TRUE(underlying->isInDomain(TDConnectionNotAllowed, TDConnectionErrorDomain));
}

TEST_F(TransportTest, NotModifiedWithAnEmptyBodyIsAnEmptyAnswer) {
    server->injectFault(QStringLiteral("/sync/"), answer(304));
    auto operation = makeOperation();
    auto result = get(*operation, QStringLiteral("/sync/library/"),
                      TDCorvaneParameters{{QStringLiteral("node_id"), QStringLiteral("N1")}});
    ASSERT_TRUE(result.ok()) << describe(result.error());
    EXPECT_EQ(result->status(), 304);
    EXPECT_TRUE(result->isEmpty());
}

struct FieldCase {
    const char* name;
    QByteArray body;
    const char* field;
};

// Each field read is checked for its type: a mistyped one is 600 naming the field, with its path.
TEST_F(TransportTest, MistypedFieldsAre600NamingTheField) {
    const FieldCase cases[] = {
        {"changes not an object", R"({"changes": 5})", "changes"},
        {"entity not an object", R"({"changes": {"Task": []}})", "changes.Task"},
        {"record not an object", R"({"changes": {"Task": {"T1": "x"}}})", "changes.Task.T1"},
        {"token not a string", R"({"changes": {}, "token": 7})", "token"},
        {"more not a boolean", R"({"more": "yes"})", "more"},
        {"bookmark an object", R"({"bookmark": {}})", "bookmark"},
    };
    for (const FieldCase& row : cases) {
        SCOPED_TRACE(row.name);
        auto parsed = TDCorvaneAnswer::fromBody(200, row.body);
        ASSERT_TRUE(parsed.ok());
        std::optional<TDError> error;
        const auto check = [&](const auto& result) {
            if (!error && !result.ok()) error = result.error();
        };
        auto changes = parsed->optionalObject(QStringLiteral("changes"));
        check(changes);
        if (changes.ok() && *changes) {
            auto task = (*changes)->optionalObject(QStringLiteral("Task"));
            check(task);
            if (task.ok() && *task) check((*task)->objectAt(QStringLiteral("T1")));
        }
        check(parsed->optionalString(QStringLiteral("token")));
        check(parsed->optionalBool(QStringLiteral("more")));
        check(parsed->optionalScalar(QStringLiteral("bookmark")));
        ASSERT_TRUE(error);
        EXPECT_EQ(error->code, TDCorvaneErrorUnexpected);
        EXPECT_EQ(error->userInfo.value(TDCorvaneAnswerFieldKey).toString(), QString::fromUtf8(row.field));
    }
}

TEST_F(TransportTest, AUserAnswerWithAMistypedEmailIsAnErrorNotAVerification) {
    server->injectFault(QStringLiteral("/user/"), answer(200, R"({"email": 5, "token": "LIB1-0"})"));
    auto operation = makeOperation<TDCorvaneGetUserDetailsOperation>(options());
    operation->start();
    ASSERT_TRUE(operation->error());
    EXPECT_EQ(operation->error()->code, TDCorvaneErrorUnexpected);
    EXPECT_EQ(operation->error()->userInfo.value(TDCorvaneAnswerFieldKey).toString(),
              QStringLiteral("email"));
    EXPECT_FALSE(operation->verified());
}

}  // namespace
}  // namespace synctest

namespace synctest {
namespace {

TEST(CorvaneTrustTest, TheBundledAnchorIsACertificateAuthority) {
    const auto& anchors = corvaneBundledAnchors();
    ASSERT_EQ(anchors.size(), 1);
    EXPECT_FALSE(anchors[0].isNull());
    EXPECT_EQ(anchors[0].subjectInfo(QSslCertificate::Organization), QStringList{QStringLiteral("Brisvale")});
    const QSslConfiguration trust = corvaneTrustConfiguration(anchors);
    EXPECT_TRUE(trust.caCertificates().contains(anchors[0]));
    EXPECT_GT(trust.caCertificates().size(), 1) << "the system's anchors stay trusted";
    EXPECT_EQ(trust.peerVerifyMode(), QSslSocket::VerifyPeer);
}

}  // namespace
}  // namespace synctest

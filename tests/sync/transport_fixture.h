#pragma once

#include "platform/defaults/user_defaults.h"
#include "sync/corvane_errors.h"
#include "sync/corvane_get_user_details_operation.h"
#include "sync/corvane_operation.h"
#include "tests/support/test_environment.h"
#include "tests/sync/support/loopback_account.h"
#include "tests/sync/support/loopback_sync_server.h"

#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace synctest {

// A loopback service with one account, the user defaults pointing at it, and operations that trust it.
class TransportTest : public testsupport::TempFoldersTest {
protected:
    void SetUp() override {
        TempFoldersTest::SetUp();
        server = std::make_unique<LoopbackSyncServer>();
        serveTestAccount(*server, defaults());
    }
    void TearDown() override {
        server.reset();
        TempFoldersTest::TearDown();
    }

    TDCorvaneConnection::Options options(int timeoutMilliseconds = kCorvaneRequestTimeoutMilliseconds) const {
        TDCorvaneConnection::Options result;
        result.urls = {server->baseURL(), QString()};  // alternate-URL tests give theirs
        result.extraAnchors = {LoopbackSyncServer::authorityCertificate()};
        result.timeoutMilliseconds = timeoutMilliseconds;
        return result;
    }

    template <typename Operation = TDCorvaneOperation>
    std::unique_ptr<Operation> makeOperation(const TDCorvaneConnection::Options& connectionOptions) {
        auto operation = std::make_unique<Operation>();
        operation->setUsername(kUser);
        operation->setPassword(kPassword);
        operation->setConnectionOptions(connectionOptions);
        return operation;
    }
    std::unique_ptr<TDCorvaneOperation> makeOperation() { return makeOperation(options()); }

    // An authenticated request of the operation, answered.
    Result<TDCorvaneAnswer> get(TDCorvaneOperation& operation, const QString& path,
                                const std::optional<TDCorvaneParameters>& parameters = std::nullopt) {
        auto request = operation.request(operation.corvaneURL(path, parameters));
        if (!request) return request.error();
        return operation.responseDictionary(*request);
    }

    std::unique_ptr<LoopbackSyncServer> server;
};

inline std::string describe(const TDError& error) {
    return error.detailedDescription().toStdString();
}

}  // namespace synctest

#pragma once

#include "model/library.h"
#include "model/library_model.h"
#include "model/managed_object_context.h"
#include "model/sync_set.h"
#include "platform/keychain/memory_keychain.h"
#include "platform/objectstore/persistent_store_coordinator.h"
#include "sync/corvane_keychain_manager.h"
#include "tests/sync/transport_fixture.h"

namespace synctest {

// A saved library whose sync set belongs to the loopback account, and an in-memory keychain installed
// as the session's.
class SyncAccountTest : public TransportTest {
protected:
    void SetUp() override {
        TransportTest::SetUp();
        platform::Keychain::setStandard(&keychain);
        auto model = TDLibraryObjectModel();
        ASSERT_TRUE(model.ok());
        coordinator = std::make_unique<platform::PersistentStoreCoordinator>(*model);
        ASSERT_TRUE(coordinator->openStore(tempPath() + QStringLiteral("/library.sqlite3")).ok());
        context = std::make_unique<TDManagedObjectContext>(coordinator.get());
        journalContext = std::make_unique<TDManagedObjectContext>(coordinator.get());
        context->setCreatingLibrary(true);
        library = context->insertObject<TDLibrary>(QStringLiteral("Library"));
        context->setLibrary(library);
        journalContext->setLibrary(library);
        library->setCorvaneSyncSetManagedObjectContext(journalContext.get());
        auto* journal = journalContext->insertObject<TDSyncSet>(QStringLiteral("SyncSet"));
        journal->setSyncType(QStringLiteral("corvane"));
        journal->setUsername(kUser);
        library->setCorvaneSyncSet(journal);
        ASSERT_TRUE(context->save().ok());
        ASSERT_TRUE(journalContext->save().ok());
        context->setCreatingLibrary(false);
    }
    void TearDown() override {
        journalContext.reset();
        context.reset();
        coordinator.reset();
        platform::Keychain::setStandard(nullptr);
        TransportTest::TearDown();
    }

    void storePassword(const QString& password) {
        ASSERT_TRUE(keychain.storePassword(TDCorvaneKeychainManager::kServiceName, kUser, password).ok());
    }

    platform::MemoryKeychain keychain;
    std::unique_ptr<platform::PersistentStoreCoordinator> coordinator;
    std::unique_ptr<TDManagedObjectContext> context;
    std::unique_ptr<TDManagedObjectContext> journalContext;
    TDLibrary* library = nullptr;
};

}  // namespace synctest

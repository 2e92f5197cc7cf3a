#pragma once

#include "platform/base/error.h"
#include "platform/operations/operation.h"

#include <QString>

#include <memory>

class TDLibrary;
class TDLibraryManager;
class TDLibraryOperation;
class TDManagedObjectContext;

namespace platform {
class PersistentStoreCoordinator;
}

// Told how a library operation ended. Both callbacks are optional.
class TDLibraryOperationDelegate {
public:
    virtual ~TDLibraryOperationDelegate() = default;
    // On the main thread; the operation waits until it returns.
    virtual void libraryOperationDidFinish(TDLibraryOperation* operation) { Q_UNUSED(operation); }
    // On the operation's own thread.
    virtual void libraryOperationDidFailWithError(TDLibraryOperation* operation, const TDError& error) {
        Q_UNUSED(operation);
        Q_UNUSED(error);
    }
};

// Background work on a library. Each operation has a context of its own, used only on the thread that
// runs main(), either on the library manager's coordinator (work that must see and change the open
// library) or on a coordinator of its own over any package (export, restore, copies).
class TDLibraryOperation : public platform::Operation {
public:
    // Without a coordinator the operation works on its library manager's, the one the manager has when
    // the operation first asks for it. Make it on the main thread.
    explicit TDLibraryOperation(platform::PersistentStoreCoordinator* coordinator = nullptr);
    ~TDLibraryOperation() override;

    platform::PersistentStoreCoordinator* persistentStoreCoordinator() const;
    // Opens the package's store on a coordinator of the operation's own, with full synchronous writes.
    // The package folder is created when missing; a store that cannot be opened is reported and leaves
    // the operation without a store.
    Status setupPersistentStoreCoordinatorWithLibraryPath(const QString& packagePath);
    void closePersistentStoreCoordinator();

    // Made on first use, on the calling thread, which must be the operation's; dropped when main() ends.
    TDManagedObjectContext* managedObjectContext();
    TDLibrary* threadedLibrary();

    // Saves the operation's context. When it works on the manager's coordinator, the saved changes are
    // merged into the main context on the main thread, this thread waiting.
    Status saveContext();

    void informDelegateDidFinish();
    void informDelegateDidFailWithError(const TDError& error);
    // On the calling thread, with the manager's library as sender.
    void postActiveLibraryWillChangeNotification();
    void postActiveLibraryDidChangeNotification();

    // The manager of the open library (not owned), given by whoever queues the operation: its
    // coordinator serves an operation given none, its main context takes the saves made on that
    // coordinator, and its library is the sender of the active-library notifications. Without one the
    // operation touches no open library.
    TDLibraryManager* libraryManager() const { return m_manager; }
    void setLibraryManager(TDLibraryManager* manager) { m_manager = manager; }

    TDLibraryOperationDelegate* delegate() const { return m_delegate; }
    void setDelegate(TDLibraryOperationDelegate* delegate) { m_delegate = delegate; }  // not owned

private:
    TDLibraryManager* m_manager = nullptr;
    mutable platform::PersistentStoreCoordinator* m_coordinator;
    std::unique_ptr<platform::PersistentStoreCoordinator> m_ownCoordinator;
    std::unique_ptr<TDManagedObjectContext> m_context;
    TDLibrary* m_threadedLibrary = nullptr;
    TDLibraryOperationDelegate* m_delegate = nullptr;
};

// Runs the function on the main thread and waits for it; runs it at once when called there.
void TDPerformOnMainThreadAndWait(const std::function<void()>& function);

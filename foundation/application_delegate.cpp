#include "foundation/application_delegate.h"

#include "platform/base/log.h"

#include <atomic>

namespace {
TDApplicationDelegate g_defaultDelegate;
std::atomic<TDApplicationDelegate*> g_delegate{nullptr};
}  // namespace

void TDErrorHandler::handleError(const std::optional<TDError>& error, const QString& message) {
    if (!error) return;
    logWithLevel(TDLogError, "ERROR", "%@", message);
    logWithLevel(TDLogError, "ERROR", "%@", error->detailedDescription());
}

TDErrorPresentation TDErrorHandler::presentError(const TDError& error, const QString& message) {
    handleError(error, message);
    return {};
}

bool TDErrorHandler::attemptRecoveryFromError(const TDError& error, int) {
    logWithLevel(TDLogError, "ERROR", "Attempting recovery from unrecoverable error: %@",
                 error.detailedDescription());
    return false;
}

TDApplicationDelegate& TDAppDelegate() {
    TDApplicationDelegate* installed = g_delegate.load(std::memory_order_acquire);
    return installed ? *installed : g_defaultDelegate;
}

void TDSetAppDelegate(TDApplicationDelegate* delegate) {
    g_delegate.store(delegate, std::memory_order_release);
}

#include "platform/base/clock.h"

#include <atomic>

namespace {
const TDClock g_systemClock;
std::atomic<const TDClock*> g_clock{nullptr};
}  // namespace

const TDClock& TDClock::shared() {
    const TDClock* installed = g_clock.load(std::memory_order_acquire);
    return installed ? *installed : g_systemClock;
}

void TDClock::setShared(const TDClock* clock) {
    g_clock.store(clock, std::memory_order_release);
}

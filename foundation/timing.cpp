#include "foundation/timing.h"

#include <chrono>
#include <vector>

namespace {
thread_local std::vector<std::chrono::steady_clock::time_point> t_stamps;
}

void pushTimestamp() {
    t_stamps.push_back(std::chrono::steady_clock::now());
}

double popElapsedSeconds() {
    if (t_stamps.empty()) return 0.0;
    const auto start = t_stamps.back();
    t_stamps.pop_back();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

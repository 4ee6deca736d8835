#pragma once

// Letting the event loop run from a benchmark's straight-line code: for a while, or until
// something has happened.

#include <QEventLoop>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "bench/support/figures.h"

namespace quorvex::bench {

inline void RunFor(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

// False when `done` has not come true within `timeoutMs`.
inline bool RunUntil(const std::function<bool()>& done, int timeoutMs) {
    const std::int64_t deadline = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    while (!done()) {
        if (MonotonicNs() > deadline) {
            return false;
        }
        RunFor(5);
    }
    return true;
}

}  // namespace quorvex::bench

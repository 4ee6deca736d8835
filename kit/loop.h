#pragma once

// Letting the event loop run from straight-line code (a test case, a benchmark's script): for
// a while, or until something has happened.

#include <functional>

namespace quorvex::kit {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the event loop itself until `done` holds or `timeoutMs` passes, with no pause between
// events: for benchmarks, whose figures are taken inside it. Returns whether `done` held.
bool RunUntil(const std::function<bool()>& done, int timeoutMs);

// Runs the event loop for `ms` milliseconds, for checks that something does NOT happen.
void Pump(int ms);

}  // namespace quorvex::kit

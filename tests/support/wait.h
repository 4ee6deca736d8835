#pragma once

#include <functional>

namespace quorvex::test {

// Runs the event loop until `done` holds or `timeoutMs` passes; returns whether it held.
bool WaitUntil(const std::function<bool()>& done, int timeoutMs = 5000);

// Runs the event loop for `ms` milliseconds, for checks that something does NOT happen.
void Pump(int ms);

}  // namespace quorvex::test

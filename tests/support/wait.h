#pragma once

// Tests wait on the event loop the way benchmarks do.

#include "kit/loop.h"

namespace quorvex::test {

using kit::Pump;
using kit::WaitUntil;

}  // namespace quorvex::test

#pragma once

#include <functional>

namespace quorvex::server {

// A uniform source of numbers in [0, 1).
using RandomSource = std::function<double()>;

// Never seeded from the clock: every start of the server draws the same directions.
RandomSource MakeDefaultRandomSource();

}  // namespace quorvex::server

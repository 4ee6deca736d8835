#include "server/game/random_source.h"

#include <memory>
#include <random>

namespace quorvex::server {

RandomSource MakeDefaultRandomSource() {
    // Shared so that copies of the source go on drawing from one sequence.
    auto engine = std::make_shared<std::mt19937>();
    return [engine] { return std::uniform_real_distribution<double>(0.0, 1.0)(*engine); };
}

}  // namespace quorvex::server

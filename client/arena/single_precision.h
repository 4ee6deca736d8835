#pragma once

// Line coordinates are single precision. A double that has no single-precision form (not
// finite, or beyond the float range) must never reach a line: the converting cast would be
// undefined behaviour and an infinity would be drawn.

#include <cmath>
#include <limits>
#include <optional>

namespace quorvex::arena {

inline std::optional<float> ToSingle(double value) {
    if (!std::isfinite(value) ||
        std::fabs(value) > static_cast<double>(std::numeric_limits<float>::max())) {
        return std::nullopt;
    }
    return static_cast<float>(value);
}

}  // namespace quorvex::arena

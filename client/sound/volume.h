#pragma once

// The player's loudness: steps of 0 to 10 that the +/- keys move, and mute. Plain C++.

#include <algorithm>

namespace quorvex::client::sound {

inline constexpr int kMaxVolume = 10;
inline constexpr int kDefaultVolume = 7;

// Any stored number brought into 0..10.
constexpr int ClampVolume(int volume) {
    return std::clamp(volume, 0, kMaxVolume);
}

// One step up (+1) or down (-1), never past either end.
constexpr int StepVolume(int volume, int step) {
    return ClampVolume(volume + step);
}

// The mixer's gain for a volume: by the square, as loudness is heard.
constexpr float GainFor(int volume) {
    const float share = static_cast<float>(ClampVolume(volume)) / kMaxVolume;
    return share * share;
}

}  // namespace quorvex::client::sound

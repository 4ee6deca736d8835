#pragma once

// Mixes the cues that are sounding into 16-bit stereo, panned and scaled by the volume. Plain
// C++ over a bank made at start, so starting a cue costs nothing but a slot.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "client/sound/synth.h"

namespace quorvex::client::sound {

// At most this many cues at once; a further one takes the place of the one that began first.
inline constexpr std::size_t kMaxVoices = 8;

class Mixer {
  public:
    explicit Mixer(CueBank bank) : bank_(std::move(bank)) {}

    void Start(const CueRequest& request);
    // 0 (silent) to 1.
    void SetGain(float gain) { gain_ = gain; }
    // Fills `frames` stereo frames (left, right) of `out`, silence after the last cue ends.
    void Mix(std::int16_t* out, std::size_t frames);
    // Whether a cue is still sounding.
    bool Active() const { return !voices_.empty(); }

  private:
    struct Voice {
        const Samples* samples;
        std::size_t at;
        float left;
        float right;
    };

    CueBank bank_;
    std::vector<Voice> voices_;
    float gain_ = 1;
    std::vector<float> scratch_;
};

}  // namespace quorvex::client::sound

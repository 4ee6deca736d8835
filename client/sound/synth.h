#pragma once

// Every cue made here at start from sine sweeps and a little noise: no sample files, nothing
// to decode while playing, and nothing of anyone else's to license. Plain C++.

#include <array>
#include <vector>

#include "client/sound/cue.h"

namespace quorvex::client::sound {

inline constexpr int kSampleRate = 48000;

// One cue's samples, mono, in [-1, 1].
using Samples = std::vector<float>;
using CueBank = std::array<Samples, kCueCount>;

Samples Synthesise(Cue cue, int sampleRate = kSampleRate);
CueBank SynthesiseAll(int sampleRate = kSampleRate);

}  // namespace quorvex::client::sound

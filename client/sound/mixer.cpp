#include "client/sound/mixer.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace quorvex::client::sound {

void Mixer::Start(const CueRequest& request) {
    if (voices_.size() >= kMaxVoices) {
        voices_.erase(voices_.begin());
    }
    // Equal power across the pan, so a sound keeps its loudness wherever it is.
    const float angle = (std::clamp(request.pan, -1.0f, 1.0f) + 1) * std::numbers::pi_v<float> / 4;
    voices_.push_back(
        {&bank_[static_cast<std::size_t>(request.cue)], 0, std::cos(angle), std::sin(angle)});
}

void Mixer::Mix(std::int16_t* out, std::size_t frames) {
    scratch_.assign(frames * 2, 0.0f);
    for (Voice& voice : voices_) {
        const std::size_t count = std::min(frames, voice.samples->size() - voice.at);
        for (std::size_t i = 0; i < count; ++i) {
            const float sample = (*voice.samples)[voice.at + i];
            scratch_[2 * i] += sample * voice.left;
            scratch_[2 * i + 1] += sample * voice.right;
        }
        voice.at += count;
    }
    std::erase_if(voices_, [](const Voice& v) { return v.at >= v.samples->size(); });
    for (std::size_t i = 0; i < frames * 2; ++i) {
        const float scaled = std::clamp(scratch_[i] * gain_, -1.0f, 1.0f) * 32767.0f;
        out[i] = static_cast<std::int16_t>(std::lround(scaled));
    }
}

}  // namespace quorvex::client::sound

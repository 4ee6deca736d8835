// The synthesised cues and their mixing: audible, click-free, panned, scaled by the volume.

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "client/sound/mixer.h"
#include "client/sound/volume.h"

namespace quorvex::client::sound {
namespace {

// The loudest left and right sample of `frames` mixed frames.
std::pair<int, int> Peaks(Mixer& mixer, std::size_t frames) {
    std::vector<std::int16_t> out(frames * 2);
    mixer.Mix(out.data(), frames);
    int left = 0;
    int right = 0;
    for (std::size_t i = 0; i < frames; ++i) {
        left = std::max(left, std::abs(out[2 * i]));
        right = std::max(right, std::abs(out[2 * i + 1]));
    }
    return {left, right};
}

TEST(Synth, EveryCueIsShortAudibleAndEndsInSilence) {
    const CueBank bank = SynthesiseAll();
    for (std::size_t i = 0; i < kCueCount; ++i) {
        const Samples& s = bank[i];
        ASSERT_GT(s.size(), kSampleRate / 50u) << i;  // at least 20 ms
        EXPECT_LT(s.size(), kSampleRate * 1u) << i;   // under a second
        float peak = 0;
        for (const float v : s) {
            peak = std::max(peak, std::fabs(v));
        }
        EXPECT_GT(peak, 0.1f) << i;
        EXPECT_LE(peak, 1.0f) << i;
        EXPECT_LT(std::fabs(s.front()), 0.01f) << i;
        EXPECT_LT(std::fabs(s.back()), 0.01f) << i;
    }
    // Own events stand out from others'.
    EXPECT_NE(bank[static_cast<std::size_t>(Cue::kOwnHit)].size(),
              bank[static_cast<std::size_t>(Cue::kOtherHit)].size());
    EXPECT_GT(bank[static_cast<std::size_t>(Cue::kOwnMiss)].size(),
              bank[static_cast<std::size_t>(Cue::kOtherMiss)].size());
}

TEST(Mixer, PansScalesAndFallsSilentAtTheEnd) {
    Mixer mixer(SynthesiseAll());
    EXPECT_EQ(Peaks(mixer, 480), std::make_pair(0, 0));
    mixer.Start({Cue::kOwnHit, -kPanReach});
    const auto [left, right] = Peaks(mixer, 2400);
    EXPECT_GT(left, 3 * right);
    EXPECT_GT(right, 0);
    mixer.Start({Cue::kOwnHit, kPanReach});
    const auto panned = Peaks(mixer, 2400);
    EXPECT_GT(panned.second, 3 * panned.first / 2);
    Peaks(mixer, kSampleRate);
    EXPECT_FALSE(mixer.Active());
    EXPECT_EQ(Peaks(mixer, 480), std::make_pair(0, 0));
    mixer.SetGain(GainFor(0));
    mixer.Start({Cue::kOwnMiss, 0});
    EXPECT_EQ(Peaks(mixer, 4800), std::make_pair(0, 0));
}

TEST(Mixer, KeepsTheNewestWhenFull) {
    Mixer mixer(SynthesiseAll());
    mixer.Start({Cue::kConnectionLost, 0});  // the longest, and the first to go
    for (std::size_t i = 0; i < kMaxVoices; ++i) {
        mixer.Start({Cue::kChat, 0});
    }
    Peaks(mixer, kSampleRate / 10);  // past every chat cue, within the lost one
    EXPECT_FALSE(mixer.Active());
}

TEST(Volume, StepsStayWithinTheRangeAndGainGrowsWithThem) {
    const struct {
        int volume, step, expected;
    } kSteps[] = {{7, 1, 8}, {10, 1, 10}, {0, -1, 0}, {1, -1, 0}, {12, 0, 10}, {-3, 1, 0}};
    for (const auto& s : kSteps) {
        EXPECT_EQ(StepVolume(s.volume, s.step), s.expected) << s.volume << s.step;
    }
    EXPECT_EQ(GainFor(0), 0.0f);
    EXPECT_EQ(GainFor(kMaxVolume), 1.0f);
    EXPECT_FLOAT_EQ(GainFor(5), 0.25f);
}

}  // namespace
}  // namespace quorvex::client::sound

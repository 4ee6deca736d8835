#include "client/sound/synth.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>

namespace quorvex::client::sound {
namespace {

// A tone gliding from one pitch to another, with a share of noise for a knock.
struct Note {
    float fromHz;
    float toHz;
    float ms;
};

struct Recipe {
    std::array<Note, 3> notes;  // played one after another; a 0 ms note ends the list
    float gain;                 // loudness against the others: chat is a murmur, a miss a shout
    float noise;                // share of noise, 0 to 1
};

// Own events are brighter and louder than others'; misses fall, the round's sounds rise.
constexpr Recipe kRecipes[kCueCount] = {
    {{{{700, 640, 45}}}, 0.45f, 0.25f},                               // wall bounce
    {{{{880, 1320, 70}}}, 0.8f, 0.1f},                                // own hit
    {{{{520, 560, 55}}}, 0.4f, 0.15f},                                // other hit
    {{{{330, 110, 380}}}, 0.85f, 0.05f},                              // own miss
    {{{{260, 190, 220}}}, 0.45f, 0.05f},                              // other miss
    {{{{392, 392, 90}, {523, 523, 90}, {784, 784, 160}}}, 0.6f, 0},   // round start
    {{{{659, 659, 110}, {494, 494, 160}}}, 0.5f, 0},                  // lobby opened
    {{{{523, 523, 70}, {659, 659, 70}, {784, 784, 120}}}, 0.55f, 0},  // everyone ready
    {{{{1250, 1250, 35}}}, 0.18f, 0},                                 // chat
    {{{{440, 220, 260}, {220, 110, 300}}}, 0.8f, 0.1f},               // connection lost
};

constexpr float kAttackMs = 3;

// A fixed sequence, so every run sounds the same.
class Noise {
  public:
    float Next() {
        state_ = state_ * 1664525u + 1013904223u;
        return static_cast<float>(state_ >> 8) / static_cast<float>(1u << 23) - 1.0f;
    }

  private:
    std::uint32_t state_ = 12345;
};

void AddNote(const Note& note, const Recipe& recipe, int sampleRate, Noise& noise, Samples& out) {
    const auto count = static_cast<std::size_t>(note.ms * static_cast<float>(sampleRate) / 1000);
    const auto attack = static_cast<float>(sampleRate) * kAttackMs / 1000;
    double phase = 0;
    for (std::size_t i = 0; i < count; ++i) {
        const float t = static_cast<float>(i) / static_cast<float>(count);
        const double hz = note.fromHz + (note.toHz - note.fromHz) * t;
        phase += 2 * std::numbers::pi * hz / sampleRate;
        // A quick rise against clicks, then a decay that reaches silence at the note's end.
        const float rise = std::min(1.0f, static_cast<float>(i) / attack);
        const float fall = (1 - t) * (1 - t);
        const float tone = static_cast<float>(std::sin(phase));
        const float mixed = tone * (1 - recipe.noise) + noise.Next() * recipe.noise;
        out.push_back(mixed * rise * fall * recipe.gain);
    }
}

}  // namespace

Samples Synthesise(Cue cue, int sampleRate) {
    const Recipe& recipe = kRecipes[static_cast<std::size_t>(cue)];
    Noise noise;
    Samples out;
    for (const Note& note : recipe.notes) {
        if (note.ms > 0) {
            AddNote(note, recipe, sampleRate, noise, out);
        }
    }
    return out;
}

CueBank SynthesiseAll(int sampleRate) {
    CueBank bank;
    for (std::size_t i = 0; i < kCueCount; ++i) {
        bank[i] = Synthesise(static_cast<Cue>(i), sampleRate);
    }
    return bank;
}

}  // namespace quorvex::client::sound

#include <algorithm>

#include "client/sound/cue.h"

namespace quorvex::client::sound {
namespace {

// The arena's centre and radius in twips: its left and right ends pan fully.
constexpr float kArenaCentreX = 5235;
constexpr float kArenaRadius = 3750;

float PanAt(float x) {
    return std::clamp((x - kArenaCentreX) / kArenaRadius, -1.0f, 1.0f) * kPanReach;
}

}  // namespace

CueRequest CueFor(const Happening& happening) {
    switch (happening.kind) {
        case HappeningKind::kWallBounce:
            return {Cue::kWallBounce, PanAt(happening.x)};
        case HappeningKind::kOwnHit:
            return {Cue::kOwnHit, PanAt(happening.x)};
        case HappeningKind::kOtherHit:
            return {Cue::kOtherHit, PanAt(happening.x)};
        case HappeningKind::kOwnMiss:
            return {Cue::kOwnMiss, PanAt(happening.x)};
        case HappeningKind::kOtherMiss:
            return {Cue::kOtherMiss, PanAt(happening.x)};
        case HappeningKind::kRoundStart:
            return {Cue::kRoundStart, 0};
        case HappeningKind::kLobbyOpened:
            return {Cue::kLobbyOpened, 0};
        case HappeningKind::kEveryoneReady:
            return {Cue::kEveryoneReady, 0};
        case HappeningKind::kOthersChat:
            return {Cue::kChat, 0};
        case HappeningKind::kConnectionLost:
            return {Cue::kConnectionLost, 0};
    }
    return {Cue::kWallBounce, 0};
}

}  // namespace quorvex::client::sound

#pragma once

// The own paddle under the keyboard: Left/Right (or A/D) held move it along the own side,
// slowly at first so that a tap places it finely, then faster the longer the key is held.

#include <optional>
#include <utility>

#include "client/arena/arena.h"

namespace quorvex::motion {

inline constexpr double kKeyStartSpeed = 3000;     // twips per second as the key goes down
inline constexpr double kKeyAcceleration = 15000;  // twips per second, per second held
inline constexpr double kKeyTopSpeed = 12000;      // a triangle's side in about half a second

enum Way { kLeft = -1, kRight = 1 };

class KeySteering {
  public:
    // A key went down or came up. The key pressed last steers; a repeat of a held key changes
    // nothing, and letting go of one of two held keys turns to the other, from slow again.
    void Press(Way way, double nowMs);
    void Release(Way way, double nowMs);
    void ReleaseAll();
    bool Held() const { return way_ != 0; }

    // Twips travelled since the last call (or the press), negative to the left.
    double Advance(double nowMs);

  private:
    void Begin(int way, double nowMs);

    bool leftDown_ = false;
    bool rightDown_ = false;
    int way_ = 0;
    double pressMs_ = 0;
    double lastMs_ = 0;
};

// The point on the own side's line `twips` along it from the own paddle's start: to the right
// is towards larger x, or downwards on a side steeper than 45 degrees. The paddle is kept on
// the side (or, when longer than it, over it). As a pointer, this point puts the paddle there.
// Nothing when `ownSeat` names no side and paddle.
std::optional<std::pair<float, float>> AlongOwnSide(const arena::Arena& arena, int ownSeat,
                                                    double twips);

}  // namespace quorvex::motion

#pragma once

// The lobby frame (frameInitRnd) and its labels and buttons, as the window shows them.

#include <string>

#include "client/state/client_texts.h"

namespace quorvex::client {

struct Lobby {
    std::string lblGameType{kInitialGameType};
    std::string lblLimit{kInitialLimit};
    std::string lblPRdy{kInitialReady};
    std::string lblNOP{kInitialSeats};
    // Hidden and disabled until the first GameSettings, so nothing in it can be used before.
    bool frameVisible = false;
    bool frameEnabled = false;
    bool cmdRdyEnabled = true;
    bool cmdJoinEnabled = true;
    bool cmdSpectateEnabled = true;
};

}  // namespace quorvex::client

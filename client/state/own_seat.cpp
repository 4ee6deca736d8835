#include "client/state/own_seat.h"

#include "protocol/numeric.h"

namespace quorvex::client {

int PlayerID(const SeatTable& seats, std::int32_t myId) {
    const double own = static_cast<double>(myId);
    for (std::size_t i = 0; i < seats.size(); ++i) {
        // A text too large for a double names no player.
        const auto value = NumericValue(seats[i].PlayerIndex);
        if (value && *value == own) {
            return static_cast<int>(i);
        }
    }
    return -1;
}

}  // namespace quorvex::client

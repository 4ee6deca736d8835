#include "client/state/exit_timer.h"

namespace quorvex::client {

bool ExitTimer::Tick() {
    // Once finished the interval stays put, so late ticks cannot overflow it.
    if (!Finished()) {
        interval_ *= 2;
    }
    return Finished();
}

}  // namespace quorvex::client

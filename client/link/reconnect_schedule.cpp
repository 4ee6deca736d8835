#include "client/link/reconnect_schedule.h"

#include <algorithm>

namespace quorvex::client {

std::optional<std::int64_t> ReconnectSchedule::NextWaitMs(std::int64_t nowMs) {
    const std::int64_t wait = nextWaitMs_;
    if (Over(nowMs + wait)) {
        return std::nullopt;
    }
    nextWaitMs_ = std::clamp(wait * 2, kFirstRetryWaitMs, kLongestRetryWaitMs);
    return wait;
}

std::int64_t ReconnectSchedule::AttemptMs(std::int64_t nowMs) const {
    return std::clamp<std::int64_t>(deadlineMs_ - nowMs, 1, kRetryAttemptMs);
}

bool WorthRetrying(session::ErrorCode code) {
    switch (code) {
        case session::ErrorCode::ConnectionRefused:
        case session::ErrorCode::TimedOut:
        case session::ErrorCode::HostNotFound:
        case session::ErrorCode::ConnectionLost:
        case session::ErrorCode::WrongApplication:  // also a handshake the link cut short
        case session::ErrorCode::ServerBusy:
        case session::ErrorCode::TooManyJoins:
        case session::ErrorCode::NotReady:
            return true;
        default:
            return false;
    }
}

}  // namespace quorvex::client

#pragma once

// The session bounds of the soak run: the defaults, with time-outs and the per-player send
// queue shortened so that every kind of misbehaviour is dealt with within a second or two.

#include "protocol/session/limits.h"

namespace quorvex::soak {

inline session::Limits ServerLimits() {
    session::Limits limits;
    limits.handshakeTimeoutMs = 500;
    limits.heartbeatIntervalMs = 100;
    limits.peerTimeoutMs = 3000;
    limits.maxPendingWriteBytes = 256 * 1024;
    // The players here chat far faster than people do, and one peer sends thousands of random
    // frames: the sending limits stand aside.
    limits.messagesPerSecond = limits.messageBurst = 1e9;
    limits.bytesPerSecond = limits.byteBurst = 1e12;
    limits.chatLinesPerSecond = limits.chatBurst = 1e9;
    return limits;
}

inline session::Limits PlayerLimits() {
    session::Limits limits;
    limits.heartbeatIntervalMs = 100;
    limits.peerTimeoutMs = 3000;
    return limits;
}

}  // namespace quorvex::soak

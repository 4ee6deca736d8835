#pragma once

// The floor for the round trip: the same message over a plain TCP connection on loopback,
// blocking sockets with TCP_NODELAY, no framing and no event loop on either end.

#include <cstdint>
#include <vector>

namespace quorvex::bench::compare {

// Listens on loopback, prints "PORT <n>", then echoes each message of the one connection it
// accepts until that connection closes. The process's exit code.
int RunRawEchoServer();

// Round trips through that echo, in microseconds, after `warmUp` discarded ones. Empty when
// the connection failed or the whole did not end in `timeoutMs`.
std::vector<double> RawRoundTrips(std::uint16_t port, int count, int warmUp, int timeoutMs);

}  // namespace quorvex::bench::compare

#pragma once

// The client's side of a discovery flood: one sender answering the host prompt's every ask
// with thousands of made-up servers a second. Run by discovery_flood after the server's side.

#include <cstdint>

namespace quorvex::bench {

// The flooder, a child process: answers from loopback:`port` (and a quarter of its replies from
// another port) at `rate` replies a second for `seconds`, each naming a new server; prints how
// many it sent.
int FloodReplies(std::uint16_t port, int rate, int seconds);

// Opens the host prompt's list against such a flooder on `port` and prints what it cost: the
// most entries listed, how often the list was redrawn, the process's CPU, and the goal lines.
void MeasureReplyFlood(std::uint16_t port, int rate, int seconds);

}  // namespace quorvex::bench

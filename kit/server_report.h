#pragma once

// What the bench server prints when it quits (STAMP, CPU, SENT, WRITES, RELAY and BALL lines up
// to END), read back; and the BallUpdate latency it lets the load players work out, from each
// step on the server to each player's handler.

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "kit/child_process.h"
#include "kit/figures.h"
#include "kit/scripted_player.h"

namespace quorvex::kit {

// Server-side stamps by their (left top angle) text; a key can repeat, so each keeps a list.
using BallStamps = std::map<std::string, std::vector<std::int64_t>>;

struct ServerReport {
    BallStamps stamps;
    double cpuSeconds = 0;  // over the measured stretch
    long sentToAll = 0;
    long writes = 0;
    Spread relayMs;
    Spread ballOutMs;
};

// Reads the server's lines up to END (or until it is silent for 10 s).
ServerReport ReadServerReport(ChildProcess& server);

// From each BallUpdate's step on the server to each player's handler; `unmatched` counts the
// arrivals of steps from before the mark.
std::vector<double> BallLatencies(const std::vector<std::unique_ptr<ScriptedPlayer>>& players,
                                  const BallStamps& stamps, std::size_t& unmatched);

}  // namespace quorvex::kit

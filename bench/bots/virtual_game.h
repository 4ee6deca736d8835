#pragma once

// A whole game of computer players on one loop with a virtual clock: the server's rules and
// every player's rules, unchanged, with messages handed over in the order they were sent and
// no transit time. The timers keep their intervals (ball 100 ms, gate 1 s, paddle reports
// 100 ms, Ready pauses), so a virtual minute is a minute of play, computed in milliseconds.

#include <cstdint>
#include <deque>
#include <memory>
#include <vector>

#include "client/bot/computer_player.h"
#include "client/state/client_state.h"
#include "server/game/server_game.h"

namespace quorvex::bench {

struct SeatFigures {
    int skill = 0;
    long saved = 0;
    long missed = 0;
    long roundsLost = 0;  // rounds that ended with this seat at the limit
};

class VirtualGame {
  public:
    // One computer player per skill, seated in that order; Points with `limit`.
    VirtualGame(const std::vector<int>& skills, int limit, std::uint32_t seed);
    ~VirtualGame();

    void Run(std::int64_t ms);

    long Rounds() const { return rounds_; }
    const std::vector<SeatFigures>& Seats() const { return seats_; }
    // Time spent in seat 0's computer player, and in a person's client state beside it that
    // receives the same messages and ticks, with a still mouse: ns per message handled.
    double PlayerNsPerMessage() const;
    double PersonNsPerMessage() const;
    // The person beside seat 0: what a client at this game hears and sees.
    client::ClientState& Person() { return *person_; }

  private:
    struct Delivery {
        int to;  // -1: the server
        Buffer bytes;
    };
    class ToAll;
    class ToServer;

    void Drain();
    void Deliver(std::size_t to, const Buffer& bytes);
    void ToPlayers(const Buffer& bytes);
    void RoundEnded();

    std::deque<Delivery> queue_;
    std::unique_ptr<ToAll> toAll_;
    std::vector<std::unique_ptr<ToServer>> toServer_;  // by seat
    std::unique_ptr<ToServer> discard_;
    std::unique_ptr<server::ServerGame> game_;
    std::vector<std::unique_ptr<client::bot::ComputerPlayer>> players_;
    std::unique_ptr<client::ClientState> person_;
    std::vector<SeatFigures> seats_;
    std::int64_t now_ = 0;
    bool ballRunning_ = false;
    bool started_ = false;
    long rounds_ = 0;
    long messages_ = 0;
    std::int64_t playerNs_ = 0;
    std::int64_t personNs_ = 0;
};

}  // namespace quorvex::bench

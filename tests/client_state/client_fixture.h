#pragma once

// A ClientState wired to an Outbox that records (and can refuse) what it is given, plus
// builders for the server's messages.

#include <gtest/gtest.h>

#include <cstdint>
#include <iomanip>
#include <sstream>
#include <string>
#include <vector>

#include "client/state/client_state.h"
#include "protocol/messages.h"

namespace quorvex::client::testing {

class RecordingOutbox : public Outbox {
  public:
    bool Send(const Buffer& message) override {
        if (refuse) {
            ++refused;
            return false;
        }
        sent.push_back(message);
        return true;
    }

    // The type Byte of every message sent, in order.
    std::vector<int> Types() const {
        std::vector<int> types;
        for (const auto& m : sent) {
            types.push_back(m.empty() ? -1 : m[0]);
        }
        return types;
    }

    template <class M>
    std::vector<M> All() const {
        std::vector<M> decoded;
        for (const auto& m : sent) {
            if (auto d = msg::Decode<M>(m)) {
                decoded.push_back(*d);
            }
        }
        return decoded;
    }

    std::vector<Buffer> sent;
    bool refuse = false;
    int refused = 0;
};

template <class M>
Buffer Bytes(const M& message) {
    auto encoded = msg::Encode(message);
    EXPECT_TRUE(encoded.has_value());
    return encoded.value_or(Buffer{});
}

// Everything a window could show, as one text, so two states compare with a readable diff.
inline std::string Describe(const ClientState& s) {
    std::ostringstream out;
    out << std::setprecision(9);
    out << "MyID " << s.MyID() << "\nroster";
    for (const auto& e : s.PlayerRoster())
        out << " [" << e.id << ' ' << e.name << ']';
    out << "\nseats";
    for (const auto& r : s.Seats()) {
        out << " [" << r.PlayerIndex << '|' << r.PlayerName << '|' << r.PlayerWins << '|'
            << r.PlayerMisses << ']';
    }
    const auto& l = s.Lobby();
    out << "\nlobby " << l.lblGameType << '|' << l.lblLimit << '|' << l.lblPRdy << '|' << l.lblNOP
        << '|' << l.frameVisible << l.frameEnabled << l.cmdRdyEnabled << l.cmdJoinEnabled
        << l.cmdSpectateEnabled;
    out << "\nchat " << s.Chat().Revision() << ' ' << s.Chat().Text();
    const auto lines = [&out](const char* name, const std::vector<arena::Line>& ls) {
        out << '\n' << name;
        for (const auto& x : ls) {
            out << " (" << x.x1 << ',' << x.y1 << ',' << x.x2 << ',' << x.y2 << ',' << x.visible
                << ')';
        }
    };
    lines("segments", s.Arena().segments);
    lines("barriers", s.Arena().barriers);
    lines("players", s.Arena().players);
    out << "\nready " << s.ArenaReady() << " timer2 " << s.Timer2Running();
    const auto& b = s.Ball();
    out << "\nball " << b.left << ',' << b.top << ',' << b.direction;
    return out.str();
}

inline msg::Roster RosterOf(std::vector<msg::RosterEntry> entries) {
    return {std::move(entries)};
}

// Seats by identifier text, with wins "0" and misses "0".
inline msg::Scoreboard ScoreboardOf(std::vector<std::string> ids) {
    msg::Scoreboard board;
    for (auto& id : ids) {
        board.seats.push_back({std::move(id), "0", "0"});
    }
    return board;
}

class ClientTest : public ::testing::Test {
  protected:
    void Receive(const Buffer& bytes) { state.HandleMessage(bytes); }
    template <class M>
    void Receive(const M& message) {
        Receive(Bytes(message));
    }

    // We are `myId` (the newest of the roster) seated at the given identifiers' seats.
    void JoinAs(std::int32_t myId, std::vector<std::string> seatIds) {
        Receive(RosterOf({{"Anna", 11}, {"Bert", 22}, {"Me", myId}}));
        Receive(ScoreboardOf(std::move(seatIds)));
    }

    // The lobby shown, as after the first GameSettings.
    void OpenLobby() { Receive(msg::GameSettings{msg::kGamePoints, "3"}); }

    RecordingOutbox outbox;
    ClientState state{outbox};
};

}  // namespace quorvex::client::testing

#pragma once

// A ClientState wired to a recording outbox, plus builders for the server's messages.

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "client/state/client_state.h"
#include "protocol/messages.h"
#include "tests/support/recording_outbox.h"

namespace quorvex::client::testing {

using test::Bytes;
using test::RecordingOutbox;

// The seat table's rows as "[index|name|wins|misses]", space-separated.
inline std::string SeatsText(const ClientState& s) {
    std::string out;
    for (const auto& r : s.Seats())
        out += (out.empty() ? "[" : " [") + r.PlayerIndex + '|' + r.PlayerName + '|' +
               r.PlayerWins + '|' + r.PlayerMisses + ']';
    return out;
}

// Everything a window could show, as one text, so "nothing changed" compares with a diff.
inline std::string Describe(const ClientState& s) {
    std::ostringstream out;
    out << "MyID " << s.MyID() << " roster";
    for (const auto& e : s.PlayerRoster())
        out << ' ' << e.id << '=' << e.name;
    out << "\nseats " << SeatsText(s);
    const auto& l = s.Lobby();
    out << "\nlobby " << l.lblGameType << '|' << l.lblLimit << '|' << l.lblPRdy << '|' << l.lblNOP
        << '|' << l.frameVisible << l.cmdRdyEnabled << l.cmdJoinEnabled << l.cmdSpectateEnabled
        << "\nchat " << s.Chat().Text() << "\npaddles";
    for (const auto& p : s.Arena().players)
        out << " (" << p.x1 << ',' << p.y1 << ',' << p.x2 << ',' << p.y2 << ')';
    out << "\nball " << s.Ball().left << ',' << s.Ball().top << ',' << s.Ball().direction;
    return out.str();
}

// Seats by identifier text, with wins "0" and misses "0".
inline msg::Scoreboard ScoreboardOf(const std::vector<std::string>& ids) {
    msg::Scoreboard board;
    for (const auto& id : ids)
        board.seats.push_back({id, "0", "0"});
    return board;
}

class ClientTest : public ::testing::Test {
  protected:
    void Receive(const Buffer& bytes) { state.HandleMessage(bytes); }
    template <class M>
    void Receive(const M& message) {
        Receive(Bytes(message));
    }
    // We are `myId`, the newest of the roster, with seats at the given identifiers.
    void JoinAs(std::int32_t myId, const std::vector<std::string>& seatIds) {
        Receive(msg::Roster{{{"Anna", 11}, {"Bert", 22}, {"Me", myId}}});
        Receive(ScoreboardOf(seatIds));
    }
    void OpenLobby() { Receive(msg::GameSettings{msg::kGamePoints, "3"}); }

    RecordingOutbox outbox;
    ClientState state{outbox};
};

}  // namespace quorvex::client::testing

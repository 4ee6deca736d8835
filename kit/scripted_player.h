#pragma once

// A scripted player for load: the real client end of the session service, a paddle report
// every 100 ms, and now and then a bounce in answer to a BallUpdate, as a real
// client reports the ball meeting a wall. It records when each BallUpdate reached it, and
// carries a sequence number in its paddle reports so that every bot can check that it gets
// every other bot's reports once and in order.

#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/session/session_client.h"

namespace quorvex::kit {

// Every bot's paddle reports, by seat and sequence number: when each was sent, when its last
// copy reached a bot and how many bots got it; and what the bots found wrong in the order.
struct PaddleLedger {
    struct Report {
        std::int64_t sentNs = 0;
        std::int64_t lastArrivalNs = 0;
        int copies = 0;
    };
    explicit PaddleLedger(int seats) : reports(static_cast<std::size_t>(seats)) {}
    std::vector<std::vector<Report>> reports;  // [seat][sequence number]
    long missing = 0;                          // skipped over, or never arrived by the end
    long repeated = 0;   // a number at or below one already seen from that seat
    long malformed = 0;  // a paddle report without a readable seat and number
};

struct Arrival {
    std::int64_t ns;  // CLOCK_MONOTONIC when the bot's handler saw it
    std::string key;  // left, top and angle: what the server stamped the tick with
};

class ScriptedPlayer : public session::SessionEvents {
  public:
    ScriptedPlayer(int index, quint16 port, PaddleLedger& ledger);

    bool Connected() const { return connected_; }
    bool Lost() const { return lost_; }
    bool Seated() const { return seat_ >= 0; }
    // Seated, and the seat table it last saw had `seats` rows.
    bool SeatedAmong(std::size_t seats) const { return seat_ >= 0 && seatsSeen_ == seats; }
    // Paddle reports start after `phaseMs`, then every 100 ms.
    void StartPlaying(int phaseMs);
    void StopPlaying() { paddleTimer_.stop(); }
    // Whether every report sent so far has reached this bot.
    bool CaughtUp() const;
    // After play has stopped and the last reports had time to arrive: counts, into the
    // ledger, every report that this bot never saw.
    void CountMissing();
    void Close();

    // Counting and recording only happen while this is set.
    static bool recording;
    long sent = 0;      // messages sent to the server
    long bounces = 0;   // of which BallEvents
    long received = 0;  // messages received from the server
    std::vector<Arrival> arrivals;

    void ConnectComplete(const session::Status& result) override;
    void Receive(session::PlayerId from, ByteView message) override;
    void TerminateSession() override { lost_ = true; }

  private:
    void SendPaddle();
    bool Send(const Buffer& message, bool bounce);
    void AnswerBall(ByteView message);
    void CheckPaddle(ByteView message, std::int64_t now);

    int index_;
    PaddleLedger& ledger_;
    std::vector<long> lastSeen_;  // by seat: the last sequence number that arrived, or -1
    session::SessionClient client_;
    QTimer paddleTimer_;
    bool connected_ = false;
    bool lost_ = false;
    int seat_ = -1;
    std::size_t seatsSeen_ = 0;
};

}  // namespace quorvex::kit

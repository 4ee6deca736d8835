#pragma once

// One scripted player for the load bench: the real client end of the session service, a
// paddle report every 100 ms, and now and then a bounce in answer to a BallUpdate, as a real
// client reports the ball meeting a wall. It records when each BallUpdate reached it.

#include <QTimer>

#include <cstdint>
#include <string>
#include <vector>

#include "protocol/session/session_client.h"

namespace quorvex::bench {

struct Arrival {
    std::int64_t ns;  // CLOCK_MONOTONIC when the bot's handler saw it
    std::string key;  // left, top and angle: what the server stamped the tick with
};

class LoadBot : public session::SessionEvents {
  public:
    LoadBot(int index, quint16 port);

    bool Connected() const { return connected_; }
    bool Lost() const { return lost_; }
    // Seated, and the seat table it last saw had `seats` rows.
    bool SeatedAmong(std::size_t seats) const { return seat_ >= 0 && seatsSeen_ == seats; }
    // Paddle reports start after `phaseMs`, then every 100 ms.
    void StartPlaying(int phaseMs);
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
    void Send(const Buffer& message, bool bounce);
    void AnswerBall(ByteView message);

    int index_;
    session::SessionClient client_;
    QTimer paddleTimer_;
    bool connected_ = false;
    bool lost_ = false;
    int seat_ = -1;
    std::size_t seatsSeen_ = 0;
};

}  // namespace quorvex::bench

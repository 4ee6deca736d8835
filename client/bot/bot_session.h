#pragma once

// A computer player on the real session: connects like any client, feeds what arrives to its
// rules with the time, runs its 100 ms paddle report and its Ready pause on timers, and ends
// when asked to leave, when the server removes it, or when the server goes.

#include <QElapsedTimer>
#include <QTimer>

#include <cstdint>
#include <functional>

#include "client/bot/bot_options.h"
#include "client/bot/computer_player.h"
#include "protocol/outbox.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_client.h"

namespace quorvex::client::bot {

class BotSession : public session::SessionEvents, public Outbox {
  public:
    BotSession(const BotOptions& options, std::uint32_t seed, session::Limits limits = {});
    ~BotSession() override;
    BotSession(const BotSession&) = delete;
    BotSession& operator=(const BotSession&) = delete;

    // Starts connecting; false (and the end reported) when it cannot even start.
    bool Start();
    // Leaves as a person closing the window does: PlayerLeft, and after the exit delay the
    // session closes and the program ends.
    void Leave();

    bool Send(const Buffer& message) override;
    void ConnectComplete(const session::Status& result) override;
    void TerminateSession() override;
    void Receive(session::PlayerId from, ByteView message) override;

  private:
    std::int64_t Now() const { return clock_.elapsed(); }
    void ArmReady();
    void CloseSession();
    void End(int exitCode, const std::string& why = {});

    BotOptions options_;
    session::SessionClient link_;
    ComputerPlayer player_;
    QElapsedTimer clock_;
    QTimer timer2_;
    QTimer ready_;
    QTimer timer1_;
    bool ended_ = false;
};

}  // namespace quorvex::client::bot

// A player of the resume harness: the client's real link (it comes back by itself after a lost
// connection, and keeps its ticket in the settings under XDG_CONFIG_HOME, so a restarted one
// comes back too) with the real client rules, reporting as it goes, one line each, with the
// monotonic clock in milliseconds:
//   JOINED <ms> <id>           RECONNECTING <ms>        RESUMED <ms> <id>
//   STATE <ms> <id> <seat> <wins> <misses>   (after every seat table)
//   LEFT <ms> <id>             LOST <ms> <notice in the chat log 0|1>
//   resume_player <host> <port> <name>

#include <QCoreApplication>

#include <chrono>
#include <cstdio>

#include "client/link/remembered_choices.h"
#include "client/link/server_link.h"
#include "client/state/client_texts.h"
#include "ui/standard_error_prompter.h"

using namespace quorvex;
using namespace quorvex::client;

namespace {

long long Ms() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

class Reporter : public LinkPlayer {
  public:
    Reporter(std::int32_t port, const std::string& host, const std::string& name)
        : link_(*this, prompts_, port), state_(link_) {
        StartOptions start;
        start.host = host;
        start.name = name;
        start.loadTicket = LoadTicket;
        start.saveTicket = SaveTicket;
        link_.SetStartOptions(start);
    }
    bool Start() { return link_.SessionInit() && link_.ConnectToHost(); }

    ClientState& State() override { return state_; }
    void OnMessage(ByteView message, std::int64_t /*nowMs*/) override {
        state_.HandleMessage(message);
        if (const auto left = msg::Decode<msg::PlayerLeft>(message)) {
            Say("LEFT %lld %d\n", Ms(), left->id);
        }
        if (!joined_ && state_.MyID() != 0) {
            joined_ = true;
            Say("JOINED %lld %d\n", Ms(), state_.MyID());
        }
        if (msg::Decode<msg::Scoreboard>(message) && state_.PlayerID() >= 0) {
            const auto& row = state_.Seats()[static_cast<std::size_t>(state_.PlayerID())];
            Say("STATE %lld %d %d %s %s\n", Ms(), state_.MyID(), state_.PlayerID(),
                row.PlayerWins.c_str(), row.PlayerMisses.c_str());
        }
    }
    void OnTimer2(std::int64_t /*nowMs*/) override { state_.Timer2_Timer(); }
    void OnLost() override {
        const bool notice = state_.Chat().Text().find(kConnectionLostNotice) != std::string::npos;
        Say("LOST %lld %d\n", Ms(), notice ? 1 : 0);
    }
    void OnReconnecting() override { Say("RECONNECTING %lld\n", Ms()); }
    void OnResumed() override {
        joined_ = true;
        Say("RESUMED %lld %d\n", Ms(), state_.MyID());
    }

  private:
    template <typename... Args>
    static void Say(const char* format, Args... args) {
        std::printf(format, args...);
        std::fflush(stdout);
    }

    StandardErrorPrompter prompts_;
    ServerLink link_;
    ClientState state_;
    bool joined_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr, "usage: resume_player host port name\n");
        return 2;
    }
    Reporter player(std::atoi(argv[2]), argv[1], argv[3]);
    if (!player.Start()) {
        return 1;
    }
    return app.exec();
}

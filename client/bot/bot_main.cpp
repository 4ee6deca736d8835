#include "client/bot/bot_main.h"

#include <QCoreApplication>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <random>

#include "client/bot/computer_player.h"
#include "client/link/server_link.h"
#include "ui/signal_events.h"
#include "ui/standard_error_prompter.h"

namespace quorvex::client::bot {
namespace {

// Nobody to ask: questions go unanswered, and a failure box is a line on standard error.
class NoPrompts : public StandardErrorPrompter {
  public:
    void ShowMessage(const std::string& text) override {
        std::fprintf(stderr, "quorvex-client: %s\n", text.c_str());
    }
};

// A computer player on the link: it feeds what arrives to its rules with the time, presses
// Ready on a timer, and ends when the server removes it or goes.
class LinkedComputerPlayer : public LinkPlayer {
  public:
    LinkedComputerPlayer(const BotOptions& options, std::uint32_t seed)
        : link_(*this, prompts_, options.port), player_(link_, options.name, options.skill, seed) {
        StartOptions start;
        start.host = options.host;
        start.name = options.name;
        start.password = options.password;
        link_.SetStartOptions(start);
        ready_.setSingleShot(true);
        QObject::connect(&ready_, &QTimer::timeout, [this] {
            player_.PressReadyIfDue(link_.Now());
            ArmReady();  // a timer that fired a little early tries again
        });
    }

    // False when it could not even start connecting (and the end is reported).
    bool Start() { return link_.SessionInit() && link_.ConnectToHost(); }
    // As a person closing the window: PlayerLeft, and after the exit delay the end.
    void Leave() {
        ready_.stop();
        link_.Leave();
    }

    ClientState& State() override { return player_.State(); }
    void OnMessage(ByteView message, std::int64_t nowMs) override {
        player_.OnMessage(message, nowMs);
        if (player_.Removed()) {
            // Kicked: the server has already let us go, so no PlayerLeft of our own.
            link_.End(0);
            return;
        }
        ArmReady();
    }
    void OnTimer2(std::int64_t nowMs) override { player_.OnTimer2(nowMs); }
    // The server is gone: there is nobody left to play with or to say goodbye to.
    void OnLost() override { link_.End(0); }

  private:
    void ArmReady() {
        const auto due = player_.ReadyDueAt();
        if (!due || link_.Ended()) {
            ready_.stop();
            return;
        }
        ready_.start(static_cast<int>(std::max<std::int64_t>(0, *due - link_.Now())));
    }

    NoPrompts prompts_;
    ServerLink link_;
    ComputerPlayer player_;
    QTimer ready_;
};

}  // namespace

int RunComputerPlayer(int argc, char** argv, const BotOptions& options) {
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("quorvex-client"));
    LinkedComputerPlayer bot(options, std::random_device{}());
    const SignalEvents signal({SIGINT, SIGTERM}, [&bot](int) { bot.Leave(); });
    if (!bot.Start()) {
        return 1;
    }
    return QCoreApplication::exec();
}

}  // namespace quorvex::client::bot

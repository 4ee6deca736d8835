// A player of the fault harness: the real client end of the session and the real client
// rules (they answer the ball), sending a numbered chat line every 500 ms and a numbered
// paddle report every 100 ms from the moment `players` are in the roster (a message to all
// reaches only those present) until `send seconds`, then listening until `total seconds`.
//   fault_player <host> <port> <name> <players> <send seconds> <total seconds>
// Prints at the end:
//   SENT <chat lines> <paddle reports>
//   HEARD <sender> <chat count> <chat once and in order 0|1> <paddle count> <in order 0|1>
//   BALLS <ms between ball reports>...
//   LOST <0|1> <ms since start> <lost-connection notice in the chat log 0|1>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "client/state/client_state.h"
#include "client/state/client_texts.h"
#include "protocol/messages.h"
#include "protocol/session/session_client.h"

using namespace quorvex;

namespace {

// Whether `numbers` is 0, 1, 2, ... with nothing missing, repeated or out of place.
bool Consecutive(const std::vector<int>& numbers) {
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (numbers[i] != static_cast<int>(i)) {
            return false;
        }
    }
    return true;
}

class Player : public session::SessionEvents, public Outbox {
  public:
    Player(const std::string& host, int port, std::string name, std::size_t players)
        : name_(std::move(name)), players_(players), state_(*this) {
        clock_.start();
        state_.SetMyName(name_);
        client_.RegisterMessageHandler(this);
        session::ConnectScripted(client_, name_, host, port);
        QObject::connect(&chatTimer_, &QTimer::timeout, [this] {
            if (Send(*msg::Encode(msg::Chat{name_ + ":>" + std::to_string(chatSent_)}))) {
                ++chatSent_;
            }
        });
        QObject::connect(&paddleTimer_, &QTimer::timeout, [this] {
            const auto report =
                msg::PaddleUpdate{"9", std::to_string(paddleSent_), name_, "0", "0"};
            if (Send(*msg::Encode(report))) {
                ++paddleSent_;
            }
        });
    }
    void StopSending() {
        stopped_ = true;
        chatTimer_.stop();
        paddleTimer_.stop();
    }
    void Report() const {
        std::printf("SENT %d %d\n", chatSent_, paddleSent_);
        for (const auto& [sender, numbers] : chat_) {
            const auto& paddles = paddles_.count(sender) ? paddles_.at(sender) : std::vector<int>{};
            std::printf("HEARD %s %zu %d %zu %d\n", sender.c_str(), numbers.size(),
                        Consecutive(numbers) ? 1 : 0, paddles.size(), Consecutive(paddles) ? 1 : 0);
        }
        std::printf("BALLS");
        for (std::size_t i = 1; i < balls_.size(); ++i) {
            std::printf(" %lld", static_cast<long long>(balls_[i] - balls_[i - 1]));
        }
        const bool notice =
            state_.Chat().Text().find(client::kConnectionLostNotice) != std::string::npos;
        std::printf("\nLOST %d %lld %d\n", lostAt_ >= 0 ? 1 : 0, static_cast<long long>(lostAt_),
                    notice ? 1 : 0);
        std::fflush(stdout);
    }

    bool Send(const Buffer& message) override { return client_.Send(message).Ok(); }
    void ConnectComplete(const session::Status& result) override {
        state_.OnConnectComplete(result.Ok());
        if (!result.Ok()) {
            std::fprintf(stderr, "%s: %s\n", name_.c_str(), session::ErrorText(result).c_str());
        }
    }
    void Receive(session::PlayerId /*from*/, ByteView message) override {
        if (const auto chat = msg::Decode<msg::Chat>(message)) {
            const auto mark = chat->line.find(":>");
            chat_[chat->line.substr(0, mark)].push_back(std::stoi(chat->line.substr(mark + 2)));
            return;
        }
        if (const auto paddle = msg::Decode<msg::PaddleUpdate>(message);
            paddle && paddle->seat == "9") {
            paddles_[paddle->y1].push_back(std::stoi(paddle->x1));
            return;
        }
        if (const auto roster = msg::Decode<msg::Roster>(message);
            roster && roster->entries.size() >= players_ && !stopped_ && !chatTimer_.isActive()) {
            chatTimer_.start(500);
            paddleTimer_.start(100);
        }
        if (!message.empty() && message[0] == static_cast<std::uint8_t>(msg::Type::BallUpdate)) {
            balls_.push_back(clock_.elapsed());
        }
        state_.HandleMessage(message);
    }
    void TerminateSession() override {
        lostAt_ = clock_.elapsed();
        state_.OnTerminateSession();
        StopSending();
    }

  private:
    std::string name_;
    std::size_t players_;
    bool stopped_ = false;
    session::SessionClient client_;
    client::ClientState state_;
    QElapsedTimer clock_;
    QTimer chatTimer_;
    QTimer paddleTimer_;
    int chatSent_ = 0;
    int paddleSent_ = 0;
    std::map<std::string, std::vector<int>> chat_;
    std::map<std::string, std::vector<int>> paddles_;
    std::vector<qint64> balls_;
    qint64 lostAt_ = -1;
};

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: fault_player host port name players send-seconds total-seconds\n");
        return 2;
    }
    Player player(argv[1], std::atoi(argv[2]), argv[3],
                  static_cast<std::size_t>(std::atoi(argv[4])));
    QTimer::singleShot(std::atoi(argv[5]) * 1000, [&] { player.StopSending(); });
    QTimer::singleShot(std::atoi(argv[6]) * 1000, [&] {
        player.Report();
        app.quit();
    });
    return app.exec();
}

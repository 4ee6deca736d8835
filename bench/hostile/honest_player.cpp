// An honest player of the hostile-player harness: the real client end of the session and the
// real client rules, so it answers the ball, reports its paddle every 100 ms and presses Ready
// whenever the lobby lets it, as a person at a client would. It measures what reaches it while
// an attack runs elsewhere.
//   honest_player <host> <port> <name> --from MS --to MS --until MS [--password TEXT]
//   honest_player <host> <port> <name> --probe [--password TEXT]
// MS are CLOCK_MONOTONIC milliseconds (the harness's clock too): inbound bytes and BallUpdate
// intervals are counted between --from and --to; the program ends at --until.
// Prints at the end:
//   JOINED <0|1> <own id> <error number> <error text>
//   LOST <0|1> <monotonic ms of the loss>
//   INBOUND <bytes, frame headers included> <ms measured>
//   BALLS <count in the window> <ms between consecutive BallUpdates in the window>...
//   READY <lowest> <highest> tally seen (or READY none)
//   LARGEST <most seats in one Scoreboard> <most entries in one Roster>
//   HEARD <monotonic ms> <chat line as hex>   (at most kMaxHeard of them)
// A probe only joins, prints PROBE ok <id> or PROBE failed <error number> <error text>, and
// leaves as a closing client does.

#include <QCoreApplication>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "client/state/client_state.h"
#include "kit/figures.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"
#include "protocol/session/session_client.h"

using namespace quorvex;

namespace {

constexpr std::size_t kMaxHeard = 1000;
constexpr std::size_t kFrameHeaderBytes = 5;  // length and kind in front of every message

std::int64_t MonotonicMs() {
    // steady_clock is CLOCK_MONOTONIC on Linux, the clock the harness reads in Python.
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

std::string Hex(const std::string& text) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        hex += kDigits[byte >> 4];
        hex += kDigits[byte & 15];
    }
    return hex.empty() ? "-" : hex;
}

struct Window {
    std::int64_t from = 0;
    std::int64_t to = 0;
    bool Holds(std::int64_t ms) const { return ms >= from && ms < to; }
};

class HonestPlayer : public session::SessionEvents, public Outbox {
  public:
    HonestPlayer(std::string name, Window window, bool probe)
        : name_(std::move(name)), window_(window), probe_(probe), state_(*this) {
        state_.SetMyName(name_);
        client_.RegisterMessageHandler(this);
        QObject::connect(&paddleTimer_, &QTimer::timeout, [this] { state_.Timer2_Timer(); });
    }

    void Connect(const std::string& host, int port, const std::optional<std::string>& password) {
        if (password) {
            client_.SetPassword(*password);
        }
        const auto status = session::ConnectScripted(client_, name_, host, port);
        if (!status.Ok()) {
            ConnectComplete(status);
        }
    }

    void Report() const {
        std::printf("JOINED %d %d %d %s\n", joined_ ? 1 : 0, client_.LocalPlayerId(),
                    static_cast<int>(error_.code), Hex(error_.description).c_str());
        std::printf("LOST %d %lld\n", lostAt_ >= 0 ? 1 : 0, static_cast<long long>(lostAt_));
        std::printf("INBOUND %lld %lld\n", static_cast<long long>(inboundBytes_),
                    static_cast<long long>(window_.to - window_.from));
        std::printf("BALLS %zu", ballsInWindow_);
        for (std::size_t i = 1; i < balls_.size(); ++i) {
            std::printf(" %lld", static_cast<long long>(balls_[i] - balls_[i - 1]));
        }
        std::printf("\n");
        if (readyLow_) {
            std::printf("READY %.0f %.0f\n", *readyLow_, *readyHigh_);
        } else {
            std::printf("READY none\n");
        }
        std::printf("LARGEST %zu %zu\n", mostSeats_, mostRoster_);
        for (const auto& [at, line] : heard_) {
            std::printf("HEARD %lld %s\n", static_cast<long long>(at), Hex(line).c_str());
        }
        std::fflush(stdout);
    }

    bool Send(const Buffer& message) override { return client_.Send(message).Ok(); }

    void ConnectComplete(const session::Status& result) override {
        joined_ = result.Ok();
        error_ = result;
        state_.OnConnectComplete(result.Ok());
        if (probe_) {
            if (result.Ok()) {
                std::printf("PROBE ok %d\n", client_.LocalPlayerId());
                // Leaves once it knows its own identifier (from the first Roster), as a
                // closing client does, so its row goes at once.
                QTimer::singleShot(2000, [] { QCoreApplication::quit(); });
            } else {
                std::printf("PROBE failed %d %s\n", static_cast<int>(result.code),
                            Hex(result.description).c_str());
                QCoreApplication::quit();
            }
            std::fflush(stdout);
            return;
        }
        if (result.Ok()) {
            paddleTimer_.start(client::kTimer2Interval);
        }
    }

    void Receive(session::PlayerId /*from*/, ByteView message) override {
        const std::int64_t now = MonotonicMs();
        const bool measured = window_.Holds(now);
        if (measured) {
            inboundBytes_ += static_cast<std::int64_t>(message.size() + kFrameHeaderBytes);
        }
        Note(message, now, measured);
        state_.HandleMessage(message);
        if (probe_) {
            if (state_.MyID() != 0 && !state_.Exiting()) {
                state_.BeginExit();
                QTimer::singleShot(300, [] { QCoreApplication::quit(); });
            }
            return;
        }
        const auto& lobby = state_.Lobby();
        if (lobby.frameVisible && lobby.frameEnabled && lobby.cmdRdyEnabled &&
            state_.PlayerID() >= 0) {
            state_.cmdRdy_Click();
        }
    }

    void TerminateSession() override {
        lostAt_ = MonotonicMs();
        paddleTimer_.stop();
        state_.OnTerminateSession();
    }

  private:
    void Note(ByteView message, std::int64_t now, bool measured) {
        const auto type = msg::PeekType(message);
        if (!type) {
            return;
        }
        switch (static_cast<msg::Type>(*type)) {
            case msg::Type::BallUpdate:
                if (measured) {
                    ++ballsInWindow_;
                    balls_.push_back(now);
                }
                break;
            case msg::Type::Chat:
                if (const auto chat = msg::Decode<msg::Chat>(message);
                    chat && heard_.size() < kMaxHeard) {
                    heard_.emplace_back(now, chat->line);
                }
                break;
            case msg::Type::Ready:
                if (const auto tally = msg::Decode<msg::ReadyTally>(message)) {
                    if (const auto count = NumericValue(tally->count)) {
                        readyLow_ = std::min(readyLow_.value_or(*count), *count);
                        readyHigh_ = std::max(readyHigh_.value_or(*count), *count);
                    }
                }
                break;
            case msg::Type::Scoreboard:
                if (const auto board = msg::Decode<msg::Scoreboard>(message)) {
                    mostSeats_ = std::max(mostSeats_, board->seats.size());
                }
                break;
            case msg::Type::Roster:
                if (const auto roster = msg::Decode<msg::Roster>(message)) {
                    mostRoster_ = std::max(mostRoster_, roster->entries.size());
                }
                break;
            default:
                break;
        }
    }

    std::string name_;
    Window window_;
    bool probe_;
    session::SessionClient client_;
    client::ClientState state_;
    QTimer paddleTimer_;
    bool joined_ = false;
    session::Status error_ = session::Status::Success();
    std::int64_t lostAt_ = -1;
    std::int64_t inboundBytes_ = 0;
    std::size_t ballsInWindow_ = 0;
    std::vector<std::int64_t> balls_;
    std::optional<double> readyLow_;
    std::optional<double> readyHigh_;
    std::size_t mostSeats_ = 0;
    std::size_t mostRoster_ = 0;
    std::vector<std::pair<std::int64_t, std::string>> heard_;
};

// "--name value" from the command line, or nothing.
std::optional<std::string> Option(int argc, char** argv, const std::string& name) {
    for (int i = 4; i + 1 < argc; ++i) {
        if (argv[i] == name) {
            return std::string(argv[i + 1]);
        }
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: honest_player host port name --from MS --to MS --until MS "
                     "[--password TEXT]\n"
                     "       honest_player host port name --probe [--password TEXT]\n");
        return 2;
    }
    const bool probe = quorvex::kit::Flag(argc, argv, "--probe");
    const auto from = Option(argc, argv, "--from");
    const auto to = Option(argc, argv, "--to");
    const auto until = Option(argc, argv, "--until");
    if (!probe && (!from || !to || !until)) {
        std::fprintf(stderr, "honest_player: --from, --to and --until are needed\n");
        return 2;
    }
    const Window window{probe ? 0 : std::atoll(from->c_str()), probe ? 0 : std::atoll(to->c_str())};
    HonestPlayer player(argv[3], window, probe);
    player.Connect(argv[1], std::atoi(argv[2]), Option(argc, argv, "--password"));
    if (probe) {
        // A join that neither succeeds nor fails within this is reported as such.
        QTimer::singleShot(10'000, [] {
            std::printf("PROBE failed -1 %s\n", Hex("no answer within 10 s").c_str());
            std::fflush(stdout);
            QCoreApplication::quit();
        });
        return app.exec();
    }
    const std::int64_t left = std::max<std::int64_t>(0, std::atoll(until->c_str()) - MonotonicMs());
    QTimer::singleShot(static_cast<int>(left), [&] {
        player.Report();
        app.quit();
    });
    return app.exec();
}

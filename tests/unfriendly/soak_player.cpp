#include "tests/unfriendly/soak_player.h"

#include "protocol/messages.h"
#include "protocol/session/limits.h"

namespace quorvex::soak {

namespace {

// Keep-alives often enough that a stalled server is noticed within the test's time.
session::Limits PlayerLimits() {
    session::Limits limits;
    limits.heartbeatIntervalMs = 100;
    limits.peerTimeoutMs = 3000;
    return limits;
}

}  // namespace
namespace {

constexpr char kLineWord[] = ":>line ";

}  // namespace

SoakPlayer::SoakPlayer(quint16 port, std::string name)
    : name_(std::move(name)), client_(PlayerLimits()), state_(*this) {
    state_.SetMyName(name_);
    client_.RegisterMessageHandler(this);
    session::ConnectScripted(client_, name_, "127.0.0.1", port);
    paddleTimer_.setInterval(100);
    QObject::connect(&paddleTimer_, &QTimer::timeout, [this] { state_.Timer2_Timer(); });
    QObject::connect(&chatTimer_, &QTimer::timeout, [this] {
        const std::string line = "line " + std::to_string(linesSent_) + " " +
                                 std::string(padding_, static_cast<char>('a' + linesSent_ % 26));
        if (state_.txtSend_KeyDown(client::kEnterKey, line)) {
            ++linesSent_;
        }
    });
}

void SoakPlayer::StartChatting(int everyMs, std::size_t padding) {
    padding_ = padding;
    chatTimer_.start(everyMs);
}

bool SoakPlayer::Send(const Buffer& message) {
    return client_.Send(message, 0, session::kSendGuaranteed | session::kSendNoLoopback).Ok();
}

void SoakPlayer::ConnectComplete(const session::Status& result) {
    connected_ = result.Ok();
    lost_ = !result.Ok();
    state_.OnConnectComplete(result.Ok());
    if (connected_) {
        paddleTimer_.start();
    }
}

void SoakPlayer::Receive(session::PlayerId /*from*/, ByteView message) {
    if (const auto chat = msg::Decode<msg::Chat>(message)) {
        chat_.push_back(chat->line);
    }
    state_.HandleMessage(message);
}

void SoakPlayer::TerminateSession() {
    lost_ = true;
    state_.OnTerminateSession();
}

std::vector<int> NumbersFrom(const std::vector<std::string>& lines, const std::string& sender) {
    const std::string prefix = sender + kLineWord;
    std::vector<int> numbers;
    for (const auto& line : lines) {
        if (line.rfind(prefix, 0) == 0) {
            numbers.push_back(std::stoi(line.substr(prefix.size())));
        }
    }
    return numbers;
}

}  // namespace quorvex::soak

#include "bench/session_vs_enet/ours_peers.h"

#include <algorithm>
#include <memory>
#include <string>

#include "bench/session_vs_enet/wire.h"
#include "kit/figures.h"
#include "kit/loop.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_client.h"

namespace quorvex::bench::compare {
namespace {

class Player : public session::SessionEvents {
  public:
    explicit Player(quint16 port) {
        client.RegisterMessageHandler(this);
        session::ConnectScripted(client, "bench", "127.0.0.1", port);
    }
    void ConnectComplete(const session::Status& result) override {
        connected = result.Ok();
        failed = !result.Ok();
        if (connected) {
            OnConnected();
        }
    }
    void TerminateSession() override { failed = true; }
    virtual void OnConnected() {}
    void Send(const std::vector<std::uint8_t>& bytes) { client.Send(bytes); }

    session::SessionClient client;
    bool connected = false;
    bool failed = false;
};

class Pinger : public Player {
  public:
    Pinger(quint16 port, int total) : Player(port), total_(total) {}
    void OnConnected() override { Ping(); }
    void Receive(session::PlayerId, ByteView message) override {
        if (message.empty() || message[0] != kPing) {
            return;
        }
        samples.push_back(static_cast<double>(MonotonicNs() - sentAt_) / 1000.0);
        if (static_cast<int>(samples.size()) < total_) {
            Ping();
        }
    }
    bool Done() const { return failed || static_cast<int>(samples.size()) >= total_; }
    std::vector<double> samples;

  private:
    void Ping() {
        const auto bytes = Message(kPing, static_cast<std::uint32_t>(samples.size()));
        sentAt_ = MonotonicNs();
        Send(bytes);
    }
    int total_;
    std::int64_t sentAt_ = 0;
};

class Receiver : public Player {
  public:
    Receiver(quint16 port, std::uint32_t total) : Player(port), total_(total) {}
    void Receive(session::PlayerId, ByteView message) override {
        if (message.empty() || message[0] != kFanOut) {
            return;
        }
        ++count;
        if (count % kAckEvery == 0 || count == total_) {
            Send(Message(kAck, count));
        }
    }
    bool Done() const { return failed || count >= total_; }
    std::uint32_t count = 0;

  private:
    std::uint32_t total_;
};

}  // namespace

std::vector<double> OursRoundTrips(quint16 port, int count, int warmUp, int timeoutMs) {
    Pinger pinger(port, count + warmUp);
    if (!kit::RunUntil([&] { return pinger.Done(); }, timeoutMs) || pinger.failed) {
        return {};
    }
    return {pinger.samples.begin() + warmUp, pinger.samples.end()};
}

double OursFanOut(quint16 port, std::uint32_t total, const std::function<void()>& start,
                  int timeoutMs) {
    std::vector<std::unique_ptr<Receiver>> receivers;
    for (int i = 0; i < kReceivers; ++i) {
        receivers.push_back(std::make_unique<Receiver>(port, total));
    }
    const auto all = [&](auto&& holds) {
        for (const auto& r : receivers) {
            if (!holds(*r)) {
                return false;
            }
        }
        return true;
    };
    if (!kit::RunUntil([&] { return all([](const Receiver& r) { return r.connected; }); },
                       std::min(timeoutMs, 10000))) {
        return -1;
    }
    const std::int64_t begin = MonotonicNs();
    start();
    if (!kit::RunUntil([&] { return all([](const Receiver& r) { return r.Done(); }); },
                       timeoutMs) ||
        !all([](const Receiver& r) { return !r.failed; })) {
        return -1;
    }
    return static_cast<double>(MonotonicNs() - begin) / 1e9;
}

}  // namespace quorvex::bench::compare

#pragma once

// The scripted player of the tests: a real client end that connects, sends what the test
// encodes and keeps every message the server sent it, decodable by type. (The benchmarks' load
// player, which keeps figures rather than messages, is ScriptedPlayer.)

#include <optional>
#include <string>
#include <vector>

#include "kit/all_of.h"
#include "kit/session_ends.h"
#include "protocol/messages.h"

namespace quorvex::kit {

class RecordingPlayer {
  public:
    // A server in another process keeps the programs' own keep-alive pace: pass its limits.
    RecordingPlayer(quint16 port, const std::string& name, session::Limits limits = FastLimits())
        : link_(port, name, limits) {}

    bool WaitConnected() { return link_.WaitConnected(); }
    session::PlayerId Id() const { return link_.client.LocalPlayerId(); }
    template <class M>
    bool Send(const M& message) {
        const auto bytes = msg::Encode(message);
        return bytes && link_.Send(*bytes);
    }
    bool SendBytes(const Buffer& bytes) { return link_.Send(bytes); }

    const std::vector<Buffer>& Received() const { return link_.events.received; }
    // Every received message of type M, in order of arrival.
    template <class M>
    std::vector<M> All() const {
        return AllOf<M>(Received());
    }
    template <class M>
    std::optional<M> Last() const {
        auto all = All<M>();
        return all.empty() ? std::nullopt : std::optional<M>(std::move(all.back()));
    }
    // The type byte of every received message, in order of arrival.
    std::vector<std::uint8_t> Types() const {
        std::vector<std::uint8_t> types;
        for (const auto& bytes : Received()) {
            types.push_back(bytes.empty() ? 0 : bytes[0]);
        }
        return types;
    }
    void Forget() { link_.events.received.clear(); }
    ConnectedClient& Link() { return link_; }

  private:
    ConnectedClient link_;
};

}  // namespace quorvex::kit

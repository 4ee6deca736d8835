#pragma once

// The person at the window: the client's state on the link. The window shows the state, feeds
// the person's input into it, and repaints whenever the link says it may have changed.

#include <functional>
#include <utility>

#include "client/link/server_link.h"

namespace quorvex::client {

class HumanPlayer : public LinkPlayer {
  public:
    explicit HumanPlayer(Prompter& prompter, std::int32_t port = session::kDefaultPort,
                         session::Limits limits = {})
        : link_(*this, prompter, port, limits), state_(link_) {}

    ServerLink& Link() { return link_; }
    ClientState& State() override { return state_; }
    const ClientState& State() const { return state_; }
    void SetChangedCallback(std::function<void()> changed) { changed_ = std::move(changed); }

    void OnMessage(ByteView message, std::int64_t /*nowMs*/) override {
        state_.HandleMessage(message);
    }
    void OnTimer2(std::int64_t /*nowMs*/) override { state_.Timer2_Timer(); }
    void Changed() override {
        if (changed_) {
            changed_();
        }
    }

  private:
    ServerLink link_;
    ClientState state_;
    std::function<void()> changed_;
};

}  // namespace quorvex::client

#pragma once

// A healthy player for the soak run: the real client end of the session and the real client
// rules (ClientState), reporting its paddle every 100 ms, answering the ball as the rules say,
// and chatting numbered lines. It records every chat line the server relays to it.

#include <QTimer>

#include <string>
#include <vector>

#include "client/state/client_state.h"
#include "protocol/session/session_client.h"

namespace quorvex::soak {

class SoakPlayer : public session::SessionEvents, public Outbox {
  public:
    SoakPlayer(quint16 port, std::string name);

    // Sends numbered lines "<name>:>line <n> <padding>", one every `everyMs`, until told to
    // stop. The padding makes the relayed traffic heavy enough to fill a stalled peer's queue.
    void StartChatting(int everyMs, std::size_t padding);
    void StopChatting() { chatTimer_.stop(); }

    bool Connected() const { return connected_; }
    bool Lost() const { return lost_; }
    const std::string& Name() const { return name_; }
    int LinesSent() const { return linesSent_; }
    const std::vector<std::string>& ChatReceived() const { return chat_; }
    const client::ClientState& State() const { return state_; }

    bool Send(const Buffer& message) override;
    void ConnectComplete(const session::Status& result) override;
    void Receive(session::PlayerId from, ByteView message) override;
    void TerminateSession() override;

  private:
    std::string name_;
    session::SessionClient client_;
    client::ClientState state_;
    QTimer paddleTimer_;
    QTimer chatTimer_;
    std::size_t padding_ = 0;
    int linesSent_ = 0;
    bool connected_ = false;
    bool lost_ = false;
    std::vector<std::string> chat_;
};

// The line numbers from `sender` among `lines`, in the order they came.
std::vector<int> NumbersFrom(const std::vector<std::string>& lines, const std::string& sender);

}  // namespace quorvex::soak

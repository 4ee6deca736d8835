#pragma once

// Real session ends on loopback with every notification recorded, for tests that drive the
// service (or the programs on top of it) from one event loop.

#include <memory>
#include <string>
#include <vector>

#include "protocol/session/session_client.h"
#include "protocol/session/session_server.h"

namespace quorvex::kit {

struct RecordedEvents : session::SessionEvents {
    void CreatePlayer(session::PlayerId id) override { created.push_back(id); }
    void DestroyPlayer(session::PlayerId id) override { destroyed.push_back(id); }
    void Receive(session::PlayerId from, ByteView message) override {
        senders.push_back(from);
        received.emplace_back(message.begin(), message.end());
    }
    void ConnectComplete(const session::Status& result) override { completions.push_back(result); }
    void TerminateSession() override { ++terminated; }

    std::vector<session::PlayerId> created;
    std::vector<session::PlayerId> destroyed;
    std::vector<session::PlayerId> senders;
    std::vector<Buffer> received;
    std::vector<session::Status> completions;
    int terminated = 0;
};

// Short time-outs so that tests about dead peers finish quickly.
session::Limits FastLimits();

struct HostedServer {
    explicit HostedServer(int maxPlayers = 11, session::Limits limits = FastLimits());
    quint16 Port() const { return server.Port(); }

    RecordedEvents events;
    session::SessionServer server;
    session::Status hosted;
};

struct ConnectedClient {
    ConnectedClient(quint16 port, const std::string& name, session::Limits limits = FastLimits(),
                    const std::string& applicationId = session::kApplicationId,
                    const std::string& host = "127.0.0.1");
    // Waits for ConnectComplete; true when it reported success.
    bool WaitConnected(int timeoutMs = 5000);
    bool Send(const Buffer& message);

    RecordedEvents events;
    session::SessionClient client;
    session::Status started;
};

}  // namespace quorvex::kit

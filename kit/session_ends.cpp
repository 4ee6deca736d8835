#include "kit/session_ends.h"

#include "kit/loop.h"

namespace quorvex::kit {

session::Limits FastLimits() {
    session::Limits limits;
    limits.handshakeTimeoutMs = 400;
    limits.connectTimeoutMs = 3000;
    limits.heartbeatIntervalMs = 100;
    limits.peerTimeoutMs = 600;
    return limits;
}

HostedServer::HostedServer(int maxPlayers, session::Limits limits) : server(limits) {
    server.RegisterMessageHandler(&events);
    session::ApplicationDesc desc{session::kApplicationId, maxPlayers, "Test session"};
    session::SessionAddress address;
    address.SetSP(session::kProviderTcpIp);
    address.AddComponentLong("port", 0);
    hosted = server.Host(desc, address);
}

ConnectedClient::ConnectedClient(quint16 port, const std::string& name, session::Limits limits,
                                 const std::string& applicationId, const std::string& host)
    : client(limits) {
    client.RegisterMessageHandler(&events);
    started = session::ConnectScripted(client, name, host, port, applicationId);
}

bool ConnectedClient::WaitConnected(int timeoutMs) {
    WaitUntil([this] { return !events.completions.empty(); }, timeoutMs);
    return !events.completions.empty() && events.completions.front().Ok();
}

bool ConnectedClient::Send(const Buffer& message) {
    return client.Send(message).Ok();
}

}  // namespace quorvex::kit

#include "bench/session_vs_enet/enet_peers.h"

#include <enet/enet.h>
#include <poll.h>

#include <algorithm>
#include <memory>

#include "bench/session_vs_enet/wire.h"
#include "kit/figures.h"

namespace quorvex::bench::compare {
namespace {

struct HostDeleter {
    void operator()(ENetHost* host) const { enet_host_destroy(host); }
};
using Host = std::unique_ptr<ENetHost, HostDeleter>;

struct Client {
    Host host;
    ENetPeer* server = nullptr;
    bool connected = false;
    std::uint32_t count = 0;
};

bool Open(Client& client, std::uint16_t port) {
    client.host.reset(enet_host_create(nullptr, 1, 1, 0, 0));
    if (!client.host) {
        return false;
    }
    ENetAddress address{};
    enet_address_set_host(&address, "127.0.0.1");
    address.port = port;
    client.server = enet_host_connect(client.host.get(), &address, 1, 0);
    return client.server != nullptr;
}

void SendReliable(Client& client, const std::vector<std::uint8_t>& bytes) {
    enet_peer_send(client.server, 0,
                   enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE));
    enet_host_flush(client.host.get());
}

// Services every client whose socket has something (and all of them now and then, for ENet's
// own timers); `onPacket` sees each received packet.
template <class OnPacket>
void ServiceAll(std::vector<Client>& clients, OnPacket&& onPacket) {
    std::vector<pollfd> fds;
    for (const auto& c : clients) {
        fds.push_back({c.host->socket, POLLIN, 0});
    }
    poll(fds.data(), fds.size(), 1);
    for (std::size_t i = 0; i < clients.size(); ++i) {
        ENetEvent event;
        while (enet_host_service(clients[i].host.get(), &event, 0) > 0) {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                clients[i].connected = true;
            } else if (event.type == ENET_EVENT_TYPE_RECEIVE) {
                onPacket(clients[i], event.packet->data, event.packet->dataLength);
                enet_packet_destroy(event.packet);
            }
        }
    }
}

template <class Done>
bool ServiceUntil(std::vector<Client>& clients, Done&& done, int timeoutMs,
                  const std::function<void(Client&, const std::uint8_t*, std::size_t)>& onPacket) {
    const std::int64_t deadline = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    while (!done()) {
        if (MonotonicNs() > deadline) {
            return false;
        }
        ServiceAll(clients, onPacket);
    }
    return true;
}

}  // namespace

std::vector<double> EnetRoundTrips(std::uint16_t port, int count, int warmUp, int timeoutMs) {
    const std::int64_t end = MonotonicNs() + std::int64_t{timeoutMs} * 1'000'000;
    if (enet_initialize() != 0) {
        return {};
    }
    std::vector<Client> clients(1);
    std::vector<double> samples;
    if (Open(clients[0], port) &&
        ServiceUntil(
            clients, [&] { return clients[0].connected; }, 5000, [](auto&, auto, auto) {})) {
        Client& c = clients[0];
        for (int i = 0; i < count + warmUp; ++i) {
            const std::int64_t sentAt = MonotonicNs();
            SendReliable(c, Message(kPing, static_cast<std::uint32_t>(i)));
            bool answered = false;
            const std::int64_t deadline = std::min(end, sentAt + 5'000'000'000);
            while (!answered && MonotonicNs() < deadline) {
                ENetEvent event;
                // Blocks in the socket wait until the echo (or ENet's own traffic) arrives.
                if (enet_host_service(c.host.get(), &event, 1) > 0 &&
                    event.type == ENET_EVENT_TYPE_RECEIVE) {
                    answered = event.packet->dataLength > 0 && event.packet->data[0] == kPing;
                    enet_packet_destroy(event.packet);
                }
            }
            if (!answered) {
                samples.clear();
                break;
            }
            if (i >= warmUp) {
                samples.push_back(static_cast<double>(MonotonicNs() - sentAt) / 1000.0);
            }
        }
        enet_peer_disconnect_now(c.server, 0);
    }
    clients.clear();
    enet_deinitialize();
    return samples;
}

double EnetFanOut(std::uint16_t port, std::uint32_t total, const std::function<void()>& start,
                  int timeoutMs) {
    if (enet_initialize() != 0) {
        return -1;
    }
    double seconds = -1;
    {
        std::vector<Client> clients(kReceivers);
        bool opened = true;
        for (auto& c : clients) {
            opened = opened && Open(c, port);
        }
        const auto all = [&](auto&& holds) {
            for (const auto& c : clients) {
                if (!holds(c)) {
                    return false;
                }
            }
            return true;
        };
        const auto onPacket = [total](Client& c, const std::uint8_t* data, std::size_t size) {
            if (size == 0 || data[0] != kFanOut) {
                return;
            }
            ++c.count;
            if (c.count % kAckEvery == 0 || c.count == total) {
                SendReliable(c, Message(kAck, c.count));
            }
        };
        if (opened && ServiceUntil(
                          clients, [&] { return all([](const Client& c) { return c.connected; }); },
                          std::min(timeoutMs, 5000), onPacket)) {
            const std::int64_t begin = MonotonicNs();
            start();
            if (ServiceUntil(
                    clients,
                    [&] { return all([total](const Client& c) { return c.count >= total; }); },
                    timeoutMs, onPacket)) {
                seconds = static_cast<double>(MonotonicNs() - begin) / 1e9;
            }
        }
        for (auto& c : clients) {
            if (c.server != nullptr) {
                enet_peer_disconnect_now(c.server, 0);
            }
        }
    }
    enet_deinitialize();
    return seconds;
}

}  // namespace quorvex::bench::compare

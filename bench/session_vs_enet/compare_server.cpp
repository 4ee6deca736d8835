// The serving end of session_vs_enet, in a process of its own:
//   compare_server ours|enet|raw
// It prints "PORT <n>", then echoes every Ping to its sender, and on the command
// "fanout <count>" (standard input) sends <count> FanOut messages to every connected player
// as fast as the receivers' counts allow. "quit" ends it. The raw echo (plain TCP) serves
// one connection and ends with it.

#include <enet/enet.h>
#include <poll.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>

#include <algorithm>
#include <cstdio>
#include <map>
#include <string>

#include "bench/session_vs_enet/raw_tcp.h"
#include "bench/session_vs_enet/wire.h"
#include "protocol/session/limits.h"
#include "protocol/session/session_server.h"

namespace quorvex::bench::compare {
namespace {

// Commands from standard input, a line at a time, without blocking.
class Commands {
  public:
    // The next complete line, if one has arrived; `closed` once the bench is gone.
    bool Next(std::string& line, bool& closed) {
        pollfd fd{STDIN_FILENO, POLLIN, 0};
        if (poll(&fd, 1, 0) > 0) {
            char chunk[256];
            const ssize_t got = read(STDIN_FILENO, chunk, sizeof chunk);
            if (got <= 0) {
                closed = true;
            } else {
                input_.append(chunk, static_cast<std::size_t>(got));
            }
        }
        const auto end = input_.find('\n');
        if (end == std::string::npos) {
            return false;
        }
        line = input_.substr(0, end);
        input_.erase(0, end + 1);
        return true;
    }

  private:
    std::string input_;
};

// Receivers' counts: how far the slowest one has got.
struct FanOut {
    FanOut() = default;
    explicit FanOut(std::uint32_t count) : total(count) {}

    std::uint32_t total = 0;
    std::uint32_t sent = 0;
    std::map<std::intptr_t, std::uint32_t> counts;

    std::uint32_t Slowest() const {
        std::uint32_t slowest = total;
        for (const auto& [who, count] : counts) {
            slowest = std::min(slowest, count);
        }
        return counts.empty() ? 0 : slowest;
    }
    bool MaySend() const { return sent < total && sent - Slowest() < kWindow; }
};

// A player's sending budget is for games; a ping-pong at full speed is far over it, and its
// pings would be dropped unread.
session::Limits Unbudgeted() {
    session::Limits limits;
    limits.messagesPerSecond = limits.messageBurst = 1e12;
    limits.bytesPerSecond = limits.byteBurst = 1e15;
    return limits;
}

class OursServer : public session::SessionEvents {
  public:
    int Run(int argc, char** argv) {
        QCoreApplication app(argc, argv);
        server_.RegisterMessageHandler(this);
        session::SessionAddress address;
        address.SetSP(session::kProviderTcpIp);
        address.AddComponentLong("port", 0);
        const session::ApplicationDesc desc{session::kApplicationId, 64, "compare"};
        if (!server_.Host(desc, address).Ok()) {
            return 1;
        }
        QSocketNotifier stdinReady(STDIN_FILENO, QSocketNotifier::Read);
        QObject::connect(&stdinReady, &QSocketNotifier::activated, [&] {
            std::string line;
            bool closed = false;
            while (commands_.Next(line, closed)) {
                if (line.rfind("fanout ", 0) == 0) {
                    fanOut_ = FanOut(static_cast<std::uint32_t>(std::stoul(line.substr(7))));
                    for (const auto id : players_) {
                        fanOut_.counts[id] = 0;
                    }
                    Pump();
                } else if (line == "quit") {
                    app.quit();
                }
            }
            if (closed) {
                app.quit();
            }
        });
        std::printf("PORT %u\n", static_cast<unsigned>(server_.Port()));
        std::fflush(stdout);
        return app.exec();
    }

    void CreatePlayer(session::PlayerId id) override {
        if (id != server_.HostPlayerId()) {
            players_.push_back(id);
        }
    }
    void Receive(session::PlayerId from, ByteView message) override {
        if (message.empty()) {
            return;
        }
        if (message[0] == kPing) {
            // An answer waits for nothing, as ENet's server flushes its host after replying.
            server_.SendTo(from, message);
            server_.Flush();
        } else if (message[0] == kAck) {
            fanOut_.counts[from] = CounterOf(message.data(), message.size());
            Pump();
        }
    }

  private:
    void Pump() {
        while (fanOut_.MaySend()) {
            const auto bytes = Message(kFanOut, fanOut_.sent++);
            server_.SendTo(session::kAllPlayers, bytes);
        }
        server_.Flush();
    }

    session::SessionServer server_{Unbudgeted()};
    Commands commands_;
    std::vector<session::PlayerId> players_;
    FanOut fanOut_;
};

int RunEnet() {
    if (enet_initialize() != 0) {
        return 1;
    }
    ENetAddress address{};
    enet_address_set_host(&address, "127.0.0.1");
    address.port = 0;
    ENetHost* host = enet_host_create(&address, 64, 1, 0, 0);
    if (host == nullptr) {
        return 1;
    }
    ENetAddress bound{};
    enet_socket_get_address(host->socket, &bound);
    std::printf("PORT %u\n", static_cast<unsigned>(bound.port));
    std::fflush(stdout);

    Commands commands;
    FanOut fanOut;
    bool running = true;
    while (running) {
        pollfd fds[2] = {{host->socket, POLLIN, 0}, {STDIN_FILENO, POLLIN, 0}};
        poll(fds, 2, fanOut.MaySend() ? 0 : 1);
        std::string line;
        bool closed = false;
        while (commands.Next(line, closed)) {
            if (line.rfind("fanout ", 0) == 0) {
                fanOut = FanOut(static_cast<std::uint32_t>(std::stoul(line.substr(7))));
                for (std::size_t i = 0; i < host->peerCount; ++i) {
                    if (host->peers[i].state == ENET_PEER_STATE_CONNECTED) {
                        fanOut.counts[reinterpret_cast<std::intptr_t>(&host->peers[i])] = 0;
                    }
                }
            } else if (line == "quit") {
                running = false;
            }
        }
        running = running && !closed;
        ENetEvent event;
        bool replied = false;
        while (enet_host_service(host, &event, 0) > 0) {
            if (event.type == ENET_EVENT_TYPE_CONNECT) {
                // ENet shrinks its reliable window whenever round trips vary; on loopback that
                // only slows it down, so it is told never to throttle back.
                enet_peer_throttle_configure(event.peer, ENET_PEER_PACKET_THROTTLE_INTERVAL,
                                             ENET_PEER_PACKET_THROTTLE_SCALE, 0);
            }
            if (event.type != ENET_EVENT_TYPE_RECEIVE) {
                continue;
            }
            const std::uint8_t* data = event.packet->data;
            if (event.packet->dataLength > 0 && data[0] == kPing) {
                ENetPacket* echo =
                    enet_packet_create(data, event.packet->dataLength, ENET_PACKET_FLAG_RELIABLE);
                enet_peer_send(event.peer, 0, echo);
                replied = true;
            } else if (event.packet->dataLength > 0 && data[0] == kAck) {
                fanOut.counts[reinterpret_cast<std::intptr_t>(event.peer)] =
                    CounterOf(data, event.packet->dataLength);
            }
            enet_packet_destroy(event.packet);
        }
        bool sentAny = false;
        while (fanOut.MaySend()) {
            const auto bytes = Message(kFanOut, fanOut.sent++);
            // One packet for every peer: ENet's own send-to-all.
            enet_host_broadcast(
                host, 0, enet_packet_create(bytes.data(), bytes.size(), ENET_PACKET_FLAG_RELIABLE));
            sentAny = true;
        }
        if (replied || sentAny) {
            enet_host_flush(host);
        }
    }
    enet_host_destroy(host);
    enet_deinitialize();
    return 0;
}

}  // namespace
}  // namespace quorvex::bench::compare

int main(int argc, char** argv) {
    const std::string which = argc > 1 ? argv[1] : "";
    if (which == "ours") {
        quorvex::bench::compare::OursServer server;
        return server.Run(argc, argv);
    }
    if (which == "enet") {
        return quorvex::bench::compare::RunEnet();
    }
    if (which == "raw") {
        return quorvex::bench::compare::RunRawEchoServer();
    }
    std::fprintf(stderr, "usage: compare_server ours|enet|raw\n");
    return 2;
}

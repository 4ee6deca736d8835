#include "tests/soak/misbehaviour.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "protocol/messages.h"
#include "protocol/session/frame.h"
#include "protocol/session/limits.h"
#include "tests/support/wait.h"

namespace quorvex::soak {
namespace {

using session::FrameKind;

QByteArray Bytes(const Buffer& buffer) {
    return QByteArray(reinterpret_cast<const char*>(buffer.data()),
                      static_cast<qsizetype>(buffer.size()));
}

Buffer HelloFrame(const std::string& name) {
    return session::MakeFrame(
        FrameKind::Hello,
        session::EncodeHello({session::kProtocolVersion, session::kApplicationId, name}));
}

// A player past the handshake: its Welcome has arrived.
std::unique_ptr<test::RawPeer> Joined(quint16 port, const std::string& name) {
    auto peer = std::make_unique<test::RawPeer>(port);
    peer->SendBytes(Bytes(HelloFrame(name)));
    const std::size_t welcome = session::kFrameHeaderBytes + 1 + 4;
    test::WaitUntil([&] { return peer->Socket().bytesAvailable() >= qint64(welcome); }, 3000);
    return peer;
}

Buffer RandomBytes(std::mt19937& random, std::size_t size) {
    Buffer bytes(size);
    for (auto& b : bytes) {
        b = static_cast<std::uint8_t>(random());
    }
    return bytes;
}

// A message of any type at all, most of them one the server handles, with random fields.
Buffer RandomMessage(std::mt19937& random) {
    Buffer message = RandomBytes(random, random() % 48);
    message.insert(message.begin(), static_cast<std::uint8_t>(random() % 12));
    return message;
}

}  // namespace

Peers SendGarbage(quint16 port, int count, std::mt19937& random) {
    Peers peers;
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<test::RawPeer>(port));
        peers.back()->SendBytes(Bytes(RandomBytes(random, 1 + random() % 4096)));
    }
    return peers;
}

Peers SendOversizedPrefixes(quint16 port, int count) {
    Peers peers;
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<test::RawPeer>(port));
        // 2 GiB promised, or just one byte over the handshake limit.
        peers.back()->SendBytes(i % 2 == 0 ? QByteArray("\xff\xff\xff\x7f\x01", 5)
                                           : QByteArray("\x01\x04\x00\x00\x01", 5));
    }
    return peers;
}

Peers JoinThenSendOversizedPrefixes(quint16 port, int count) {
    Peers peers;
    for (int i = 0; i < count; ++i) {
        peers.push_back(Joined(port, "big" + std::to_string(i)));
        peers.back()->SendBytes(QByteArray("\x02\x00\x10\x00\x04", 5));  // 1 MiB + 1
    }
    return peers;
}

Peers StopMidHandshake(quint16 port, int count) {
    Peers peers;
    const QByteArray hello = Bytes(HelloFrame("halfway"));
    for (int i = 0; i < count; ++i) {
        peers.push_back(std::make_unique<test::RawPeer>(port));
        peers.back()->SendBytes(hello.left(1 + i % (hello.size() - 1)));
    }
    return peers;
}

RandomFrames SendRandomFrames(quint16 port, int frames, std::mt19937& random) {
    RandomFrames result;
    std::unique_ptr<test::RawPeer> player;
    int players = 0;
    while (result.sent < frames) {
        if (!player) {
            player = Joined(port, "rnd" + std::to_string(players++));
        }
        const auto roll = random() % 1000;
        if (roll < 2) {
            // A kind no player may send after joining: Hello again, Welcome, Refuse, unknown.
            static const std::uint8_t kForbidden[] = {1, 2, 3, 0, 6, 99, 255};
            const auto kind = kForbidden[random() % sizeof kForbidden];
            player->SendFrame(static_cast<FrameKind>(kind), RandomBytes(random, random() % 16));
            result.dropped.push_back(std::move(player));
        } else if (roll < 150) {
            player->SendFrame(FrameKind::KeepAlive, {});
        } else {
            player->SendFrame(FrameKind::Data, RandomMessage(random));
        }
        ++result.sent;
        if (result.sent % 500 == 0) {
            test::Pump(5);  // let everyone else have the event loop now and then
        }
    }
    if (player) {
        player->SendFrame(static_cast<FrameKind>(99), {});
        result.dropped.push_back(std::move(player));
    }
    return result;
}

void KillBots(quint16 port, int count) {
    for (int i = 0; i < count; ++i) {
        auto bot = Joined(port, "doomed" + std::to_string(i));
        const auto paddle = msg::Encode(msg::PaddleUpdate{"0", "1", "2", "3", "4"});
        for (int k = 0; k < 3; ++k) {
            bot->SendFrame(FrameKind::Data, *paddle);
        }
        test::Pump(5);
        bot->Socket().abort();
    }
}

bool AllClosedByServer(Peers& peers) {
    for (auto& peer : peers) {
        if (!peer->ClosedByServer()) {
            return false;
        }
    }
    return true;
}

NonReader::NonReader(quint16 port) {
    fd_ = ::socket(AF_INET, SOCK_STREAM, 0);
    const int small = 4096;
    setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(fd_, reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        dropped_ = true;
        return;
    }
    const Buffer hello = HelloFrame("deaf");
    (void)!::send(fd_, hello.data(), hello.size(), MSG_NOSIGNAL);
    QObject::connect(&timer_, &QTimer::timeout, [this] { KeepAlive(); });
    timer_.start(50);
}

NonReader::~NonReader() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void NonReader::KeepAlive() {
    static const Buffer keepAlive = session::MakeFrame(FrameKind::KeepAlive, {});
    if (::send(fd_, keepAlive.data(), keepAlive.size(), MSG_NOSIGNAL | MSG_DONTWAIT) < 0 &&
        (errno == EPIPE || errno == ECONNRESET)) {
        dropped_ = true;
        timer_.stop();
    }
}

}  // namespace quorvex::soak

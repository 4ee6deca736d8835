#pragma once

// Peers that misbehave on purpose, each kind bounded in count, and a way to tell whether the
// server has dropped them.

#include <QTimer>

#include <memory>
#include <random>
#include <vector>

#include "tests/support/raw_peer.h"

namespace quorvex::soak {

using Peers = std::vector<std::unique_ptr<test::RawPeer>>;

// `count` connections that each send `bytes` of random garbage.
Peers SendGarbage(quint16 port, int count, std::mt19937& random);

// `count` connections that each announce a frame far over the limit before the handshake.
Peers SendOversizedPrefixes(quint16 port, int count);

// `count` players that join and then announce a frame over the joined limit (1 MiB).
Peers JoinThenSendOversizedPrefixes(quint16 port, int count);

// `count` connections that send half a Hello and then nothing.
Peers StopMidHandshake(quint16 port, int count);

// `players` players that join and send `frames` random frames between them: Data frames of
// random messages, keep-alives, and now and then a kind the server never accepts from a
// player, after which that player is dropped and another one takes over.
struct RandomFrames {
    Peers dropped;  // every player that sent a forbidden kind
    int sent = 0;
};
RandomFrames SendRandomFrames(quint16 port, int frames, std::mt19937& random);

// `count` players that join, play a little, and have their sockets aborted: no PlayerLeft.
void KillBots(quint16 port, int count);

// True once the server has closed every one of the connections.
bool AllClosedByServer(Peers& peers);

// A player that joins, keeps sending keep-alives so it never falls silent, and never reads.
// Plain sockets, so that nothing reads on its behalf; its receive buffer is small.
class NonReader {
  public:
    explicit NonReader(quint16 port);
    ~NonReader();
    // True once a send failed because the server closed the connection.
    bool Dropped() const { return dropped_; }

  private:
    void KeepAlive();
    int fd_ = -1;
    QTimer timer_;
    bool dropped_ = false;
};

}  // namespace quorvex::soak

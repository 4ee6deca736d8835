#pragma once

// Every bound of the session service, declared once. The programs use the defaults; tests
// shorten the time-outs to keep themselves quick.

#include <cstddef>
#include <cstdint>

namespace quorvex::session {

inline constexpr char kApplicationId[] = "{9794A24B-5FF9-40DF-B298-550657F3CA98}";
inline constexpr std::int32_t kDefaultPort = 4000;
inline constexpr std::uint16_t kProtocolVersion = 1;

struct Limits {
    // Largest frame body accepted from a player, checked before anything is allocated for it.
    std::size_t maxFrameBytes = 1 << 20;
    // Largest frame accepted before the handshake is done: a stranger gets no megabyte buffers.
    std::size_t maxHandshakeFrameBytes = 1024;
    std::size_t maxNameBytes = 256;
    // Bytes a peer may leave unread in our send queue before it is disconnected.
    std::size_t maxPendingWriteBytes = 4 << 20;
    // Connections still shaking hands at once; more are turned away at the door.
    int maxHandshakingPeers = 256;
    // Also the longest a closing connection waits for its last frames to leave and its peer to
    // close its end.
    int handshakeTimeoutMs = 5000;
    int connectTimeoutMs = 10000;
    // A keep-alive frame goes out after this much silence; a peer silent for
    // peerTimeoutMs is taken as gone (the kernel's own keep-alive waits for hours).
    int heartbeatIntervalMs = 1000;
    int peerTimeoutMs = 6000;

    // Once this many connections are shaking hands, a remote address that already has
    // maxHandshakingPerAddress of them gets no more: one host cannot take every slot, while
    // a burst of players starting on one machine still gets in when the server is not crowded.
    int maxHandshakingPerAddress = 8;
    int handshakingBeforeAddressCap = 128;

    // What one player may send, every frame counted, refilled per second up to a burst. Frames
    // beyond it are dropped unread; a player whose excess outgrows a whole burst (it sends at
    // well over twice the rate) is disconnected. An honest client sends about 10 paddle reports, a
    // few ball events and a keep-alive a second, and after a stall of a few seconds all of those at
    // once.
    double messagesPerSecond = 200;
    double messageBurst = 400;
    double bytesPerSecond = 64 * 1024;
    double byteBurst = 256 * 1024;
    // The largest message a player may send: a Chat line of the longest String.
    std::size_t maxPlayerMessageBytes = 1 + 2 + 65535;

    // Chat lines one player may send (the server's host counts them, as only it knows a Chat
    // from other messages); beyond them lines are dropped, counted and logged, never relayed.
    double chatLinesPerSecond = 4;
    double chatBurst = 8;

    // Frames the server queues while it handles incoming messages wait up to this long for
    // more to the same player, so that a busy player gets one write per stretch rather than
    // one per relayed message. 0 writes every frame as it is queued (benchmarks compare both).
    int writeCoalesceMs = 10;

    // Joins one address may make in a window, the next refused until the window allows
    // (an address: IPv4, or an IPv6 /64; 127.0.0.1 and ::1, this machine, are not held to it).
    // A host that connects and hangs up would otherwise grow every player's list.
    int joinsPerAddress = 5;
    int joinWindowMs = 10'000;
    // Addresses remembered at once for their joins and wrong passwords; beyond, those that no
    // longer matter are forgotten first, else the ones heard from least recently.
    std::size_t maxTrackedAddresses = 4096;
    // Wrong passwords from one address before its answers wait: the first lockout, each next
    // one twice as long (a single wrong answer after a lockout starts the next), at most the
    // longest. A right password, or an hour without a wrong one, starts the address afresh.
    int wrongPasswordsBeforeLockout = 3;
    int firstLockoutMs = 60'000;
    int longestLockoutMs = 15 * 60'000;
    int wrongPasswordMemoryMs = 60 * 60'000;
};

}  // namespace quorvex::session

#pragma once

// The message catalogue. Each message has one field list (in messages.cpp) that both the writer
// and the reader walk, so the two programs cannot drift apart. Decoding is all or nothing: a
// message that is short or malformed yields nothing, and the caller changes nothing.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "protocol/buffer.h"

namespace quorvex::msg {

enum class Type : std::uint8_t {
    Chat = 1,
    Roster = 2,
    PlayerLeft = 3,
    Scoreboard = 4,
    BallUpdate = 5,
    BallEvent = 6,
    PaddleUpdate = 7,
    GameSettings = 8,
    SeatRequest = 9,
    Ready = 10,
};

// The type Byte at offset 0; empty for an empty message. Any value may come back: unknown
// types are the receiver's to ignore.
std::optional<std::uint8_t> PeekType(ByteView bytes);

struct Chat {
    static constexpr Type kType = Type::Chat;
    std::string line;
    bool operator==(const Chat&) const = default;
};

struct RosterEntry {
    std::string name;
    std::int32_t id = 0;
    bool operator==(const RosterEntry&) const = default;
};

// On the wire the Integer is the last index (entries - 1), not the count. A negative last index
// decodes as no entries.
struct Roster {
    static constexpr Type kType = Type::Roster;
    std::vector<RosterEntry> entries;
    bool operator==(const Roster&) const = default;
};

struct PlayerLeft {
    static constexpr Type kType = Type::PlayerLeft;
    std::int32_t id = 0;
    bool operator==(const PlayerLeft&) const = default;
};

struct ScoreboardSeat {
    std::string id;
    std::string wins;
    std::string misses;
    bool operator==(const ScoreboardSeat&) const = default;
};

// On the wire: count N, then the N ids, the N wins and the N misses, column after column.
// A negative count decodes as no seats.
struct Scoreboard {
    static constexpr Type kType = Type::Scoreboard;
    std::vector<ScoreboardSeat> seats;
    bool operator==(const Scoreboard&) const = default;
};

struct BallUpdate {
    static constexpr Type kType = Type::BallUpdate;
    std::string left;
    std::string top;
    std::string angle;
    bool operator==(const BallUpdate&) const = default;
};

inline constexpr std::uint8_t kBallBounce = 1;
inline constexpr std::uint8_t kBallMiss = 2;  // the server takes every kind but 1 as a miss

struct BallEvent {
    static constexpr Type kType = Type::BallEvent;
    std::uint8_t kind = kBallBounce;
    std::string value;
    bool operator==(const BallEvent&) const = default;
};

struct PaddleUpdate {
    static constexpr Type kType = Type::PaddleUpdate;
    std::string seat;
    std::string x1;
    std::string y1;
    std::string x2;
    std::string y2;
    bool operator==(const PaddleUpdate&) const = default;
};

inline constexpr std::uint8_t kGamePoints = 1;
inline constexpr std::uint8_t kGameSurvivor = 2;
inline constexpr std::uint8_t kGameFreeForAll = 3;

struct GameSettings {
    static constexpr Type kType = Type::GameSettings;
    std::uint8_t gameType = kGameFreeForAll;
    std::string limit;
    bool operator==(const GameSettings&) const = default;
};

inline constexpr std::uint8_t kSeatTake = 1;
inline constexpr std::uint8_t kSeatGiveUp = 2;
inline constexpr std::uint8_t kSeatGiveUpReady = 3;

struct SeatRequest {
    static constexpr Type kType = Type::SeatRequest;
    std::uint8_t request = kSeatTake;
    std::string id;
    bool operator==(const SeatRequest&) const = default;
};

// Type 10 has two forms: a client's declaration (the type Byte alone) and the server's answer
// carrying the new count.
struct ReadyRequest {
    static constexpr Type kType = Type::Ready;
    bool operator==(const ReadyRequest&) const = default;
};

struct ReadyTally {
    static constexpr Type kType = Type::Ready;
    std::string count;
    bool operator==(const ReadyTally&) const = default;
};

// Builds the whole message, type Byte first. Empty when a field cannot be written (a text over
// the String limit, a list longer than its 16-bit count can say).
template <class Message>
std::optional<Buffer> Encode(const Message& message);

// Reads a whole message whose type Byte matches. Bytes after the last field are ignored.
template <class Message>
std::optional<Message> Decode(ByteView bytes);

}  // namespace quorvex::msg

#include "protocol/messages.h"

#include <limits>

namespace quorvex::msg {
namespace {

// Room for every common message, so that building one costs one allocation, not one per field.
constexpr std::size_t kTypicalMessageBytes = 64;

// Both streams share one vocabulary so that each message's field list below serves writing and
// reading alike. Errors are sticky: after the first failure every call is a no-op.
class WriteStream {
  public:
    static constexpr bool kReading = false;

    WriteStream() { buffer_.reserve(kTypicalMessageBytes); }

    void Byte(std::uint8_t v) { Data(v, 1); }
    void Integer(std::int16_t v) { Data(static_cast<std::uint16_t>(v), 2); }
    void Long(std::int32_t v) { Data(static_cast<std::uint32_t>(v), 4); }
    void String(const std::string& v) { ok_ = ok_ && AppendString(buffer_, v, offset_); }
    void Fail() { ok_ = false; }
    bool Ok() const { return ok_; }
    std::size_t Remaining() const { return 0; }
    Buffer Take() { return std::move(buffer_); }

  private:
    void Data(std::uint64_t v, std::int32_t size) {
        ok_ = ok_ && AppendData(buffer_, v, size, offset_);
    }
    Buffer buffer_;
    std::int32_t offset_ = 0;
    bool ok_ = true;
};

class ReadStream {
  public:
    static constexpr bool kReading = true;

    explicit ReadStream(ByteView bytes, std::int32_t offset) : bytes_(bytes), offset_(offset) {}

    void Byte(std::uint8_t& v) { v = static_cast<std::uint8_t>(Data(1)); }
    void Integer(std::int16_t& v) { v = static_cast<std::int16_t>(Data(2)); }
    void Long(std::int32_t& v) { v = static_cast<std::int32_t>(Data(4)); }
    void String(std::string& v) { ok_ = ok_ && ReadString(bytes_, offset_, v); }
    void Fail() { ok_ = false; }
    bool Ok() const { return ok_; }
    std::size_t Remaining() const { return bytes_.size() - static_cast<std::size_t>(offset_); }

  private:
    std::uint64_t Data(std::int32_t size) {
        std::uint64_t v = 0;
        ok_ = ok_ && ReadData(bytes_, v, size, offset_);
        return v;
    }
    ByteView bytes_;
    std::int32_t offset_;
    bool ok_ = true;
};

// Smallest encoding of a String: its two count bytes.
constexpr std::size_t kMinStringBytes = 2;

// A repeated group's 16-bit header. Writing: the header is derived from the list (`bias` is 1
// for a last index, 0 for a count). Reading: a negative header means an empty list, and a
// header promising more than the remaining bytes can hold fails before anything is allocated.
template <class S, class T>
void Repeated(S& s, std::vector<T>& items, std::int16_t bias, std::size_t minBytesPerItem) {
    std::int16_t header = 0;
    if constexpr (!S::kReading) {
        const auto limit =
            static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()) + bias;
        if (items.size() > limit) {
            s.Fail();
            return;
        }
        header = static_cast<std::int16_t>(static_cast<int>(items.size()) - bias);
    }
    s.Integer(header);
    if constexpr (S::kReading) {
        const int count = header < 0 ? 0 : header + bias;
        if (!s.Ok() || static_cast<std::size_t>(count) * minBytesPerItem > s.Remaining()) {
            s.Fail();
            return;
        }
        items.assign(static_cast<std::size_t>(count), T{});
    }
}

template <class S>
void Fields(S& s, Chat& m) {
    s.String(m.line);
}

template <class S>
void Fields(S& s, Roster& m) {
    Repeated(s, m.entries, 1, 4 + kMinStringBytes);
    for (auto& e : m.entries) {
        s.Long(e.id);
        s.String(e.name);
    }
}

template <class S>
void Fields(S& s, PlayerLeft& m) {
    s.Long(m.id);
}

template <class S>
void Fields(S& s, Scoreboard& m) {
    Repeated(s, m.seats, 0, 3 * kMinStringBytes);
    for (auto& row : m.seats)
        s.String(row.id);
    for (auto& row : m.seats)
        s.String(row.wins);
    for (auto& row : m.seats)
        s.String(row.misses);
}

template <class S>
void Fields(S& s, BallUpdate& m) {
    s.String(m.left);
    s.String(m.top);
    s.String(m.angle);
}

template <class S>
void Fields(S& s, BallEvent& m) {
    s.Byte(m.kind);
    s.String(m.value);
}

template <class S>
void Fields(S& s, PaddleUpdate& m) {
    s.String(m.seat);
    s.String(m.x1);
    s.String(m.y1);
    s.String(m.x2);
    s.String(m.y2);
}

template <class S>
void Fields(S& s, GameSettings& m) {
    s.Byte(m.gameType);
    s.String(m.limit);
}

template <class S>
void Fields(S& s, SeatRequest& m) {
    s.Byte(m.request);
    s.String(m.id);
}

template <class S>
void Fields(S&, ReadyRequest&) {}

template <class S>
void Fields(S& s, ReadyTally& m) {
    s.String(m.count);
}

}  // namespace

std::optional<std::uint8_t> PeekType(ByteView bytes) {
    if (bytes.empty()) {
        return std::nullopt;
    }
    return bytes[0];
}

template <class Message>
std::optional<Buffer> Encode(const Message& message) {
    WriteStream s;
    s.Byte(static_cast<std::uint8_t>(Message::kType));
    // The write stream only reads the fields; the shared field list takes them by reference.
    Fields(s, const_cast<Message&>(message));
    if (!s.Ok()) {
        return std::nullopt;
    }
    return s.Take();
}

template <class Message>
std::optional<Message> Decode(ByteView bytes) {
    if (PeekType(bytes) != static_cast<std::uint8_t>(Message::kType)) {
        return std::nullopt;
    }
    ReadStream s(bytes, 1);
    Message message;
    Fields(s, message);
    if (!s.Ok()) {
        return std::nullopt;
    }
    return message;
}

#define QUORVEX_MESSAGE(M)                           \
    template std::optional<Buffer> Encode(const M&); \
    template std::optional<M> Decode(ByteView);
QUORVEX_MESSAGE(Chat)
QUORVEX_MESSAGE(Roster)
QUORVEX_MESSAGE(PlayerLeft)
QUORVEX_MESSAGE(Scoreboard)
QUORVEX_MESSAGE(BallUpdate)
QUORVEX_MESSAGE(BallEvent)
QUORVEX_MESSAGE(PaddleUpdate)
QUORVEX_MESSAGE(GameSettings)
QUORVEX_MESSAGE(SeatRequest)
QUORVEX_MESSAGE(ReadyRequest)
QUORVEX_MESSAGE(ReadyTally)
#undef QUORVEX_MESSAGE

}  // namespace quorvex::msg

#include "protocol/session/frame.h"

#include <algorithm>
#include <cstring>

namespace quorvex::session {
namespace {

// The byte after a Hello's nonce that asks for resume; a later format would pick another.
constexpr std::uint8_t kResumeFormat = 1;

}  // namespace

Buffer MakeFrame(FrameKind kind, ByteView payload) {
    Buffer frame;
    frame.reserve(kFrameHeaderBytes + 1 + payload.size());
    AppendFrame(frame, kind, payload);
    return frame;
}

void AppendFrame(Buffer& out, FrameKind kind, ByteView payload) {
    const auto length = static_cast<std::uint32_t>(payload.size() + 1);
    const std::size_t at = out.size();
    out.resize(at + kFrameHeaderBytes + 1 + payload.size());
    std::uint8_t* frame = out.data() + at;
    for (std::size_t i = 0; i < kFrameHeaderBytes; ++i) {
        frame[i] = static_cast<std::uint8_t>(length >> (8 * i));
    }
    frame[kFrameHeaderBytes] = static_cast<std::uint8_t>(kind);
    if (!payload.empty()) {
        std::memcpy(frame + kFrameHeaderBytes + 1, payload.data(), payload.size());
    }
}

Buffer EncodeHello(const Hello& hello) {
    Buffer b;
    std::int32_t offset = 0;
    AppendData(b, hello.version, 2, offset);
    AppendString(b, hello.applicationId, offset);
    AppendString(b, hello.name, offset);
    b.insert(b.end(), hello.clientNonce.begin(), hello.clientNonce.end());
    // The resume fields follow a nonce only: a server reads them at a fixed place after it.
    if (hello.resumable && hello.clientNonce.size() == kNonceBytes) {
        b.push_back(kResumeFormat);
        if (hello.resume) {
            offset = static_cast<std::int32_t>(b.size());
            AppendData(b, hello.resume->instance, 8, offset);
            b.insert(b.end(), hello.resume->token.begin(), hello.resume->token.end());
        }
    }
    return b;
}

std::optional<Hello> DecodeHello(ByteView payload) {
    Hello hello;
    std::int32_t offset = 0;
    std::uint64_t version = 0;
    if (!ReadData(payload, version, 2, offset) ||
        !ReadString(payload, offset, hello.applicationId) ||
        !ReadString(payload, offset, hello.name)) {
        return std::nullopt;
    }
    hello.version = static_cast<std::uint16_t>(version);
    // Servers before the nonce ignore whatever follows the name; so do we, but for a nonce.
    const auto rest = payload.subspan(static_cast<std::size_t>(offset));
    if (rest.size() >= kNonceBytes) {
        hello.clientNonce.assign(rest.begin(), rest.begin() + kNonceBytes);
    }
    const auto after = rest.size() > kNonceBytes ? rest.subspan(kNonceBytes) : ByteView{};
    if (after.empty() || after[0] != kResumeFormat) {
        return hello;
    }
    hello.resumable = true;
    std::int32_t at = 1;
    std::uint64_t instance = 0;
    if (after.size() >= 1 + 8 + kResumeTokenBytes && ReadData(after, instance, 8, at)) {
        Hello::Resume resume{instance, {}};
        std::copy_n(after.begin() + at, kResumeTokenBytes, resume.token.begin());
        hello.resume = resume;
    }
    return hello;
}

Buffer EncodeWelcome(std::int32_t playerId) {
    Buffer b;
    std::int32_t offset = 0;
    AppendData(b, static_cast<std::uint32_t>(playerId), 4, offset);
    return b;
}

Buffer EncodeWelcome(const Welcome& welcome) {
    Buffer b = EncodeWelcome(welcome.id);
    if (welcome.ticket) {
        std::int32_t offset = static_cast<std::int32_t>(b.size());
        AppendData(b, welcome.ticket->instance, 8, offset);
        AppendData(b, welcome.ticket->graceMs, 4, offset);
        b.insert(b.end(), welcome.ticket->token.begin(), welcome.ticket->token.end());
    }
    return b;
}

std::optional<Welcome> DecodeWelcomeTicket(ByteView payload) {
    const auto id = DecodeWelcome(payload);
    if (!id) {
        return std::nullopt;
    }
    Welcome welcome{*id, std::nullopt};
    std::int32_t offset = 4;
    std::uint64_t instance = 0;
    std::uint64_t grace = 0;
    if (payload.size() >= 4 + 8 + 4 + kResumeTokenBytes && ReadData(payload, instance, 8, offset) &&
        ReadData(payload, grace, 4, offset)) {
        ResumeTicket ticket{instance, static_cast<std::uint32_t>(grace), {}};
        std::copy_n(payload.begin() + offset, kResumeTokenBytes, ticket.token.begin());
        welcome.ticket = ticket;
    }
    return welcome;
}

std::optional<std::int32_t> DecodeWelcome(ByteView payload) {
    std::int32_t offset = 0;
    std::uint64_t id = 0;
    if (!ReadData(payload, id, 4, offset)) {
        return std::nullopt;
    }
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(id));
}

Buffer EncodeRefusal(const Refusal& refusal) {
    Buffer b;
    std::int32_t offset = 0;
    AppendData(b, static_cast<std::uint8_t>(refusal.reason), 1, offset);
    AppendString(b, refusal.text, offset);
    return b;
}

std::optional<Refusal> DecodeRefusal(ByteView payload) {
    Refusal refusal;
    std::int32_t offset = 0;
    std::uint64_t reason = 0;
    if (!ReadData(payload, reason, 1, offset) || !ReadString(payload, offset, refusal.text)) {
        return std::nullopt;
    }
    refusal.reason = static_cast<RefuseReason>(reason);
    return refusal;
}

namespace {

std::optional<Buffer> Exactly(std::size_t size, ByteView payload) {
    if (payload.size() != size) {
        return std::nullopt;
    }
    return Buffer(payload.begin(), payload.end());
}

}  // namespace

std::optional<Buffer> DecodeNonce(ByteView payload) {
    return Exactly(kNonceBytes, payload);
}

std::optional<Buffer> DecodeProof(ByteView payload) {
    return Exactly(kProofBytes, payload);
}

Buffer EncodeChallenge(const Challenge& challenge) {
    Buffer b(challenge.nonce);
    b.insert(b.end(), challenge.serverProof.begin(), challenge.serverProof.end());
    return b;
}

std::optional<Challenge> DecodeChallenge(ByteView payload) {
    if (payload.size() != kNonceBytes && payload.size() != kNonceBytes + kProofBytes) {
        return std::nullopt;
    }
    const auto split = payload.begin() + kNonceBytes;
    return Challenge{Buffer(payload.begin(), split), Buffer(split, payload.end())};
}

std::size_t FrameParser::Room() const {
    if (failed_) {
        return 0;
    }
    const std::size_t cap = kFrameHeaderBytes + maxBodyBytes_;
    return cap > Buffered() ? cap - Buffered() : 0;
}

void FrameParser::Feed(const std::uint8_t* data, std::size_t size) {
    if (failed_ || size == 0) {
        return;
    }
    if (start_ > 0) {
        // Frames already handed out are dropped before their bytes are overwritten.
        bytes_.erase(bytes_.begin(), bytes_.begin() + static_cast<std::ptrdiff_t>(start_));
        start_ = 0;
    }
    bytes_.insert(bytes_.end(), data, data + size);
}

std::optional<FrameParser::Frame> FrameParser::Next() {
    if (failed_ || Buffered() < kFrameHeaderBytes) {
        return std::nullopt;
    }
    const ByteView rest(bytes_.data() + start_, Buffered());
    std::int32_t offset = 0;
    std::uint64_t length = 0;
    ReadData(rest, length, 4, offset);
    if (length == 0 || length > maxBodyBytes_) {
        failed_ = true;
        bytes_.clear();
        start_ = 0;
        return std::nullopt;
    }
    if (rest.size() < kFrameHeaderBytes + length) {
        return std::nullopt;
    }
    const auto kind = static_cast<FrameKind>(rest[kFrameHeaderBytes]);
    const ByteView payload = rest.subspan(kFrameHeaderBytes + 1, length - 1);
    // The bytes stay where they are until the next Feed, so the payload view remains valid.
    start_ += kFrameHeaderBytes + length;
    return Frame{kind, payload};
}

}  // namespace quorvex::session

#pragma once

// Frames below the messages: a 32-bit little-endian body length, then the body, whose first
// byte is the frame kind. Plain C++ so the parser can be fuzzed and tested without sockets.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "protocol/buffer.h"
#include "protocol/session/resume_tokens.h"

namespace quorvex::session {

enum class FrameKind : std::uint8_t {
    Hello = 1,      // client: version, application id, player name
    Welcome = 2,    // server: the player's identifier
    Refuse = 3,     // server: a reason code and its text; the connection closes
    Data = 4,       // one game message
    KeepAlive = 5,  // nothing: proves the link is alive
    Challenge = 6,  // server, only when it asks for a password: a fresh nonce (and its proof)
    Answer = 7,     // client: the proof that it knows the password, for that nonce
};

inline constexpr std::size_t kFrameHeaderBytes = 4;

enum class RefuseReason : std::uint8_t {
    WrongApplication = 1,
    SessionFull = 2,
    BadHandshake = 3,
    NameTooLong = 4,
    NoIdentifiersLeft = 5,
    WrongPassword = 6,
    Banned = 7,            // the address or the name, until the ban expires
    TooManyJoins = 8,      // the address joined too often lately
    Busy = 9,              // too many connections are shaking hands, from there or in all
    PasswordLockout = 10,  // too many wrong passwords from the address lately
    // A resume's token is wrong, expired, used, or from another run of the server. After a
    // Welcome that carried a ticket, the same frame says the player is gone for good (kicked,
    // the server closing): the client shows the notice rather than trying to come back.
    ResumeRefused = 11,
};

// The nonce of a Challenge and the proof of an Answer are this long, neither more nor less.
inline constexpr std::size_t kNonceBytes = 32;
inline constexpr std::size_t kProofBytes = 32;

// The whole frame (header and body) for `kind` with `payload`.
Buffer MakeFrame(FrameKind kind, ByteView payload);
// The same frame appended to `out`, so frames queued for one write need no buffer each.
void AppendFrame(Buffer& out, FrameKind kind, ByteView payload);

struct Hello {
    Hello() = default;
    // Positional, so that greetings written before the nonce existed still read as they did.
    Hello(std::uint16_t v, std::string application, std::string player, Buffer nonce = {})
        : version(v),
          applicationId(std::move(application)),
          name(std::move(player)),
          clientNonce(std::move(nonce)) {}

    std::uint16_t version = 0;
    std::string applicationId;
    std::string name;
    // kNonceBytes of the client's own, after the name: it asks a server with a password to
    // prove that it knows it before the client answers. Empty: a client that predates it.
    Buffer clientNonce;
    // After the nonce: the client can come back after a lost connection and asks for a ticket.
    bool resumable = false;
    // And when it is coming back: the run of the server and the token its ticket gave.
    struct Resume {
        std::uint64_t instance = 0;
        ResumeToken token{};
    };
    std::optional<Resume> resume;
};

// What a Welcome hands a client that asked: which run of the server this is, how long after a
// lost connection it may come back, and the token that proves it is the same player.
struct ResumeTicket {
    std::uint64_t instance = 0;
    std::uint32_t graceMs = 0;
    ResumeToken token{};
};
struct Welcome {
    std::int32_t id = 0;
    std::optional<ResumeTicket> ticket;
};

struct Refusal {
    RefuseReason reason = RefuseReason::BadHandshake;
    std::string text;
};

Buffer EncodeHello(const Hello& hello);
std::optional<Hello> DecodeHello(ByteView payload);
Buffer EncodeWelcome(std::int32_t playerId);
// The identifier, then the ticket: only ever sent to a client whose Hello asked for it.
Buffer EncodeWelcome(const Welcome& welcome);
std::optional<std::int32_t> DecodeWelcome(ByteView payload);
// The identifier and, when the server sent one, the ticket; bytes after it are ignored.
std::optional<Welcome> DecodeWelcomeTicket(ByteView payload);
Buffer EncodeRefusal(const Refusal& refusal);
std::optional<Refusal> DecodeRefusal(ByteView payload);
// A Challenge's nonce or an Answer's proof: the payload itself, when it has the right length.
std::optional<Buffer> DecodeNonce(ByteView payload);
std::optional<Buffer> DecodeProof(ByteView payload);

// The server's nonce, then, for a Hello that carried the client's nonce, the server's proof.
struct Challenge {
    Buffer nonce;
    Buffer serverProof;  // empty: the challenge to a Hello without the client's nonce
};
Buffer EncodeChallenge(const Challenge& challenge);
// kNonceBytes (no proof) or kNonceBytes + kProofBytes; any other length is malformed.
std::optional<Challenge> DecodeChallenge(ByteView payload);

// Collects stream bytes and cuts them into frames. A length of 0 or over the limit is an error
// that sticks: the connection is to be closed, and nothing more is buffered for it.
class FrameParser {
  public:
    explicit FrameParser(std::size_t maxBodyBytes) : maxBodyBytes_(maxBodyBytes) {}

    void SetMaxBodyBytes(std::size_t maxBodyBytes) { maxBodyBytes_ = maxBodyBytes; }
    // How many more bytes may be fed now without exceeding one header plus one largest body.
    std::size_t Room() const;
    void Feed(const std::uint8_t* data, std::size_t size);

    struct Frame {
        FrameKind kind;
        ByteView payload;  // valid until the next Feed or Next
    };
    // The next complete frame, if any. Unknown kinds are returned too; the caller decides.
    std::optional<Frame> Next();
    bool Failed() const { return failed_; }
    std::size_t Buffered() const { return bytes_.size() - start_; }

  private:
    std::size_t maxBodyBytes_;
    std::vector<std::uint8_t> bytes_;
    std::size_t start_ = 0;
    bool failed_ = false;
};

}  // namespace quorvex::session

#pragma once

// What both ends of the session service share: identifiers, descriptions, addresses, results,
// and the notification interface that a program's window implements.

#include <cstddef>
#include <cstdint>
#include <map>
#include <optional>
#include <string>

#include "protocol/buffer.h"

namespace quorvex::session {

using PlayerId = std::int32_t;
inline constexpr PlayerId kAllPlayers = 0;

// Every session is client/server, every send guaranteed and in order, and no sender gets a copy
// of its own message: there is nothing left for flags to choose.
struct ApplicationDesc {
    std::string applicationId;
    std::int32_t maxPlayers = 0;  // includes the server's own player
    std::string sessionName;
};

struct PlayerInfo {
    std::string name;
};

// Error numbers shown to the user as "Error #<number>: <description>".
enum class ErrorCode : int {
    None = 0,
    InvalidParameter = 1,
    NotReady = 2,
    PortUnavailable = 3,
    HostNotFound = 4,
    ConnectionRefused = 5,
    TimedOut = 6,
    WrongApplication = 7,
    SessionFull = 8,
    NameTooLong = 9,
    ConnectionLost = 10,
    ProtocolError = 11,
    MessageTooLarge = 12,
    NoIdentifiersLeft = 13,
    PasswordRequired = 14,
    WrongPassword = 15,
    Banned = 16,
    TooManyJoins = 17,
    ServerBusy = 18,
    PasswordLockout = 19,
    // The server asked for the password without proving that it knows it: nothing was sent.
    ServerUnproven = 20,
    // The server would not take this player back after its connection was lost.
    ResumeRefused = 21,
};

struct Status {
    ErrorCode code = ErrorCode::None;
    std::string description;

    bool Ok() const { return code == ErrorCode::None; }
    int Number() const { return static_cast<int>(code); }
    static Status Success() { return {}; }
    static Status Failure(ErrorCode code, std::string description) {
        return {code, std::move(description)};
    }
};

// "Error #<number>: <description>", as the programs' failure boxes show a status.
std::string ErrorText(const Status& status);

// Whether a message may go out as one Data frame: it holds at least its type, and the frame
// (kind byte included) stays within `maxFrameBytes`. Success, or the reason it may not.
Status CheckOutgoing(ByteView message, std::size_t maxFrameBytes);

// An address: a service provider and named components ("port", "hostname").
class SessionAddress {
  public:
    Status SetSP(const std::string& provider);
    Status AddComponentLong(const std::string& key, std::int32_t value);
    Status AddComponentString(const std::string& key, const std::string& value);

    const std::string& Provider() const { return provider_; }
    std::optional<std::int32_t> Long(const std::string& key) const;
    std::optional<std::string> String(const std::string& key) const;
    // The address as ";"-separated text; the second part is the host's address.
    std::string GetURL() const;

  private:
    std::string provider_;
    std::map<std::string, std::int32_t> longs_;
    std::map<std::string, std::string> strings_;
};

inline constexpr char kProviderTcpIp[] = "TCPIP";

// The notifications of a session. Every one is accepted; a program overrides those it acts on.
// All are delivered on the Qt event loop of the thread that owns the session, one at a time.
// The server fires CreatePlayer, DestroyPlayer, Receive, AdmitPlayer and ResumePlayer; the client
// ConnectComplete, Receive and TerminateSession. The others are never fired: this session has
// no groups, no host migration, no enumeration and no asynchronous sends to report.
class SessionEvents {
  public:
    virtual ~SessionEvents() = default;
    virtual void AddRemovePlayerGroup() {}  // never fired
    virtual void AppDesc() {}               // never fired
    virtual void AsyncOpComplete() {}       // never fired
    virtual void CreateGroup() {}           // never fired
    virtual void CreatePlayer(PlayerId /*id*/) {}
    virtual void ConnectComplete(const Status& /*result*/) {}
    virtual void DestroyGroup() {}  // never fired
    // A joined player's connection ended, whatever ended it.
    virtual void DestroyPlayer(PlayerId /*id*/) {}
    virtual void EnumHostsQuery() {}           // never fired
    virtual void EnumHostsResponse() {}        // never fired
    virtual void HostMigrate() {}              // never fired
    virtual void IndicateConnect() {}          // never fired
    virtual void IndicatedConnectAborted() {}  // never fired
    virtual void InfoNotify() {}               // never fired
    virtual void Receive(PlayerId /*from*/, ByteView /*message*/) {}
    virtual void SendComplete() {}  // never fired
    virtual void TerminateSession() {}
    // Asked at the handshake, before a newcomer is given an identifier: false turns it away as
    // a full session (the server has no room left to list it).
    virtual bool AdmitPlayer(const std::string& /*name*/) { return true; }
    // A player whose connection was lost came back with its token, on a new connection: the
    // same identifier, and no CreatePlayer. Fired after the DestroyPlayer of the old one.
    virtual void ResumePlayer(PlayerId /*id*/) {}
};

}  // namespace quorvex::session

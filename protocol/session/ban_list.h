#pragma once

// Bans the operator gives: an address key, a player name, or both, each until it expires.
// A banned address or name is refused at the handshake. A ban's address part does not apply
// to this machine's key (the operator's own computer players and friends at the server's
// machine share it); its name part does. Times are wall-clock milliseconds since the epoch, so
// that a ban written out one day still means the same when read back the next.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "protocol/session/address_key.h"

namespace quorvex::session {

struct Ban {
    int id = 0;
    std::optional<AddressKey> address;
    std::string name;  // empty: the ban names no player
    std::int64_t untilMs = 0;

    bool operator==(const Ban&) const = default;
};

class BanList {
  public:
    // A new ban; its id, never one given before in this list's life (nor one read back).
    // A ban naming neither an address nor a name is not made: 0.
    int Add(std::optional<AddressKey> address, std::string name, std::int64_t untilMs);
    // Lifts bans by id (a whole decimal number that is one), else by address key (as ToString
    // writes it, or any address in it), else by exact name; the number lifted.
    int Unban(std::string_view what);
    // The live ban that refuses a newcomer from `address` named `name`, if any.
    std::optional<Ban> Refusing(const AddressKey& address, const std::string& name,
                                std::int64_t nowMs) const;
    // Live bans in order of id; expired ones are dropped on the way.
    std::vector<Ban> List(std::int64_t nowMs);
    void Expire(std::int64_t nowMs);

    // One ban a line: "id<TAB>address or -<TAB>until ms<TAB>name", the name with '%', control
    // bytes and blanks written as %XX, so any name survives the trip.
    std::string Save() const;
    // Adds the bans of `text`, as Save wrote them; a line that does not read is skipped and
    // described in `errors` ("line N: why"). The number of bans added.
    std::size_t Load(std::string_view text, std::vector<std::string>* errors = nullptr);

  private:
    std::vector<Ban> bans_;
    int nextId_ = 1;
};

}  // namespace quorvex::session

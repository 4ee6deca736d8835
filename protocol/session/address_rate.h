#pragma once

// How often one address key may do something: at most `count` times in any `windowMs`. Used
// for joins (a host that connects and hangs up makes every player's list grow) and for LAN
// discovery replies (one host's flood must not use up everybody's). This machine's key is
// never limited: friends on the server's own computer and its computer players share it.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "protocol/session/address_key.h"
#include "protocol/session/address_table.h"

namespace quorvex::session {

class AddressRate {
  public:
    AddressRate(int count, std::int64_t windowMs, std::size_t maxKeys);

    // How long `key` must wait for one more (0: it may now). Asks without counting.
    std::int64_t WaitMs(const AddressKey& key, std::int64_t nowMs) const;
    // One more for `key` when it may now: true, and counted. A refusal is not counted, so a
    // host that keeps trying is let in again as soon as its window allows.
    bool TryTake(const AddressKey& key, std::int64_t nowMs);
    std::size_t TrackedKeys() const { return times_.Size(); }

  private:
    // The key's last `count_` times, oldest first (fewer until it has had that many).
    using Times = std::vector<std::int64_t>;
    bool Spent(const Times& times, std::int64_t nowMs) const;

    std::size_t count_;
    std::int64_t windowMs_;
    AddressTable<Times> times_;
};

}  // namespace quorvex::session

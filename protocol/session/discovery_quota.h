#pragma once

// How many LAN discovery queries get a reply: a few a second per asking address key, and a
// bounded number in all. Without the first, one host asking hundreds of times a second used up
// the total and the server vanished from everyone else's list. Plain C++, clock passed in.

#include <cstddef>
#include <cstdint>

#include "protocol/session/address_key.h"
#include "protocol/session/address_rate.h"

namespace quorvex::session {

inline constexpr int kMaxDiscoveryRepliesPerSecond = 64;
// An honest client asks once a second on each route; several on one machine, a few times.
inline constexpr int kMaxDiscoveryRepliesPerAddress = 4;
inline constexpr std::size_t kDiscoveryTrackedAddresses = 1024;

class DiscoveryQuota {
  public:
    DiscoveryQuota(int perAddressPerSecond = kMaxDiscoveryRepliesPerAddress,
                   int totalPerSecond = kMaxDiscoveryRepliesPerSecond,
                   std::size_t maxKeys = kDiscoveryTrackedAddresses);

    // Whether a query from `key` at `nowMs` is answered; counted when it is.
    bool Admit(const AddressKey& key, std::int64_t nowMs);

  private:
    AddressRate perAddress_;
    int totalPerSecond_;
    std::int64_t windowStartMs_ = 0;
    int repliesInWindow_ = 0;
    bool started_ = false;
};

}  // namespace quorvex::session

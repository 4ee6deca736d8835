#include "protocol/session/discovery_quota.h"

namespace quorvex::session {

DiscoveryQuota::DiscoveryQuota(int perAddressPerSecond, int totalPerSecond, std::size_t maxKeys)
    : perAddress_(perAddressPerSecond, 1000, maxKeys), totalPerSecond_(totalPerSecond) {}

bool DiscoveryQuota::Admit(const AddressKey& key, std::int64_t nowMs) {
    if (!started_ || nowMs - windowStartMs_ >= 1000) {
        started_ = true;
        windowStartMs_ = nowMs;
        repliesInWindow_ = 0;
    }
    // Both asked before either is spent: a query refused by one costs the other nothing.
    if (repliesInWindow_ >= totalPerSecond_ || perAddress_.WaitMs(key, nowMs) > 0) {
        return false;
    }
    perAddress_.TryTake(key, nowMs);
    ++repliesInWindow_;
    return true;
}

}  // namespace quorvex::session

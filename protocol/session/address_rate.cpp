#include "protocol/session/address_rate.h"

#include <algorithm>

namespace quorvex::session {

AddressRate::AddressRate(int count, std::int64_t windowMs, std::size_t maxKeys)
    : count_(static_cast<std::size_t>(std::max(1, count))),
      windowMs_(std::max<std::int64_t>(1, windowMs)),
      times_(maxKeys) {}

bool AddressRate::Spent(const Times& times, std::int64_t nowMs) const {
    return times.empty() || times.back() <= nowMs - windowMs_;
}

std::int64_t AddressRate::WaitMs(const AddressKey& key, std::int64_t nowMs) const {
    const Times* times = times_.Find(key);
    if (IsThisMachine(key) || times == nullptr || times->size() < count_) {
        return 0;
    }
    return std::max<std::int64_t>(0, times->front() + windowMs_ - nowMs);
}

bool AddressRate::TryTake(const AddressKey& key, std::int64_t nowMs) {
    if (IsThisMachine(key)) {
        return true;
    }
    if (WaitMs(key, nowMs) > 0) {
        return false;
    }
    Times& times = times_.Get(key, nowMs, [&](const Times& t) { return Spent(t, nowMs); });
    if (times.size() == count_) {
        times.erase(times.begin());
    }
    times.push_back(nowMs);
    return true;
}

}  // namespace quorvex::session

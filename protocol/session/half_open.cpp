#include "protocol/session/half_open.h"

#include <utility>

namespace quorvex::session {

HalfOpenSlot::HalfOpenSlot(std::shared_ptr<Counts> counts, const AddressKey& key)
    : counts_(std::move(counts)), key_(key) {
    ++counts_->perKey[key_];
    ++counts_->total;
}

HalfOpenSlot::HalfOpenSlot(HalfOpenSlot&& other) noexcept
    : counts_(std::exchange(other.counts_, nullptr)), key_(other.key_) {}

HalfOpenSlot& HalfOpenSlot::operator=(HalfOpenSlot&& other) noexcept {
    if (this != &other) {
        Release();
        counts_ = std::exchange(other.counts_, nullptr);
        key_ = other.key_;
    }
    return *this;
}

void HalfOpenSlot::Release() {
    if (!counts_) {
        return;
    }
    if (--counts_->perKey[key_] <= 0) {
        counts_->perKey.erase(key_);
    }
    --counts_->total;
    counts_.reset();
}

HalfOpenCount::HalfOpenCount(int maxTotal, int maxPerAddress)
    : maxTotal_(maxTotal),
      maxPerAddress_(maxPerAddress),
      counts_(std::make_shared<HalfOpenSlot::Counts>()) {}

HalfOpenCount::Opening HalfOpenCount::Open(const AddressKey& key) {
    if (counts_->total >= maxTotal_) {
        return {Verdict::Crowded, {}};
    }
    if (!IsThisMachine(key) && Of(key) >= maxPerAddress_) {
        return {Verdict::AddressFull, {}};
    }
    return {Verdict::Open, HalfOpenSlot(counts_, key)};
}

int HalfOpenCount::Of(const AddressKey& key) const {
    const auto it = counts_->perKey.find(key);
    return it == counts_->perKey.end() ? 0 : it->second;
}

}  // namespace quorvex::session

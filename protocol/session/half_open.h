#pragma once

// Connections still shaking hands, counted per address key and in all, always (not only when
// the server is crowded): one host may hold only a few of the places, so that strangers who
// connect and say nothing cannot fill them all. This machine's key is held to the total only,
// as the server's computer players all start at once from there.

#include <cstddef>
#include <map>
#include <memory>

#include "protocol/session/address_key.h"

namespace quorvex::session {

// A connection's place among those shaking hands, held until it is welcomed (Release) or
// gone (the slot's end). The count lives as long as any of its slots, whatever order the
// owners end in.
class HalfOpenSlot {
  public:
    HalfOpenSlot() = default;
    ~HalfOpenSlot() { Release(); }
    HalfOpenSlot(HalfOpenSlot&& other) noexcept;
    HalfOpenSlot& operator=(HalfOpenSlot&& other) noexcept;
    HalfOpenSlot(const HalfOpenSlot&) = delete;
    HalfOpenSlot& operator=(const HalfOpenSlot&) = delete;

    void Release();
    bool Held() const { return counts_ != nullptr; }

  private:
    friend class HalfOpenCount;
    struct Counts {
        std::map<AddressKey, int> perKey;
        int total = 0;
    };
    HalfOpenSlot(std::shared_ptr<Counts> counts, const AddressKey& key);

    std::shared_ptr<Counts> counts_;
    AddressKey key_;
};

class HalfOpenCount {
  public:
    HalfOpenCount(int maxTotal, int maxPerAddress);

    enum class Verdict { Open, Crowded, AddressFull };
    struct Opening {
        Verdict verdict = Verdict::Open;
        HalfOpenSlot slot;  // held only when the verdict is Open
    };
    // A new connection from `key`: Crowded when maxTotal are shaking hands, AddressFull when
    // maxPerAddress of them come from `key`.
    Opening Open(const AddressKey& key);

    int Total() const { return counts_->total; }
    int Of(const AddressKey& key) const;

  private:
    int maxTotal_;
    int maxPerAddress_;
    std::shared_ptr<HalfOpenSlot::Counts> counts_;
};

}  // namespace quorvex::session

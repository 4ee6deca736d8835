#pragma once

// What a rule remembers per address key, in bounded memory: a table of at most `maxKeys`
// entries. A full table makes room by forgetting the entries that no longer hold anything
// (the rule says which), and when none is such, the one used least recently. An ordered map,
// not a hash, so that keys a stranger picks cannot pile up in one bucket.

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <map>

#include "protocol/session/address_key.h"

namespace quorvex::session {

template <typename Entry>
class AddressTable {
  public:
    explicit AddressTable(std::size_t maxKeys) : maxKeys_(std::max<std::size_t>(1, maxKeys)) {}

    const Entry* Find(const AddressKey& key) const {
        const auto it = slots_.find(key);
        return it == slots_.end() ? nullptr : &it->second.entry;
    }

    // The entry of `key`, made when absent; `spent(entry)` says an entry may be forgotten.
    template <typename Spent>
    Entry& Get(const AddressKey& key, std::int64_t nowMs, Spent spent) {
        auto it = slots_.find(key);
        if (it == slots_.end()) {
            if (slots_.size() >= maxKeys_) {
                MakeRoom(spent);
            }
            it = slots_.emplace(key, Slot{}).first;
        }
        it->second.usedMs = nowMs;
        return it->second.entry;
    }

    void Erase(const AddressKey& key) { slots_.erase(key); }
    std::size_t Size() const { return slots_.size(); }

  private:
    struct Slot {
        Entry entry{};
        std::int64_t usedMs = 0;
    };

    template <typename Spent>
    void MakeRoom(Spent spent) {
        if (std::erase_if(slots_, [&](const auto& slot) { return spent(slot.second.entry); }) > 0) {
            return;
        }
        slots_.erase(std::min_element(
            slots_.begin(), slots_.end(),
            [](const auto& a, const auto& b) { return a.second.usedMs < b.second.usedMs; }));
    }

    std::size_t maxKeys_;
    std::map<AddressKey, Slot> slots_;
};

}  // namespace quorvex::session

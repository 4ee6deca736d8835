#pragma once

// Cuts a fuzzer's input into records, so one input plays a whole sequence of messages and
// actions against one game: [selector Byte][length Byte][length bytes]. A length of 255 takes
// the rest of the input, so long lists can be reached too.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "protocol/buffer.h"

namespace quorvex::fuzz {

struct Record {
    std::uint8_t selector = 0;
    ByteView payload;
};

class RecordReader {
  public:
    RecordReader(const std::uint8_t* data, std::size_t size) : bytes_(data, size) {}

    std::optional<Record> Next() {
        if (at_ + 2 > bytes_.size()) {
            return std::nullopt;
        }
        const std::uint8_t selector = bytes_[at_];
        const std::size_t wanted = bytes_[at_ + 1];
        at_ += 2;
        const std::size_t left = bytes_.size() - at_;
        const std::size_t length = wanted == 255 || wanted > left ? left : wanted;
        const Record record{selector, bytes_.subspan(at_, length)};
        at_ += length;
        return record;
    }

  private:
    ByteView bytes_;
    std::size_t at_ = 0;
};

// The message a record stands for: the type Byte, then the payload as it came.
inline Buffer MessageOf(std::uint8_t type, ByteView payload) {
    Buffer message;
    message.reserve(1 + payload.size());
    message.push_back(type);
    message.insert(message.end(), payload.begin(), payload.end());
    return message;
}

// Stops the fuzzer on a broken invariant; a plain abort keeps the reproducer.
[[noreturn]] inline void Broken() {
    __builtin_trap();
}

inline void Require(bool holds) {
    if (!holds) {
        Broken();
    }
}

}  // namespace quorvex::fuzz

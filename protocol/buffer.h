#pragma once

// The message buffer: a growable byte array and a running offset. Writers append fields in
// order, readers read them back in the same order. Every read is bounds-checked: bytes from the
// network may be short, long or hostile, and a failed read leaves the offset where it was.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex {

using Buffer = std::vector<std::uint8_t>;
using ByteView = std::span<const std::uint8_t>;

// A String field is a 16-bit little-endian byte count followed by that many bytes of UTF-8.
inline constexpr std::size_t kMaxStringBytes = 0xFFFF;

// Empties a buffer that is reused for every message; one that grew past `keep` bytes for a
// burst also gives its memory back, so that a quiet sender holds no more than that.
inline void ClearKeeping(Buffer& buffer, std::size_t keep) {
    if (buffer.capacity() > keep) {
        Buffer().swap(buffer);
    } else {
        buffer.clear();
    }
}

// Empties the buffer; the first field is written at the returned offset, 0.
std::int32_t BeginBuffer(Buffer& buffer);

// Writes the low `size` bytes (1 to 8) of `value`, least significant first, at `offset`, growing
// the buffer as needed; offset += size. Fails on a bad size or offset.
bool AppendData(Buffer& buffer, std::uint64_t value, std::int32_t size, std::int32_t& offset);

// Writes `text` as a String field at `offset`. Fails when it is longer than kMaxStringBytes.
bool AppendString(Buffer& buffer, std::string_view text, std::int32_t& offset);

// Reads `size` bytes (1 to 8) at `offset` into the low bytes of `value` (the rest zero).
// Fails, changing nothing, when the bytes run out or the offset is out of range.
bool ReadData(ByteView buffer, std::uint64_t& value, std::int32_t size, std::int32_t& offset);

// Reads a String field at `offset`. Fails, changing nothing, when the count or the text runs
// past the end of the bytes.
bool ReadString(ByteView buffer, std::int32_t& offset, std::string& text);

}  // namespace quorvex

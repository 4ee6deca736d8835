#include "protocol/buffer.h"

#include <limits>

namespace quorvex {
namespace {

bool FitsAt(std::size_t available, std::int32_t offset, std::int64_t size) {
    return offset >= 0 && size >= 0 &&
           static_cast<std::int64_t>(offset) + size <= static_cast<std::int64_t>(available);
}

bool OffsetCanAdvance(std::int32_t offset, std::int64_t size) {
    return offset >= 0 &&
           static_cast<std::int64_t>(offset) + size <= std::numeric_limits<std::int32_t>::max();
}

}  // namespace

std::int32_t BeginBuffer(Buffer& buffer) {
    buffer.clear();
    return 0;
}

bool AppendData(Buffer& buffer, std::uint64_t value, std::int32_t size, std::int32_t& offset) {
    if (size < 1 || size > 8 || !OffsetCanAdvance(offset, size)) {
        return false;
    }
    const auto end = static_cast<std::size_t>(offset) + static_cast<std::size_t>(size);
    if (buffer.size() < end) {
        buffer.resize(end);
    }
    for (std::int32_t i = 0; i < size; ++i) {
        buffer[static_cast<std::size_t>(offset + i)] = static_cast<std::uint8_t>(value >> (8 * i));
    }
    offset += size;
    return true;
}

bool AppendString(Buffer& buffer, std::string_view text, std::int32_t& offset) {
    if (text.size() > kMaxStringBytes || !OffsetCanAdvance(offset, 2 + std::int64_t(text.size()))) {
        return false;
    }
    std::int32_t at = offset;
    if (!AppendData(buffer, text.size(), 2, at)) {
        return false;
    }
    const auto end = static_cast<std::size_t>(at) + text.size();
    if (buffer.size() < end) {
        buffer.resize(end);
    }
    std::copy(text.begin(), text.end(), buffer.begin() + at);
    offset = static_cast<std::int32_t>(end);
    return true;
}

bool ReadData(ByteView buffer, std::uint64_t& value, std::int32_t size, std::int32_t& offset) {
    if (size < 1 || size > 8 || !FitsAt(buffer.size(), offset, size)) {
        return false;
    }
    std::uint64_t result = 0;
    for (std::int32_t i = 0; i < size; ++i) {
        result |= std::uint64_t{buffer[static_cast<std::size_t>(offset + i)]} << (8 * i);
    }
    value = result;
    offset += size;
    return true;
}

bool ReadString(ByteView buffer, std::int32_t& offset, std::string& text) {
    std::int32_t at = offset;
    std::uint64_t length = 0;
    if (!ReadData(buffer, length, 2, at) || !FitsAt(buffer.size(), at, std::int64_t(length))) {
        return false;
    }
    const auto* begin = buffer.data() + at;
    text.assign(reinterpret_cast<const char*>(begin), static_cast<std::size_t>(length));
    offset = at + static_cast<std::int32_t>(length);
    return true;
}

}  // namespace quorvex

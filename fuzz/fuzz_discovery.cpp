// A datagram from anyone on the LAN, through both discovery decoders. What decodes must encode
// back within the bounds the server relies on: a reply never outgrows the smallest query.

#include <cstddef>
#include <cstdint>

#include "protocol/session/discovery.h"

using namespace quorvex;
using namespace quorvex::session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView datagram(data, size);
    if (DecodeDiscoveryQuery(datagram) && size < kDiscoveryQueryBytes) {
        __builtin_trap();  // an unpadded query must never be answered
    }
    if (const auto reply = DecodeDiscoveryReply(datagram)) {
        const Buffer again = EncodeDiscoveryReply(*reply);
        if (again.size() > kDiscoveryQueryBytes || DecodeDiscoveryReply(again) != reply) {
            __builtin_trap();
        }
    }
    return 0;
}

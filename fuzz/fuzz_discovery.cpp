// A datagram from anyone on the LAN, through both discovery decoders. What decodes must encode
// back within the bounds the server relies on: a reply never outgrows the smallest query. What
// the client lists of it must be fit to show: showing it again changes nothing.

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "client/link/server_list.h"
#include "protocol/session/discovery.h"

using namespace quorvex;
using namespace quorvex::session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView datagram(data, size);
    if (DecodeDiscoveryQuery(datagram) && size < kDiscoveryQueryBytes) {
        __builtin_trap();  // an unpadded query must never be answered
    }
    const std::string_view raw(reinterpret_cast<const char*>(data), size);
    const std::string shown = client::ShownText(raw);
    if (client::ShownText(shown) != shown || shown.size() > 4 * client::kShownTextChars) {
        __builtin_trap();
    }
    if (const auto reply = DecodeDiscoveryReply(datagram)) {
        const Buffer again = EncodeDiscoveryReply(*reply);
        if (again.size() > kDiscoveryQueryBytes || DecodeDiscoveryReply(again) != reply) {
            __builtin_trap();
        }
        client::ServerList list;
        list.Add(HeardReply{*reply, "192.0.2.1", kDiscoveryPort, 0}, 0);
        const auto& listed = list.Servers().at(0);
        // The sender's own network or the sender itself, never anywhere else.
        if (listed.reply.hostName != client::ShownText(listed.reply.hostName) ||
            listed.connectAddress.rfind("192.0.2.", 0) != 0) {
            __builtin_trap();
        }
    }
    return 0;
}

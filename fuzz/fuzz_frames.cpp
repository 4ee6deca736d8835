// A stream of bytes from a stranger, cut at arbitrary places, through the frame parser and the
// handshake decoders, the password challenge (with or without the server's proof) and answer
// included.

#include <cstddef>
#include <cstdint>

#include "protocol/session/frame.h"

using namespace quorvex;
using namespace quorvex::session;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    // The first byte chooses how the stream is split into reads.
    const std::size_t step = 1 + data[0] % 17;
    FrameParser parser(4096);
    for (std::size_t at = 1; at < size && !parser.Failed(); at += step) {
        parser.Feed(data + at, std::min(step, size - at));
        if (parser.Buffered() > kFrameHeaderBytes + 4096) {
            __builtin_trap();  // the parser must never hold more than one largest frame
        }
        while (auto frame = parser.Next()) {
            // A client's nonce is whole or absent, never a part of one.
            if (const auto hello = DecodeHello(frame->payload);
                hello && !hello->clientNonce.empty() && hello->clientNonce.size() != kNonceBytes) {
                __builtin_trap();
            }
            DecodeWelcome(frame->payload);
            DecodeRefusal(frame->payload);
            // The password handshake: a nonce or proof of any other length must be refused.
            if (DecodeNonce(frame->payload).has_value() != (frame->payload.size() == kNonceBytes) ||
                DecodeProof(frame->payload).has_value() != (frame->payload.size() == kProofBytes) ||
                DecodeChallenge(frame->payload).has_value() !=
                    (frame->payload.size() == kNonceBytes ||
                     frame->payload.size() == kNonceBytes + kProofBytes)) {
                __builtin_trap();
            }
        }
    }
    return 0;
}

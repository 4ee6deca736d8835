// Arbitrary bytes as a received message: every reader must refuse or accept it whole, and
// whatever it accepts must write back to bytes that read the same.

#include <cstddef>
#include <cstdint>

#include "protocol/messages.h"
#include "protocol/numeric.h"

using namespace quorvex;

namespace {

template <class M>
void Check(ByteView bytes) {
    const auto message = msg::Decode<M>(bytes);
    if (!message) {
        return;
    }
    const auto again = msg::Encode(*message);
    if (!again || msg::Decode<M>(*again) != message) {
        __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const ByteView bytes(data, size);
    Check<msg::Chat>(bytes);
    Check<msg::Roster>(bytes);
    Check<msg::PlayerLeft>(bytes);
    Check<msg::Scoreboard>(bytes);
    Check<msg::BallUpdate>(bytes);
    Check<msg::BallEvent>(bytes);
    Check<msg::PaddleUpdate>(bytes);
    Check<msg::GameSettings>(bytes);
    Check<msg::SeatRequest>(bytes);
    Check<msg::ReadyRequest>(bytes);
    Check<msg::ReadyTally>(bytes);
    // The texts inside are numbers to the programs: read them both ways.
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto v = NumericValue(text)) {
        FormatDouble(*v);
        ToInt16(*v);
        ToInt32(*v);
    }
    if (const auto v = StrictNumber(text)) {
        FormatSingle(static_cast<float>(*v));
    }
    return 0;
}

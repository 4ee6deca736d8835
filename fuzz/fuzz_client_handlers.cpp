// The client's message handlers fed arbitrary bytes behind each handled type Byte, mixed with
// paddle ticks, pointer moves and lobby clicks. After every step the client's state must
// still hang together: seat table, arena and ball agree, nothing in them is infinite or NaN,
// and everything it sent is a well-formed message.

#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>

#include "client/state/client_state.h"
#include "fuzz/fuzz_records.h"
#include "protocol/messages.h"
#include "protocol/numeric.h"

using namespace quorvex;
using namespace quorvex::client;
using quorvex::fuzz::Require;

namespace {

constexpr std::uint8_t kHandledTypes[] = {1, 2, 3, 4, 5, 7, 8, 10};

class CheckingOutbox : public Outbox {
  public:
    bool Send(const Buffer& message) override {
        Require(!message.empty());
        switch (static_cast<msg::Type>(message[0])) {
            case msg::Type::BallEvent: {
                const auto event = msg::Decode<msg::BallEvent>(message);
                Require(event.has_value());
                if (event->kind == msg::kBallBounce) {
                    Require(StrictNumber(event->value).has_value());
                } else {
                    // A miss names the own seat, which must exist.
                    Require(event->kind == msg::kBallMiss && state != nullptr &&
                            event->value == FormatInteger(state->PlayerID()) &&
                            state->PlayerID() >= 0);
                }
                break;
            }
            case msg::Type::PaddleUpdate: {
                const auto paddle = msg::Decode<msg::PaddleUpdate>(message);
                Require(paddle && state != nullptr &&
                        paddle->seat == FormatInteger(state->PlayerID()));
                for (const auto* text : {&paddle->x1, &paddle->y1, &paddle->x2, &paddle->y2}) {
                    Require(StrictNumber(*text).has_value());
                }
                break;
            }
            case msg::Type::Chat:
                Require(msg::Decode<msg::Chat>(message).has_value());
                break;
            case msg::Type::SeatRequest:
                Require(msg::Decode<msg::SeatRequest>(message).has_value());
                break;
            case msg::Type::Ready:
                Require(message.size() == 1);
                break;
            case msg::Type::PlayerLeft:
                Require(msg::Decode<msg::PlayerLeft>(message).has_value());
                break;
            default:
                fuzz::Broken();  // a client sends nothing else
        }
        return true;
    }

    const ClientState* state = nullptr;
};

bool Finite(const arena::Line& line) {
    return std::isfinite(line.x1) && std::isfinite(line.y1) && std::isfinite(line.x2) &&
           std::isfinite(line.y2);
}

void CheckState(const ClientState& state) {
    const auto seatCount = state.Seats().size();
    const int own = state.PlayerID();
    Require(own >= -1 && (own < 0 || static_cast<std::size_t>(own) < seatCount));

    const auto& arena = state.Arena();
    Require(!arena.players.empty() && !arena.segments.empty() && !arena.barriers.empty());
    if (state.ArenaReady()) {
        // One side per seat (three at least), one paddle per seat (one at least).
        const std::size_t sides = seatCount < 3 ? 3 : seatCount;
        Require(arena.barriers.size() == sides && arena.segments.size() == sides &&
                arena.equations.size() == sides);
        Require(arena.players.size() == (seatCount < 1 ? 1 : seatCount));
    }
    for (const auto* lines : {&arena.players, &arena.segments, &arena.barriers}) {
        for (const auto& line : *lines) {
            Require(Finite(line));
        }
    }
    for (const auto& equation : arena.equations) {
        Require(std::isfinite(equation.slope) && std::isfinite(equation.intercept) &&
                std::isfinite(equation.x));
    }
    const auto& ball = state.Ball();
    Require(std::isfinite(ball.left) && std::isfinite(ball.top) && std::isfinite(ball.width) &&
            std::isfinite(ball.height));
}

float FloatAt(ByteView payload, std::size_t at) {
    std::uint32_t bits = 0;
    if (payload.size() >= at + 4) {
        std::memcpy(&bits, payload.data() + at, 4);
    }
    float value = 0;
    std::memcpy(&value, &bits, 4);
    return value;
}

// The window's side: ticks, the pointer and the lobby buttons, chosen by the first byte.
void Act(ClientState& state, ByteView payload) {
    const std::uint8_t what = payload.empty() ? 0 : payload[0];
    switch (what % 8) {
        case 0:
            state.Timer2_Timer();
            break;
        case 1:
            // Any float at all, NaN and infinities included: the pointer is the window's.
            state.Form_MouseMove(FloatAt(payload, 1), FloatAt(payload, 5));
            break;
        case 2:
            state.cmdJoin_Click();
            break;
        case 3:
            state.cmdRdy_Click();
            break;
        case 4:
            state.cmdSpectate_Click();
            break;
        case 5: {
            const auto text = payload.subspan(payload.empty() ? 0 : 1);
            state.txtSend_KeyDown(
                kEnterKey,
                std::string_view(reinterpret_cast<const char*>(text.data()), text.size()));
            break;
        }
        case 6:
            // The window's width is whatever the user made it, but always a number.
            if (const float width = FloatAt(payload, 1); std::isfinite(width)) {
                state.SetOuterWidth(static_cast<double>(width));
            }
            break;
        default:
            state.TakeChanges();
            break;
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    CheckingOutbox outbox;
    ClientState state(outbox);
    outbox.state = &state;
    state.SetMyName("Ann");
    state.OnConnectComplete(true);
    fuzz::RecordReader reader(data, size);
    while (const auto record = reader.Next()) {
        const std::uint8_t choice = record->selector % 10;
        if (choice < 8) {
            state.HandleMessage(fuzz::MessageOf(kHandledTypes[choice], record->payload));
        } else if (choice == 8) {
            Act(state, record->payload);
        } else {
            state.HandleMessage(record->payload);  // any type Byte at all, or none
        }
        CheckState(state);
    }
    return 0;
}

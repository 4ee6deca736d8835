// Build and parse of every message type, frame parsing, one ball tick, and the encoding of a
// broadcast, each with the contents a game of ten players has.
//
//   codec_bench [--benchmark_filter=...]

#include <benchmark/benchmark.h>

#include <string>

#include "protocol/messages.h"
#include "protocol/outbox.h"
#include "protocol/session/frame.h"
#include "server/game/server_game.h"

namespace quorvex {
namespace {

constexpr int kPlayers = 10;

msg::Roster TenRoster() {
    msg::Roster roster;
    for (int i = 0; i < kPlayers; ++i) {
        roster.entries.push_back({"Player" + std::to_string(i), 102 + i});
    }
    return roster;
}

msg::Scoreboard TenSeats() {
    msg::Scoreboard board;
    for (int i = 0; i < kPlayers; ++i) {
        board.seats.push_back({std::to_string(102 + i), std::to_string(i), std::to_string(i * 3)});
    }
    return board;
}

template <class M>
M Sample();
template <>
msg::Chat Sample() {
    return {"Ann:>good game, everyone"};
}
template <>
msg::Roster Sample() {
    return TenRoster();
}
template <>
msg::PlayerLeft Sample() {
    return {105};
}
template <>
msg::Scoreboard Sample() {
    return TenSeats();
}
template <>
msg::BallUpdate Sample() {
    return {"5489", "3749", "90"};
}
template <>
msg::BallEvent Sample() {
    return {msg::kBallBounce, "135"};
}
template <>
msg::PaddleUpdate Sample() {
    return {"3", "3000.25", "2232.07", "3708.51", "1526.375"};
}
template <>
msg::GameSettings Sample() {
    return {msg::kGamePoints, "10"};
}
template <>
msg::SeatRequest Sample() {
    return {msg::kSeatTake, "105"};
}
template <>
msg::ReadyRequest Sample() {
    return {};
}
template <>
msg::ReadyTally Sample() {
    return {"3"};
}

template <class M>
void BuildMessage(benchmark::State& state) {
    const M message = Sample<M>();
    for (auto _ : state) {
        auto bytes = msg::Encode(message);
        benchmark::DoNotOptimize(bytes);
    }
}

template <class M>
void ParseMessage(benchmark::State& state) {
    const Buffer bytes = *msg::Encode(Sample<M>());
    for (auto _ : state) {
        auto message = msg::Decode<M>(bytes);
        benchmark::DoNotOptimize(message);
    }
}

#define QUORVEX_CODEC_BENCH(M)                                   \
    BENCHMARK_TEMPLATE(BuildMessage, msg::M)->Name("Build/" #M); \
    BENCHMARK_TEMPLATE(ParseMessage, msg::M)->Name("Parse/" #M);
QUORVEX_CODEC_BENCH(Chat)
QUORVEX_CODEC_BENCH(Roster)
QUORVEX_CODEC_BENCH(PlayerLeft)
QUORVEX_CODEC_BENCH(Scoreboard)
QUORVEX_CODEC_BENCH(BallUpdate)
QUORVEX_CODEC_BENCH(BallEvent)
QUORVEX_CODEC_BENCH(PaddleUpdate)
QUORVEX_CODEC_BENCH(GameSettings)
QUORVEX_CODEC_BENCH(SeatRequest)
QUORVEX_CODEC_BENCH(ReadyRequest)
QUORVEX_CODEC_BENCH(ReadyTally)
#undef QUORVEX_CODEC_BENCH

// A read of 64 KiB holding back-to-back Data frames of paddle relays, cut into frames.
void FrameParse(benchmark::State& state) {
    const Buffer message = *msg::Encode(Sample<msg::PaddleUpdate>());
    const Buffer frame = session::MakeFrame(session::FrameKind::Data, message);
    Buffer stream;
    while (stream.size() + frame.size() <= 64 * 1024) {
        stream.insert(stream.end(), frame.begin(), frame.end());
    }
    const auto frames = static_cast<std::int64_t>(stream.size() / frame.size());
    session::FrameParser parser(1 << 20);
    for (auto _ : state) {
        parser.Feed(stream.data(), stream.size());
        while (auto f = parser.Next()) {
            benchmark::DoNotOptimize(f->payload.data());
        }
    }
    state.SetItemsProcessed(state.iterations() * frames);
}
BENCHMARK(FrameParse);

// Takes every message and drops it: the rules' own cost, without a session.
class NullOutbox : public Outbox {
  public:
    bool Send(const Buffer& message) override {
        benchmark::DoNotOptimize(message.data());
        return true;
    }
};

void Seated(server::ServerGame& game) {
    game.OnCreatePlayer(101, "");
    for (int i = 0; i < kPlayers; ++i) {
        game.OnCreatePlayer(102 + i, "Player" + std::to_string(i));
    }
}

// One tick of the ball: a step, its texts, and the BallUpdate built (and dropped).
void BallTick(benchmark::State& state) {
    NullOutbox outbox;
    server::ServerGame game(outbox);
    Seated(game);
    game.StartUpBallDirection();
    std::int64_t ticks = 0;
    for (auto _ : state) {
        game.BallStep();
        if (++ticks % 20 == 0) {
            game.ResetBall();  // keep the coordinates short, as bounces do in play
        }
    }
}
BENCHMARK(BallTick);

// What the server does for every relayed paddle report: read it, build the message for all,
// and frame it once.
void BroadcastEncode(benchmark::State& state) {
    const Buffer incoming = *msg::Encode(Sample<msg::PaddleUpdate>());
    for (auto _ : state) {
        const auto paddle = msg::Decode<msg::PaddleUpdate>(incoming);
        const auto bytes = msg::Encode(*paddle);
        auto frame = session::MakeFrame(session::FrameKind::Data, *bytes);
        benchmark::DoNotOptimize(frame);
    }
}
BENCHMARK(BroadcastEncode);

// The same through the server's rules (decode, relay, encode), the outbox dropping it.
void RelayPaddle(benchmark::State& state) {
    NullOutbox outbox;
    server::ServerGame game(outbox);
    Seated(game);
    const Buffer incoming = *msg::Encode(Sample<msg::PaddleUpdate>());
    for (auto _ : state) {
        benchmark::DoNotOptimize(game.OnReceive(incoming));
    }
}
BENCHMARK(RelayPaddle);

}  // namespace
}  // namespace quorvex

BENCHMARK_MAIN();

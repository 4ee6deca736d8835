// From a BallUpdate reaching the client's state to its bounce being heard: a private PulseAudio
// server with a null sink, the client's state and sound player in this process, and parec
// recording the sink's monitor in chunks of 2 ms. A bounce is heard when the chunk holding its
// first loud sample arrives: the recording's own delay is counted in, so the figures are upper
// bounds. (Dating the sample back within its chunk would not do: the null sink renders ahead
// of its clock, and gave sounds heard before they were asked for.) Then the CPU that sound adds
// in a twelve-player game (its cues as one client hears them, from a game of computer players
// on a virtual clock, replayed in real time) and at fixed stress rates, and whether a muted
// client opens a stream.
//
//   sound_latency [--trials N] [--seconds S]

#include <QCoreApplication>
#include <QProcess>

#include <sys/resource.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "bench/bots/virtual_game.h"
#include "client/sound/sound_player.h"
#include "client/state/client_state.h"
#include "kit/figures.h"
#include "kit/loop.h"
#include "kit/null_sink.h"
#include "protocol/bot_skill.h"
#include "protocol/messages.h"

namespace {

using namespace quorvex;
using client::sound::Cue;
using client::sound::CueFor;
using client::sound::CueRequest;
using client::sound::SoundPlayer;

constexpr int kRate = client::sound::kSampleRate;
constexpr int kLoud = 300;  // of 32767: well above silence, well below any cue's peak
constexpr double kLatencyGoalMs = 30;
constexpr double kCpuGoalPercent = 0.5;
constexpr int kPlayers = 12;
// Fixed rates beside the game's: 2 a second is a lively game of few players, 6 a stress rate.
constexpr double kLivelyCuesPerSecond = 2;
constexpr double kStressCuesPerSecond = 6;

class Nowhere : public Outbox {
  public:
    bool Send(const Buffer&) override { return true; }
};

void Feed(client::ClientState& state, const auto& message) {
    const auto bytes = msg::Encode(message);
    state.HandleMessage(*bytes);
}

// Records the sink's monitor and tells when sound starts after a given moment.
class Recorder {
  public:
    explicit Recorder(const std::string& source) {
        QObject::connect(&parec_, &QProcess::readyReadStandardOutput, [this] { Read(); });
        parec_.start(QString::fromStdString(kit::FindProgram("parec")),
                     {"-d", QString::fromStdString(source), "--raw", "--format=s16le",
                      QString("--rate=%1").arg(kRate), "--channels=2", "--latency-msec=2"});
    }
    ~Recorder() {
        parec_.kill();
        parec_.waitForFinished(2000);
    }
    bool Streaming() const { return bytes_ > 0; }
    // Forgets the last onset and looks for the next.
    void Listen() { onsetNs_.reset(); }
    std::optional<std::int64_t> Onset() const { return onsetNs_; }

  private:
    void Read() {
        const std::int64_t now = kit::MonotonicNs();
        const QByteArray data = parec_.readAllStandardOutput();
        pending_.append(data);
        bytes_ += data.size();
        const auto frames = pending_.size() / 4;
        const auto* samples = reinterpret_cast<const std::int16_t*>(pending_.constData());
        for (qsizetype i = 0; i < frames && !onsetNs_; ++i) {
            if (std::abs(samples[2 * i]) > kLoud || std::abs(samples[2 * i + 1]) > kLoud) {
                onsetNs_ = now;
            }
        }
        pending_.remove(0, frames * 4);
    }

    QProcess parec_;
    QByteArray pending_;
    qint64 bytes_ = 0;
    std::optional<std::int64_t> onsetNs_;
};

double CpuNow() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return kit::CpuSeconds(usage);
}

struct TimedCue {
    std::int64_t atMs;
    CueRequest cue;
};

// Every cue a client of a twelve-player game hears over `seconds`, with when: computer
// players of the default skill playing Points, rounds, lobbies and all.
std::vector<TimedCue> GameCues(int seconds) {
    bench::VirtualGame game(std::vector<int>(kPlayers, kDefaultBotSkill), 5, 11u);
    game.Person().RecordHappenings(true);
    std::vector<TimedCue> cues;
    constexpr int kStepMs = 10;
    for (int ms = kStepMs; ms <= seconds * 1000; ms += kStepMs) {
        game.Run(kStepMs);
        for (const auto& happening : game.Person().TakeHappenings()) {
            cues.push_back({ms, CueFor(happening)});
        }
    }
    return cues;
}

// Cues at `perSecond`, a fixed cycle of the short and the long.
std::vector<TimedCue> SteadyCues(int seconds, double perSecond) {
    const Cue cycle[] = {Cue::kWallBounce, Cue::kOtherHit,  Cue::kOwnHit,
                         Cue::kWallBounce, Cue::kOtherMiss, Cue::kChat};
    std::vector<TimedCue> cues;
    const auto total = static_cast<int>(seconds * perSecond);
    for (int i = 0; i < total; ++i) {
        cues.push_back({static_cast<std::int64_t>(i * 1000 / perSecond),
                        {cycle[i % 6], static_cast<float>(i % 3 - 1) * 0.5f}});
    }
    return cues;
}

// CPU seconds this process spends over `seconds` while `cues` are asked for on time.
double CpuOverCues(SoundPlayer& player, int seconds, const std::vector<TimedCue>& cues) {
    const double start = CpuNow();
    const std::int64_t begin = kit::MonotonicNs();
    const auto pumpUntil = [begin](std::int64_t ms) {
        // Sleeping between events, so that the loop's own waiting costs nothing.
        const std::int64_t left = begin + ms * 1'000'000 - kit::MonotonicNs();
        kit::Pump(static_cast<int>(std::max<std::int64_t>(0, left) / 1'000'000));
    };
    for (const TimedCue& timed : cues) {
        pumpUntil(timed.atMs);
        player.Play(timed.cue);
    }
    pumpUntil(std::int64_t{seconds} * 1000);
    return CpuNow() - start;
}

}  // namespace

int main(int argc, char** argv) {
    const int trials = std::atoi(kit::Option(argc, argv, "--trials", "100").c_str());
    const int seconds = std::atoi(kit::Option(argc, argv, "--seconds", "30").c_str());
    kit::NullSinkServer server;  // before any audio object, which reads PULSE_SERVER
    if (!server.Running()) {
        std::printf("skipped: %s\n", server.Problem().c_str());
        return 0;
    }
    QCoreApplication app(argc, argv);

    // Muted: no stream at all, however many cues are asked for.
    {
        SoundPlayer muted(true, 7);
        for (int i = 0; i < 10; ++i) {
            muted.Play({Cue::kWallBounce, 0});
        }
        kit::Pump(200);
        const int streams = server.PlaybackStreams();
        std::printf("muted client: %d playback streams open\n", streams);
        kit::PrintGoal("a muted client opens no audio stream", streams == 0);
    }

    SoundPlayer player(false, 7);
    kit::Pump(300);
    std::printf("playing client: %d playback streams open\n", server.PlaybackStreams());
    {
        Recorder recorder(server.Monitor());
        if (!kit::WaitUntil([&] { return recorder.Streaming(); }, 5000)) {
            std::printf("skipped: parec recorded nothing from %s\n", server.Monitor().c_str());
            return 0;
        }

        Nowhere outbox;
        client::ClientState state(outbox);
        state.RecordHappenings(true);
        std::vector<double> latencies;
        int unheard = 0;
        for (int i = 0; i < trials; ++i) {
            Feed(state, msg::BallUpdate{"5000", "3000", "45"});
            state.TakeHappenings();
            kit::Pump(200);  // the last bounce has died away
            recorder.Listen();
            const std::int64_t arrival = kit::MonotonicNs();
            Feed(state, msg::BallUpdate{"-5", "3000", "270"});  // beyond the left edge
            for (const auto& happening : state.TakeHappenings()) {
                player.Play(CueFor(happening));
            }
            if (!kit::RunUntil([&] { return recorder.Onset().has_value(); }, 500)) {
                ++unheard;
                continue;
            }
            latencies.push_back(static_cast<double>(*recorder.Onset() - arrival) / 1e6);
        }
        const kit::Spread spread = kit::SpreadOf(latencies);
        std::printf(
            "bounce heard after the BallUpdate (%zu of %d, %d unheard): p50 %.1f ms, "
            "p99 %.1f ms, max %.1f ms\n",
            spread.count, trials, unheard, spread.p50, spread.p99, spread.max);
        kit::PrintGoal("p99 from message to sound <= 30 ms",
                       unheard == 0 && spread.count > 0 && spread.p99 <= kLatencyGoalMs);
    }

    // An open stream with nothing to play.
    const double idleStart = CpuNow();
    kit::Pump(seconds * 1000);
    std::printf("CPU of an open stream with no cue for %d s: %.3f s\n", seconds,
                CpuNow() - idleStart);

    // The same cues muted (no stream) and playing: the difference is what sound costs.
    // Ten minutes of the game say whether its pace is its own; its first `seconds` are replayed.
    const int gameSeconds = std::max(seconds, 600);
    std::vector<TimedCue> game = GameCues(gameSeconds);
    std::printf("over %d s that game makes %.2f cues/s\n", gameSeconds,
                static_cast<double>(game.size()) / gameSeconds);
    std::erase_if(game, [seconds](const TimedCue& c) { return c.atMs > seconds * 1000; });
    std::printf(
        "a client of a %d-player game of computer players hears %zu cues in %d s (%.2f/s)\n",
        kPlayers, game.size(), seconds, static_cast<double>(game.size()) / seconds);
    const struct {
        const char* what;
        std::vector<TimedCue> cues;
        bool goal;
    } runs[] = {{"that game", game, true},
                {"2 cues/s", SteadyCues(seconds, kLivelyCuesPerSecond), false},
                {"6 cues/s", SteadyCues(seconds, kStressCuesPerSecond), false}};
    for (const auto& run : runs) {
        player.SetMuted(false);
        const double playing = CpuOverCues(player, seconds, run.cues);
        player.SetMuted(true);
        const double silent = CpuOverCues(player, seconds, run.cues);
        const double added = (playing - silent) / seconds * 100;
        std::printf(
            "CPU over %d s of %s: playing %.3f s, muted %.3f s: sound adds %.2f %% of a core\n",
            seconds, run.what, playing, silent, added);
        if (run.goal) {
            kit::PrintGoal("sound adds <= 0.5 % of a core at twelve players",
                           added <= kCpuGoalPercent);
        }
    }
    return 0;
}

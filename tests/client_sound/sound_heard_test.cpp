// End to end through a private PulseAudio null sink: a BallUpdate beyond an edge is heard on
// the sink's monitor, and a muted client opens no stream. How soon is the benchmark's to say
// (bench/sound_latency); here only that it comes at all, within a generous second.

#include <gtest/gtest.h>

#include <QProcess>

#include <cstdlib>
#include <memory>

#include "client/sound/sound_player.h"
#include "client/state/client_state.h"
#include "kit/loop.h"
#include "kit/null_sink.h"
#include "protocol/messages.h"
#include "tests/support/recording_outbox.h"

namespace quorvex::client {
namespace {

// Whether any recorded sample is louder than the faintest cue's attack.
bool Loud(const QByteArray& pcm) {
    const auto* samples = reinterpret_cast<const std::int16_t*>(pcm.constData());
    for (qsizetype i = 0; i < pcm.size() / 2; ++i) {
        if (std::abs(samples[i]) > 300) {
            return true;
        }
    }
    return false;
}

TEST(SoundHeard, ABounceReachesTheSpeakersAndMuteOpensNothing) {
    kit::NullSinkServer server;
    if (!server.Running()) {
        GTEST_SKIP() << "no sound server here: " << server.Problem();
    }
    {
        sound::SoundPlayer muted(true, 7);
        muted.Play({sound::Cue::kOwnMiss, 0});
        kit::Pump(100);
        EXPECT_EQ(server.PlaybackStreams(), 0);
    }
    sound::SoundPlayer player(false, 7);
    ASSERT_TRUE(player.StreamOpen());
    EXPECT_EQ(server.PlaybackStreams(), 1);

    QProcess parec;
    QByteArray recorded;
    QObject::connect(&parec, &QProcess::readyReadStandardOutput,
                     [&] { recorded += parec.readAllStandardOutput(); });
    parec.start("parec", {"-d", QString::fromStdString(server.Monitor()), "--raw", "--format=s16le",
                          "--rate=48000", "--channels=2", "--latency-msec=5"});
    ASSERT_TRUE(kit::WaitUntil([&] { return !recorded.isEmpty(); }, 5000)) << "parec is silent";
    kit::Pump(100);
    EXPECT_FALSE(Loud(recorded)) << "sound before any bounce";
    recorded.clear();

    test::RecordingOutbox box;
    ClientState state(box);
    state.RecordHappenings(true);
    state.HandleMessage(*msg::Encode(msg::BallUpdate{"5000", "3000", "45"}));
    state.HandleMessage(*msg::Encode(msg::BallUpdate{"-5", "3000", "45"}));
    for (const Happening& happening : state.TakeHappenings()) {
        player.Play(sound::CueFor(happening));
    }
    EXPECT_TRUE(kit::WaitUntil([&] { return Loud(recorded); }, 1000)) << "no bounce heard";
    parec.kill();
    parec.waitForFinished(2000);
}

}  // namespace
}  // namespace quorvex::client

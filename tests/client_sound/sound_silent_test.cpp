// Without a sound server the client stays silent and plays on; mute and volume are kept
// between runs.

#include <gtest/gtest.h>

#include <QSettings>

#include <algorithm>
#include <cstdlib>

#include "client/link/remembered_choices.h"
#include "client/sound/sound_player.h"
#include "kit/loop.h"

namespace quorvex::client {
namespace {

TEST(SoundWithoutServer, StaysSilentAndSaysSoOnce) {
    // Read at the first use of audio in this process: a socket that nobody serves.
    setenv("PULSE_SERVER", "unix:/nonexistent/quorvex-no-sound", 1);
    ::testing::internal::CaptureStderr();
    sound::SoundPlayer player(false, 7);
    for (int i = 0; i < 3; ++i) {
        player.Play({sound::Cue::kOwnMiss, 0});
        player.SetMuted(true);
        player.SetMuted(false);
    }
    kit::Pump(50);
    const std::string said = ::testing::internal::GetCapturedStderr();
    EXPECT_FALSE(player.StreamOpen());
    EXPECT_EQ(std::count(said.begin(), said.end(), '\n'), 1) << said;
    EXPECT_EQ(said.rfind("quorvex-client: ", 0), 0u) << said;
    EXPECT_NE(said.find("playing without sound"), std::string::npos) << said;
}

TEST(RememberedSound, MuteAndVolumeKeptBetweenRuns) {
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quorvex", "quorvex-client").clear();
    EXPECT_FALSE(LoadRememberedSound().muted);
    EXPECT_EQ(LoadRememberedSound().volume, 7);
    RememberSound({true, 3});
    EXPECT_TRUE(LoadRememberedSound().muted);
    EXPECT_EQ(LoadRememberedSound().volume, 3);
    RememberSound({false, 0});
    EXPECT_FALSE(LoadRememberedSound().muted);
    EXPECT_EQ(LoadRememberedSound().volume, 0);
    // A hand-edited file cannot make it louder than the loudest step.
    QSettings(QSettings::NativeFormat, QSettings::UserScope, "Quorvex", "quorvex-client")
        .setValue("soundVolume", 99);
    EXPECT_EQ(LoadRememberedSound().volume, 10);
}

}  // namespace
}  // namespace quorvex::client

// The window makes heard what its state notices, and M and +/- change mute and volume while
// the chat line has no focus; every change is handed on to be remembered.

#include <QLineEdit>
#include <QTest>

#include <gtest/gtest.h>

#include "client/sound/sound_output.h"
#include "client/sound/volume.h"
#include "tests/client_app/app_fixture.h"
#include "tests/support/wait.h"

namespace quorvex::test {
namespace {

struct FakeSound : client::sound::SoundOutput {
    void Play(const client::sound::CueRequest& request) override { played.push_back(request.cue); }
    void SetMuted(bool m) override { muted = m; }
    bool Muted() const override { return muted; }
    void SetVolume(int v) override { volume = v; }
    int Volume() const override { return volume; }
    std::vector<client::sound::Cue> played;
    bool muted = false;
    int volume = client::sound::kDefaultVolume;
};

TEST(SoundKeys, MuteAndVolumeFromTheArenaOnlyAndOthersChatIsHeard) {
    TestServer server;
    auto ann = TestClient::Named(server.Port(), "Ann");
    ASSERT_TRUE(ann->WaitSeated());
    FakeSound sound;
    std::vector<std::pair<bool, int>> remembered;
    ann->window.SetSound(&sound, [&](bool m, int v) { remembered.emplace_back(m, v); });
    auto& w = ann->window;
    w.setFocus();
    const struct {
        Qt::Key key;
        bool muted;
        int volume;
    } kKeys[] = {{Qt::Key_M, true, 7},
                 {Qt::Key_Plus, true, 8},
                 {Qt::Key_M, false, 8},
                 {Qt::Key_Minus, false, 7},
                 {Qt::Key_Equal, false, 8}};
    for (const auto& k : kKeys) {
        QTest::keyClick(&w, k.key);
        EXPECT_EQ(std::make_pair(sound.muted, sound.volume), std::make_pair(k.muted, k.volume))
            << k.key;
        EXPECT_EQ(remembered.back(), std::make_pair(k.muted, k.volume)) << k.key;
    }
    // In the chat line the same keys are text.
    w.txtSend->setFocus();
    QTest::keyClicks(w.txtSend, "m+-");
    EXPECT_EQ(w.txtSend->text(), "m+-");
    EXPECT_EQ(remembered.size(), std::size(kKeys));

    auto bob = TestClient::Named(server.Port(), "Bob");
    ASSERT_TRUE(bob->WaitSeated());
    QTest::keyClicks(bob->window.txtSend, "hello");
    QTest::keyClick(bob->window.txtSend, Qt::Key_Return);
    EXPECT_TRUE(WaitUntil([&] {
        return std::count(sound.played.begin(), sound.played.end(), client::sound::Cue::kChat) == 1;
    }));
}

}  // namespace
}  // namespace quorvex::test

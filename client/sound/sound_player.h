#pragma once

// The cues through Qt Multimedia: one QAudioSink on the default output, fed by the Mixer in
// push mode. Only a few milliseconds are ever queued ahead of what is heard, so a cue starts
// within them; with nothing sounding nothing is written and the stream idles. Muted, no stream
// is open at all. Without an output device or sound server it says so once on standard error
// and stays silent; the game plays on.

#include <QObject>
#include <QTimer>

#include <cstdint>
#include <memory>
#include <vector>

#include "client/sound/mixer.h"
#include "client/sound/sound_output.h"

class QAudioSink;
class QIODevice;

namespace quorvex::client::sound {

// How much sound may be queued in the server ahead of what is heard, and how often the queue
// is topped up while a cue sounds.
inline constexpr int kQueuedMs = 20;
inline constexpr int kFeedIntervalMs = 10;

class SoundPlayer : public QObject, public SoundOutput {
    Q_OBJECT
  public:
    SoundPlayer(bool muted, int volume);
    ~SoundPlayer() override;

    void Play(const CueRequest& request) override;
    void SetMuted(bool muted) override;
    bool Muted() const override { return muted_; }
    void SetVolume(int volume) override;
    int Volume() const override { return volume_; }
    // Whether an audio stream is open now.
    bool StreamOpen() const { return sink_ != nullptr; }

  private:
    void OpenStream();
    void CloseStream();
    void Feed();
    // The one line on standard error, once per run.
    void Silent(const char* why);

    Mixer mixer_;
    std::unique_ptr<QAudioSink> sink_;
    QIODevice* io_ = nullptr;
    QTimer feed_;
    bool muted_;
    int volume_;
    bool toldSilent_ = false;
    std::vector<std::int16_t> chunk_;
};

}  // namespace quorvex::client::sound
